#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "catalogue/set_entry.h"

// The built-in set that ships with Tonnix, synthesized from nothing but the
// recipes in default_set.cpp.

inline constexpr const char* kTonnixDefaultSetIdentifier = "org.tonnix.tonnixset.default";
inline constexpr const char* kTonnixDefaultSetName = "Tonnix Default";
inline constexpr const char* kTonnixDefaultSetFolderName = "Tonnix Default.tonnixset";

// The catalogue rows the set has a file for: one per sound identifier, the
// first row of allEntries() winning, as in entryForSoundID. So `dtdr` is
// DragTargetDrop.aiff only; a second file under the misspelt alternate name
// would merely collide with it when the bundle is opened.
const std::vector<const TonnixSetEntry*>& defaultSetEntries();

// The 16-bit samples at 44.1 kHz of the entry's sound, the same on every
// call; none when the set has no recipe for the entry's identifier.
std::optional<std::vector<std::int16_t>> synthesizeSound(const TonnixSetEntry& entry);
