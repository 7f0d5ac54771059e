#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The largest index.theme read: a theme's list of files is far smaller.
inline constexpr std::size_t tonnixLargestIndexTheme = 1 << 20;

// The [Sound Theme] group of a freedesktop sound theme's index.theme, read
// as hostile text: keys and values trimmed of blanks, comment lines and
// other groups skipped, the first value of a key kept.
using TonnixIndexThemeSection = std::map<std::string, std::string>;

// The group in `text`; nothing when it has none.
std::optional<TonnixIndexThemeSection> parseIndexTheme(std::string_view text);

// The items of a list value ("stereo, 5.1"), trimmed, empty ones dropped.
std::vector<std::string> indexThemeList(std::string_view value);
