// Opening a set bundle from hostile parts: the input is a list of resource
// names, one per line, then a NUL byte, then the bytes of Info.plist.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "library/bundle_index.h"
#include "library/bundle_info.h"
#include "library/path_names.h"
#include "library/playable_extensions.h"

namespace {

std::string asciiLowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  });
  return text;
}

std::vector<TonnixResourceName> resourceList(std::string_view names) {
  std::vector<std::string> sorted;
  for (std::size_t start = 0; start <= names.size();) {
    const std::size_t end = std::min(names.find('\n', start), names.size());
    const std::string name(names.substr(start, end - start));
    if (!name.empty() && !name.starts_with('.')) sorted.push_back(name);
    start = end + 1;
  }
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  std::vector<TonnixResourceName> resources;
  for (const auto& name : sorted) {
    const std::string extension = asciiLowered(pathExtension(name));
    const bool playable = !extension.empty() && playableExtensions().contains(extension);
    resources.push_back({name, playable, asciiLowered(deletingPathExtension(name))});
  }
  return resources;
}

void checkIndex(const std::vector<TonnixResourceName>& resources,
                const TonnixResourceIndex& index) {
  std::set<std::string> names;
  for (const auto& resource : resources) names.insert(resource.name);
  std::set<std::string> chosen;
  for (const auto& [soundID, name] : index.fileNamesByID) {
    if (!names.contains(name)) std::abort();
    chosen.insert(name);
  }
  for (const auto& name : index.unmatchedResourceNames) {
    if (chosen.contains(name) || !names.contains(name)) std::abort();
  }
}

bool isPlainText(const std::string& text) {
  return std::none_of(text.begin(), text.end(),
                      [](unsigned char c) { return c < 0x20 || c >= 0x7F; });
}

// What the writer writes, the reader reads back the same.
void checkRoundTrip(const TonnixBundleMetadata& metadata) {
  for (const auto* text : {&metadata.identifier, &metadata.name}) {
    if (!isPlainText(*text)) return;
  }
  for (const auto* text : {&metadata.version, &metadata.author, &metadata.copyright}) {
    if (*text && !isPlainText(**text)) return;
  }
  const auto xml = bundleInfoDictionary(metadata, nullptr).xml();
  if (!xml) std::abort();
  const auto reread = readBundleInfo(*xml, "Fallback");
  if (!reread || !(reread->metadata == metadata)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t separator = input.find('\0');
  const std::string_view names = input.substr(0, separator);
  const std::string_view plist =
      separator == std::string_view::npos ? std::string_view() : input.substr(separator + 1);

  const auto info = readBundleInfo(plist, "Fuzz");
  const auto resources = resourceList(names);
  const auto index = indexResources(resources, info ? info->explicitSounds : std::nullopt);
  checkIndex(resources, index);
  if (info) checkRoundTrip(info->metadata);
  return 0;
}
