#include "library/bundle_info.h"

namespace {

constexpr std::string_view identifierKey = "CFBundleIdentifier";
constexpr std::string_view nameKey = "CFBundleName";
constexpr std::string_view versionKey = "CFBundleShortVersionString";
constexpr std::string_view authorKey = "TonnixSetAuthor";
constexpr std::string_view copyrightKey = "NSHumanReadableCopyright";
constexpr std::string_view formatVersionKey = "TonnixSetFormatVersion";
constexpr std::string_view packageTypeKey = "CFBundlePackageType";
constexpr std::string_view dictionaryVersionKey = "CFBundleInfoDictionaryVersion";
constexpr std::string_view soundsKey = "TonnixSetSounds";

}  // namespace

TonnixExpected<TonnixBundleInfo, TonnixBundleInfoError> readBundleInfo(
    std::string_view bytes, std::string_view fallbackName) {
  const auto plist = TonnixPropertyList::parseDictionary(bytes);
  if (!plist) return unexpected(TonnixBundleInfoError::malformed);
  auto identifier = plist->string(identifierKey);
  if (!identifier || identifier->empty()) {
    return unexpected(TonnixBundleInfoError::missingIdentifier);
  }
  TonnixBundleInfo info;
  info.metadata.identifier = std::move(*identifier);
  info.metadata.name = plist->string(nameKey).value_or(std::string(fallbackName));
  info.metadata.version = plist->string(versionKey);
  info.metadata.author = plist->string(authorKey);
  info.metadata.copyright = plist->string(copyrightKey);
  info.metadata.formatVersion = plist->integer(formatVersionKey).value_or(tonnixSetFormatVersion);
  info.explicitSounds = plist->stringDictionary(soundsKey);
  return info;
}

TonnixPropertyList bundleInfoDictionary(const TonnixBundleMetadata& metadata,
                                        const std::map<TonnixSoundID, std::string>* sounds) {
  TonnixPropertyList plist;
  plist.setString(identifierKey, metadata.identifier);
  plist.setString(nameKey, metadata.name);
  plist.setString(packageTypeKey, "TNXS");
  plist.setString(dictionaryVersionKey, "6.0");
  plist.setInteger(formatVersionKey, metadata.formatVersion);
  if (metadata.version) plist.setString(versionKey, *metadata.version);
  if (metadata.author) plist.setString(authorKey, *metadata.author);
  if (metadata.copyright) plist.setString(copyrightKey, *metadata.copyright);
  if (sounds && !sounds->empty()) {
    TonnixPropertyList::StringPairs entries;
    for (const auto& [soundID, fileName] : *sounds) {
      entries.emplace_back(soundID.description(), fileName);
    }
    plist.setStringDictionary(soundsKey, entries);
  }
  return plist;
}

std::optional<std::string> bundleIdentifier(const TonnixPropertyList& info) {
  return info.string(identifierKey);
}

void reidentifyBundleInfo(TonnixPropertyList& info, std::string_view identifier,
                          std::string_view name) {
  info.setString(identifierKey, identifier);
  if (!info.contains(nameKey)) info.setString(nameKey, name);
}
