#pragma once

#include <QObject>
#include <QPointer>
#include <filesystem>
#include <vector>

#include "ui/settings_view.h"
#include "ui/update_presenter.h"

class TonnixSingleInstance;

// What the application does when it starts, is started again, is handed
// files and ends. Tonnix runs in the background: its only window is the
// settings window, opened at launch when sounds are off and whenever the
// user starts Tonnix again while no window shows. Main thread only.
class TonnixAppDelegate : public QObject {
  Q_OBJECT

 public:
  // Everything given must outlive the delegate.
  explicit TonnixAppDelegate(TonnixSettingsModel model, QObject* parent = nullptr);
  ~TonnixAppDelegate() override;

  TonnixController& tonnix() { return model_.tonnix; }

  // Readies the sounds and update checking, starts listening when
  // notification sounds are on, and otherwise opens the settings window on
  // the next turn of the loop.
  void applicationDidFinishLaunching();
  // Tonnix started again (from the launcher, a terminal or the bus): opens
  // the settings window unless a window already shows. Answers whether the
  // caller should go on with its own handling of visible windows.
  bool applicationShouldHandleReopen(bool hasVisibleWindows);
  // That handling: the windows shown, minimised or not, come to the front.
  void bringWindowsForward();
  // Files opened with Tonnix, imported as sets in one run.
  void openFiles(const std::vector<std::filesystem::path>& urls);
  // Stops listening, silences the player and takes back an update reminder.
  void applicationWillTerminate();

  // Answers the requests that later starts send over the session bus. The
  // first activation is skipped when the bus itself started this process:
  // it is the launcher's start, not a second one.
  void serve(TonnixSingleInstance& instance, bool startedByBus);

  void openSettingsWindow();
  bool hasVisibleWindows() const;
  // The window once made; it is made the first time it opens.
  TonnixSettingsView* settingsWindow() const { return settingsWindow_; }

 signals:
  // The user asked Tonnix to quit (the window, or `tonnix quit`).
  void quitRequested();

 private:
  void handleAction(const QString& action);

  TonnixSettingsModel model_;
  QPointer<TonnixSettingsView> settingsWindow_;
  TonnixUpdatePresenter updates_;
  bool skipsNextActivation_ = false;
  // The launcher's token for the window the current request brings forward.
  QByteArray activationToken_;
};
