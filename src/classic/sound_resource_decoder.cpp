#include "classic/sound_resource_decoder.h"

#include <algorithm>

#include "classic/byte_view.h"
#include "classic/g711_decoder.h"
#include "classic/ima4_decoder.h"
#include "classic/linear_pcm_decoder.h"
#include "classic/mace_decoder.h"

namespace {

constexpr std::uint16_t kSoundOrBufferCommand = 0x50;  // 80 and 81 with the data-offset flag
constexpr std::uint16_t kCommandMask = 0x7FFE;
constexpr std::uint64_t kCommandSize = 8;
constexpr std::uint64_t kStandardDataOffset = 22;
constexpr std::uint64_t kExtendedDataOffset = 64;
constexpr std::uint8_t kStandardEncoding = 0x00;
constexpr std::uint8_t kExtendedEncoding = 0xFF;
constexpr std::uint8_t kCompressedEncoding = 0xFE;
constexpr std::uint32_t kOneHertz = 0x10000;  // rates are unsigned 16.16 fixed point
// Over twelve minutes of 44.1 kHz sound, far beyond any interface sound;
// the rest of a longer one is left out, so that a compressed fork of tens of
// megabytes cannot decode into hundreds.
constexpr std::uint64_t kMaximumSamples = std::uint64_t{32} << 20;

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

struct SoundHeader {
  TonnixByteView resource;
  std::uint64_t offset;
  double sampleRate;
};

// Only whole frames are kept: a sound whose channel count exceeds its
// samples is none.
std::optional<TonnixDecodedSound> soundOf(const SoundHeader& header, std::uint32_t channels,
                                          std::vector<std::int16_t> samples) {
  samples.resize(samples.size() / channels * channels);
  if (samples.empty()) return std::nullopt;
  return TonnixDecodedSound{std::move(samples), header.sampleRate, channels};
}

std::optional<TonnixDecodedSound> decodeStandard(const SoundHeader& header) {
  const auto length =
      std::min<std::uint64_t>(*header.resource.u32(header.offset + 4), kMaximumSamples);
  const auto data = header.resource.bytes().subspan(header.offset + kStandardDataOffset);
  return soundOf(header, 1, decodeLinearPcm(data, TonnixPcmEncoding::unsigned8, length));
}

// The fields of an extended or compressed header that shape its data.
struct SampleLayout {
  std::uint32_t channels;
  std::uint32_t frames;  // packets, for the compressed formats that pack several frames
  std::span<const std::uint8_t> data;

  std::uint64_t samples() const { return std::uint64_t{frames} * channels; }

  // At most the frames that decode to kMaximumSamples, each frame giving
  // `samplesPerFrame` samples per channel.
  SampleLayout bounded(std::uint64_t samplesPerFrame) const {
    const std::uint64_t most = kMaximumSamples / (std::uint64_t{channels} * samplesPerFrame);
    return {channels, static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, most)), data};
  }
};

std::optional<SampleLayout> sampleLayout(const SoundHeader& header) {
  if (!header.resource.contains(header.offset, kExtendedDataOffset)) return std::nullopt;
  const auto channelField = *header.resource.u32(header.offset + 4);
  return SampleLayout{channelField == 0 ? 1 : channelField,
                      *header.resource.u32(header.offset + 22),
                      header.resource.bytes().subspan(header.offset + kExtendedDataOffset)};
}

std::optional<TonnixDecodedSound> decodeExtended(const SoundHeader& header) {
  auto layout = sampleLayout(header);
  if (!layout) return std::nullopt;
  layout = layout->bounded(1);
  auto encoding = TonnixPcmEncoding::unsigned8;
  switch (*header.resource.u16(header.offset + 48)) {
    case 8:
      break;
    case 16:
      encoding = TonnixPcmEncoding::signed16BigEndian;
      break;
    case 0:
      // Unset by some writers: 16-bit when the data holds that much.
      if (layout->samples() > 0 && layout->data.size() / 2 >= layout->samples()) {
        encoding = TonnixPcmEncoding::signed16BigEndian;
      }
      break;
    default:
      return std::nullopt;
  }
  return soundOf(header, layout->channels,
                 decodeLinearPcm(layout->data, encoding, layout->samples()));
}

constexpr std::uint32_t fourCharCode(const char (&code)[5]) {
  return std::uint32_t{static_cast<std::uint8_t>(code[0])} << 24 |
         std::uint32_t{static_cast<std::uint8_t>(code[1])} << 16 |
         std::uint32_t{static_cast<std::uint8_t>(code[2])} << 8 |
         std::uint32_t{static_cast<std::uint8_t>(code[3])};
}

// Older sounds leave the format empty and name MACE by the compression ID.
std::uint32_t compressionFormat(const SoundHeader& header) {
  const auto format = *header.resource.u32(header.offset + 40);
  if (format != 0) return format;
  switch (static_cast<std::int16_t>(*header.resource.u16(header.offset + 56))) {
    case 3:
      return fourCharCode("MAC3");
    case 4:
      return fourCharCode("MAC6");
    default:
      return 0;
  }
}

// How many samples per channel one frame (or packet) of the format decodes to.
std::uint64_t samplesPerFrame(std::uint32_t format) {
  switch (format) {
    case fourCharCode("ima4"):
      return 64;
    case fourCharCode("MAC3"):
    case fourCharCode("MAC6"):
      return 6;
    default:
      return 1;
  }
}

std::vector<std::int16_t> decodeCompressedData(const SoundHeader& header,
                                               const SampleLayout& whole) {
  const SampleLayout layout = whole.bounded(samplesPerFrame(compressionFormat(header)));
  const auto pcm = [&](TonnixPcmEncoding encoding) {
    return decodeLinearPcm(layout.data, encoding, layout.samples());
  };
  switch (compressionFormat(header)) {
    case fourCharCode("ima4"):
      return decodeIma4(layout.data, layout.channels, layout.frames);
    case fourCharCode("MAC3"):
      return decodeMace(layout.data, layout.channels, layout.frames, TonnixMaceRatio::threeToOne);
    case fourCharCode("MAC6"):
      return decodeMace(layout.data, layout.channels, layout.frames, TonnixMaceRatio::sixToOne);
    case fourCharCode("ulaw"):
      return decodeG711(layout.data, TonnixG711Law::muLaw, layout.samples());
    case fourCharCode("alaw"):
      return decodeG711(layout.data, TonnixG711Law::aLaw, layout.samples());
    case fourCharCode("raw "):
      return pcm(TonnixPcmEncoding::unsigned8);
    case fourCharCode("twos"):
      return pcm(*header.resource.u16(header.offset + 62) == 8
                     ? TonnixPcmEncoding::signed8
                     : TonnixPcmEncoding::signed16BigEndian);
    case fourCharCode("sowt"):
      return pcm(TonnixPcmEncoding::signed16LittleEndian);
    case fourCharCode("in24"):
      return pcm(TonnixPcmEncoding::signed24BigEndian);
    case fourCharCode("in32"):
      return pcm(TonnixPcmEncoding::signed32BigEndian);
    case fourCharCode("fl32"):
      return pcm(TonnixPcmEncoding::float32BigEndian);
    case fourCharCode("fl64"):
      return pcm(TonnixPcmEncoding::float64BigEndian);
    default:
      return {};
  }
}

std::optional<TonnixDecodedSound> decodeCompressed(const SoundHeader& header) {
  const auto layout = sampleLayout(header);
  if (!layout) return std::nullopt;
  return soundOf(header, layout->channels, decodeCompressedData(header, *layout));
}

}  // namespace

std::optional<TonnixDecodedSound> decodeSoundResource(std::span<const std::uint8_t> bytes) {
  const TonnixByteView resource(bytes);
  const auto offset = soundHeaderOffset(resource);
  if (!offset || !resource.contains(*offset, kStandardDataOffset)) return std::nullopt;
  const auto rate = *resource.u32(*offset + 8);
  // Below 1 Hz a sound cannot be played or written; it costs this sound only.
  if (rate < kOneHertz) return std::nullopt;
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
