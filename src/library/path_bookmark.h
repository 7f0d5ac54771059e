#pragma once

#include <QByteArray>
#include <filesystem>
#include <optional>

// Bookmarks of custom sound files. Linux has no bookmark facility, so a
// bookmark is the file's absolute path in UTF-8: it never goes stale and
// finds the file only where it was.

// Nothing when `file` cannot be made absolute.
std::optional<QByteArray> makeBookmark(const std::filesystem::path& file);
// The file the bookmark names, when something is there.
std::optional<std::filesystem::path> resolveBookmark(const QByteArray& bookmark);
// The path recorded in the bookmark, whether or not anything is there.
std::optional<std::filesystem::path> bookmarkPath(const QByteArray& bookmark);
