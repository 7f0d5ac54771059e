#pragma once

#include <QTimer>
#include <QWidget>
#include <map>

#include "quiet/silence_reason.h"
#include "ui/settings_model.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QStackedWidget;
class QToolButton;
class QTreeWidget;
class QVBoxLayout;

// The General tab: what makes sounds, how loud, when to go quiet, the
// events heard lately, and starting at login. It keeps nothing but two view
// flags (whether other applications are exposed to Tonnix, whether the
// reasons to go quiet are shown): every control shows and writes the state
// of the controller, the player, the silence monitor or the autostart entry,
// and follows their changes. Main thread only.
class TonnixGeneralTab : public QWidget {
  Q_OBJECT

 public:
  // The silence monitor does not say when its current reason changes, so
  // the summary looks again this often while the tab is shown.
  static constexpr int silenceSummaryRefreshMilliseconds = 2000;

  explicit TonnixGeneralTab(TonnixSettingsModel model, QWidget* parent = nullptr);

 signals:
  // "Quit Tonnix" was pressed.
  void quitRequested();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QWidget* makeScrollingGroups();
  QWidget* makeSoundsGroup();
  QWidget* makeListeningDetails();
  QWidget* makeAccessibilityWarning();
  QWidget* makeSoundButtons();
  QWidget* makeSilenceGroup();
  QWidget* makeSilenceReasons();
  QWidget* makeUpdatesGroup();
  QWidget* makeEventsGroup();
  QWidget* makeStartAndQuitBar();
  void connectModel();

  void refreshStatus();
  void refreshSwitches();
  void refreshAttachProgress();
  void refreshAccessibilityTrust();
  void refreshTestSound();
  void refreshSilence();
  void refreshRecentEvents();
  void refreshAutostart();
  void refreshUpdates();

  QString statusText() const;
  QString silenceSummary();
  void setVolumeFromSlider();
  void setStartsAtLogin(bool starts);
  void rescan();

  TonnixSettingsModel model_;
  bool isAccessibilityTrusted_ = false;
  bool isShowingSilenceReasons_ = false;
  QTimer silenceSummaryTimer_;

  QLabel* status_ = nullptr;
  QCheckBox* notificationSounds_ = nullptr;
  QWidget* attachProgressRow_ = nullptr;
  QProgressBar* attachProgress_ = nullptr;
  QLabel* attachProgressText_ = nullptr;
  QLabel* attachCounts_ = nullptr;
  QWidget* accessibilityWarning_ = nullptr;
  QCheckBox* clickSounds_ = nullptr;
  QLabel* pointerAccess_ = nullptr;
  QCheckBox* genericClickSound_ = nullptr;
  QCheckBox* autoPan_ = nullptr;
  QSlider* volume_ = nullptr;
  QPushButton* testSound_ = nullptr;
  QToolButton* silenceSummary_ = nullptr;
  QWidget* silenceReasons_ = nullptr;
  std::map<TonnixSilenceReason, QCheckBox*> silenceReasonBoxes_;
  QLabel* focusUnknown_ = nullptr;
  QCheckBox* monitoring_ = nullptr;
  QStackedWidget* recentEventsPages_ = nullptr;
  QTreeWidget* recentEvents_ = nullptr;
  QPushButton* clearRecentEvents_ = nullptr;
  QCheckBox* startsAtLogin_ = nullptr;
  QLabel* autostartFailure_ = nullptr;
  QLabel* updateSource_ = nullptr;
  QCheckBox* checksForUpdates_ = nullptr;
  QPushButton* checkForUpdates_ = nullptr;
  QLabel* lastUpdateCheck_ = nullptr;
  QLabel* updateProblem_ = nullptr;
};
