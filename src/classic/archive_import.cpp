#include "classic/archive_import.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <span>
#include <string_view>
#include <system_error>
#include <variant>

#include "classic/archive_unpacking.h"
#include "classic/classic_sound_set.h"
#include "classic/fork_source.h"
#include "library/path_names.h"

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 5> archiveExtensions{"sit", "sea", "sitx", "cpt", "zip"};
// Wrappers of a whole Mac file, which may be an archive or a set itself.
constexpr std::array<std::string_view, 2> wrapperExtensions{"hqx", "bin"};

bool hasExtension(const fs::path& file, std::span<const std::string_view> extensions) {
  std::string extension = file.extension().string();
  if (extension.empty()) return false;
  extension.erase(0, 1);
  std::ranges::transform(extension, extension.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return std::ranges::find(extensions, extension) != extensions.end();
}

bool isBundle(const fs::path& folder) {
  std::error_code error;
  return folder.extension() == ".tonnixset" &&
         fs::is_directory(fs::symlink_status(folder / "Contents" / "Resources", error));
}

struct Candidates {
  std::vector<fs::path> classicFiles;
  std::vector<fs::path> bundles;
};

// The files and bundles in the unpacked tree, links never followed; the
// "__MACOSX" folders hold only forks, found from their files.
Candidates candidatesIn(const fs::path& folder) {
  Candidates found;
  std::vector<fs::path> lonelyForks;
  std::error_code error;
  fs::recursive_directory_iterator entry(folder, error);
  for (; !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
    const fs::path& path = entry->path();
    const std::string name = path.filename().string();
    std::error_code statusError;
    const auto status = entry->symlink_status(statusError);
    if (fs::is_directory(status)) {
      if (name == "__MACOSX" || isBundle(path)) entry.disable_recursion_pending();
      if (isBundle(path)) found.bundles.push_back(path);
    } else if (!fs::is_regular_file(status)) {
      continue;
    } else if (name.starts_with("._")) {
      const fs::path file = path.parent_path() / name.substr(2);
      if (!fs::exists(fs::symlink_status(file, statusError))) lonelyForks.push_back(file);
    } else if (!name.starts_with('.')) {
      found.classicFiles.push_back(path);
    }
  }
  // A file with an empty data fork comes out of unar as its "._" file
  // alone; an empty file beside it is what the fork reader looks for.
  for (const auto& file : lonelyForks) {
    if (std::ofstream(file, std::ios::binary)) found.classicFiles.push_back(file);
  }
  std::ranges::sort(found.classicFiles);
  std::ranges::sort(found.bundles);
  return found;
}

}  // namespace

bool isArchiveToUnpack(const fs::path& file) {
  if (hasExtension(file, archiveExtensions)) return true;
  return hasExtension(file, wrapperExtensions) && !TonnixClassicSoundSet::read(file.string());
}

TonnixExpected<TonnixArchiveSets, TonnixArchiveError> importArchiveSets(
    const fs::path& archive, const fs::path& scratchFolder, const TonnixAudioFileWriter& writer,
    const TonnixArchiveLimits& limits) {
  const fs::path unpacked = scratchFolder / "unpacked";
  std::error_code error;
  fs::create_directories(unpacked, error);
  if (error) {
    return unexpected(TonnixArchiveError{
        TonnixArchiveError::Kind::couldNotUnpack, archive, {}, 0, error.message()});
  }
  TONNIX_TRY(done, unpackArchive(archive, unpacked, limits));

  const Candidates candidates = candidatesIn(unpacked);
  TonnixArchiveSets result;
  for (const auto& bundle : candidates.bundles) result.sets.push_back({bundle, std::nullopt});
  // Each set in a folder of its own: sets of one name may come from
  // different folders of the archive.
  for (std::size_t index = 0; index < candidates.classicFiles.size(); ++index) {
    const fs::path& file = candidates.classicFiles[index];
    const fs::path converted = scratchFolder / "sets" / std::to_string(index);
    fs::create_directories(converted, error);
    const auto summary = importClassicSet(file, converted, writer);
    if (summary) {
      result.sets.push_back({converted / setFolderName(summary->name), *summary});
    } else if (!std::holds_alternative<TonnixClassicSoundSetError>(summary.error())) {
      result.failures.push_back(describe(summary.error()));
    }
  }
  if (result.sets.empty() && result.failures.empty()) {
    return unexpected(
        TonnixArchiveError{TonnixArchiveError::Kind::noSoundSets, archive, {}, 0, {}});
  }
  return result;
}
