#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// File-name pieces as a file manager shows them.

// The last component of `path`, ignoring a trailing separator: "Chimes.tonnixset".
std::string lastPathComponent(const std::filesystem::path& path);
// The text after the last "." of `name`; empty when there is none or the
// only "." starts the name (".hidden").
std::string pathExtension(std::string_view name);
// `name` without its last extension: "Chimes.tonnixset" gives "Chimes",
// "a.b.aiff" gives "a.b".
std::string deletingPathExtension(std::string_view name);

// Names read from files (a theme's Name, a set's name, a classic file's
// name) made safe to become one file name in a folder.

// The most bytes such a name keeps, leaving room for " 99.tonnixset"
// within the 255 bytes a Linux file name may have.
inline constexpr std::size_t largestSafeNameBytes = 200;
// `name` with every "/" and control character made "-", without leading
// dots, dashes and spaces, and cut to largestSafeNameBytes at a character
// boundary; empty when nothing is left. "../../escaped" gives "escaped".
std::string safeFileName(std::string_view name);
// The stem of a set's folder: safeFileName(name), or "Sound Set" when
// that is empty.
std::string setFolderStem(std::string_view name);
// "<setFolderStem(name)>.tonnixset".
std::string setFolderName(std::string_view name);
// Whether `path` names an entry directly inside `folder`: one component
// more, and neither "." nor "..".
bool isDirectlyInside(const std::filesystem::path& path, const std::filesystem::path& folder);
