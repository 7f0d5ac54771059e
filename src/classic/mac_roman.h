#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The Mac OS Roman character set, in which classic resource types, resource
// names and version texts are stored.

// UTF-8 text of Mac OS Roman bytes; every byte has a character.
std::string decodeMacRoman(std::span<const std::uint8_t> bytes);

// Mac OS Roman bytes of UTF-8 text, or nothing when the text is not valid
// UTF-8 or holds a character the set lacks.
std::optional<std::vector<std::uint8_t>> encodeMacRoman(std::string_view text);
