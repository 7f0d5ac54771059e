#pragma once

#include <QWidget>
#include <optional>

#include "catalogue/sound_id.h"
#include "ui/settings_model.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeView;
class TonnixEventListModel;

// The Sound Sets tab: the baseline set, what each event plays (a set, none
// or a file of the user's own), previews, and importing, reloading and
// exporting sets. It keeps only the event whose custom file is being
// chosen; everything shown is read from the controller, the library, the
// assignments and the player, and follows their changes. Sets dropped on
// it are imported together. Main thread only.
class TonnixSoundSetsTab : public QWidget {
  Q_OBJECT

 public:
  explicit TonnixSoundSetsTab(TonnixSettingsModel model, QWidget* parent = nullptr);

  QTreeView& events() { return *events_; }
  TonnixEventListModel& eventModel() { return *eventModel_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QWidget* makeSetsGroup();
  QWidget* makeEventsGroup();
  QWidget* makeExportGroup();
  void connectModel();

  void refreshSets();
  void refreshPickerWidth();
  void refreshTasks();
  void refreshExport();
  QString summaryText() const;

  void importChosenSets();
  void reveal();
  void exportSet();
  void chooseCustomSound(TonnixSoundID soundID);

  TonnixSettingsModel model_;
  // The event whose custom file the open dialog is choosing.
  std::optional<TonnixSoundID> customSoundTarget_;

  QComboBox* baseline_ = nullptr;
  QLabel* summary_ = nullptr;
  QLabel* loadFailures_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* reload_ = nullptr;
  QLabel* taskStatus_ = nullptr;
  QTreeView* events_ = nullptr;
  TonnixEventListModel* eventModel_ = nullptr;
  QLabel* exportExplanation_ = nullptr;
  QPushButton* export_ = nullptr;
};
