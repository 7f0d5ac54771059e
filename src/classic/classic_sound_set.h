#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/sound_id.h"
#include "classic/resource_fork.h"
#include "support/expected.h"

// A resource as the set reader sees it, copied out of its fork.
struct TonnixRawResource {
  std::int16_t identifier = 0;
  std::optional<std::string> name;
  std::vector<std::uint8_t> data;
};

// Where the set reader gets its resources from.
class TonnixResourceProviding {
 public:
  virtual ~TonnixResourceProviding() = default;
  // The resources of a four-character type ("snd ", "snd#", "sdid",
  // "vers") in the fork's order; empty when there are none.
  virtual std::vector<TonnixRawResource> rawResourcesOfType(std::string_view type) const = 0;
};

// Resources from a file's resource fork.
class TonnixResourceForkProvider final : public TonnixResourceProviding {
 public:
  explicit TonnixResourceForkProvider(TonnixResourceFork fork) : fork_(std::move(fork)) {}
  std::vector<TonnixRawResource> rawResourcesOfType(std::string_view type) const override;
  const TonnixResourceFork& fork() const { return fork_; }

 private:
  TonnixResourceFork fork_;
};

// One entry of a sound list ('snd#'): a sound identifier and the 'snd '
// resource IDs of its slots (named slotIDs: Qt reserves "slots" as a macro);
// a stored 0 or a slot past the data is absent.
struct SoundListEntry {
  TonnixSoundID soundID;
  std::vector<std::optional<std::int16_t>> slotIDs;

  friend bool operator==(const SoundListEntry&, const SoundListEntry&) = default;
};

// The entries of a sound list resource; none when it is malformed.
std::vector<SoundListEntry> parseSoundList(std::span<const std::uint8_t> data);

// Why a file could not be read as a classic sound set.
struct TonnixClassicSoundSetError {
  enum class Kind { noResourceFork, noSoundResources, noRecognisedEvents };
  Kind kind = Kind::noResourceFork;
  std::string location;  // the file's path or URL

  // The file name followed by the reason, e.g. "Chimes has a resource fork
  // but no sounds in it".
  std::string description() const;
};

// A classic sound set: its sounds' bytes and which theme sound each plays.
struct TonnixClassicSoundSet {
  std::string name;  // the file's last path component
  std::optional<std::string> version;
  std::optional<std::string> copyright;
  std::map<TonnixSoundID, std::int16_t> resourceIDsBySoundID;  // every value has a body
  std::map<std::int16_t, std::vector<std::uint8_t>> soundBodies;

  // Reads the set in the resource fork of the file at `location` (a path or
  // a file: URL).
  static TonnixExpected<TonnixClassicSoundSet, TonnixClassicSoundSetError> read(
      std::string_view location);

  // Reads a set from any source of resources; never fails, but its tables
  // may be empty. The mapping comes from the sound lists, else from the
  // sound ID resources, else from the sounds' names.
  static TonnixClassicSoundSet read(const TonnixResourceProviding& provider, std::string name);
};
