#include "library/bundle.h"

#include <QMimeDatabase>
#include <QString>
#include <algorithm>
#include <set>

#include "library/bundle_index.h"
#include "library/bundle_info.h"
#include "library/file_access.h"
#include "library/path_names.h"

namespace fs = std::filesystem;

namespace {

// What the player's decoder opens; an audio type it cannot decode (AAC in
// .m4a, say) would install a set that stays silent.
bool extensionIsPlayable(const std::string& lowerExtension) {
  return playableExtensions().contains(lowerExtension);
}

TonnixResourceName classify(const std::string& name) {
  TonnixResourceName resource{name, false, {}};
  const std::string extension = QString::fromStdString(pathExtension(name)).toLower().toStdString();
  resource.playable = extensionIsPlayable(extension);
  if (resource.playable)
    resource.lowerBaseName =
        QString::fromStdString(deletingPathExtension(name)).toLower().toStdString();
  return resource;
}

// Plain order of Unicode scalars after canonical composition, so that a name
// sorts the same however its accents were encoded; the raw bytes break ties.
void sortResourceNames(std::vector<std::string>& names) {
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(names.size());
  for (auto& name : names) {
    keyed.emplace_back(
        QString::fromStdString(name).normalized(QString::NormalizationForm_C).toStdString(),
        std::move(name));
  }
  std::sort(keyed.begin(), keyed.end());
  names.clear();
  for (auto& [key, name] : keyed) names.push_back(std::move(name));
}

TonnixExpected<std::vector<std::string>, std::error_code> listVisibleNames(const fs::path& folder) {
  std::error_code error;
  std::vector<std::string> names;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (!name.starts_with('.')) names.push_back(std::move(name));
  }
  if (error) return unexpected(error);
  return names;
}

}  // namespace

std::string TonnixBundleError::description() const {
  const std::string folder = lastPathComponent(url);
  switch (kind) {
    case Kind::notADirectory:
      return folder + " is not a folder";
    case Kind::missingInfoPlist:
      return folder + " has no Contents/Info.plist";
    case Kind::malformedInfoPlist:
      return folder + " has an unreadable Contents/Info.plist";
    case Kind::missingIdentifier:
      return folder + " gives the set no identifier in Contents/Info.plist";
    case Kind::unreadableResources:
      return "Could not read " + folder + "/Contents/Resources: " + underlying.message();
  }
  return folder;
}

TonnixExpected<TonnixBundlePointer, TonnixBundleError> TonnixBundle::open(const fs::path& url,
                                                                          bool isBuiltIn) {
  const auto failure = [&url](TonnixBundleError::Kind kind, std::error_code error = {}) {
    return unexpected(TonnixBundleError{kind, url, error});
  };
  std::error_code error;
  if (!fs::is_directory(url, error)) return failure(TonnixBundleError::Kind::notADirectory);
  const fs::path infoPlist = url / "Contents" / "Info.plist";
  if (!fs::exists(infoPlist, error)) return failure(TonnixBundleError::Kind::missingInfoPlist);
  const auto bytes = readWholeFile(infoPlist, largestInfoPlist);
  if (!bytes) return failure(TonnixBundleError::Kind::malformedInfoPlist);
  auto info = readBundleInfo(*bytes, deletingPathExtension(lastPathComponent(url)));
  if (!info) {
    return failure(info.error() == TonnixBundleInfoError::malformed
                       ? TonnixBundleError::Kind::malformedInfoPlist
                       : TonnixBundleError::Kind::missingIdentifier);
  }
  const fs::path resources = url / "Contents" / "Resources";
  auto names = listVisibleNames(resources);
  if (!names) return failure(TonnixBundleError::Kind::unreadableResources, names.error());
  sortResourceNames(*names);

  std::vector<TonnixResourceName> classified;
  classified.reserve(names->size());
  for (const auto& name : *names) classified.push_back(classify(name));
  auto index = indexResources(classified, info->explicitSounds);

  auto bundle = std::shared_ptr<TonnixBundle>(new TonnixBundle());
  bundle->url_ = url;
  bundle->metadata_ = std::move(info->metadata);
  bundle->isBuiltIn_ = isBuiltIn;
  for (const auto& [soundID, fileName] : index.fileNamesByID) {
    bundle->soundURLsByID_.emplace(soundID, resources / fileName);
  }
  bundle->unmatched_ = std::move(index.unmatchedResourceNames);
  bundle->collisions_ = std::move(index.baseNameCollisions);
  return TonnixBundlePointer(std::move(bundle));
}

std::optional<fs::path> TonnixBundle::soundURL(TonnixSoundID soundID) const {
  const auto found = soundURLsByID_.find(soundID);
  if (found == soundURLsByID_.end()) return std::nullopt;
  return found->second;
}

bool isPlayableAudioFile(const fs::path& file) {
  const std::string extension =
      QString::fromStdString(pathExtension(lastPathComponent(file))).toLower().toStdString();
  return extensionIsPlayable(extension);
}

const std::vector<std::string>& playableContentTypes() {
  static const std::vector<std::string> types = [] {
    std::vector<std::string> names;
    std::set<std::string> seen;
    const QMimeDatabase database;
    for (const auto& extension : playableExtensions()) {
      const QMimeType type =
          database.mimeTypeForFile(QStringLiteral("file.") + QString::fromStdString(extension),
                                   QMimeDatabase::MatchExtension);
      if (!type.isValid() || type.isDefault()) continue;
      std::string name = type.name().toStdString();
      if (seen.insert(name).second) names.push_back(std::move(name));
    }
    return names;
  }();
  return types;
}
