// Renders the settings window as a user sees it, into PNG files for the
// README and the AppStream metadata: tonnix_screenshots OUTPUT_FOLDER.
//
// Tonnix runs for real on the built-in set (library, assignments, player,
// controller), on a made-up desktop whose applications have just been
// heard, so the pictures never depend on what runs on the machine taking
// them.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdio>
#include <filesystem>

#include "app/autostart.h"
#include "app/controller.h"
#include "app/exclusions.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/fake/fake_accessibility.h"
#include "platform/fake/fake_accessibility_status.h"
#include "platform/fake/fake_audio.h"
#include "platform/fake/fake_mouse_monitor.h"
#include "platform/fake/fake_screens.h"
#include "platform/fake/fake_silence_probes.h"
#include "platform/fake/fake_workspace.h"
#include "platform/fake/memory_preferences_store.h"
#include "quiet/silence_monitor.h"
#include "ui/settings_view.h"

namespace {

struct HeardEvent {
  const char* notification;
  TonnixSoundID soundID;
  std::int32_t processIdentifier;
  const char* application;
};

const HeardEvent heardEvents[] = {
    {"App Launched", TonnixSoundID("flap"), 2101, "Text Editor"},
    {"AXWindowCreated", TonnixSoundID("wopn"), 2101, "Text Editor"},
    {"AXMenuOpened", TonnixSoundID("mnuo"), 2101, "Text Editor"},
    {"AXMenuClosed", TonnixSoundID("mnuc"), 2101, "Text Editor"},
    {"MouseDown", TonnixSoundID("btnp"), 1830, "Files"},
    {"MouseUp", TonnixSoundID("btnr"), 1830, "Files"},
    {"AXWindowMiniaturized", TonnixSoundID("wcol"), 4711, nullptr},
};

const char* const runningApplications[] = {"Text Editor", "Files",    "Firefox",
                                           "Terminal",    "Calendar", "Settings"};

void turnUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 10000) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  }
}

void turnFor(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Tonnix on the built-in set, over a made-up desktop, with the rest of what
// the window is given: accessibility on, no login entry yet.
struct MadeUpTonnix {
  MadeUpTonnix()
      : library(scratch.filePath(QStringLiteral("Tonnix Sets")).toStdString(),
                std::filesystem::path(TONNIX_BUILTIN_SETS)),
        tonnix(library, assignments, exclusions, preferences, silence,
               {accessibility, workspace, mouse, audio, screens}),
        autostart(
            scratch.filePath(QStringLiteral("autostart/org.tonnix.Tonnix.desktop")).toStdString()) {
    tonnix.setConsole([](const QString&) {});
    tonnix.ensureBaseline();
    accessibilityStatus.trusted = true;
  }

  void listenToRunningApplications() {
    std::int32_t processIdentifier = 1800;
    for (const char* name : runningApplications) {
      workspace.addApplication({processIdentifier++, QString::fromUtf8(name),
                                QStringLiteral("org.example.") + QString::fromUtf8(name)});
    }
    tonnix.setPlaysNotificationSounds(true);
    turnUntil([this] { return !tonnix.isAttaching(); });
  }

  void hearEvents() {
    tonnix.setMonitoring(true);
    for (const auto& heard : heardEvents) {
      tonnix.handle({.notificationName = QString::fromLatin1(heard.notification),
                     .soundID = heard.soundID,
                     .processIdentifier = heard.processIdentifier,
                     .applicationName = heard.application
                                            ? std::optional(QString::fromUtf8(heard.application))
                                            : std::nullopt});
    }
  }

  QTemporaryDir scratch;
  TonnixMemoryPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments{preferences};
  TonnixExclusions exclusions{preferences};
  TonnixSilenceMonitor silence{preferences, std::make_unique<TonnixFakeSilenceProbe>()};
  TonnixFakeAccessibility accessibility;
  TonnixFakeWorkspace workspace;
  TonnixFakeMouseMonitor mouse;
  TonnixFakeAudioOutput audio;
  TonnixFakeScreens screens;
  TonnixController tonnix;
  TonnixFakeAccessibilityStatus accessibilityStatus;
  TonnixAutostart autostart;
};

bool save(QWidget& window, const QDir& folder, const char* name) {
  turnFor(200);
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "tonnix_screenshots: could not write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: tonnix_screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  const QDir output(QString::fromLocal8Bit(argv[1]));
  MadeUpTonnix madeUp;
  madeUp.listenToRunningApplications();
  madeUp.hearEvents();
  TonnixSettingsView window(madeUp.tonnix, madeUp.silence, madeUp.accessibilityStatus,
                            madeUp.autostart);
  window.show();
  if (!save(window, output, "general.png")) return 1;

  // The reasons to go quiet, opened and scrolled to.
  auto* reasons = window.findChild<QToolButton*>(QStringLiteral("silenceSummary"));
  reasons->click();
  turnFor(100);
  window.findChild<QScrollArea*>()->verticalScrollBar()->setValue(reasons->parentWidget()->y());
  if (!save(window, output, "general-quiet.png")) return 1;

  // The Sound Sets tab, with one event of the user's own choosing: silent.
  madeUp.assignments.setSelection(TonnixSelection::silent(), TonnixSoundID("udbd"));
  window.tabs().setCurrentIndex(1);
  return save(window, output, "sound-sets.png") ? 0 : 1;
}
