#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// A four-character sound identifier, first character in the most significant
// byte: "btnp" is 0x62746E70. Classic resources store it in that big-endian
// order; preferences and property lists store its four-character text.
struct TonnixSoundID {
  std::uint32_t rawValue = 0;

  constexpr TonnixSoundID() = default;
  constexpr explicit TonnixSoundID(std::uint32_t value) : rawValue(value) {}
  // From a four-character code literal, e.g. TonnixSoundID("mnuo").
  template <std::size_t N>
    requires(N == 5)
  constexpr explicit TonnixSoundID(const char (&code)[N])
      : rawValue(static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) << 24 |
                 static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 16 |
                 static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 8 |
                 static_cast<std::uint32_t>(static_cast<unsigned char>(code[3]))) {}

  // Parses stored text: exactly four bytes, or nothing.
  static std::optional<TonnixSoundID> fromText(std::string_view text);

  // The four characters; a byte outside 0x20-0x7E prints as "?".
  std::string description() const;

  friend constexpr bool operator==(TonnixSoundID, TonnixSoundID) = default;
  friend constexpr auto operator<=>(TonnixSoundID, TonnixSoundID) = default;
};

template <>
struct std::hash<TonnixSoundID> {
  std::size_t operator()(TonnixSoundID id) const noexcept {
    return std::hash<std::uint32_t>{}(id.rawValue);
  }
};
