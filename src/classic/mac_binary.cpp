#include "classic/mac_binary.h"

#include <algorithm>

#include "classic/byte_view.h"
#include "classic/crc_ccitt.h"

namespace {

constexpr std::uint64_t kHeaderSize = 128;
constexpr std::uint64_t kNameLengthOffset = 1;
constexpr std::uint64_t kLongestName = 63;
constexpr std::uint64_t kDataLengthOffset = 83;
constexpr std::uint64_t kResourceLengthOffset = 87;
constexpr std::uint64_t kCommentLengthOffset = 99;
constexpr std::uint64_t kSecondaryHeaderLengthOffset = 120;
constexpr std::uint64_t kCrcOffset = 124;

std::uint64_t padded(std::uint64_t length) {
  return (length + 127) / 128 * 128;
}

// Zero fields that every version keeps zero.
bool hasZeroMarkers(std::span<const std::uint8_t> header) {
  return header[0] == 0 && header[74] == 0 && header[82] == 0;
}

bool hasValidCrc(const TonnixByteView& file) {
  return crcCcitt(file.bytes().first(kCrcOffset)) == file.u16(kCrcOffset);
}

// Version I left the fields that later versions use at zero.
bool looksLikeVersionOne(std::span<const std::uint8_t> header) {
  return std::all_of(header.begin() + kCommentLengthOffset, header.begin() + kHeaderSize,
                     [](std::uint8_t byte) { return byte == 0; });
}

}  // namespace

std::optional<std::vector<std::uint8_t>> macBinaryResourceFork(
    std::span<const std::uint8_t> fileBytes) {
  const TonnixByteView file(fileBytes);
  if (file.size() < kHeaderSize) return std::nullopt;
  const auto header = fileBytes.first(kHeaderSize);
  const std::uint64_t nameLength = header[kNameLengthOffset];
  if (!hasZeroMarkers(header) || nameLength == 0 || nameLength > kLongestName) return std::nullopt;

  const bool versionTwoOrLater = hasValidCrc(file);
  if (!versionTwoOrLater && !looksLikeVersionOne(header)) return std::nullopt;

  const std::uint64_t secondaryHeader =
      versionTwoOrLater ? *file.u16(kSecondaryHeaderLengthOffset) : 0;
  const std::uint64_t comment = versionTwoOrLater ? *file.u16(kCommentLengthOffset) : 0;
  const std::uint64_t dataLength = *file.u32(kDataLengthOffset);
  const std::uint64_t resourceLength = *file.u32(kResourceLengthOffset);
  const std::uint64_t resourceStart = kHeaderSize + padded(secondaryHeader) + padded(dataLength);

  // The forks must account for the file: not shorter, and no longer than
  // full padding plus the Get Info comment that version II may append.
  const std::uint64_t shortest = resourceStart + resourceLength;
  const std::uint64_t longest = resourceStart + padded(resourceLength) + padded(comment);
  if (file.size() < shortest || file.size() > longest) return std::nullopt;
  if (resourceLength == 0) return std::nullopt;
  const auto fork = *file.slice(resourceStart, resourceLength);
  return std::vector<std::uint8_t>(fork.begin(), fork.end());
}
