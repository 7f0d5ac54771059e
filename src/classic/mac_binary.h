#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// MacBinary I, II and III: a 128-byte header, then the data fork and the
// resource fork, each padded to a multiple of 128 bytes. Versions II and III
// protect the header with a CRC; version I is recognised only by its zero
// fields and a file length that matches the forks, so that an arbitrary file
// that merely starts with a zero byte is not taken for one.

// The resource fork of a MacBinary file; nothing when the bytes are of
// another kind or the fork is empty.
std::optional<std::vector<std::uint8_t>> macBinaryResourceFork(
    std::span<const std::uint8_t> fileBytes);
