#include "library/index_theme.h"

#include <algorithm>

namespace {

constexpr std::string_view blanks = " \t\r\v\f";

std::string_view trimmed(std::string_view text) {
  const auto start = text.find_first_not_of(blanks);
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(blanks) - start + 1);
}

// Calls `each` with every piece of `text` between `separator`s.
template <typename Each>
void forEachPiece(std::string_view text, char separator, Each each) {
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = std::min(text.find(separator, start), text.size());
    each(text.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace

std::optional<TonnixIndexThemeSection> parseIndexTheme(std::string_view text) {
  TonnixIndexThemeSection section;
  bool inTheme = false;
  bool hasGroup = false;
  forEachPiece(text, '\n', [&](std::string_view rawLine) {
    const std::string_view line = trimmed(rawLine);
    if (line.starts_with('[')) {
      inTheme = line == "[Sound Theme]";
      hasGroup = hasGroup || inTheme;
      return;
    }
    const auto equals = line.find('=');
    if (!inTheme || line.starts_with('#') || equals == std::string_view::npos) return;
    section.try_emplace(std::string(trimmed(line.substr(0, equals))),
                        std::string(trimmed(line.substr(equals + 1))));
  });
  if (!hasGroup) return std::nullopt;
  return section;
}

std::vector<std::string> indexThemeList(std::string_view value) {
  std::vector<std::string> items;
  forEachPiece(value, ',', [&items](std::string_view item) {
    if (const auto text = trimmed(item); !text.empty()) items.emplace_back(text);
  });
  return items;
}
