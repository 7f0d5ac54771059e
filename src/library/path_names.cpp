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

std::string safeFileName(std::string_view name) {
  std::string cleaned;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    cleaned += c == '/' || byte < 0x20 || byte == 0x7F ? '-' : c;
  }
  const auto start = cleaned.find_first_not_of(".- ");
  if (start == std::string::npos) return {};
  cleaned.erase(0, start);
  if (cleaned.size() <= largestSafeNameBytes) return cleaned;
  // Back to the first byte of the character the cut would split.
  std::size_t end = largestSafeNameBytes;
  while (end > 0 && (static_cast<unsigned char>(cleaned[end]) & 0xC0) == 0x80) --end;
  cleaned.resize(end);
  return cleaned;
}

std::string setFolderStem(std::string_view name) {
  std::string stem = safeFileName(name);
  return stem.empty() ? std::string("Sound Set") : stem;
}

std::string setFolderName(std::string_view name) {
  return setFolderStem(name) + ".tonnixset";
}

bool isDirectlyInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
  const auto name = path.filename();
  return path.parent_path() == folder && !name.empty() && name != "." && name != "..";
}
