#include "library/playable_extensions.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace {

// Formats libsndfile cannot recognise without being told their layout.
const std::set<std::string> headerless = {"raw", "vox"};
// Common spellings libsndfile's format list does not name.
const std::set<std::string> aliases = {"aif", "aifc"};

std::string lowered(const char* extension) {
  std::string text(extension ? extension : "");
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

void collect(int countCommand, int formatCommand, std::set<std::string>& extensions) {
  int count = 0;
  sf_command(nullptr, countCommand, &count, sizeof count);
  for (int index = 0; index < count; ++index) {
    SF_FORMAT_INFO info{};
    info.format = index;
    if (sf_command(nullptr, formatCommand, &info, sizeof info) != 0) continue;
    const std::string extension = lowered(info.extension);
    if (!extension.empty() && !headerless.contains(extension)) extensions.insert(extension);
  }
}

std::set<std::string> makePlayableExtensions() {
  std::set<std::string> extensions = aliases;
  collect(SFC_GET_FORMAT_MAJOR_COUNT, SFC_GET_FORMAT_MAJOR, extensions);
  collect(SFC_GET_SIMPLE_FORMAT_COUNT, SFC_GET_SIMPLE_FORMAT, extensions);
  return extensions;
}

}  // namespace

const std::set<std::string>& playableExtensions() {
  static const std::set<std::string> extensions = makePlayableExtensions();
  return extensions;
}
