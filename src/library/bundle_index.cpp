#include "library/bundle_index.h"

#include <set>
#include <unordered_map>

#include "catalogue/catalogue.h"

namespace {

using NamesByText = std::unordered_map<std::string, const TonnixResourceName*>;

void applyExplicitSounds(const TonnixPropertyList::StringPairs& entries, const NamesByText& names,
                         TonnixResourceIndex& index, std::set<std::string>& used) {
  for (const auto& [key, fileName] : entries) {
    const auto soundID = TonnixSoundID::fromText(key);
    if (!soundID) continue;
    const auto found = names.find(fileName);
    if (found == names.end() || !found->second->playable) continue;
    index.fileNamesByID[*soundID] = fileName;
    used.insert(fileName);
  }
}

void matchBaseName(const TonnixResourceName& resource, TonnixResourceIndex& index) {
  const TonnixSetEntry* entry = entryForBaseName(resource.lowerBaseName);
  if (!entry) {
    index.unmatchedResourceNames.push_back(resource.name);
    return;
  }
  if (index.fileNamesByID.contains(entry->soundID)) {
    index.baseNameCollisions[resource.lowerBaseName].push_back(resource.name);
    return;
  }
  index.fileNamesByID[entry->soundID] = resource.name;
}

}  // namespace

TonnixResourceIndex indexResources(
    const std::vector<TonnixResourceName>& resources,
    const std::optional<TonnixPropertyList::StringPairs>& explicitSounds) {
  TonnixResourceIndex index;
  std::set<std::string> used;
  if (explicitSounds) {
    NamesByText names;
    for (const auto& resource : resources) names.emplace(resource.name, &resource);
    applyExplicitSounds(*explicitSounds, names, index, used);
  }
  for (const auto& resource : resources) {
    if (!resource.playable || used.contains(resource.name)) continue;
    matchBaseName(resource, index);
  }
  return index;
}
