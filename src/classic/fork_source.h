#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "classic/resource_fork_error.h"
#include "support/expected.h"

// Where a file's resource fork comes from on a system without forks: the
// containers that carry forks off the Mac and through archives and mail.

// How the fork reached us.
enum class TonnixForkContainer {
  appleDoubleSidecar,   // "._NAME" beside NAME, or under a "__MACOSX" folder
  appleSingleOrDouble,  // the file itself is AppleSingle or AppleDouble
  macBinary,            // the file itself is MacBinary I, II or III
  binHex,               // the file itself is BinHex 4.0 text
  namedFork,            // NAME/..namedfork/rsrc or NAME/rsrc
  rawFork,              // the file's own bytes are the fork (NAME.rsrc)
};

struct TonnixForkBytes {
  TonnixForkContainer container = TonnixForkContainer::rawFork;
  std::vector<std::uint8_t> bytes;
};

// The fork inside a file's own bytes when they are AppleSingle/AppleDouble,
// MacBinary or BinHex; nothing for any other bytes.
std::optional<TonnixForkBytes> unwrapForkContainer(std::span<const std::uint8_t> fileBytes);

// The sidecar files that may hold the fork of `file`, in the order they are
// tried: "._NAME" beside it, then "__MACOSX/…/._NAME" at each enclosing
// folder, nearest first, as unpacked archives leave them.
std::vector<std::filesystem::path> sidecarCandidates(const std::filesystem::path& file);

// Finds the resource fork of the file at `file`: a sidecar, the file's own
// container, a named fork the file system offers, or else the file's bytes
// as they are (whether those are a fork is for the parser to say). Fails
// when the file is missing or a folder, or cannot be read.
TonnixExpected<TonnixForkBytes, TonnixResourceForkError> readResourceForkBytes(
    const std::filesystem::path& file);

// The path named by a location given as a plain path or a file: URL; any
// other URL scheme fails with "Not a file URL".
TonnixExpected<std::filesystem::path, TonnixResourceForkError> resolveFileLocation(
    std::string_view location);

// The last path component of a location (a path or URL), as file names are
// shown in messages: "Chimes" for "/sets/Chimes" and "file:///sets/Chimes/".
std::string locationFileName(std::string_view location);
