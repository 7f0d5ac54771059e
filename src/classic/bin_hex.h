#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// BinHex 4.0 (.hqx): a text encoding of a whole Mac file. Six bits per
// character from a 64-character alphabet between two colons, a run-length
// escape (0x90), then a header (name, type, creator, flags, fork lengths)
// and both forks, each followed by a CRC. Mail headers or other text may
// precede the "(This file must be converted with BinHex 4.0)" line.

// The resource fork of a BinHex file whose header and fork CRCs all check
// out; nothing otherwise, or when the fork is empty.
std::optional<std::vector<std::uint8_t>> binHexResourceFork(
    std::span<const std::uint8_t> fileBytes);
