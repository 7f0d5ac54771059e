#include "ui/event_row_delegate.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "ui/event_list_model.h"

namespace {

using Model = TonnixEventListModel;

// The room kept around each picker and button, so that neighbours' frames
// do not touch.
constexpr int gap = 2;

QRect inset(const QRect& cell) {
  return cell.adjusted(gap, gap / 2, -gap, -gap / 2);
}

// The widget's look, with the focus frame on the current cell only rather
// than on every cell of the focused list.
void initFrom(QStyleOption& option, const QStyleOptionViewItem& item) {
  option.initFrom(item.widget);
  option.state = (option.state & ~QStyle::State_HasFocus) | (item.state & QStyle::State_HasFocus);
  option.rect = inset(item.rect);
}

const QStyle& styleOf(const QStyleOptionViewItem& option) {
  return option.widget ? *option.widget->style() : *QApplication::style();
}

QStyleOptionComboBox pickerOption(const QStyleOptionViewItem& item, const QModelIndex& index) {
  QStyleOptionComboBox option;
  initFrom(option, item);
  option.currentText = index.data(Qt::DisplayRole).toString();
  option.editable = false;
  option.frame = true;
  return option;
}

QStyleOptionButton buttonOption(const QStyleOptionViewItem& item, const QModelIndex& index) {
  QStyleOptionButton option;
  initFrom(option, item);
  option.text = index.data(Qt::DisplayRole).toString();
  option.icon = index.data(Qt::DecorationRole).value<QIcon>();
  const int iconSize = styleOf(item).pixelMetric(QStyle::PM_SmallIconSize, nullptr, item.widget);
  option.iconSize = QSize(iconSize, iconSize);
  return option;
}

}  // namespace

TonnixEventRowDelegate::TonnixEventRowDelegate(TonnixEventListModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

void TonnixEventRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  if (!model_.entryAt(index) || index.column() == Model::eventColumn) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const QStyle& style = styleOf(option);
  if (index.column() == Model::pickerColumn) {
    const QStyleOptionComboBox picker = pickerOption(option, index);
    style.drawComplexControl(QStyle::CC_ComboBox, &picker, painter, option.widget);
    style.drawControl(QStyle::CE_ComboBoxLabel, &picker, painter, option.widget);
    return;
  }
  const QStyleOptionButton button = buttonOption(option, index);
  style.drawControl(QStyle::CE_PushButton, &button, painter, option.widget);
}

QSize TonnixEventRowDelegate::sizeHint(const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
  const QSize text = QStyledItemDelegate::sizeHint(option, index);
  const QStyle& style = styleOf(option);
  // Every row as tall as a picker, so that rows stay uniform.
  QStyleOptionComboBox picker = pickerOption(option, index);
  const QSize pickerSize =
      style.sizeFromContents(QStyle::CT_ComboBox, &picker, text, option.widget);
  const int height = pickerSize.height() + gap;
  if (index.column() != Model::previewColumn) return {text.width(), height};
  const QStyleOptionButton button = buttonOption(option, index);
  const QSize content(option.fontMetrics.horizontalAdvance(button.text) + button.iconSize.width() +
                          option.fontMetrics.height() / 2,
                      button.iconSize.height());
  const QSize buttonSize =
      style.sizeFromContents(QStyle::CT_PushButton, &button, content, option.widget);
  return {buttonSize.width() + 2 * gap, height};
}

QWidget* TonnixEventRowDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                              const QModelIndex& index) const {
  const TonnixSetEntry* entry = model_.entryAt(index);
  if (!entry || index.column() != Model::pickerColumn) return nullptr;
  auto* picker = new QComboBox(parent);
  picker->setObjectName(QStringLiteral("eventPicker"));
  for (const auto& option : model_.options(*entry)) {
    if (option.startsGroup) picker->insertSeparator(picker->count());
    picker->addItem(option.label);
  }
  // A choice is stored at once, as a picker's choice is.
  connect(picker, &QComboBox::activated, this, [this, picker] {
    auto* self = const_cast<TonnixEventRowDelegate*>(this);
    emit self->commitData(picker);
    emit self->closeEditor(picker);
  });
  QTimer::singleShot(0, picker, &QComboBox::showPopup);
  return picker;
}

void TonnixEventRowDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  const TonnixSetEntry* entry = model_.entryAt(index);
  auto* picker = qobject_cast<QComboBox*>(editor);
  if (!entry || !picker) return;
  // Separators are items of the combo box too.
  const auto options = model_.options(*entry);
  const int current = model_.currentOption(*entry);
  int item = 0;
  for (int option = 0; option < static_cast<int>(options.size()); ++option) {
    if (options[option].startsGroup) ++item;
    if (option == current) break;
    ++item;
  }
  picker->setCurrentIndex(current < 0 ? -1 : item);
}

void TonnixEventRowDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                          const QModelIndex& index) const {
  const TonnixSetEntry* entry = model_.entryAt(index);
  auto* picker = qobject_cast<QComboBox*>(editor);
  if (!entry || !picker || picker->currentIndex() < 0) return;
  const auto options = model_.options(*entry);
  int item = 0;
  for (const auto& option : options) {
    if (option.startsGroup) ++item;
    if (item == picker->currentIndex()) {
      if (option.selection) {
        model_.choose(*entry, *option.selection);
      } else {
        emit const_cast<TonnixEventRowDelegate*>(this)->customSoundRequested(index);
      }
      return;
    }
    ++item;
  }
}

void TonnixEventRowDelegate::updateEditorGeometry(QWidget* editor,
                                                  const QStyleOptionViewItem& option,
                                                  const QModelIndex&) const {
  editor->setGeometry(inset(option.rect));
}

bool TonnixEventRowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                         const QStyleOptionViewItem& option,
                                         const QModelIndex& index) {
  if (index.column() == Model::previewColumn && model_.entryAt(index)) {
    // A click, or Space on the current cell, as a button takes them.
    const bool isClick = event->type() == QEvent::MouseButtonRelease && [&] {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      return mouse->button() == Qt::LeftButton && option.rect.contains(mouse->position().toPoint());
    }();
    const bool isSpace =
        event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space;
    if (isClick || isSpace) {
      emit previewRequested(index);
      return true;
    }
  }
  return QStyledItemDelegate::editorEvent(event, model, option, index);
}
