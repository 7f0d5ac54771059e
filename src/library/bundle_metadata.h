#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The format version every bundle is written with.
inline constexpr std::int64_t tonnixSetFormatVersion = 1;

// What a set's Contents/Info.plist says about it.
struct TonnixBundleMetadata {
  // Unique among installed sets; reverse-DNS by convention
  // ("org.tonnix.tonnixset.chimes").
  std::string identifier;
  // Display name; may be empty.
  std::string name;
  std::optional<std::string> version;
  std::optional<std::string> author;
  std::optional<std::string> copyright;
  std::int64_t formatVersion = tonnixSetFormatVersion;

  friend bool operator==(const TonnixBundleMetadata&, const TonnixBundleMetadata&) = default;
};
