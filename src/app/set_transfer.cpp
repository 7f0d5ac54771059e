#include "app/set_transfer.h"

#include <QFile>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <set>
#include <system_error>

#include "app/set_and_notify.h"
#include "classic/archive_import.h"
#include "classic/fork_source.h"
#include "classic/import_folder.h"
#include "library/assignments.h"
#include "library/audible_sound.h"
#include "library/bundle.h"
#include "library/library.h"
#include "library/path_names.h"

namespace fs = std::filesystem;

namespace {

// The sets a file gave, converted and ready to install, or why it gave none.
struct Conversion {
  std::vector<TonnixArchiveSet> sets;
  std::optional<std::string> failure;
};
using ExportResult = TonnixExpected<TonnixExportSummary, TonnixExportError>;

std::optional<QString> importFailureText(const std::vector<std::string>& failures,
                                         std::size_t total) {
  if (failures.empty()) return std::nullopt;
  if (failures.size() == 1) return QString::fromStdString(failures.front());
  return QStringLiteral("%1 of %2 could not be imported. %3")
      .arg(failures.size())
      .arg(total)
      .arg(QString::fromStdString(failures.front()));
}

std::string noWriterText(const fs::path& url) {
  return "Could not convert " + lastPathComponent(url) + ": no audio file writer";
}

// Converts the classic set in `file`, or the sets in the archive `file`,
// into bundles in `scratch`.
Conversion convert(const fs::path& file, const fs::path& scratch,
                   const TonnixAudioFileWriter& writer) {
  if (isArchiveToUnpack(file)) {
    const auto imported = importArchiveSets(file, scratch, writer);
    if (!imported) return {{}, imported.error().description()};
    if (imported->failures.empty()) return {imported->sets, std::nullopt};
    return {imported->sets, imported->failures.front()};
  }
  const auto converted = importClassicSet(file, scratch, writer);
  if (!converted) return {{}, describe(converted.error())};
  return {{{scratch / setFolderName(converted->name), *converted}}, std::nullopt};
}

}  // namespace

struct TonnixSetTransfer::ImportRun {
  std::vector<fs::path> urls;
  std::size_t next = 0;
  TonnixClassicImportSummaries summaries;
  std::vector<std::string> failures;
  bool isCancelled = false;
};

struct TonnixSetTransfer::ExportRun {
  bool isCancelled = false;
};

TonnixSetTransfer::TonnixSetTransfer(TonnixLibrary& library, TonnixAssignments& assignments,
                                     QObject* parent)
    : QObject(parent), library_(library), assignments_(assignments) {}

void TonnixSetTransfer::importSets(const std::vector<fs::path>& urls) {
  if (urls.empty()) return;
  if (importTask_) importTask_->isCancelled = true;
  setAndNotify(this, setsImported_, 0, &TonnixSetTransfer::setsImportedChanged);
  setAndNotify(this, setsToImport_, static_cast<int>(urls.size()),
               &TonnixSetTransfer::setsToImportChanged);
  setAndNotify(this, isImportingSets_, true, &TonnixSetTransfer::isImportingSetsChanged);
  setFailure(std::nullopt);
  setAndNotify(this, lastImportSummaries_, TonnixClassicImportSummaries{},
               &TonnixSetTransfer::lastImportSummariesChanged);
  setAndNotify(this, lastExportSummary_, std::optional<TonnixExportSummary>{},
               &TonnixSetTransfer::lastExportSummaryChanged);
  auto run = std::make_shared<ImportRun>();
  run->urls = urls;
  importTask_ = run;
  QTimer::singleShot(0, this, [this, run] { importNext(run); });
}

void TonnixSetTransfer::importNext(const std::shared_ptr<ImportRun>& run) {
  if (run->isCancelled) {
    // A newer run owns the progress fields now.
    if (importTask_ == run) {
      setAndNotify(this, isImportingSets_, false, &TonnixSetTransfer::isImportingSetsChanged);
    }
    return;
  }
  if (run->next == run->urls.size()) return finishImport(run);
  const fs::path url = run->urls[run->next];
  std::error_code error;
  const auto status = fs::status(url, error);
  if (fs::exists(status) && !fs::is_directory(status)) return importFile(run, url);
  importHandled(run, install(url, url));
}

std::optional<std::string> TonnixSetTransfer::install(const fs::path& source,
                                                      const fs::path& folder) {
  std::optional<std::string> alreadyInstalled;
  if (const auto incoming = TonnixBundle::open(folder, false)) {
    const std::string& identifier = (*incoming)->metadata().identifier;
    if (library_.bundleWithIdentifier(std::string_view(identifier))) alreadyInstalled = identifier;
  }
  const auto installed = library_.install(folder);
  if (!installed) return describe(installed.error());
  if (const TonnixBundlePointer& bundle = *installed) {
    emit setInstalled({source, bundle->metadata().name, bundle->metadata().identifier,
                       bundle->url(), alreadyInstalled});
  }
  return std::nullopt;
}

void TonnixSetTransfer::importFile(const std::shared_ptr<ImportRun>& run, const fs::path& url) {
  if (!audioFileWriter_) return importHandled(run, noWriterText(url));
  const auto made = TonnixImportFolder::make();
  if (!made) return importHandled(run, made.error().description());
  const auto scratch = *made;
  const auto writer = audioFileWriter_;
  QtConcurrent::run([url, scratch, writer] {
    return convert(url, scratch->path(), *writer);
  }).then(this, [this, run, url, scratch](const Conversion& conversion) {
    std::optional<std::string> firstFailure = conversion.failure;
    for (const auto& set : conversion.sets) {
      auto failure = install(url, set.bundle);
      if (!failure && set.summary) run->summaries.push_back(*set.summary);
      if (failure && !firstFailure) firstFailure = std::move(failure);
    }
    importHandled(run, std::move(firstFailure));
  });
}

void TonnixSetTransfer::importHandled(const std::shared_ptr<ImportRun>& run,
                                      std::optional<std::string> failure) {
  if (failure) run->failures.push_back(std::move(*failure));
  ++run->next;
  if (importTask_ == run) {
    setAndNotify(this, setsImported_, static_cast<int>(run->next),
                 &TonnixSetTransfer::setsImportedChanged);
  }
  QTimer::singleShot(0, this, [this, run] { importNext(run); });
}

void TonnixSetTransfer::finishImport(const std::shared_ptr<ImportRun>& run) {
  setAndNotify(this, lastImportSummaries_, run->summaries,
               &TonnixSetTransfer::lastImportSummariesChanged);
  setFailure(importFailureText(run->failures, run->urls.size()));
  chooseBaselineIfNone();
  emit soundsChanged();
  setAndNotify(this, isImportingSets_, false, &TonnixSetTransfer::isImportingSetsChanged);
}

void TonnixSetTransfer::exportSet(const fs::path& destination) {
  const auto sources = exportSources(
      [this](TonnixSoundID soundID) { return audibleSoundURL(library_, assignments_, soundID); },
      assignments_);
  if (sources.empty()) {
    setFailure(QString::fromStdString(TonnixExportError{}.description()));
    return;
  }
  if (exportTask_) exportTask_->isCancelled = true;
  setAndNotify(this, isExportingSet_, true, &TonnixSetTransfer::isExportingSetChanged);
  setFailure(std::nullopt);
  setAndNotify(this, lastExportSummary_, std::optional<TonnixExportSummary>{},
               &TonnixSetTransfer::lastExportSummaryChanged);
  setAndNotify(this, lastImportSummaries_, TonnixClassicImportSummaries{},
               &TonnixSetTransfer::lastImportSummariesChanged);
  auto run = std::make_shared<ExportRun>();
  exportTask_ = run;
  QtConcurrent::run([sources, destination, files = exportFiles_] {
    return exportSoundSet(sources, destination, files);
  }).then(this, [this, run](const ExportResult& result) { finishExport(run, result); });
}

void TonnixSetTransfer::finishExport(const std::shared_ptr<ExportRun>& run,
                                     const ExportResult& result) {
  if (run->isCancelled) return;
  if (result) {
    setAndNotify(this, lastExportSummary_, std::optional(*result),
                 &TonnixSetTransfer::lastExportSummaryChanged);
  } else {
    const QString text = QString::fromStdString(result.error().description());
    setFailure(text);
    writeLine(text);
  }
  setAndNotify(this, isExportingSet_, false, &TonnixSetTransfer::isExportingSetChanged);
}

void TonnixSetTransfer::reloadSets() {
  // What failed before concerned the sets as they were.
  setFailure(std::nullopt);
  library_.reload();
  std::set<std::string> installed;
  for (const auto& bundle : library_.bundles()) installed.insert(bundle->metadata().identifier);
  assignments_.pruneOverrides(installed);
  assignments_.followMovedCustomSounds();
  emit soundsChanged();
}

bool TonnixSetTransfer::chooseCustomSound(const fs::path& url, TonnixSoundID soundID) {
  const auto chosen = assignments_.setCustomSound(url, soundID);
  if (!chosen) {
    const QString text = QString::fromStdString(chosen.error().description());
    setFailure(text);
    writeLine(text);
    return false;
  }
  setFailure(std::nullopt);
  emit soundChanged(soundID);
  return true;
}

void TonnixSetTransfer::ensureBaseline() {
  chooseBaselineIfNone();
  emit soundsChanged();
}

bool TonnixSetTransfer::removeSet(const std::string& identifier) {
  const auto bundle = library_.bundleWithIdentifier(std::string_view(identifier));
  if (!bundle) {
    setFailure(QStringLiteral("No installed set has the identifier ") +
               QString::fromStdString(identifier));
    return false;
  }
  const QString name = QString::fromStdString(bundle->metadata().name);
  if (bundle->isBuiltIn()) {
    setFailure(name + QStringLiteral(" comes with Tonnix and cannot be removed."));
    return false;
  }
  if (!QFile::moveToTrash(QString::fromStdString(bundle->url().string()))) {
    setFailure(QStringLiteral("Could not move ") + name + QStringLiteral(" to the trash."));
    return false;
  }
  setFailure(std::nullopt);
  reloadSets();
  // The set every event played from is gone: the first set takes over, as
  // on a first start.
  if (!library_.bundleWithIdentifier(assignments_.storedBaselineIdentifier())) {
    assignments_.setBaselineIdentifier(std::nullopt);
    ensureBaseline();
  }
  return true;
}

void TonnixSetTransfer::chooseBaselineIfNone() {
  if (assignments_.storedBaselineIdentifier()) return;
  const auto& bundles = library_.bundles();
  assignments_.setBaselineIdentifier(
      bundles.empty() ? std::nullopt : std::optional(bundles.front()->metadata().identifier));
}

void TonnixSetTransfer::setFailure(const std::optional<QString>& description) {
  setAndNotify(this, lastFailureDescription_, description,
               &TonnixSetTransfer::lastFailureDescriptionChanged);
}

void TonnixSetTransfer::writeLine(const QString& line) const {
  if (console_) console_(line);
}
