#pragma once

#include <filesystem>
#include <functional>
#include <string>

// What one sound identifier is set to play.
struct TonnixSelection {
  enum class Kind {
    set,       // the identifier's file in the installed set `setIdentifier`
    custom,    // the user's own file `customURL`
    baseline,  // the identifier's file in the baseline set (no assignment of its own)
    silent     // nothing
  };

  Kind kind = Kind::baseline;
  std::string setIdentifier;
  std::filesystem::path customURL;

  static TonnixSelection set(std::string identifier) {
    return {Kind::set, std::move(identifier), {}};
  }
  static TonnixSelection custom(std::filesystem::path url) {
    return {Kind::custom, {}, std::move(url)};
  }
  static TonnixSelection baseline() { return {Kind::baseline, {}, {}}; }
  static TonnixSelection silent() { return {Kind::silent, {}, {}}; }

  // "baseline", "silent", "set:IDENTIFIER" or "custom:PATH".
  std::string description() const {
    switch (kind) {
      case Kind::set:
        return "set:" + setIdentifier;
      case Kind::custom:
        return "custom:" + customURL.string();
      case Kind::silent:
        return "silent";
      case Kind::baseline:
        break;
    }
    return "baseline";
  }

  friend bool operator==(const TonnixSelection&, const TonnixSelection&) = default;
};

template <>
struct std::hash<TonnixSelection> {
  std::size_t operator()(const TonnixSelection& selection) const noexcept {
    return std::hash<std::string>{}(selection.description());
  }
};
