#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "classic/classic_set_import.h"
#include "classic/fork_source.h"
#include "classic/import_folder.h"
#include "cli/commands.h"
#include "platform/linux/sndfile_audio_file_writer.h"

// Classic sound set files from the command line: converted into a bundle in
// a scratch folder that never outlives the command.

namespace fs = std::filesystem;

namespace {

int fail(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  return 1;
}

fs::path bundleIn(const fs::path& folder, const fs::path& classicFile) {
  return folder / (locationFileName(classicFile.string()) + ".tonnixset");
}

// Moves the finished bundle out of the scratch folder, never over an
// existing one.
TonnixExpected<TonnixDone, TonnixFileError> moveBundle(const fs::path& from, const fs::path& to) {
  std::error_code error;
  if (fs::exists(to, error)) {
    return unexpected(TonnixFileError::from(to, std::make_error_code(std::errc::file_exists)));
  }
  fs::rename(from, to, error);
  if (error) return unexpected(TonnixFileError::from(to, error));
  return TonnixDone{};
}

}  // namespace

int convertCommand(const QStringList& arguments) {
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: tonnix convert CLASSIC_FILE OUT_FOLDER\n");
    return 2;
  }
  const fs::path classicFile = arguments[0].toStdString();
  const fs::path outFolder = arguments[1].toStdString();
  std::error_code error;
  fs::create_directories(outFolder, error);
  if (error) return fail(TonnixFileError::from(outFolder, error).description());
  // Inside the destination, so the finished bundle moves out with one rename.
  const auto made = TonnixImportFolder::make(outFolder);
  if (!made) return fail(made.error().description());
  const TonnixImportFolder& scratch = **made;

  const TonnixSndfileAudioFileWriter writer;
  const auto summary = importClassicSet(classicFile, scratch.path(), writer);
  if (!summary) return fail(describe(summary.error()));
  const auto moved =
      moveBundle(bundleIn(scratch.path(), classicFile), bundleIn(outFolder, classicFile));
  if (!moved) return fail(moved.error().description());
  std::printf("%s\n", importSummaryText(*summary).c_str());
  return 0;
}
