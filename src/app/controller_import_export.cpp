#include <QFuture>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <set>
#include <system_error>

#include "app/controller.h"
#include "catalogue/catalogue.h"
#include "classic/fork_source.h"
#include "classic/import_folder.h"
#include "library/assignments.h"
#include "library/library.h"
#include "library/path_names.h"

// Importing and exporting sets: the controller's part runs on the main
// thread; classic conversions and export copying run on the thread pool and
// hand their results back to the main thread.

namespace fs = std::filesystem;

namespace {

using ClassicResult = TonnixExpected<TonnixClassicImportSummary, TonnixClassicImportFailure>;
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

}  // namespace

struct TonnixController::ImportRun {
  std::vector<fs::path> urls;
  std::size_t next = 0;
  TonnixClassicImportSummaries summaries;
  std::vector<std::string> failures;
  bool isCancelled = false;
};

struct TonnixController::ExportRun {
  bool isCancelled = false;
};

void TonnixController::importSets(const std::vector<fs::path>& urls) {
  if (urls.empty()) return;
  if (importTask_) importTask_->isCancelled = true;
  setSetsImported(0);
  setSetsToImport(static_cast<int>(urls.size()));
  setImportingSets(true);
  setLastFailureDescription(std::nullopt);
  setLastImportSummaries({});
  setLastExportSummary(std::nullopt);
  auto run = std::make_shared<ImportRun>();
  run->urls = urls;
  importTask_ = run;
  QTimer::singleShot(0, this, [this, run] { importNext(run); });
}

void TonnixController::importNext(const std::shared_ptr<ImportRun>& run) {
  if (run->isCancelled) {
    // A newer run owns the progress fields now.
    if (importTask_ == run) setImportingSets(false);
    return;
  }
  if (run->next == run->urls.size()) return finishImport(run);
  const fs::path url = run->urls[run->next];
  std::error_code error;
  const auto status = fs::status(url, error);
  if (fs::exists(status) && !fs::is_directory(status)) return importFile(run, url);
  const auto installed = library_.install(url);
  importHandled(run, installed ? std::nullopt : std::optional(describe(installed.error())));
}

void TonnixController::importFile(const std::shared_ptr<ImportRun>& run, const fs::path& url) {
  if (!audioFileWriter_) return importHandled(run, noWriterText(url));
  const auto made = TonnixImportFolder::make();
  if (!made) return importHandled(run, made.error().description());
  const auto scratch = *made;
  const auto writer = audioFileWriter_;
  QtConcurrent::run([url, scratch, writer] {
    return importClassicSet(url, scratch->path(), *writer);
  }).then(this, [this, run, url, scratch](const ClassicResult& converted) {
    if (!converted) return importHandled(run, describe(converted.error()));
    const fs::path bundle = scratch->path() / (locationFileName(url.string()) + ".tonnixset");
    const auto installed = library_.install(bundle);
    if (!installed) return importHandled(run, describe(installed.error()));
    run->summaries.push_back(*converted);
    importHandled(run, std::nullopt);
  });
}

void TonnixController::importHandled(const std::shared_ptr<ImportRun>& run,
                                     std::optional<std::string> failure) {
  if (failure) run->failures.push_back(std::move(*failure));
  ++run->next;
  if (importTask_ == run) setSetsImported(static_cast<int>(run->next));
  QTimer::singleShot(0, this, [this, run] { importNext(run); });
}

void TonnixController::finishImport(const std::shared_ptr<ImportRun>& run) {
  setLastImportSummaries(run->summaries);
  setLastFailureDescription(importFailureText(run->failures, run->urls.size()));
  chooseBaselineIfNone();
  forgetVoices();
  setImportingSets(false);
}

void TonnixController::exportSet(const fs::path& destination) {
  const auto sources = exportSources(
      [this](TonnixSoundID soundID) { return player_->urlFor(soundID); }, assignments_);
  if (sources.empty()) {
    setLastFailureDescription(QString::fromStdString(TonnixExportError{}.description()));
    return;
  }
  if (exportTask_) exportTask_->isCancelled = true;
  setExportingSet(true);
  setLastFailureDescription(std::nullopt);
  setLastExportSummary(std::nullopt);
  setLastImportSummaries({});
  auto run = std::make_shared<ExportRun>();
  exportTask_ = run;
  QtConcurrent::run([sources, destination, files = exportFiles_] {
    return exportSoundSet(sources, destination, files);
  }).then(this, [this, run](const ExportResult& result) { finishExport(run, result); });
}

void TonnixController::finishExport(const std::shared_ptr<ExportRun>& run,
                                    const ExportResult& result) {
  if (run->isCancelled) return;
  if (result) {
    setLastExportSummary(*result);
  } else {
    const QString text = QString::fromStdString(result.error().description());
    setLastFailureDescription(text);
    writeLine(QStringLiteral("TonnixController: ") + text);
  }
  setExportingSet(false);
}

void TonnixController::reloadSets() {
  library_.reload();
  std::set<std::string> installed;
  for (const auto& bundle : library_.bundles()) installed.insert(bundle->metadata().identifier);
  assignments_.pruneOverrides(installed);
  assignments_.followMovedCustomSounds();
  forgetVoices();
}

bool TonnixController::chooseCustomSound(const fs::path& url, TonnixSoundID soundID) {
  const auto chosen = assignments_.setCustomSound(url, soundID);
  if (!chosen) {
    const QString text = QString::fromStdString(chosen.error().description());
    setLastFailureDescription(text);
    writeLine(QStringLiteral("TonnixController: ") + text);
    return false;
  }
  setLastFailureDescription(std::nullopt);
  player_->invalidate(soundID);
  return true;
}

void TonnixController::ensureBaseline() {
  chooseBaselineIfNone();
  forgetVoices();
}

void TonnixController::chooseBaselineIfNone() {
  if (assignments_.storedBaselineIdentifier()) return;
  const auto& bundles = library_.bundles();
  assignments_.setBaselineIdentifier(
      bundles.empty() ? std::nullopt : std::optional(bundles.front()->metadata().identifier));
}

// The player keeps a voice per identifier and remembers files that would not
// open; after the sets changed, both may be stale.
void TonnixController::forgetVoices() {
  player_->stopAll();
  for (const auto& entry : allEntries()) player_->invalidate(entry.soundID);
}

void TonnixController::setImportingSets(bool isImporting) {
  if (isImportingSets_ == isImporting) return;
  isImportingSets_ = isImporting;
  emit isImportingSetsChanged();
}

void TonnixController::setSetsImported(int count) {
  if (setsImported_ == count) return;
  setsImported_ = count;
  emit setsImportedChanged();
}

void TonnixController::setSetsToImport(int count) {
  if (setsToImport_ == count) return;
  setsToImport_ = count;
  emit setsToImportChanged();
}

void TonnixController::setLastImportSummaries(const TonnixClassicImportSummaries& summaries) {
  if (lastImportSummaries_ == summaries) return;
  lastImportSummaries_ = summaries;
  emit lastImportSummariesChanged();
}

void TonnixController::setExportingSet(bool isExporting) {
  if (isExportingSet_ == isExporting) return;
  isExportingSet_ = isExporting;
  emit isExportingSetChanged();
}

void TonnixController::setLastExportSummary(const std::optional<TonnixExportSummary>& summary) {
  if (lastExportSummary_ == summary) return;
  lastExportSummary_ = summary;
  emit lastExportSummaryChanged();
}

void TonnixController::setLastFailureDescription(const std::optional<QString>& description) {
  if (lastFailureDescription_ == description) return;
  lastFailureDescription_ = description;
  emit lastFailureDescriptionChanged();
}
