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
