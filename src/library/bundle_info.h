#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/sound_id.h"
#include "library/bundle_metadata.h"
#include "library/property_list.h"
#include "support/expected.h"

// The Info.plist of a set bundle, read and written. Pure: no file access.

// Why an Info.plist could not be used.
enum class TonnixBundleInfoError {
  malformed,          // not a property list whose top level is a dictionary
  missingIdentifier,  // no non-empty "CFBundleIdentifier" string
};

struct TonnixBundleInfo {
  TonnixBundleMetadata metadata;
  // "TonnixSetSounds" when it is a dictionary of strings to strings, in file
  // order: sound identifier text → file name inside Contents/Resources.
  std::optional<TonnixPropertyList::StringPairs> explicitSounds;
};

// Reads Info.plist bytes (XML or binary). `fallbackName` is the name a set
// without a "CFBundleName" string gets: its folder name without extension.
TonnixExpected<TonnixBundleInfo, TonnixBundleInfoError> readBundleInfo(
    std::string_view bytes, std::string_view fallbackName);

// The dictionary the bundle writer stores, keys in their fixed order; the
// optional keys only when present, "TonnixSetSounds" only when `sounds` is
// given and not empty.
TonnixPropertyList bundleInfoDictionary(const TonnixBundleMetadata& metadata,
                                        const std::map<TonnixSoundID, std::string>* sounds);

// The "CFBundleIdentifier" string of an Info.plist dictionary.
std::optional<std::string> bundleIdentifier(const TonnixPropertyList& info);

// Gives the dictionary `identifier`, and `name` when it has no
// "CFBundleName"; every other key stays as it is.
void reidentifyBundleInfo(TonnixPropertyList& info, std::string_view identifier,
                          std::string_view name);
