#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "classic/resource_fork_error.h"
#include "support/expected.h"

// One resource of a fork: its ID, its optional name (decoded from Mac OS
// Roman) and its bytes exactly as stored, big-endian fields untouched.
struct TonnixResource {
  std::int16_t identifier = 0;
  std::optional<std::string> name;
  std::vector<std::uint8_t> data;

  // "<TonnixResource id=128 name=Beep bytes=512>"; "(none)" for no name.
  std::string description() const;

  friend bool operator==(const TonnixResource&, const TonnixResource&) = default;
};

// The whole resource fork of one file, read once and answered from memory.
// Types and resources keep the order of the fork's map, as the classic
// Resource Manager indexed them. Type strings are the four bytes of the
// type code decoded as Mac OS Roman ("snd " with its trailing blank).
class TonnixResourceFork {
 public:
  // Reads the fork of the file at `location` (a path or a file: URL) through
  // whichever container carries it. Reads are serialised: one fork is read
  // at a time, which keeps a burst of imports from holding many large files
  // in memory at once.
  static TonnixExpected<TonnixResourceFork, TonnixResourceForkError> open(
      std::string_view location);

  // Parses the bytes of a resource fork. Every offset and length of the map
  // is checked; a map that points outside the fork is an error.
  static TonnixExpected<TonnixResourceFork, TonnixResourceForkError> parse(
      std::span<const std::uint8_t> fork);

  const std::vector<std::string>& resourceTypes() const { return resourceTypes_; }

  // The resources of a type given in one to four Mac OS Roman characters,
  // padded with blanks, so "snd" finds 'snd '. Empty for an absent type or
  // an unusable string.
  const std::vector<TonnixResource>& resourcesOfType(std::string_view type) const;
  bool containsResourceType(std::string_view type) const { return !resourcesOfType(type).empty(); }

 private:
  std::map<std::string, std::vector<TonnixResource>> resourcesByType_;
  std::vector<std::string> resourceTypes_;
};
