#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "library/bundle_metadata.h"
#include "library/library.h"
#include "support/expected.h"

// Import of a desktop sound theme (a folder with an index.theme) as a set:
// each sound file whose name has a Tonnix counterpart (sound_theme_names.h)
// plays that identifier. The theme's own folders come first, then the themes
// it inherits from, looked for only inside the folder given; nothing outside
// it is read, through a symbolic link or otherwise. What is left out is
// reported with one "TonnixLibrary: " line each.

// Whether `folder` holds an index.theme with a [Sound Theme] group.
bool isSoundThemeFolder(const std::filesystem::path& folder);
// The theme's Name, when its index.theme gives one.
std::optional<std::string> soundThemeDisplayName(const std::filesystem::path& folder);

// Builds the set bundle `destination` (which must not exist) from the theme
// at `theme`. Without any usable sound nothing is left at `destination`.
TonnixExpected<TonnixDone, TonnixInstallError> buildSetFromSoundTheme(
    const std::filesystem::path& theme, const std::filesystem::path& destination,
    const TonnixBundleMetadata& metadata);
