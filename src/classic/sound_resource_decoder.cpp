#include "classic/sound_resource_decoder.h"

#include <algorithm>
#include <array>
#include <limits>

#include "classic/byte_view.h"

namespace {

constexpr std::uint16_t kSoundOrBufferCommand = 0x50;  // 80 and 81 with the data-offset flag
constexpr std::uint16_t kCommandMask = 0x7FFE;
constexpr std::uint64_t kCommandSize = 8;
constexpr std::uint64_t kStandardDataOffset = 22;
constexpr std::uint64_t kExtendedDataOffset = 64;
constexpr std::uint8_t kStandardEncoding = 0x00;
constexpr std::uint8_t kExtendedEncoding = 0xFF;
constexpr std::uint8_t kCompressedEncoding = 0xFE;

// Where the commands start: after the modifiers of format 1, or after the
// reference count of format 2.
std::optional<std::uint64_t> commandCountOffset(const TonnixByteView& resource) {
  const auto format = resource.u16(0);
  if (format == 2) return 4;
  if (format != 1) return std::nullopt;
  const auto modifiers = resource.u16(2);
  if (!modifiers) return std::nullopt;
  return 4 + 6 * std::uint64_t{*modifiers};
}

// The header offset of the last sound or buffer command among those that
// lie wholly inside the resource.
std::optional<std::uint64_t> soundHeaderOffset(const TonnixByteView& resource) {
  const auto countOffset = commandCountOffset(resource);
  if (!countOffset) return std::nullopt;
  const auto count = resource.u16(*countOffset);
  if (!count || *count == 0) return std::nullopt;
  std::optional<std::uint64_t> header;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const std::uint64_t command = *countOffset + 2 + i * kCommandSize;
    if (!resource.contains(command, kCommandSize)) break;
    if ((*resource.u16(command) & kCommandMask) == kSoundOrBufferCommand) {
      header = *resource.u32(command + 4);
    }
  }
  return header;
}

void appendOffsetBinary(std::span<const std::uint8_t> bytes, std::vector<std::int16_t>& samples) {
  for (const auto byte : bytes) {
    samples.push_back(static_cast<std::int16_t>((byte << 8) ^ 0x8000));
  }
}

const std::array<std::int16_t, 256>& muLawTable() {
  static const auto table = [] {
    std::array<std::int16_t, 256> values{};
    for (int u = 0; u < 256; ++u) {
      const int inverted = ~u & 0xFF;
      const int t = ((inverted & 0x0F) * 8 + 0x84) << ((inverted & 0x70) / 16);
      values[u] = static_cast<std::int16_t>(u > 127 ? t - 0x84 : 0x84 - t);
    }
    return values;
  }();
  return table;
}

struct SoundHeader {
  TonnixByteView resource;
  std::uint64_t offset;
  double sampleRate;
};

std::optional<TonnixDecodedSound> decodeStandard(const SoundHeader& header) {
  const auto length = *header.resource.u32(header.offset + 4);
  const std::uint64_t start = header.offset + kStandardDataOffset;
  const std::uint64_t count = std::min<std::uint64_t>(length, header.resource.size() - start);
  if (count == 0) return std::nullopt;
  TonnixDecodedSound sound{{}, header.sampleRate, 1};
  sound.samples.reserve(count);
  appendOffsetBinary(*header.resource.slice(start, count), sound.samples);
  return sound;
}

// Channels and the frames × channels total of an extended or compressed
// header; nothing when the total would not fit a signed 64-bit count.
struct SampleLayout {
  std::uint32_t channels;
  std::int64_t total;
  std::int64_t available;  // bytes from the sample data to the end, may be negative
};

std::optional<SampleLayout> sampleLayout(const SoundHeader& header) {
  const auto channelField = *header.resource.u32(header.offset + 4);
  const auto frames = header.resource.u32(header.offset + 22);
  if (!frames) return std::nullopt;
  const std::uint32_t channels = channelField == 0 ? 1 : channelField;
  const std::uint64_t total = std::uint64_t{*frames} * channels;
  if (total > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    return std::nullopt;
  }
  const auto available = static_cast<std::int64_t>(header.resource.size()) -
                         static_cast<std::int64_t>(header.offset + kExtendedDataOffset);
  return SampleLayout{channels, static_cast<std::int64_t>(total), available};
}

std::optional<TonnixDecodedSound> decodeEightBit(const SoundHeader& header,
                                                 const SampleLayout& layout) {
  if (layout.available < 0) return std::nullopt;
  const auto count = std::min(layout.total, layout.available);
  if (count <= 0) return std::nullopt;
  TonnixDecodedSound sound{{}, header.sampleRate, layout.channels};
  sound.samples.reserve(static_cast<std::size_t>(count));
  appendOffsetBinary(*header.resource.slice(header.offset + kExtendedDataOffset, count),
                     sound.samples);
  return sound;
}

std::optional<TonnixDecodedSound> decodeSixteenBit(const SoundHeader& header,
                                                   const SampleLayout& layout) {
  if (layout.available < -1) return std::nullopt;
  const auto count = std::min(layout.total, layout.available / 2);
  if (count <= 0) return std::nullopt;
  TonnixDecodedSound sound{{}, header.sampleRate, layout.channels};
  sound.samples.reserve(static_cast<std::size_t>(count));
  const std::uint64_t start = header.offset + kExtendedDataOffset;
  for (std::int64_t i = 0; i < count; ++i) {
    sound.samples.push_back(
        static_cast<std::int16_t>(*header.resource.u16(start + 2 * static_cast<std::uint64_t>(i))));
  }
  return sound;
}

std::optional<TonnixDecodedSound> decodeExtended(const SoundHeader& header) {
  const auto layout = sampleLayout(header);
  const auto sampleSize = header.resource.u16(header.offset + 48);
  if (!layout || !sampleSize) return std::nullopt;
  switch (*sampleSize) {
    case 8:
      return decodeEightBit(header, *layout);
    case 16:
      return decodeSixteenBit(header, *layout);
    case 0: {
      // Unset by some writers: 16-bit when the data holds that much.
      const bool sixteen = layout->total > 0 && layout->available / 2 >= layout->total;
      return sixteen ? decodeSixteenBit(header, *layout) : decodeEightBit(header, *layout);
    }
    default:
      return std::nullopt;
  }
}

std::optional<TonnixDecodedSound> decodeCompressed(const SoundHeader& header) {
  const auto layout = sampleLayout(header);
  const auto format = header.resource.slice(header.offset + 40, 4);
  if (!layout || !format) return std::nullopt;
  static constexpr std::uint8_t kMuLaw[] = {'u', 'l', 'a', 'w'};
  if (!std::equal(format->begin(), format->end(), std::begin(kMuLaw))) return std::nullopt;
  const auto count = std::min(layout->total, std::max<std::int64_t>(layout->available, 0));
  if (count <= 0) return std::nullopt;
  const auto& table = muLawTable();
  TonnixDecodedSound sound{{}, header.sampleRate, layout->channels};
  sound.samples.reserve(static_cast<std::size_t>(count));
  const auto data = *header.resource.slice(header.offset + kExtendedDataOffset, count);
  for (const auto byte : data) sound.samples.push_back(table[byte]);
  return sound;
}

}  // namespace

std::optional<TonnixDecodedSound> decodeSoundResource(std::span<const std::uint8_t> bytes) {
  const TonnixByteView resource(bytes);
  const auto offset = soundHeaderOffset(resource);
  if (!offset || !resource.contains(*offset, kStandardDataOffset)) return std::nullopt;
  const auto rate = *resource.u32(*offset + 8);
  // A rate of zero cannot be played or written; it costs this sound only.
  if (rate == 0) return std::nullopt;
  const SoundHeader header{resource, *offset, rate / 65536.0};
  switch (*resource.u8(*offset + 20)) {
    case kStandardEncoding:
      return decodeStandard(header);
    case kExtendedEncoding:
      return decodeExtended(header);
    case kCompressedEncoding:
      return decodeCompressed(header);
    default:
      return std::nullopt;
  }
}
