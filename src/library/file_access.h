#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "library/file_error.h"
#include "support/expected.h"

// Whole-file reads and writes for the small files of a bundle.

// The bytes of `file`; nothing when it cannot be read or is larger than
// `largest` bytes.
std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::uintmax_t largest);

// Writes `bytes` over `file` (a plain write, not atomic).
TonnixExpected<TonnixDone, TonnixFileError> writeWholeFile(const std::filesystem::path& file,
                                                           const std::string& bytes);

// A real Info.plist is a few kilobytes; anything larger than this is not one.
inline constexpr std::uintmax_t largestInfoPlist = 1u << 20;
