#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "catalogue/sound_id.h"
#include "library/bundle_metadata.h"
#include "library/bundle_writer.h"
#include "library/playable_extensions.h"
#include "support/expected.h"

// A sound set on disk: a folder NAME.tonnixset holding Contents/Info.plist
// and Contents/Resources with one audio file per sound. A resource plays the
// sound whose catalogue file name it carries (base names compared without
// case, any playable extension), unless Info.plist's "TonnixSetSounds" names
// files explicitly; explicit entries win.
//
// writeBundle (bundle_writer.h) writes the skeleton of a new bundle;
// TonnixBundle::open reads one. Built on the catalogue; opening, the
// playable test and the content types use Qt's Unicode and MIME knowledge
// (link tonnix_library), the rest is pure (tonnix_bundle_format).

class TonnixBundle;
using TonnixBundlePointer = std::shared_ptr<const TonnixBundle>;

// Why a bundle could not be opened; description() is the text the library
// lists among its load failures.
struct TonnixBundleError {
  enum class Kind {
    notADirectory,       // "<folder> is not a folder"
    missingInfoPlist,    // "<folder> has no Contents/Info.plist"
    malformedInfoPlist,  // "<folder> has an unreadable Contents/Info.plist"
    missingIdentifier,   // "<folder> gives the set no identifier in Contents/Info.plist"
    unreadableResources  // "Could not read <folder>/Contents/Resources: <error>"
  };

  Kind kind;
  std::filesystem::path url;
  std::error_code underlying;  // for unreadableResources

  std::string description() const;
};

// An opened set. Immutable and shared: the library, the player and the
// settings window hold the same object. Its identity is
// metadata().identifier.
class TonnixBundle {
 public:
  // Reads and indexes the bundle folder `url`. The first failing check
  // (folder, Info.plist present, parsable, identifier, Resources listable)
  // is the error; single resources never fail the bundle.
  static TonnixExpected<TonnixBundlePointer, TonnixBundleError> open(
      const std::filesystem::path& url, bool isBuiltIn);

  const std::filesystem::path& url() const { return url_; }
  const TonnixBundleMetadata& metadata() const { return metadata_; }
  // Ships with Tonnix (found in the built-in sets folder).
  bool isBuiltIn() const { return isBuiltIn_; }
  // The file that plays each sound; all lie in Contents/Resources.
  const std::map<TonnixSoundID, std::filesystem::path>& soundURLsByID() const {
    return soundURLsByID_;
  }
  // Playable files named after no catalogue sound, in resource-list order.
  const std::vector<std::string>& unmatchedResourceNames() const { return unmatched_; }
  // Lower-cased base name → later files that named an already chosen sound.
  const std::map<std::string, std::vector<std::string>>& baseNameCollisions() const {
    return collisions_;
  }

  std::optional<std::filesystem::path> soundURL(TonnixSoundID soundID) const;
  bool containsSound(TonnixSoundID soundID) const { return soundURLsByID_.contains(soundID); }

  // Same folder, same contents.
  friend bool operator==(const TonnixBundle&, const TonnixBundle&) = default;

 private:
  TonnixBundle() = default;

  std::filesystem::path url_;
  TonnixBundleMetadata metadata_;
  bool isBuiltIn_ = false;
  std::map<TonnixSoundID, std::filesystem::path> soundURLsByID_;
  std::vector<std::string> unmatched_;
  std::map<std::string, std::vector<std::string>> collisions_;
};

// The name test for playable audio, used for bundle resources, loose folders
// and custom sounds: the lower-cased extension is one of
// playableExtensions(), the formats the player's decoder opens. Never opens
// the file; safe from any thread.
bool isPlayableAudioFile(const std::filesystem::path& file);

// MIME type names for a custom-sound file chooser: the types of the playable
// extensions, without repeats. Built once.
const std::vector<std::string>& playableContentTypes();
