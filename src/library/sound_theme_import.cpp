#include "library/sound_theme_import.h"

#include <QString>
#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "library/audio_check.h"
#include "library/bundle_writer.h"
#include "library/file_access.h"
#include "library/folder_copy.h"
#include "library/index_theme.h"
#include "library/sound_theme_names.h"
#include "support/diagnostics.h"

namespace fs = std::filesystem;

namespace {

// The one theme every theme ends in; the desktop has it, a theme need not carry it.
constexpr std::string_view baseTheme = "freedesktop";

std::string lowered(const std::string& text) {
  return QString::fromStdString(text).toLower().toStdString();
}

bool isWithin(const fs::path& path, const fs::path& root) {
  std::error_code error;
  const fs::path resolved = fs::weakly_canonical(path, error);
  if (error) return false;
  const auto [rootEnd, pathAt] =
      std::mismatch(root.begin(), root.end(), resolved.begin(), resolved.end());
  return rootEnd == root.end();
}

// The [Sound Theme] group of an index.theme; nothing when there is none, the
// file cannot be read, or it is a link to a file outside its theme.
std::optional<TonnixIndexThemeSection> themeSection(const fs::path& folder) {
  std::error_code error;
  if (!isWithin(folder / "index.theme", fs::weakly_canonical(folder, error))) return std::nullopt;
  const auto bytes = readWholeFile(folder / "index.theme", tonnixLargestIndexTheme);
  if (!bytes) return std::nullopt;
  return parseIndexTheme(*bytes);
}

std::string extensionOf(const fs::path& file) {
  return lowered(file.extension().string());
}

// Walks the theme and its parents, keeping the first file for each identifier.
class ThemeReader {
 public:
  explicit ThemeReader(fs::path root) : root_(std::move(root)) {}

  void readTheme(const fs::path& folder) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(folder, error);
    if (error || !visited_.insert(canonical).second) return;
    const auto section = themeSection(folder);
    if (!section) return leaveOut(folder, "it has no index.theme");
    const auto directories = section->find("Directories");
    for (const auto& name :
         indexThemeList(directories == section->end() ? "" : directories->second)) {
      readDirectory(folder / name);
    }
    const auto inherits = section->find("Inherits");
    for (const auto& parent : indexThemeList(inherits == section->end() ? "" : inherits->second)) {
      readParent(parent);
    }
  }

  const std::map<TonnixSoundID, fs::path>& chosen() const { return chosen_; }

  // One line for every sound name without a Tonnix counterpart, since a
  // full theme has dozens of them.
  void reportUnmapped() const {
    if (unmapped_.empty()) return;
    std::string list;
    for (const auto& name : unmapped_) list += (list.empty() ? "" : ", ") + name;
    leaveOut(root_, "no Tonnix sound is for " + list);
  }

  void leaveOut(const fs::path& path, const std::string& reason) const {
    const std::string shown = path.lexically_relative(root_.parent_path()).string();
    tonnixDiagnostic("TonnixLibrary", "left out " + shown + ": " + reason);
  }

 private:
  void readParent(const std::string& parent) {
    const fs::path folder = root_ / parent;
    std::error_code error;
    const bool isThere = fs::exists(fs::symlink_status(folder, error));
    if (!isThere && parent == baseTheme) return;
    if (!isThere || parent.find('/') != std::string::npos || !isWithin(folder, root_)) {
      return leaveOut(root_, "the theme it inherits from, " + parent + ", is not inside it");
    }
    readTheme(folder);
  }

  void readDirectory(const fs::path& folder) {
    std::error_code error;
    if (!isWithin(folder, root_)) return leaveOut(folder, "it points outside the theme");
    if (!fs::is_directory(folder, error)) return leaveOut(folder, "it is not a folder");
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& entry : entries) readSound(entry);
  }

  void readSound(const fs::path& file) {
    std::error_code error;
    const std::string extension = extensionOf(file);
    if (extension != ".oga" && extension != ".ogg" && extension != ".wav") {
      return leaveOut(file, extension == ".disabled" ? "it turns the sound off"
                                                     : "it is not a WAV or Ogg sound");
    }
    if (!isWithin(file, root_)) return leaveOut(file, "it points outside the theme");
    if (!fs::is_regular_file(file, error)) return leaveOut(file, "it is not a file");
    const auto* row = themeSoundNamed(file.stem().string());
    if (!row) {
      unmapped_.insert(file.stem().string());
      return;
    }
    if (chosen_.contains(row->soundID)) return;
    if (auto opened = canOpenAudio(file); !opened) return leaveOut(file, opened.error());
    chosen_[row->soundID] = file;
  }

  fs::path root_;
  std::set<fs::path> visited_;
  std::map<TonnixSoundID, fs::path> chosen_;
  std::set<std::string> unmapped_;
};

}  // namespace

bool isSoundThemeFolder(const fs::path& folder) {
  return themeSection(folder).has_value();
}

std::optional<std::string> soundThemeDisplayName(const fs::path& folder) {
  const auto section = themeSection(folder);
  if (!section) return std::nullopt;
  const auto name = section->find("Name");
  if (name == section->end() || name->second.empty()) return std::nullopt;
  return name->second;
}

TonnixExpected<TonnixDone, TonnixInstallError> buildSetFromSoundTheme(
    const fs::path& theme, const fs::path& destination, const TonnixBundleMetadata& metadata) {
  std::error_code error;
  const fs::path root = fs::weakly_canonical(theme, error);
  ThemeReader reader(root);
  reader.readTheme(root);
  reader.reportUnmapped();

  const fs::path resources = destination / "Contents" / "Resources";
  fs::create_directories(resources, error);
  std::map<TonnixSoundID, std::string> sounds;
  TonnixCopyBudget budget;
  for (const auto& [soundID, file] : reader.chosen()) {
    // Named by the identifier's own sound name, so each file is used once.
    const std::string name = file.stem().string() + (extensionOf(file) == ".wav" ? ".wav" : ".ogg");
    if (auto copied = copyFileWithin(root, file, resources / name, budget); !copied) {
      reader.leaveOut(file, copied.error());
      continue;
    }
    sounds[soundID] = name;
  }
  if (sounds.empty()) {
    fs::remove_all(destination, error);
    return unexpected(TonnixInstallError(
        TonnixLibraryError{TonnixLibraryError::Kind::noAudioResources, theme, {}, {}}));
  }
  if (auto written = writeBundle(destination, metadata, &sounds); !written) {
    fs::remove_all(destination, error);
    return unexpected(TonnixInstallError(written.error()));
  }
  return TonnixDone{};
}
