#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/sound_id.h"
#include "classic/classic_set_import.h"
#include "library/sound_set_export.h"
#include "platform/audio_file_writer.h"
#include "support/expected.h"

class TonnixAssignments;
class TonnixLibrary;

using TonnixClassicImportSummaries = std::vector<TonnixClassicImportSummary>;

// A set an import put into the user's library.
struct TonnixInstalledSet {
  // What was imported: a bundle, a folder of sounds, a classic set file or
  // the archive the set came in.
  std::filesystem::path source;
  std::string name;
  std::string identifier;
  // Where it went.
  std::filesystem::path url;
  // The identifier the set came with, when the library had a set of that
  // identifier already; the new copy has an identifier of its own.
  std::optional<std::string> alreadyInstalled;
};

// Sound set management for the sound sets tab and the `import` and
// `export` commands: installs dropped or opened files and folders one
// after another, exports what is audible, reloads the library, sets custom
// sounds and picks a baseline when none was chosen. The work on the
// library and assignments runs on the main thread; classic conversions and
// export copying run on the thread pool. Main thread only.
//
// Observable fields signal only when their value changes. Whoever plays
// sounds listens to soundsChanged and soundChanged: what plays may have
// changed, and voices made before are stale.
class TonnixSetTransfer : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool isImportingSets READ isImportingSets NOTIFY isImportingSetsChanged)
  Q_PROPERTY(int setsImported READ setsImported NOTIFY setsImportedChanged)
  Q_PROPERTY(int setsToImport READ setsToImport NOTIFY setsToImportChanged)
  Q_PROPERTY(TonnixClassicImportSummaries lastImportSummaries READ lastImportSummaries NOTIFY
                 lastImportSummariesChanged)
  Q_PROPERTY(bool isExportingSet READ isExportingSet NOTIFY isExportingSetChanged)
  Q_PROPERTY(std::optional<TonnixExportSummary> lastExportSummary READ lastExportSummary NOTIFY
                 lastExportSummaryChanged)
  Q_PROPERTY(std::optional<QString> lastFailureDescription READ lastFailureDescription NOTIFY
                 lastFailureDescriptionChanged)

 public:
  // Where the texts of export and custom sound failures are written as
  // diagnostics; nowhere by default.
  using Console = std::function<void(const QString& line)>;

  // Both must outlive the transfer.
  TonnixSetTransfer(TonnixLibrary& library, TonnixAssignments& assignments,
                    QObject* parent = nullptr);

  // Converts classic set files during imports; without one they cannot be
  // imported. Shared with the conversions still running.
  void setAudioFileWriter(std::shared_ptr<const TonnixAudioFileWriter> writer) {
    audioFileWriter_ = std::move(writer);
  }
  // Where the staging folders of exports go, and how their files are
  // written; the system's temporary folder and file system by default.
  void setExportFiles(TonnixExportFiles files) { exportFiles_ = std::move(files); }
  void setConsole(Console console) { console_ = std::move(console); }

  bool isImportingSets() const { return isImportingSets_; }
  // URLs of the current run handled so far, and in all.
  int setsImported() const { return setsImported_; }
  int setsToImport() const { return setsToImport_; }
  // The classic files converted by the last finished run, in URL order.
  const TonnixClassicImportSummaries& lastImportSummaries() const { return lastImportSummaries_; }
  bool isExportingSet() const { return isExportingSet_; }
  const std::optional<TonnixExportSummary>& lastExportSummary() const { return lastExportSummary_; }
  // The last import, export or custom sound failure, for the sound sets tab.
  const std::optional<QString>& lastFailureDescription() const { return lastFailureDescription_; }

  // Installs the URLs one after another on the main thread: folders (and
  // missing paths, which fail) go to the library, files are converted as
  // classic sets in the background first, and archives unpacked and their
  // sets converted. Cancels a run in progress before its next URL.
  void importSets(const std::vector<std::filesystem::path>& urls);
  // Writes everything audible now as a new bundle at `destination`, in the
  // background.
  void exportSet(const std::filesystem::path& destination);
  // Reads the library again and tidies the assignments after it.
  void reloadSets();
  // False, with the reason in lastFailureDescription, when refused.
  bool chooseCustomSound(const std::filesystem::path& url, TonnixSoundID soundID);
  // Chooses the first set as the baseline when none was ever chosen.
  void ensureBaseline();
  // Moves the user's set to the desktop's trash and tidies the assignments
  // as a reload does. False, with the reason in lastFailureDescription, for
  // an unknown or built-in set or when the trash refuses it.
  bool removeSet(const std::string& identifier);

 signals:
  void isImportingSetsChanged();
  void setsImportedChanged();
  void setsToImportChanged();
  void lastImportSummariesChanged();
  void isExportingSetChanged();
  void lastExportSummaryChanged();
  void lastFailureDescriptionChanged();
  // Sets were installed or reloaded, or a baseline chosen: any identifier
  // may play another file now, or the same file changed.
  void soundsChanged();
  // The identifier plays another file now.
  void soundChanged(TonnixSoundID soundID);
  // One set of an import run is installed.
  void setInstalled(const TonnixInstalledSet& set);

 private:
  struct ImportRun;
  struct ExportRun;
  void importNext(const std::shared_ptr<ImportRun>& run);
  void importFile(const std::shared_ptr<ImportRun>& run, const std::filesystem::path& url);
  void importHandled(const std::shared_ptr<ImportRun>& run, std::optional<std::string> failure);
  // Installs the bundle or folder at `folder`, imported from `source`;
  // gives the failure text, if any.
  std::optional<std::string> install(const std::filesystem::path& source,
                                     const std::filesystem::path& folder);
  void finishImport(const std::shared_ptr<ImportRun>& run);
  void finishExport(const std::shared_ptr<ExportRun>& run,
                    const TonnixExpected<TonnixExportSummary, TonnixExportError>& result);
  void chooseBaselineIfNone();
  void setFailure(const std::optional<QString>& description);
  void writeLine(const QString& line) const;

  TonnixLibrary& library_;
  TonnixAssignments& assignments_;
  std::shared_ptr<const TonnixAudioFileWriter> audioFileWriter_;
  TonnixExportFiles exportFiles_ = TonnixExportFiles::system();
  Console console_;

  bool isImportingSets_ = false;
  int setsImported_ = 0;
  int setsToImport_ = 0;
  TonnixClassicImportSummaries lastImportSummaries_;
  bool isExportingSet_ = false;
  std::optional<TonnixExportSummary> lastExportSummary_;
  std::optional<QString> lastFailureDescription_;
  // The current import run and export, kept after they finish; a newer one
  // replaces them, which cancels the old.
  std::shared_ptr<ImportRun> importTask_;
  std::shared_ptr<ExportRun> exportTask_;
};
