#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <cstdio>
#include <memory>

#include "app/controller.h"
#include "app/exclusions.h"
#include "cli/commands.h"
#include "cli/simulated_desktop.h"
#include "cli/simulation_script.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_workspace.h"
#include "platform/linux/linux_silence_probe.h"
#include "platform/linux/mouse_monitor_factory.h"
#include "platform/linux/openal_audio.h"
#include "platform/linux/plist_preferences_store.h"
#include "platform/linux/qt_screens.h"
#include "platform/null_silence_probe.h"
#include "quiet/silence_monitor.h"

// `tonnix run`: background observation without a window, until SIGINT or
// SIGTERM. Without --simulate the desktop is the real one (AT-SPI, /proc,
// GIO); with it, a script's. Tonnix itself (library, assignments, player,
// sound log, controller) is always the real one, with the user's sets and
// preferences and the default sound output.

namespace {

int usage() {
  std::fprintf(stderr, "usage: tonnix run [--simulate SCRIPT] [--monitor]\n");
  return 2;
}

void printLine(const QString& line) {
  std::printf("%s\n", qPrintable(line));
  std::fflush(stdout);
}

TonnixExpected<QString, QString> readScript(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    return unexpected(QStringLiteral("Could not read ") + path + QStringLiteral(": ") +
                      file.errorString());
  }
  return QString::fromUtf8(file.readAll());
}

// What the application does at launch before observing: the first set
// becomes the baseline when none was ever chosen.
void ensureBaseline(const TonnixLibrary& library, TonnixAssignments& assignments) {
  if (assignments.storedBaselineIdentifier() || library.bundles().empty()) return;
  assignments.setBaselineIdentifier(library.bundles().front()->metadata().identifier);
}

int simulate(const std::vector<TonnixSimulation::Step>& steps, bool monitors) {
  TonnixPlistPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments(preferences);
  TonnixExclusions exclusions(preferences);
  // The simulated desktop never gives a reason to keep quiet.
  TonnixSilenceMonitor silence(preferences, std::make_unique<TonnixNullSilenceProbe>());
  TonnixOpenALAudio audio;
  TonnixSimulatedDesktop desktop;
  ensureBaseline(library, assignments);

  TonnixController controller(library, assignments, exclusions, preferences, silence,
                              desktop.desktop(audio));
  controller.setMonitoring(monitors);
  // Observing is what the command asks for, whatever the stored switch says.
  controller.start();
  if (const auto status = controller.failureDescription()) {
    std::fprintf(stderr, "%s\n", qPrintable(*status));
  }
  desktop.run(steps, controller, printLine);
  controller.stop();
  return 0;
}

// SIGINT and SIGTERM end the event loop through a pipe, so that the
// controller stops as it does when the application quits; the handler
// itself only writes a byte.
class InterruptionPipe {
 public:
  InterruptionPipe() {
    if (::pipe2(descriptors_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    writer_ = descriptors_[1];
    struct sigaction action = {};
    action.sa_handler = &InterruptionPipe::interrupted;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    notifier_ = std::make_unique<QSocketNotifier>(descriptors_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated,
                     [] { QCoreApplication::exit(0); });
  }
  ~InterruptionPipe() {
    if (!notifier_) return;
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    notifier_.reset();
    writer_ = -1;
    ::close(descriptors_[0]);
    ::close(descriptors_[1]);
  }
  InterruptionPipe(const InterruptionPipe&) = delete;
  InterruptionPipe& operator=(const InterruptionPipe&) = delete;

 private:
  static void interrupted(int) {
    const char byte = 0;
    if (writer_ >= 0) (void)!::write(writer_, &byte, 1);
  }

  static inline volatile sig_atomic_t writer_ = -1;
  int descriptors_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

// How long accessibility events took from their arrival to the end of
// their handling, for the monitor's last line.
void printDeliveryStatistics(const TonnixAtspiAccessibility::DeliveryStatistics& statistics) {
  if (statistics.count == 0) return;
  std::printf("TonnixAtspiAccessibility: %zu events handled, mean %.3f ms, longest %.3f ms\n",
              statistics.count, 1000 * statistics.total.count() / statistics.count,
              1000 * statistics.longest.count());
  std::fflush(stdout);
}

// Observes the real desktop until interrupted. Without an accessibility
// bus it says why nothing is heard and keeps running: clicks and disks may
// still sound.
int observe(bool monitors) {
  const InterruptionPipe interruption;
  TonnixPlistPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments(preferences);
  TonnixExclusions exclusions(preferences);
  TonnixSilenceMonitor silence(preferences, std::make_unique<TonnixLinuxSilenceProbe>());
  TonnixOpenALAudio audio;
  TonnixAtspiAccessibility accessibility;
  TonnixAtspiWorkspace workspace;
  const auto mouseMonitor = makeMouseMonitor();
  const TonnixQtScreens screens;
  ensureBaseline(library, assignments);

  TonnixController controller(library, assignments, exclusions, preferences, silence,
                              {accessibility, workspace, *mouseMonitor, audio, screens});
  controller.setMonitoring(monitors);
  controller.start();
  if (const auto status = controller.failureDescription()) {
    std::fprintf(stderr, "%s\n", qPrintable(*status));
  }
  QCoreApplication::exec();
  controller.stop();
  if (monitors) printDeliveryStatistics(accessibility.deliveryStatistics());
  return 0;
}

}  // namespace

int runCommand(const QStringList& arguments) {
  std::optional<QString> scriptPath;
  bool monitors = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    if (arguments.at(i) == QStringLiteral("--monitor") && !monitors) {
      monitors = true;
    } else if (arguments.at(i) == QStringLiteral("--simulate") && !scriptPath &&
               i + 1 < arguments.size()) {
      scriptPath = arguments.at(++i);
    } else {
      return usage();
    }
  }
  if (!scriptPath) return observe(monitors);

  const auto script = readScript(*scriptPath);
  if (!script) {
    std::fprintf(stderr, "%s\n", qPrintable(script.error()));
    return 1;
  }
  const auto steps = TonnixSimulation::parse(*script);
  if (!steps) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(*scriptPath),
                 qPrintable(steps.error().description()));
    return 1;
  }
  return simulate(*steps, monitors);
}
