#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "catalogue/sound_id.h"
#include "library/bundle_metadata.h"
#include "library/file_error.h"
#include "support/expected.h"

// Writes the skeleton of a set bundle: creates `bundle`/Contents/Resources
// (with any missing parents; existing folders are fine) and writes
// Contents/Info.plist as an XML property list, replacing any file there.
// `sounds`, when given and not empty, becomes the explicit map
// "TonnixSetSounds" (identifier text → file name in Contents/Resources).
// Copies no audio: callers put their files into Contents/Resources before or
// after. Stops at the first error and leaves what it made; callers remove
// their half-made folders.
TonnixExpected<std::filesystem::path, TonnixFileError> writeBundle(
    const std::filesystem::path& bundle, const TonnixBundleMetadata& metadata,
    const std::map<TonnixSoundID, std::string>* sounds = nullptr);
