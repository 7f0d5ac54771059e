#include "library/sound_set_export.h"

#include <fcntl.h>
#include <stdio.h>

#include <QString>
#include <QUuid>
#include <cerrno>

#include "catalogue/catalogue.h"
#include "library/assignments.h"
#include "library/bundle_writer.h"
#include "library/library.h"
#include "library/path_names.h"

namespace fs = std::filesystem;

namespace {

std::string lowerCased(const std::string& text) {
  return QString::fromStdString(text).toLower().toStdString();
}

std::string newUuid() {
  return QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
}

TonnixExportError exportError(TonnixExportError::Kind kind, const fs::path& destination,
                              const std::string& reason) {
  return {kind, destination, reason};
}

std::error_code copyOneFile(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::copy_file(from, to, fs::copy_options::none, error);
  if (!error) return error;
  std::error_code ignored;
  fs::remove(to, ignored);
  return error;
}

std::error_code lastError(int result) {
  return result == 0 ? std::error_code() : std::error_code(errno, std::generic_category());
}

// Some file systems (network and FUSE ones, older overlays) know only plain
// renames and answer the flags with EINVAL.
bool isUnsupported(const std::error_code& error) {
  return error == std::errc::invalid_argument || error == std::errc::function_not_supported;
}

bool isThere(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// The old item is renamed aside first and only removed once the new one is
// in place; should that fail, it is put back.
std::error_code replaceWithBackup(const fs::path& staged, const fs::path& destination,
                                  const TonnixBundleRenames& renames) {
  const fs::path backup = destination.parent_path() / (".tonnix-replaced-" + newUuid());
  if (const auto error = renames.plain(destination, backup)) return error;
  if (const auto error = renames.plain(staged, destination)) {
    (void)renames.plain(backup, destination);
    return error;
  }
  std::error_code ignored;
  fs::remove_all(backup, ignored);
  return {};
}

std::error_code placeOnSameFileSystem(const fs::path& staged, const fs::path& destination,
                                      const TonnixBundleRenames& renames) {
  if (!isThere(destination)) {
    const auto error = renames.exclusive(staged, destination);
    if (!isUnsupported(error)) return error;
    if (isThere(destination)) return std::make_error_code(std::errc::file_exists);
    return renames.plain(staged, destination);
  }
  const auto error = renames.exchange(staged, destination);
  if (isUnsupported(error)) return replaceWithBackup(staged, destination, renames);
  if (error) return error;
  // The old item is at `staged` now.
  std::error_code ignored;
  fs::remove_all(staged, ignored);
  return {};
}

// Copies the bundle beside the destination first, so that the last step is
// still a rename on one file system.
std::error_code placeAcrossFileSystems(const fs::path& staged, const fs::path& destination,
                                       const TonnixBundleRenames& renames) {
  const fs::path beside = destination.parent_path() / (".tonnix-export-" + newUuid());
  std::error_code error;
  fs::copy(staged, beside, fs::copy_options::recursive, error);
  if (!error) error = placeOnSameFileSystem(beside, destination, renames);
  std::error_code ignored;
  fs::remove_all(beside, ignored);
  return error;
}

struct BuiltSounds {
  std::map<TonnixSoundID, std::string> sounds;
  std::map<fs::path, std::string> fileNameByURL;
  std::map<std::string, int> useCount;
  std::set<std::string> usedNames;
  int customEvents = 0;
  int skipped = 0;

  void use(const TonnixExportSource& source, const std::string& name) {
    sounds[source.soundID] = name;
    ++useCount[name];
    if (source.isCustom) ++customEvents;
  }
};

void copySources(const std::vector<TonnixExportSource>& sources, const fs::path& resources,
                 const TonnixExportFiles& files, BuiltSounds& built) {
  for (const auto& source : sources) {
    if (built.sounds.contains(source.soundID)) continue;
    if (const auto copied = built.fileNameByURL.find(source.url);
        copied != built.fileNameByURL.end()) {
      built.use(source, copied->second);
      continue;
    }
    const std::string name = uniqueExportFileName(source.url, built.usedNames);
    if (files.copyFile(source.url, resources / name)) {
      ++built.skipped;
      continue;
    }
    built.usedNames.insert(lowerCased(name));
    built.fileNameByURL[source.url] = name;
    built.use(source, name);
  }
}

TonnixBundleMetadata exportMetadata(const std::string& name) {
  TonnixBundleMetadata metadata;
  metadata.identifier =
      std::string(tonnixVendorPrefix) + ".tonnixset.exported." + identifierSlug(name);
  metadata.name = name;
  metadata.version = "1.0";
  return metadata;
}

}  // namespace

std::string TonnixExportError::description() const {
  const std::string name = lastPathComponent(destination);
  switch (kind) {
    case Kind::couldNotBuild:
      return "Could not build " + name + ": " + reason;
    case Kind::couldNotPlace:
      return "Could not save " + name + ": " + reason;
    case Kind::nothingToExport:
      break;
  }
  return "No event has a sound to export";
}

TonnixExportFiles TonnixExportFiles::system() {
  return {{}, copyOneFile, [](const fs::path& staged, const fs::path& destination) {
            return placeExportBundle(staged, destination);
          }};
}

std::vector<TonnixExportSource> exportSources(
    const std::function<std::optional<fs::path>(TonnixSoundID)>& urlFor,
    const TonnixAssignments& assignments) {
  std::vector<TonnixExportSource> sources;
  std::set<TonnixSoundID> seen;
  for (const auto& entry : allEntries()) {
    if (!seen.insert(entry.soundID).second) continue;
    const auto url = urlFor(entry.soundID);
    if (!url) continue;
    sources.push_back(
        {entry.soundID, *url, assignments.storedCustomSounds().contains(entry.soundID)});
  }
  return sources;
}

std::string defaultExportName(const TonnixLibrary& library, const TonnixAssignments& assignments) {
  const auto baseline = library.bundleWithIdentifier(assignments.storedBaselineIdentifier());
  return baseline ? setFolderStem(baseline->metadata().name + " Custom") : "My Sounds";
}

TonnixExpected<TonnixExportSummary, TonnixExportError> exportSoundSet(
    const std::vector<TonnixExportSource>& sources, const fs::path& destination,
    const TonnixExportFiles& files) {
  using Kind = TonnixExportError::Kind;
  if (sources.empty()) return unexpected(exportError(Kind::nothingToExport, destination, {}));
  std::error_code error;
  const fs::path temporary =
      files.temporaryDirectory.empty() ? fs::temp_directory_path(error) : files.temporaryDirectory;
  const fs::path staging = temporary / ("tonnix-export-" + newUuid());
  if (!error) fs::create_directories(staging, error);
  if (error) return unexpected(exportError(Kind::couldNotBuild, destination, error.message()));

  const std::string fileName = lastPathComponent(destination);
  const fs::path stagedBundle = staging / fileName;
  auto summary = buildExportBundle(sources, stagedBundle, deletingPathExtension(fileName), files);
  if (summary) {
    if (const std::error_code placed = files.place(stagedBundle, destination)) {
      summary = unexpected(exportError(Kind::couldNotPlace, destination, placed.message()));
    }
  }
  fs::remove_all(staging, error);
  return summary;
}

TonnixExpected<TonnixExportSummary, TonnixExportError> buildExportBundle(
    const std::vector<TonnixExportSource>& sources, const fs::path& bundleURL,
    const std::string& name, const TonnixExportFiles& files) {
  using Kind = TonnixExportError::Kind;
  const fs::path resources = bundleURL / "Contents" / "Resources";
  std::error_code error;
  fs::create_directories(resources, error);
  if (error) return unexpected(exportError(Kind::couldNotBuild, bundleURL, error.message()));

  BuiltSounds built;
  copySources(sources, resources, files, built);
  if (built.sounds.empty()) return unexpected(exportError(Kind::nothingToExport, bundleURL, {}));

  const auto map = explicitSoundMap(built.sounds, built.useCount);
  if (const auto written = writeBundle(bundleURL, exportMetadata(name), &map); !written) {
    return unexpected(exportError(Kind::couldNotBuild, bundleURL, written.error().message));
  }
  return TonnixExportSummary{name,
                             static_cast<int>(built.sounds.size()),
                             static_cast<int>(built.fileNameByURL.size()),
                             built.customEvents,
                             static_cast<int>(map.size()),
                             built.skipped};
}

TonnixBundleRenames TonnixBundleRenames::system() {
  return {
      [](const fs::path& from, const fs::path& to) {
        return lastError(
            ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE));
      },
      [](const fs::path& from, const fs::path& to) {
        return lastError(
            ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_EXCHANGE));
      },
      [](const fs::path& from, const fs::path& to) {
        return lastError(::rename(from.c_str(), to.c_str()));
      },
  };
}

std::error_code placeExportBundle(const fs::path& staged, const fs::path& destination,
                                  const TonnixBundleRenames& renames) {
  const std::error_code error = placeOnSameFileSystem(staged, destination, renames);
  if (error != std::errc::cross_device_link) return error;
  return placeAcrossFileSystems(staged, destination, renames);
}

std::string exportFileName(const std::string& lastPathComponent) {
  const auto first = lastPathComponent.find_first_not_of('.');
  return first == std::string::npos ? "Sound" : lastPathComponent.substr(first);
}

std::string uniqueExportFileName(const fs::path& url, const std::set<std::string>& usedNames) {
  const std::string name = exportFileName(lastPathComponent(url));
  if (!usedNames.contains(lowerCased(name))) return name;
  const std::string base = deletingPathExtension(name);
  const std::string extension = pathExtension(name);
  for (int n = 2;; ++n) {
    std::string candidate = base + " " + std::to_string(n);
    if (!extension.empty()) candidate += "." + extension;
    if (!usedNames.contains(lowerCased(candidate))) return candidate;
  }
}

std::map<TonnixSoundID, std::string> explicitSoundMap(
    const std::map<TonnixSoundID, std::string>& sounds,
    const std::map<std::string, int>& useCount) {
  std::map<TonnixSoundID, std::string> map;
  for (const auto& [soundID, fileName] : sounds) {
    const TonnixSetEntry* entry = entryForSoundID(soundID);
    const auto uses = useCount.find(fileName);
    const bool isShared = uses != useCount.end() && uses->second > 1;
    if (!entry || isShared ||
        lowerCased(deletingPathExtension(entry->fileName)) !=
            lowerCased(deletingPathExtension(fileName))) {
      map[soundID] = fileName;
    }
  }
  return map;
}
