#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>
#include <memory>

#include "app/set_transfer.h"
#include "app/set_transfer_texts.h"
#include "cli/commands.h"
#include "library/assignments.h"
#include "library/library.h"
#include "platform/linux/plist_preferences_store.h"
#include "platform/linux/sndfile_audio_file_writer.h"

// `tonnix import PATH...` and `tonnix export DESTINATION`: the set transfer
// of the sound sets tab, with the user's sets and preferences. Nothing is
// observed or played.

namespace fs = std::filesystem;

namespace {

struct SetTransfer {
  SetTransfer() {
    transfer.setAudioFileWriter(std::make_shared<TonnixSndfileAudioFileWriter>());
    transfer.ensureBaseline();
  }

  // Turns the event loop until the task has ended.
  void waitWhile(const std::function<bool()>& isBusy) {
    while (isBusy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }

  TonnixPlistPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments{preferences};
  TonnixSetTransfer transfer{library, assignments};
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

  SetTransfer sets;
  TonnixSetTransfer& transfer = sets.transfer;
  if (::isatty(STDERR_FILENO)) {
    QObject::connect(&transfer, &TonnixSetTransfer::setsImportedChanged, [&transfer] {
      std::fprintf(stderr, "\rImporting\u2026 %d of %d", transfer.setsImported(),
                   transfer.setsToImport());
    });
  }
  transfer.importSets(urls);
  sets.waitWhile([&transfer] { return transfer.isImportingSets(); });
  if (::isatty(STDERR_FILENO)) std::fprintf(stderr, "\r\033[K");

  if (const QString summaries = importSummariesText(transfer.lastImportSummaries());
      !summaries.isEmpty()) {
    printLine(stdout, summaries);
  }
  const auto& failure = transfer.lastFailureDescription();
  if (failure) printLine(stderr, *failure);
  return failure ? 1 : 0;
}

int exportCommand(const QStringList& arguments) {
  if (arguments.size() != 1) {
    std::fprintf(stderr, "usage: tonnix export DESTINATION\n");
    return 2;
  }
  // The failure reaches the user on standard error, once: the transfer
  // writes no diagnostic line of its own here.
  SetTransfer sets;
  TonnixSetTransfer& transfer = sets.transfer;
  transfer.exportSet(exportDestination(arguments.front()));
  sets.waitWhile([&transfer] { return transfer.isExportingSet(); });
  if (const auto& summary = transfer.lastExportSummary()) {
    printLine(stdout, exportSummaryText(*summary));
    return 0;
  }
  printLine(stderr, transfer.lastFailureDescription().value_or(QStringLiteral("Export failed")));
  return 1;
}
