#include "classic/apple_double.h"

#include "classic/byte_view.h"

namespace {

constexpr std::uint32_t kAppleSingleMagic = 0x00051600;
constexpr std::uint32_t kAppleDoubleMagic = 0x00051607;
constexpr std::uint32_t kVersion1 = 0x00010000;
constexpr std::uint32_t kVersion2 = 0x00020000;
constexpr std::uint32_t kResourceForkEntry = 2;
constexpr std::uint64_t kEntryCountOffset = 24;
constexpr std::uint64_t kEntrySize = 12;

bool hasAppleDoubleHeader(const TonnixByteView& file) {
  const auto magic = file.u32(0);
  const auto version = file.u32(4);
  if (!magic || (*magic != kAppleSingleMagic && *magic != kAppleDoubleMagic)) return false;
  return version && (*version == kVersion1 || *version == kVersion2);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> appleDoubleResourceFork(
    std::span<const std::uint8_t> fileBytes) {
  const TonnixByteView file(fileBytes);
  if (!hasAppleDoubleHeader(file)) return std::nullopt;
  const auto entryCount = file.u16(kEntryCountOffset);
  if (!entryCount) return std::nullopt;
  for (std::uint64_t index = 0; index < *entryCount; ++index) {
    const std::uint64_t entry = kEntryCountOffset + 2 + index * kEntrySize;
    const auto id = file.u32(entry);
    const auto offset = file.u32(entry + 4);
    const auto length = file.u32(entry + 8);
    if (!id || !offset || !length) return std::nullopt;
    if (*id != kResourceForkEntry) continue;
    const auto fork = file.slice(*offset, *length);
    if (!fork || fork->empty()) return std::nullopt;
    return std::vector<std::uint8_t>(fork->begin(), fork->end());
  }
  return std::nullopt;
}
