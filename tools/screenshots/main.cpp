// Renders the settings window as a user sees it, into PNG files for the
// README and the AppStream metadata: tonnix_screenshots [--dark] OUTPUT_FOLDER.
// --dark draws it in a dark style (Fusion with a dark palette), to look at
// what the window's own colours do there.
//
// Tonnix runs for real on the built-in set (library, assignments, player,
// controller), on a made-up desktop whose applications have just been
// heard, so the pictures never depend on what runs on the machine taking
// them.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QIcon>
#include <QPalette>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/fake/fake_desktop_session.h"
#include "ui/settings_view.h"
#include "ui/update_dialog.h"

using namespace std::chrono_literals;

namespace {

struct HeardEvent {
  const char* notification;
  TonnixSoundID soundID;
  std::int32_t processIdentifier;
  const char* application;
  std::chrono::minutes ago;
  // As the sound log describes the element.
  const char* element = nullptr;
};

const HeardEvent heardEvents[] = {
    {"App Launched", TonnixSoundID("flap"), 1800, "Text Editor", std::chrono::minutes(52)},
    {"AXWindowCreated", TonnixSoundID("wopn"), 1800, "Text Editor", std::chrono::minutes(51),
     "AXWindow[AXStandardWindow] \"Untitled Document 1\" a frame"},
    {"AXMenuOpened", TonnixSoundID("mnuo"), 1800, "Text Editor", std::chrono::minutes(18),
     "AXMenu a popup menu"},
    {"AXMenuClosed", TonnixSoundID("mnuc"), 1800, "Text Editor", std::chrono::minutes(18),
     "AXMenu a popup menu"},
    {"AXMenuOpened", TonnixSoundID("mnuo"), 1800, "Text Editor", std::chrono::minutes(6),
     "AXMenu a popup menu"},
    {"AXMenuClosed", TonnixSoundID("mnuc"), 1800, "Text Editor", std::chrono::minutes(6),
     "AXMenu a popup menu"},
    {"MouseDown", TonnixSoundID("btnp"), 1801, "Files", std::chrono::minutes(9),
     "AXButton \"Open\" a push button"},
    {"MouseUp", TonnixSoundID("btnr"), 1801, "Files", std::chrono::minutes(9),
     "AXButton \"Open\" a push button"},
    {"AXWindowMiniaturized", TonnixSoundID("wcol"), 4711, nullptr, std::chrono::minutes(4)},
};

struct MadeUpApplication {
  const char* name;
  const char* icon;
};

const MadeUpApplication runningApplications[] = {{"Text Editor", "accessories-text-editor"},
                                                 {"Files", "system-file-manager"},
                                                 {"Firefox", "web-browser"},
                                                 {"Terminal", "utilities-terminal"},
                                                 {"Calendar", "x-office-calendar"},
                                                 {"Settings", "preferences-desktop"}};

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
struct MadeUpTonnix : TonnixFakeDesktopSession {
  MadeUpTonnix()
      : TonnixFakeDesktopSession(std::filesystem::path(TONNIX_BUILTIN_SETS)), tonnix(controller()) {
    tonnix.transfer().ensureBaseline();
    accessibility.status().trusted = true;
  }

  void listenToRunningApplications() {
    std::int32_t processIdentifier = 1800;
    for (const auto& application : runningApplications) {
      const QString name = QString::fromUtf8(application.name);
      workspace.addApplication({.processIdentifier = processIdentifier++,
                                .localizedName = name,
                                .bundleIdentifier = QStringLiteral("org.example.") + name,
                                .icon = QString::fromUtf8(application.icon)});
    }
    // A helper without an application id, and a calendar too slow to answer.
    workspace.addApplication(
        {.processIdentifier = processIdentifier, .localizedName = QStringLiteral("indicator")});
    accessibility.failRegistration(accessibility.applicationElement(1804),
                                   QStringLiteral("AXMenuOpened"), TonnixAXError::cannotComplete);
    exclusions.exclude(QStringLiteral("org.example.Music"), QStringLiteral("Music"));
    tonnix.setPlaysNotificationSounds(true);
    turnUntil([this] { return !tonnix.attacher().isAttaching(); });
  }

  void hearEvents() {
    tonnix.dispatcher().setMonitoring(true);
    std::vector<TonnixEvent> events;
    for (const auto& heard : heardEvents) {
      events.push_back({.notificationName = QString::fromLatin1(heard.notification),
                        .soundID = heard.soundID,
                        .processIdentifier = heard.processIdentifier,
                        .applicationName = heard.application
                                               ? std::optional(QString::fromUtf8(heard.application))
                                               : std::nullopt,
                        .date = TonnixEvent::Clock::now() - heard.ago,
                        .element = heard.element ? std::optional(TonnixEventElement::named(
                                                       QString::fromUtf8(heard.element)))
                                                 : std::nullopt});
    }
    std::sort(events.begin(), events.end(),
              [](const auto& a, const auto& b) { return a.date < b.date; });
    for (const auto& event : events) tonnix.dispatcher().handle(event);
    // The log dates what it hears now; it shows the hour these took.
    tonnix.log().clear();
    for (const auto& event : events) tonnix.log().record(event, event.date);
  }

  TonnixController& tonnix;
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

// The update window offering a release with its notes.
bool saveUpdateWindow(const QDir& output) {
  TonnixAppcastItem update;
  update.version = update.displayVersion = QStringLiteral("0.2.0");
  update.releaseNotes = QStringLiteral(
      "<ul><li>Clicks on toolbar buttons play the button sound.</li>"
      "<li>Sets dropped on the window import in one run.</li>"
      "<li>Quieter while the microphone is in use.</li></ul>");
  update.releaseNotesLink = QUrl(QStringLiteral("https://tonnix.org/releases/0.2.0"));
  TonnixUpdateDialog dialog;
  dialog.showUpdate(update, QStringLiteral("0.1.0"));
  dialog.show();
  return save(dialog, output, "update.png");
}

}  // namespace

// A dark style as desktops offer it: Fusion, whose palette follows.
void useDarkStyle() {
  QApplication::setStyle(QStringLiteral("Fusion"));
  QPalette dark;
  const QColor window(0x2d, 0x2d, 0x2d);
  const QColor base(0x1e, 0x1e, 0x1e);
  const QColor text(0xee, 0xee, 0xee);
  dark.setColor(QPalette::Window, window);
  dark.setColor(QPalette::WindowText, text);
  dark.setColor(QPalette::Base, base);
  dark.setColor(QPalette::AlternateBase, window);
  dark.setColor(QPalette::Text, text);
  dark.setColor(QPalette::Button, window);
  dark.setColor(QPalette::ButtonText, text);
  dark.setColor(QPalette::ToolTipBase, base);
  dark.setColor(QPalette::ToolTipText, text);
  dark.setColor(QPalette::PlaceholderText, QColor(0x99, 0x99, 0x99));
  dark.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
  dark.setColor(QPalette::HighlightedText, Qt::white);
  dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x77, 0x77, 0x77));
  dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x77, 0x77, 0x77));
  dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x77, 0x77, 0x77));
  QApplication::setPalette(dark);
}

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The icons a GNOME desktop shows; a bare X server names no icon theme.
  QIcon::setThemeName(QStringLiteral("Adwaita"));
  const bool dark = argc == 3 && QByteArray(argv[1]) == "--dark";
  if (argc != 2 && !dark) {
    std::fprintf(stderr, "usage: tonnix_screenshots [--dark] OUTPUT_FOLDER\n");
    return 2;
  }
  if (dark) useDarkStyle();
  const QDir output(QString::fromLocal8Bit(argv[argc - 1]));
  MadeUpTonnix madeUp;
  madeUp.listenToRunningApplications();
  madeUp.hearEvents();
  TonnixSettingsView window({madeUp.tonnix, madeUp.silence, madeUp.accessibility.status(),
                             madeUp.autostart, madeUp.applications, madeUp.updates.updater});
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
  if (!save(window, output, "sound-sets.png")) return 1;

  window.tabs().setCurrentIndex(2);
  if (!save(window, output, "afflicted-apps.png")) return 1;

  // Quiet for a while during a screen share, and quiet now in a meeting.
  const auto now = TonnixDate::clock::now();
  madeUp.tonnix.log().silenceChanged(TonnixSilenceReason::sharedDisplay, now - 40min);
  madeUp.tonnix.log().silenceChanged(std::nullopt, now - 25min);
  madeUp.tonnix.log().silenceChanged(TonnixSilenceReason::microphoneInUse, now - 2min);
  window.tabs().setCurrentIndex(3);
  if (!save(window, output, "sound-log.png")) return 1;
  return saveUpdateWindow(output) ? 0 : 1;
}
