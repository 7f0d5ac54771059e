// A sound theme's index.theme as a downloaded theme may have it: the
// [Sound Theme] group and its lists parse without harm, and the Name never
// leaves a file name that could reach outside the library.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "library/index_theme.h"
#include "library/path_names.h"

namespace {

void checkFileName(std::string_view name) {
  const std::string safe = setFolderName(name);
  if (safe.find('/') != std::string::npos || safe.starts_with('.')) std::abort();
  if (safe.size() > largestSafeNameBytes + std::string_view(".tonnixset").size()) std::abort();
  if (!isDirectlyInside(std::filesystem::path("/library") / safe, "/library")) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto section = parseIndexTheme(input);
  if (!section) return 0;
  for (const auto& [key, value] : *section) {
    for (const auto& item : indexThemeList(value)) {
      if (item.empty() || item.find(',') != std::string::npos) std::abort();
    }
  }
  if (const auto name = section->find("Name"); name != section->end()) checkFileName(name->second);
  return 0;
}
