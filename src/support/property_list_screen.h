#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

// A look at untrusted property-list bytes before libplist parses them.
// libplist 2.2 recurses once per nesting level (a deeply nested file
// overflows the stack), and aborts on a binary-list string or key holding a
// NUL character. The screen refuses such input: nesting deeper than
// `maximumDepth`; and for binary lists any offset or reference out of range,
// any string holding NUL, or more references than the file has bytes (a
// list that shares one container many times over). Pure C++, no allocation
// beyond the walk's own stack.
namespace tonnix_plist_screen {

inline std::uint64_t readBigEndian(std::string_view bytes, std::size_t at, std::size_t width) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) {
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  }
  return value;
}

// Counts how deeply <array> and <dict> elements nest. Tags in comments count
// too, which only errs on the careful side.
inline bool xmlNestingWithin(std::string_view text, int maximumDepth) {
  int depth = 0;
  for (std::size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
    const std::string_view tag = text.substr(at + 1);
    const bool closing = tag.starts_with('/');
    const std::string_view name = closing ? tag.substr(1) : tag;
    const std::size_t length = name.starts_with("array") ? 5 : name.starts_with("dict") ? 4 : 0;
    if (length == 0 || name.size() <= length) continue;
    const char next = name[length];
    if (next != '>' && next != '/' && next != ' ' && next != '\t' && next != '\r' && next != '\n') {
      continue;
    }
    if (closing) {
      --depth;
      continue;
    }
    const std::size_t end = name.find('>');
    if (end != std::string_view::npos && end > 0 && name[end - 1] == '/') continue;
    if (++depth > maximumDepth) return false;
  }
  return true;
}

// One binary-list object: its marker's count, following an extended count
// when the low nibble is 0xF. Returns the position after the count, or 0.
inline std::size_t objectCount(std::string_view bytes, std::size_t at, std::size_t limit,
                               std::uint64_t& count) {
  count = static_cast<unsigned char>(bytes[at]) & 0x0F;
  ++at;
  if (count != 0x0F) return at;
  if (at >= limit) return 0;
  const unsigned char intMarker = static_cast<unsigned char>(bytes[at]);
  if ((intMarker & 0xF0) != 0x10 || (intMarker & 0x0F) > 3) return 0;
  const std::size_t width = std::size_t{1} << (intMarker & 0x0F);
  if (at + 1 + width > limit) return 0;
  count = readBigEndian(bytes, at + 1, width);
  return at + 1 + width;
}

inline bool binaryWithin(std::string_view bytes, int maximumDepth) {
  constexpr std::size_t trailerSize = 32;
  if (bytes.size() < 8 + trailerSize) return false;
  const std::size_t trailer = bytes.size() - trailerSize;
  const std::size_t offsetSize = static_cast<unsigned char>(bytes[trailer + 6]);
  const std::size_t refSize = static_cast<unsigned char>(bytes[trailer + 7]);
  const std::uint64_t objects = readBigEndian(bytes, trailer + 8, 8);
  const std::uint64_t top = readBigEndian(bytes, trailer + 16, 8);
  const std::uint64_t table = readBigEndian(bytes, trailer + 24, 8);
  if (offsetSize == 0 || offsetSize > 8 || refSize == 0 || refSize > 8) return false;
  if (objects == 0 || objects > trailer || top >= objects || table > trailer) return false;
  if ((trailer - table) / offsetSize < objects) return false;

  // Each visit and each reference spends one unit: a walk never costs more
  // than the file has bytes.
  std::uint64_t budget = bytes.size();
  std::vector<std::pair<std::uint64_t, int>> pending = {{top, 1}};
  while (!pending.empty()) {
    const auto [object, depth] = pending.back();
    pending.pop_back();
    if (budget-- == 0 || depth > maximumDepth || object >= objects) return false;
    const std::uint64_t offset =
        readBigEndian(bytes, static_cast<std::size_t>(table + object * offsetSize), offsetSize);
    if (offset < 8 || offset >= table) return false;
    const auto at = static_cast<std::size_t>(offset);
    const unsigned type = static_cast<unsigned char>(bytes[at]) >> 4;
    std::uint64_t count = 0;
    const std::size_t start = objectCount(bytes, at, table, count);
    if (start == 0) return false;
    const std::uint64_t room = table - start;
    if (type == 0x5) {
      if (count > room || bytes.substr(start, count).find('\0') != std::string_view::npos) {
        return false;
      }
    } else if (type == 0x6) {
      if (count > room / 2) return false;
      for (std::uint64_t i = 0; i < count; ++i) {
        if (readBigEndian(bytes, static_cast<std::size_t>(start + 2 * i), 2) == 0) return false;
      }
    } else if (type == 0xA || type == 0xC || type == 0xD) {
      const std::uint64_t refs = type == 0xD ? count * 2 : count;
      if (count > room || refs > room / refSize || refs > budget) return false;
      budget -= refs;
      for (std::uint64_t i = 0; i < refs; ++i) {
        const auto child =
            readBigEndian(bytes, static_cast<std::size_t>(start + i * refSize), refSize);
        pending.emplace_back(child, depth + 1);
      }
    }
  }
  return true;
}

}  // namespace tonnix_plist_screen

// True when libplist may be given `bytes`; see above.
inline bool isSafePropertyList(std::string_view bytes, int maximumDepth = 32) {
  if (bytes.starts_with("bplist")) return tonnix_plist_screen::binaryWithin(bytes, maximumDepth);
  return tonnix_plist_screen::xmlNestingWithin(bytes, maximumDepth);
}
