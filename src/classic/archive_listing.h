#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/expected.h"

// What an archive holds, as `lsar -json` lists it, and whether it may be
// unpacked: sound sets come in small archives, so anything large, crowded,
// locked or aimed outside the folder it is unpacked in is refused before a
// byte is written.

// Why an archive was not imported.
struct TonnixArchiveError {
  enum class Kind {
    unarMissing,        // "<archive> could not be unpacked: install the unar package…"
    notAnArchive,       // "<archive> is not an archive Tonnix can unpack"
    damaged,            // "<archive> is damaged and could not be unpacked"
    passwordProtected,  // "<archive> is protected by a password"
    tooManyEntries,     // "<archive> was not unpacked: it holds more than <n> files"
    tooLarge,           // "<archive> was not unpacked: it would take more than 512 MB"
    entryOutside,       // "<archive> was not unpacked: its entry <entry> leads outside its folder"
    entryIsLink,        // "<archive> was not unpacked: its entry <entry> is a link"
    timedOut,           // "<archive> took longer than <n> seconds to unpack"
    couldNotUnpack,     // "Could not unpack <archive>: <reason>"
    noSoundSets         // "<archive> contains no sound sets"
  };

  Kind kind = Kind::notAnArchive;
  std::filesystem::path archive;
  std::string entry;      // the offending entry's name
  std::uint64_t limit{};  // the bound that was passed: files, bytes or seconds
  std::string reason;     // the system's description, for couldNotUnpack

  std::string description() const;
};

struct TonnixArchiveEntry {
  std::string name;  // the path inside the archive, '/' between folders
  std::uint64_t size = 0;
  bool isDirectory = false;
  bool isLink = false;
  bool isEncrypted = false;

  friend bool operator==(const TonnixArchiveEntry&, const TonnixArchiveEntry&) = default;
};

struct TonnixArchiveListing {
  std::string formatName;  // lsar's name: "StuffIt", "Zip", "Compact Pro", …
  bool isEncrypted = false;
  // lsar's error number when the listing stopped early; 0 when complete.
  int error = 0;
  std::vector<TonnixArchiveEntry> entries;  // each fork of a file is an entry of its own
};

// The listing in lsar's JSON output; nothing when the output is not a
// listing at all. A listing without a format name means lsar did not
// recognise the file.
std::optional<TonnixArchiveListing> parseArchiveListing(std::string_view json);

struct TonnixArchiveLimits {
  std::size_t entryCount = 10000;
  std::uint64_t totalBytes = std::uint64_t{512} << 20;
};

// Refuses a listing that is unrecognised, incomplete or locked, larger than
// the limits, or with an entry that is a link or whose name is absolute or
// climbs out with "..". `archive` names the archive in the error.
TonnixExpected<TonnixDone, TonnixArchiveError> checkArchiveListing(
    const TonnixArchiveListing& listing, const std::filesystem::path& archive,
    const TonnixArchiveLimits& limits = {});
