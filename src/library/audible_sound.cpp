#include "library/audible_sound.h"

#include <string>
#include <system_error>

#include "library/assignments.h"
#include "library/library.h"

namespace {

std::optional<std::filesystem::path> soundURLInSet(const TonnixLibrary& library,
                                                   const std::string& identifier,
                                                   TonnixSoundID soundID) {
  const TonnixBundlePointer bundle = library.bundleWithIdentifier(std::string_view(identifier));
  if (!bundle) return std::nullopt;
  return bundle->soundURL(soundID);
}

}  // namespace

std::optional<std::filesystem::path> audibleSoundURL(const TonnixLibrary& library,
                                                     const TonnixAssignments& assignments,
                                                     TonnixSoundID soundID) {
  const TonnixSelection selection = assignments.selectionFor(soundID);
  switch (selection.kind) {
    case TonnixSelection::Kind::custom: {
      std::error_code error;
      if (!std::filesystem::exists(selection.customURL, error)) return std::nullopt;
      return selection.customURL;
    }
    case TonnixSelection::Kind::set:
      return soundURLInSet(library, selection.setIdentifier, soundID);
    case TonnixSelection::Kind::baseline: {
      const auto& baseline = assignments.storedBaselineIdentifier();
      if (!baseline) return std::nullopt;
      return soundURLInSet(library, *baseline, soundID);
    }
    case TonnixSelection::Kind::silent:
      break;
  }
  return std::nullopt;
}
