#include <QApplication>
#include <cstdio>

#include "app/app_delegate.h"
#include "app/autostart.h"
#include "app/single_instance.h"
#include "app/updater.h"
#include "cli/command_line.h"
#include "cli/desktop_session.h"
#include "cli/interruption.h"
#include "platform/linux/dbus_idle_time.h"
#include "platform/linux/dbus_update_notifications.h"
#include "platform/linux/gio_application_directory.h"
#include "platform/linux/qt_update_network.h"

// `tonnix [FILE...]`: the application. The first start in a session owns
// the session bus name and listens in the background; a later one hands its
// files (or its wish to see the window) to the first and exits at once.

namespace fs = std::filesystem;

namespace {

void say(const QString& line) {
  std::fprintf(stderr, "tonnix: %s\n", qPrintable(line));
}

// Hands the request to the Tonnix already running. False when it did not
// answer, and this process should run on its own.
bool handOver(TonnixSingleInstance& instance, const std::vector<fs::path>& files) {
  const auto handed = files.empty() ? instance.activate() : instance.open(files);
  if (handed) return true;
  say(handed.error() + QStringLiteral("; this Tonnix runs on its own."));
  return false;
}

}  // namespace

int applicationCommand(const std::vector<fs::path>& files, bool startedByBus) {
  TonnixSingleInstance instance;
  const auto role = instance.claim();
  if (role == TonnixSingleInstance::Role::secondary && handOver(instance, files)) return 0;
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    say(
        QStringLiteral("There is no display to show Tonnix on; tonnix run listens without a "
                       "window."));
    return 1;
  }
  if (role == TonnixSingleInstance::Role::alone) {
    say(
        QStringLiteral("There is no session bus, so Tonnix runs on its own and does not notice "
                       "when it is started again."));
  }

  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setDesktopFileName(QStringLiteral("org.tonnix.Tonnix"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.tonnix.Tonnix")));
  const TonnixInterruption interruption;
  TonnixDesktopSession session;
  TonnixAutostart autostart;
  const TonnixGioApplicationDirectory applications;
  TonnixQtUpdateNetwork updateNetwork;
  TonnixDBusUpdateNotifications updateNotifications;
  const auto updateSettings = TonnixUpdateConfiguration::standardLocation();
  TonnixUpdater updater(
      updateSettings ? TonnixUpdateConfiguration::read(*updateSettings)
                     : TonnixUpdateConfiguration{},
      {session.preferences, updateNetwork, updateNotifications, TonnixUpdateInstallation::running(),
       [] { return QApplication::applicationState() == Qt::ApplicationActive; },
       [](QObject* context, auto answer) { queryDesktopIdleTime(context, std::move(answer)); }});
  TonnixAppDelegate delegate({session.controller, session.silence, session.accessibility.status(),
                              autostart, applications, updater});
  if (role == TonnixSingleInstance::Role::primary) delegate.serve(instance, startedByBus);
  QObject::connect(&delegate, &TonnixAppDelegate::quitRequested, qApp, &QCoreApplication::quit);

  delegate.applicationDidFinishLaunching();
  delegate.openFiles(files);
  QApplication::exec();
  delegate.applicationWillTerminate();
  return 0;
}

int quitCommand(const QStringList& arguments) {
  TonnixCommandLine line("quit");
  if (const auto status = line.parse(arguments, 0, 0)) return *status;
  TonnixSingleInstance instance;
  if (!instance.isTaken())
    return line.fail(QStringLiteral("Tonnix is not running in this session."));
  const auto asked = instance.activateAction(QStringLiteral("quit"));
  return asked ? 0 : line.fail(asked.error());
}
