#pragma once

#include <filesystem>
#include <string>
#include <system_error>

// A file-system or serialisation failure: the file concerned and the
// system's own description of what went wrong.
struct TonnixFileError {
  std::filesystem::path path;
  std::string message;

  static TonnixFileError from(const std::filesystem::path& path, std::error_code error) {
    return {path, error.message()};
  }

  // "Could not write /path/Contents/Info.plist: Permission denied"
  std::string description() const { return "Could not write " + path.string() + ": " + message; }
};
