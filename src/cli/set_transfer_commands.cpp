#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <cstdio>
#include <memory>

#include "app/set_transfer.h"
#include "app/set_transfer_texts.h"
#include "app/single_instance.h"
#include "cli/command_line.h"
#include "library/assignments.h"
#include "library/library.h"
#include "library/path_names.h"
#include "library/sound_set_export.h"
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

QString installedLine(const TonnixInstalledSet& set) {
  const QString where = QStringLiteral(" in ") + QString::fromStdString(set.url.string());
  if (!set.alreadyInstalled) {
    return QStringLiteral("Installed ") + QString::fromStdString(set.name) + QStringLiteral(" (") +
           QString::fromStdString(set.identifier) + u')' + where;
  }
  return QString::fromStdString(set.name) + QStringLiteral(" is installed already as ") +
         QString::fromStdString(*set.alreadyInstalled) + QStringLiteral("; installed a copy as ") +
         QString::fromStdString(set.identifier) + where;
}

// The bundle `argument` names, as the save dialog would make it: inside an
// existing folder under the default export name, otherwise with
// ".tonnixset" appended unless the name ends in it, in any letter case.
fs::path exportDestination(const QString& argument, const std::string& defaultName) {
  const fs::path path = tonnixAbsolutePath(argument);
  const bool namesBundle = argument.endsWith(QLatin1String(".tonnixset"), Qt::CaseInsensitive);
  std::error_code error;
  if (!namesBundle && fs::is_directory(path, error)) return path / (defaultName + ".tonnixset");
  if (namesBundle) return path;
  return path.string() + ".tonnixset";
}

// A Tonnix running in this session reads its sets again, so that what was
// installed or removed here shows in its window without a Reload.
void tellRunningTonnix() {
  TonnixSingleInstance instance;
  if (!instance.isTaken()) return;
  if (const auto told = instance.activateAction(QStringLiteral("reload")); !told) {
    std::fprintf(stderr, "tonnix: %s; its Reload button shows the change.\n",
                 qPrintable(told.error()));
  }
}

}  // namespace

int importCommand(const QStringList& arguments) {
  TonnixCommandLine line("import");
  if (const auto status = line.parse(arguments, 1, -1)) return *status;
  std::vector<fs::path> urls;
  bool someAreMissing = false;
  for (const auto& argument : line.positional()) {
    const fs::path url = tonnixAbsolutePath(argument);
    if (const auto missing = tonnixMissingPath(url)) {
      line.fail(*missing);
      someAreMissing = true;
    } else {
      urls.push_back(url);
    }
  }
  if (urls.empty()) return 1;

  SetTransfer sets;
  TonnixSetTransfer& transfer = sets.transfer;
  bool installedAny = false;
  QObject::connect(&transfer, &TonnixSetTransfer::setInstalled,
                   [&installedAny](const TonnixInstalledSet& set) {
                     tonnixPrintLine(installedLine(set));
                     installedAny = true;
                   });
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
    tonnixPrintLine(summaries);
  }
  if (installedAny) tellRunningTonnix();
  const auto& failure = transfer.lastFailureDescription();
  if (failure) line.fail(*failure);
  return failure || someAreMissing ? 1 : 0;
}

int exportCommand(const QStringList& arguments) {
  TonnixCommandLine line("export");
  const QCommandLineOption replace(QStringLiteral("replace"),
                                   QStringLiteral("Replaces what is at DESTINATION already."));
  line.addOption(replace);
  if (const auto status = line.parse(arguments, 1, 1)) return *status;
  const QString argument = line.positional().front();
  if (argument.trimmed().isEmpty()) return line.fail(QStringLiteral("The name is empty."));

  // The failure reaches the user on standard error, once: the transfer
  // writes no diagnostic line of its own here.
  SetTransfer sets;
  TonnixSetTransfer& transfer = sets.transfer;
  const fs::path destination =
      exportDestination(argument, defaultExportName(sets.library, sets.assignments));
  if (deletingPathExtension(lastPathComponent(destination)).empty()) {
    return line.fail(QStringLiteral("The name is empty."));
  }
  if (!tonnixMissingPath(destination) && !line.isSet(replace.names().front())) {
    return line.fail(QString::fromStdString(destination.string()) +
                     QStringLiteral(" exists already; --replace replaces it."));
  }
  transfer.exportSet(destination);
  sets.waitWhile([&transfer] { return transfer.isExportingSet(); });
  if (const auto& summary = transfer.lastExportSummary()) {
    tonnixPrintLine(exportSummaryText(*summary) + QStringLiteral(" in ") +
                    QString::fromStdString(destination.string()));
    return 0;
  }
  return line.fail(transfer.lastFailureDescription().value_or(QStringLiteral("Export failed")));
}

int removeCommand(const QStringList& arguments) {
  TonnixCommandLine line("remove");
  if (const auto status = line.parse(arguments, 1, 1)) return *status;
  const std::string identifier = line.positional().front().toStdString();
  SetTransfer sets;
  const auto bundle = sets.library.bundleWithIdentifier(std::string_view(identifier));
  if (!sets.transfer.removeSet(identifier)) {
    return line.fail(sets.transfer.lastFailureDescription().value_or(QString()));
  }
  tonnixPrintLine(QStringLiteral("Moved ") + QString::fromStdString(bundle->metadata().name) +
                  QStringLiteral(" to the trash."));
  tellRunningTonnix();
  return 0;
}
