#include "platform/linux/game_category.h"

bool tonnixIsGameCategoryList(std::string_view categories) {
  while (!categories.empty()) {
    const std::size_t end = categories.find(';');
    if (categories.substr(0, end) == "Game") return true;
    if (end == std::string_view::npos) return false;
    categories.remove_prefix(end + 1);
  }
  return false;
}
