#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <memory>

#include "app/single_instance.h"
#include "cli/command_line.h"
#include "cli/desktop_session.h"
#include "cli/interruption.h"
#include "cli/simulated_desktop.h"
#include "cli/simulation_script.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/null_silence_probe.h"
#include "support/diagnostics.h"

// `tonnix run`: background observation without a window, until SIGINT or
// SIGTERM. Without --simulate the desktop is the real one (AT-SPI, /proc,
// GIO); with it, a script's. Tonnix itself (library, assignments, player,
// sound log, controller) is always the real one, with the user's sets and
// preferences and the default sound output.

namespace {

TonnixExpected<QString, QString> readScript(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return unexpected(QStringLiteral("Could not read ") + path + QStringLiteral(": ") +
                      file.errorString());
  }
  return QString::fromUtf8(file.readAll());
}

// Observing is what the command asks for, whatever the stored switch says.
// The monitor lines go to standard output, each flushed before its sound
// starts: tools time the sound from its line.
void startObserving(TonnixController& controller, bool monitors) {
  controller.transfer().ensureBaseline();
  auto& dispatcher = controller.dispatcher();
  dispatcher.setMonitoring(monitors);
  QObject::connect(&dispatcher, &TonnixEventDispatcher::monitorLine, tonnixPrintLine);
  controller.start();
  if (const auto status = controller.failureDescription()) {
    std::fprintf(stderr, "%s\n", qPrintable(*status));
  }
}

int simulate(const std::vector<TonnixSimulation::Step>& steps, bool monitors) {
  TonnixPlistPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments(preferences);
  TonnixExclusions exclusions(preferences);
  // The simulated desktop never gives a reason to keep quiet.
  TonnixSilenceMonitor silence(preferences, std::make_unique<TonnixNullSilenceProbe>());
  const auto audio = makeAudioOutput();
  TonnixSimulatedDesktop desktop;
  TonnixController controller(library, assignments, exclusions, preferences, silence,
                              desktop.desktop(*audio));
  startObserving(controller, monitors);
  desktop.run(steps, controller, tonnixPrintLine);
  controller.stop();
  return 0;
}

// Later starts of Tonnix reach this process: their files are imported and
// `tonnix quit` ends it; there is no window to show.
void serveWithoutWindow(TonnixSingleInstance& instance, TonnixSetTransfer& transfer) {
  QObject::connect(&instance, &TonnixSingleInstance::activated, [] {
    std::fprintf(stderr,
                 "tonnix run: Tonnix listens here without a window; quit it (tonnix quit) "
                 "and start tonnix to see its settings.\n");
  });
  QObject::connect(&instance, &TonnixSingleInstance::openRequested,
                   [&transfer](const std::vector<std::filesystem::path>& files) {
                     if (!files.empty()) transfer.importSets(files);
                   });
  QObject::connect(&instance, &TonnixSingleInstance::actionRequested,
                   [&transfer](const QString& action) {
                     if (action == QStringLiteral("quit")) QCoreApplication::quit();
                     if (action == QStringLiteral("reload")) transfer.reloadSets();
                   });
}

// How long accessibility events took from their arrival to their sound
// started, or to the decision that nothing plays, for the monitor's last line.
void printDeliveryStatistics(const TonnixAtspiAccessibility::DeliveryStatistics& statistics) {
  if (statistics.count == 0) return;
  tonnixDiagnostic(
      "TonnixAtspiAccessibility",
      QString::asprintf("%zu events handled, mean %.3f ms, longest %.3f ms", statistics.count,
                        1000 * statistics.total.count() / statistics.count,
                        1000 * statistics.longest.count())
          .toStdString());
}

// Observes the real desktop until interrupted. Without an accessibility
// bus it says why nothing is heard and keeps running: clicks and disks may
// still sound. It takes the application's place on the session bus, so a
// Tonnix started later hands its files to this one instead of playing every
// sound a second time.
int observe(bool monitors) {
  TonnixSingleInstance instance;
  if (instance.claim() == TonnixSingleInstance::Role::secondary) {
    std::fprintf(stderr,
                 "tonnix run: Tonnix is already running in this session, and two would play "
                 "every sound twice; quit it first (tonnix quit).\n");
    return 1;
  }
  const TonnixInterruption interruption;
  TonnixDesktopSession session;
  auto& controller = session.controller;
  serveWithoutWindow(instance, controller.transfer());
  startObserving(controller, monitors);
  QCoreApplication::exec();
  controller.stop();
  if (monitors) printDeliveryStatistics(session.accessibility.deliveryStatistics());
  return 0;
}

}  // namespace

int runCommand(const QStringList& arguments) {
  TonnixCommandLine line("run");
  const QCommandLineOption monitor(QStringLiteral("monitor"),
                                   QStringLiteral("Prints a line for each event heard."));
  const QCommandLineOption simulation(
      QStringLiteral("simulate"),
      QStringLiteral("Plays the made-up desktop of SCRIPT instead of listening to the real one."),
      QStringLiteral("SCRIPT"));
  line.addOption(monitor);
  line.addOption(simulation);
  if (const auto status = line.parse(arguments, 0, 0)) return *status;
  const bool monitors = line.isSet(monitor.names().front());
  if (!line.isSet(simulation.names().front())) return observe(monitors);

  const QString scriptPath = line.value(simulation.names().front());
  const auto script = readScript(scriptPath);
  if (!script) return line.fail(script.error());
  const auto steps = TonnixSimulation::parse(*script);
  if (!steps) return line.fail(scriptPath + QStringLiteral(": ") + steps.error().description());
  return simulate(*steps, monitors);
}
