#include "library/path_names.h"

namespace {

// Position of the "." that starts the extension, or npos.
std::size_t extensionDot(std::string_view name) {
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::string_view::npos;
  return dot;
}

}  // namespace

std::string lastPathComponent(const std::filesystem::path& path) {
  std::string component = path.filename().string();
  if (component.empty()) component = path.parent_path().filename().string();
  return component;
}

std::string pathExtension(std::string_view name) {
  const auto dot = extensionDot(name);
  return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

std::string deletingPathExtension(std::string_view name) {
  return std::string(name.substr(0, extensionDot(name)));
}
