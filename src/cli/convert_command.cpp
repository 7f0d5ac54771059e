#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "classic/classic_set_import.h"
#include "classic/fork_source.h"
#include "classic/import_folder.h"
#include "cli/command_line.h"
#include "library/path_names.h"
#include "platform/linux/sndfile_audio_file_writer.h"

// Classic sound set files from the command line: converted into a bundle in
// a scratch folder that never outlives the command.

namespace fs = std::filesystem;

namespace {

fs::path bundleIn(const fs::path& folder, const fs::path& classicFile) {
  return folder / setFolderName(locationFileName(classicFile.string()));
}

// The deepest folder of `path` that exists: the scratch folder goes there,
// so that the finished bundle moves out with one rename, and nothing new is
// made before the conversion has worked.
fs::path existingAncestor(fs::path path) {
  std::error_code error;
  while (!fs::is_directory(path, error) && path.has_relative_path()) path = path.parent_path();
  return path;
}

// Moves the finished bundle out of the scratch folder, never over an
// existing one.
TonnixExpected<TonnixDone, TonnixFileError> moveBundle(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::create_directories(to.parent_path(), error);
  if (error) return unexpected(TonnixFileError::from(to.parent_path(), error));
  if (fs::exists(to, error)) {
    return unexpected(TonnixFileError::from(to, std::make_error_code(std::errc::file_exists)));
  }
  fs::rename(from, to, error);
  if (error) return unexpected(TonnixFileError::from(to, error));
  return TonnixDone{};
}

}  // namespace

int convertCommand(const QStringList& arguments) {
  TonnixCommandLine line("convert");
  if (const auto status = line.parse(arguments, 2, 2)) return *status;
  const fs::path classicFile = tonnixAbsolutePath(line.positional()[0]);
  const fs::path outFolder = tonnixAbsolutePath(line.positional()[1]);
  if (const auto missing = tonnixMissingPath(classicFile)) return line.fail(*missing);
  const auto made = TonnixImportFolder::make(existingAncestor(outFolder));
  if (!made) return line.fail(QString::fromStdString(made.error().description()));
  const TonnixImportFolder& scratch = **made;

  const TonnixSndfileAudioFileWriter writer;
  const auto summary = importClassicSet(classicFile, scratch.path(), writer);
  if (!summary) return line.fail(QString::fromStdString(describe(summary.error())));
  const auto moved =
      moveBundle(bundleIn(scratch.path(), classicFile), bundleIn(outFolder, classicFile));
  if (!moved) return line.fail(QString::fromStdString(moved.error().description()));
  std::printf("%s\n", importSummaryText(*summary).c_str());
  return 0;
}
