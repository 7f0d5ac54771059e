#pragma once

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

// Where Tonnix's installed data is looked for: the share folder beside the
// program's bin folder first, so that an installed copy (or the build tree,
// which mirrors that layout) uses its own, then $XDG_DATA_DIRS
// (/usr/local/share:/usr/share when unset). Relative entries are invalid and
// left out, as the base directory rules say.
std::vector<std::filesystem::path> tonnixShareFolders();

// The first `relative` below the share folders that `exists` accepts.
template <typename Exists>
std::optional<std::filesystem::path> tonnixInstalledData(const std::filesystem::path& relative,
                                                         Exists exists) {
  for (const auto& share : tonnixShareFolders()) {
    const auto candidate = (share / relative).lexically_normal();
    std::error_code error;
    if (exists(candidate, error)) return candidate;
  }
  return std::nullopt;
}
