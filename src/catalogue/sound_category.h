#pragma once

#include <array>
#include <optional>
#include <string_view>

// The volume and enable group of a sound. Window-frame button sounds are
// controls, not windows.
enum class TonnixSoundCategory : int { window = 0, menu = 1, control = 2, finder = 3 };

inline constexpr std::array<TonnixSoundCategory, 4> allSoundCategories = {
    TonnixSoundCategory::window, TonnixSoundCategory::menu, TonnixSoundCategory::control,
    TonnixSoundCategory::finder};

// A category from its raw value; nothing outside 0-3.
constexpr std::optional<TonnixSoundCategory> soundCategoryFromRawValue(int rawValue) {
  if (rawValue < 0 || rawValue >= static_cast<int>(allSoundCategories.size())) return std::nullopt;
  return static_cast<TonnixSoundCategory>(rawValue);
}

constexpr int rawValue(TonnixSoundCategory category) { return static_cast<int>(category); }

// "window", "menu", "control" or "finder".
std::string_view soundCategoryName(TonnixSoundCategory category);
