#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>
#include <memory>

#include "app/controller.h"
#include "app/exclusions.h"
#include "app/set_transfer_texts.h"
#include "cli/commands.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/fake/fake_accessibility.h"
#include "platform/fake/fake_audio.h"
#include "platform/fake/fake_mouse_monitor.h"
#include "platform/fake/fake_screens.h"
#include "platform/fake/fake_silence_probes.h"
#include "platform/fake/fake_workspace.h"
#include "platform/linux/plist_preferences_store.h"
#include "platform/linux/sndfile_audio_file_writer.h"
#include "quiet/silence_monitor.h"

// `tonnix import PATH...` and `tonnix export DESTINATION`: the controller's
// import and export with the user's sets and preferences, as the sound sets
// tab runs them. Nothing is observed or played, so the desktop stays fake.

namespace fs = std::filesystem;

namespace {

struct SetTransfer {
  SetTransfer()
      : assignments(preferences),
        exclusions(preferences),
        silence(preferences, std::make_unique<TonnixFakeSilenceProbe>()),
        controller(library, assignments, exclusions, preferences, silence,
                   {accessibility, workspace, mouse, audio, screens}) {
    controller.setAudioFileWriter(std::make_shared<TonnixSndfileAudioFileWriter>());
    controller.ensureBaseline();
  }

  // Turns the event loop until the task has ended.
  void waitWhile(const std::function<bool()>& isBusy) {
    while (isBusy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }

  TonnixPlistPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments;
  TonnixExclusions exclusions;
  TonnixSilenceMonitor silence;
  TonnixFakeAccessibility accessibility;
  TonnixFakeWorkspace workspace;
  TonnixFakeMouseMonitor mouse;
  TonnixFakeAudioOutput audio;
  TonnixFakeScreens screens;
  TonnixController controller;
};

void printLine(std::FILE* stream, const QString& line) {
  std::fprintf(stream, "%s\n", qPrintable(line));
}

// The destination as the save dialog gives it: ".tonnixset" appended unless
// the name already ends in it, in any letter case.
fs::path exportDestination(const QString& argument) {
  if (argument.endsWith(QLatin1String(".tonnixset"), Qt::CaseInsensitive)) {
    return argument.toStdString();
  }
  return (argument + QLatin1String(".tonnixset")).toStdString();
}

}  // namespace

int importCommand(const QStringList& arguments) {
  if (arguments.isEmpty()) {
    std::fprintf(stderr, "usage: tonnix import PATH...\n");
    return 2;
  }
  std::vector<fs::path> urls;
  for (const auto& argument : arguments) urls.emplace_back(argument.toStdString());

  SetTransfer transfer;
  TonnixController& controller = transfer.controller;
  if (::isatty(STDERR_FILENO)) {
    QObject::connect(&controller, &TonnixController::setsImportedChanged, [&controller] {
      std::fprintf(stderr, "\rImporting\u2026 %d of %d", controller.setsImported(),
                   controller.setsToImport());
    });
  }
  controller.importSets(urls);
  transfer.waitWhile([&controller] { return controller.isImportingSets(); });
  if (::isatty(STDERR_FILENO)) std::fprintf(stderr, "\r\033[K");

  if (const QString summaries = importSummariesText(controller.lastImportSummaries());
      !summaries.isEmpty()) {
    printLine(stdout, summaries);
  }
  const auto& failure = controller.lastFailureDescription();
  if (failure) printLine(stderr, *failure);
  return failure ? 1 : 0;
}

int exportCommand(const QStringList& arguments) {
  if (arguments.size() != 1) {
    std::fprintf(stderr, "usage: tonnix export DESTINATION\n");
    return 2;
  }
  SetTransfer transfer;
  TonnixController& controller = transfer.controller;
  // The failure reaches the user on standard error, once.
  controller.setConsole([](const QString&) {});
  controller.exportSet(exportDestination(arguments.front()));
  transfer.waitWhile([&controller] { return controller.isExportingSet(); });
  if (const auto& summary = controller.lastExportSummary()) {
    printLine(stdout, exportSummaryText(*summary));
    return 0;
  }
  printLine(stderr, controller.lastFailureDescription().value_or(QStringLiteral("Export failed")));
  return 1;
}
