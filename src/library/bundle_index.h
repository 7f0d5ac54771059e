#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/sound_id.h"
#include "library/property_list.h"

// Decides which file of a bundle's Contents/Resources plays which sound.
// Pure: the caller lists the folder and classifies each name.

// One name of the resource list as the index sees it.
struct TonnixResourceName {
  std::string name;
  // The name passes the playable-audio test.
  bool playable = false;
  // The name without its last extension, fully lower-cased; used only when
  // `playable`.
  std::string lowerBaseName;
};

struct TonnixResourceIndex {
  // Sound → file name inside Contents/Resources.
  std::map<TonnixSoundID, std::string> fileNamesByID;
  // Playable names that are no catalogue file name, in resource-list order.
  std::vector<std::string> unmatchedResourceNames;
  // Lower-cased base name → the names that named an already chosen sound,
  // in the order met.
  std::map<std::string, std::vector<std::string>> baseNameCollisions;
};

// `resources` is the sorted resource list without hidden names. Entries of
// `explicitSounds` are honoured first: a key of exactly four UTF-8 bytes and
// a value naming a playable member of `resources` exactly; other entries are
// skipped without trace. The remaining names are matched to the catalogue by
// base name; the first name of the list wins a sound.
TonnixResourceIndex indexResources(
    const std::vector<TonnixResourceName>& resources,
    const std::optional<TonnixPropertyList::StringPairs>& explicitSounds);
