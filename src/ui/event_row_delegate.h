#pragma once

#include <QStyledItemDelegate>

class TonnixEventListModel;

// Draws an event row's picker and Preview button with the style, as the
// widgets themselves would look, and makes a real picker only for the row
// being changed: a hundred and more pickers of every installed set would
// make each change of the sets slow. Main thread only.
class TonnixEventRowDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit TonnixEventRowDelegate(TonnixEventListModel& model, QObject* parent = nullptr);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const override;

 signals:
  // The row's Preview button was clicked.
  void previewRequested(const QModelIndex& index);
  // "Custom…" was chosen in the row's picker.
  void customSoundRequested(const QModelIndex& index);

 protected:
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

 private:
  TonnixEventListModel& model_;
};
