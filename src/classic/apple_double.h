#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// AppleSingle (magic 0x00051600) and AppleDouble (magic 0x00051607) files:
// a header and a table of entries, of which entry 2 is the resource fork.
// AppleDouble is what archivers and non-Mac file systems leave behind as
// "._NAME" beside NAME.

// The resource fork held by such a file; nothing when the bytes are of
// another kind, the fork is empty, or an entry points outside the file.
std::optional<std::vector<std::uint8_t>> appleDoubleResourceFork(
    std::span<const std::uint8_t> fileBytes);
