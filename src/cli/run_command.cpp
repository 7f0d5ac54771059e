#include <QFile>
#include <cstdio>
#include <memory>

#include "app/controller.h"
#include "app/exclusions.h"
#include "cli/commands.h"
#include "cli/simulated_desktop.h"
#include "cli/simulation_script.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/fake/fake_silence_probes.h"
#include "platform/linux/openal_audio.h"
#include "platform/linux/plist_preferences_store.h"
#include "quiet/silence_monitor.h"

// `tonnix run`: background observation without a window. With --simulate
// the desktop is a script's; Tonnix itself (library, assignments, player,
// sound log, controller) is the real one, with the user's sets and
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
  TonnixSilenceMonitor silence(preferences, std::make_unique<TonnixFakeSilenceProbe>());
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
  if (!scriptPath) {
    std::fprintf(stderr,
                 "Observing the real desktop is not available yet; run a simulated one with "
                 "--simulate SCRIPT.\n");
    return 1;
  }

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
