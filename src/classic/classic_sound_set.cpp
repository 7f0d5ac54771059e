#include "classic/classic_sound_set.h"

#include <algorithm>
#include <array>

#include "catalogue/catalogue.h"
#include "classic/byte_view.h"
#include "classic/fork_source.h"
#include "classic/mac_roman.h"

namespace {

using SoundBodies = std::map<std::int16_t, std::vector<std::uint8_t>>;
using Mapping = std::map<TonnixSoundID, std::int16_t>;

std::optional<std::int16_t> slotAt(const TonnixByteView& data, std::uint64_t offset) {
  const auto id = data.u16(offset);
  if (!id || *id == 0) return std::nullopt;
  return static_cast<std::int16_t>(*id);
}

// Slot offsets within an entry of `size` bytes starting at `base`.
std::vector<std::uint64_t> slotOffsets(std::uint64_t base, std::uint64_t size) {
  if (size == 20) return {base + 4, base + 6, base + 8};
  if (size == 44) return {base + 12, base + 20, base + 28, base + 36};
  std::vector<std::uint64_t> offsets;
  for (std::uint64_t offset = base + 4; offset < base + size; offset += 2)
    offsets.push_back(offset);
  return offsets;
}

bool loops(TonnixSoundID id) {
  const auto* entry = entryForSoundID(id);
  return entry && entry->flags.contains(TonnixSoundFlags::loops);
}

// A looping sound's steady loop lives in slotIDs 1 and 2; slot 0 is its start.
std::optional<std::int16_t> chosenSlot(const SoundListEntry& entry, const SoundBodies& bodies) {
  std::vector<std::size_t> order;
  if (loops(entry.soundID)) {
    order = {1, 2, 0, 3};
  } else {
    for (std::size_t i = 0; i < entry.slotIDs.size(); ++i) order.push_back(i);
  }
  for (const auto index : order) {
    if (index >= entry.slotIDs.size()) continue;
    const auto slot = entry.slotIDs[index];
    if (slot && bodies.contains(*slot)) return slot;
  }
  return std::nullopt;
}

void mapFromSoundLists(const TonnixResourceProviding& provider, const SoundBodies& bodies,
                       Mapping& mapping) {
  for (const auto& list : provider.rawResourcesOfType("snd#")) {
    for (const auto& entry : parseSoundList(list.data)) {
      const auto slot = chosenSlot(entry, bodies);
      if (slot) mapping.try_emplace(entry.soundID, *slot);
    }
  }
}

void mapFromSoundIDResources(const TonnixResourceProviding& provider, const SoundBodies& bodies,
                             Mapping& mapping) {
  for (const auto& resource : provider.rawResourcesOfType("sdid")) {
    const auto code = TonnixByteView(resource.data).u32(0);
    if (!code || !bodies.contains(resource.identifier)) continue;
    const TonnixSoundID id(*code);
    if (entryForSoundID(id)) mapping.try_emplace(id, resource.identifier);
  }
}

bool isAscii(char c) {
  return static_cast<unsigned char>(c) < 0x80;
}

bool isBlank(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\u00A0';
}

bool isBlankOrNewline(char32_t c) {
  return isBlank(c) || c == U'\n' || c == U'\r' || c == U'\v' || c == U'\f' || c == U'\u2028' ||
         c == U'\u2029' || c == U'\u0085';
}

// Trims characters matching `strip` at both ends of UTF-8 text. The only
// multi-byte characters considered are those a Mac OS Roman text can hold.
template <typename Predicate>
std::string trimmed(std::string_view text, Predicate strip) {
  const auto leading = [&](std::string_view t) -> std::size_t {
    if (!t.empty() && isAscii(t[0]) && strip(static_cast<unsigned char>(t[0]))) return 1;
    if (t.starts_with("\u00A0") && strip(U'\u00A0')) return 2;
    return 0;
  };
  const auto trailing = [&](std::string_view t) -> std::size_t {
    if (!t.empty() && isAscii(t.back()) && strip(static_cast<unsigned char>(t.back()))) return 1;
    if (t.ends_with("\u00A0") && strip(U'\u00A0')) return 2;
    return 0;
  };
  while (const auto n = leading(text)) text.remove_prefix(n);
  while (const auto n = trailing(text)) text.remove_suffix(n);
  return std::string(text);
}

// The identifier a resource name spells: a piece between slashes whose first
// four characters are four single-byte characters, as in "wcle / Window Close Enter".
void mapFromNames(const TonnixResourceProviding& provider, const SoundBodies& bodies,
                  Mapping& mapping) {
  for (const auto& resource : provider.rawResourcesOfType("snd ")) {
    if (!resource.name || !bodies.contains(resource.identifier)) continue;
    std::string_view rest = *resource.name;
    while (!rest.empty()) {
      const auto slash = rest.find('/');
      const auto piece = trimmed(rest.substr(0, slash), isBlank);
      rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
      if (piece.size() < 4 || !std::all_of(piece.begin(), piece.begin() + 4, isAscii)) continue;
      const TonnixSoundID id(std::uint32_t{static_cast<unsigned char>(piece[0])} << 24 |
                             std::uint32_t{static_cast<unsigned char>(piece[1])} << 16 |
                             std::uint32_t{static_cast<unsigned char>(piece[2])} << 8 |
                             std::uint32_t{static_cast<unsigned char>(piece[3])});
      if (entryForSoundID(id)) mapping.try_emplace(id, resource.identifier);
    }
  }
}

// A Pascal string at `offset`; `next` becomes where the following one starts.
std::optional<std::string> pascalString(const TonnixByteView& data, std::uint64_t offset,
                                        std::uint64_t& next) {
  const auto length = data.u8(offset);
  if (!length) {
    next = offset;
    return std::nullopt;
  }
  const std::uint64_t start = offset + 1;
  const std::uint64_t end = std::min<std::uint64_t>(start + *length, data.size());
  if (start >= end) {
    next = start;
    return std::nullopt;
  }
  next = start + *length;
  return decodeMacRoman(*data.slice(start, end - start));
}

// Line ends made uniform and outer blanks removed; empty text is no text.
std::optional<std::string> cleaned(std::optional<std::string> text) {
  if (!text) return std::nullopt;
  std::string unified;
  for (std::size_t i = 0; i < text->size(); ++i) {
    if ((*text)[i] != '\r') {
      unified += (*text)[i];
    } else if (i + 1 >= text->size() || (*text)[i + 1] != '\n') {
      unified += '\n';
    }
  }
  auto result = trimmed(unified, isBlankOrNewline);
  if (result.empty()) return std::nullopt;
  return result;
}

// 'vers' 1 describes the file; 2 the package it belongs to; else the lowest.
const TonnixRawResource* chosenVersion(const std::vector<TonnixRawResource>& versions) {
  for (const std::int16_t preferred : {1, 2}) {
    for (const auto& version : versions) {
      if (version.identifier == preferred) return &version;
    }
  }
  const auto lowest =
      std::min_element(versions.begin(), versions.end(),
                       [](const auto& a, const auto& b) { return a.identifier < b.identifier; });
  return lowest == versions.end() ? nullptr : &*lowest;
}

void readVersion(const TonnixResourceProviding& provider, TonnixClassicSoundSet& set) {
  const auto versions = provider.rawResourcesOfType("vers");
  const auto* version = chosenVersion(versions);
  if (!version || version->data.size() < 7) return;
  const TonnixByteView data(version->data);
  std::uint64_t next = 0;
  set.version = cleaned(pascalString(data, 6, next));
  set.copyright = cleaned(pascalString(data, next, next));
}

std::string_view reasonText(TonnixClassicSoundSetError::Kind kind) {
  switch (kind) {
    case TonnixClassicSoundSetError::Kind::noResourceFork:
      return " has no resource fork, so it is not a classic sound set";
    case TonnixClassicSoundSetError::Kind::noSoundResources:
      return " has a resource fork but no sounds in it";
    case TonnixClassicSoundSetError::Kind::noRecognisedEvents:
      return " has sounds but none map to a Tonnix event";
  }
  return {};
}

}  // namespace

std::vector<TonnixRawResource> TonnixResourceForkProvider::rawResourcesOfType(
    std::string_view type) const {
  std::vector<TonnixRawResource> raw;
  for (const auto& resource : fork_.resourcesOfType(type)) {
    raw.push_back({resource.identifier, resource.name, resource.data});
  }
  return raw;
}

std::vector<SoundListEntry> parseSoundList(std::span<const std::uint8_t> bytes) {
  const TonnixByteView data(bytes);
  const auto count = data.u16(2);
  if (!count || *count == 0) return {};
  const std::uint64_t entrySize = (data.size() - 4) / *count;
  if (entrySize < 8) return {};
  std::vector<SoundListEntry> entries;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const std::uint64_t base = 4 + i * entrySize;
    if (!data.contains(base, entrySize)) break;
    SoundListEntry entry{TonnixSoundID(*data.u32(base)), {}};
    for (const auto offset : slotOffsets(base, entrySize))
      entry.slotIDs.push_back(slotAt(data, offset));
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string TonnixClassicSoundSetError::description() const {
  return locationFileName(location) + std::string(reasonText(kind));
}

TonnixExpected<TonnixClassicSoundSet, TonnixClassicSoundSetError> TonnixClassicSoundSet::read(
    std::string_view location) {
  using Kind = TonnixClassicSoundSetError::Kind;
  auto fork = TonnixResourceFork::open(location);
  if (!fork)
    return unexpected(TonnixClassicSoundSetError{Kind::noResourceFork, std::string(location)});
  if (!fork->containsResourceType("snd ")) {
    return unexpected(TonnixClassicSoundSetError{Kind::noSoundResources, std::string(location)});
  }
  auto set = read(TonnixResourceForkProvider(std::move(*fork)), locationFileName(location));
  if (set.resourceIDsBySoundID.empty()) {
    return unexpected(TonnixClassicSoundSetError{Kind::noRecognisedEvents, std::string(location)});
  }
  return set;
}

TonnixClassicSoundSet TonnixClassicSoundSet::read(const TonnixResourceProviding& provider,
                                                  std::string name) {
  TonnixClassicSoundSet set;
  set.name = std::move(name);
  for (auto& sound : provider.rawResourcesOfType("snd ")) {
    if (!sound.data.empty())
      set.soundBodies.insert_or_assign(sound.identifier, std::move(sound.data));
  }
  mapFromSoundLists(provider, set.soundBodies, set.resourceIDsBySoundID);
  if (set.resourceIDsBySoundID.empty()) {
    mapFromSoundIDResources(provider, set.soundBodies, set.resourceIDsBySoundID);
  }
  if (set.resourceIDsBySoundID.empty()) {
    mapFromNames(provider, set.soundBodies, set.resourceIDsBySoundID);
  }
  readVersion(provider, set);
  return set;
}
