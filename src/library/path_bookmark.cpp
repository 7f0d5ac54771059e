#include "library/path_bookmark.h"

namespace fs = std::filesystem;

std::optional<QByteArray> makeBookmark(const fs::path& file) {
  std::error_code error;
  const fs::path absolute = fs::absolute(file, error);
  if (error) return std::nullopt;
  return QByteArray::fromStdString(absolute.string());
}

std::optional<fs::path> bookmarkPath(const QByteArray& bookmark) {
  if (bookmark.contains(char(0))) return std::nullopt;
  const fs::path path(bookmark.toStdString());
  if (!path.is_absolute()) return std::nullopt;
  return path;
}

std::optional<fs::path> resolveBookmark(const QByteArray& bookmark) {
  const auto path = bookmarkPath(bookmark);
  std::error_code error;
  if (!path || !fs::exists(*path, error)) return std::nullopt;
  return path;
}
