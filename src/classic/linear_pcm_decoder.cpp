#include "classic/linear_pcm_decoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>

namespace {

using Encoding = TonnixPcmEncoding;

std::int16_t topSixteen(const std::uint8_t* bytes) {
  return static_cast<std::int16_t>(bytes[0] << 8 | bytes[1]);
}

template <typename Word>
Word bigEndian(const std::uint8_t* bytes) {
  Word value;
  std::memcpy(&value, bytes, sizeof value);
  if constexpr (std::endian::native == std::endian::little) {
    if constexpr (sizeof(Word) == 4) return __builtin_bswap32(value);
    if constexpr (sizeof(Word) == 8) return __builtin_bswap64(value);
  }
  return value;
}

// Adding and taking away 1.5 × 2^mantissa bits rounds to nearest even in
// the current rounding mode, as lrint does, without a library call.
template <typename Float>
constexpr Float kRoundingBias =
    std::is_same_v<Float, float> ? Float{12582912.0} : Float{6755399441055744.0};

// Rounded to nearest even within the 16-bit range; not-a-number becomes
// -32768, as in FFmpeg. The lower bound comes first so that it is what a
// comparison with not-a-number keeps.
template <typename Float>
std::int16_t scaled(Float value) {
  const Float clipped = std::min(std::max(Float{-32768}, value * Float{32768}), Float{32767});
  return static_cast<std::int16_t>((clipped + kRoundingBias<Float>)-kRoundingBias<Float>);
}

template <typename Convert>
void convertEach(const std::uint8_t* bytes, std::uint64_t size, std::vector<std::int16_t>& out,
                 Convert convert) {
  for (auto& sample : out) {
    sample = convert(bytes);
    bytes += size;
  }
}

}  // namespace

std::uint64_t pcmSampleBytes(TonnixPcmEncoding encoding) {
  switch (encoding) {
    case Encoding::unsigned8:
    case Encoding::signed8:
      return 1;
    case Encoding::signed16BigEndian:
    case Encoding::signed16LittleEndian:
      return 2;
    case Encoding::signed24BigEndian:
      return 3;
    case Encoding::signed32BigEndian:
    case Encoding::float32BigEndian:
      return 4;
    case Encoding::float64BigEndian:
      return 8;
  }
  return 1;
}

std::vector<std::int16_t> decodeLinearPcm(std::span<const std::uint8_t> body,
                                          TonnixPcmEncoding encoding, std::uint64_t count) {
  const std::uint64_t size = pcmSampleBytes(encoding);
  std::vector<std::int16_t> out(std::min<std::uint64_t>(count, body.size() / size));
  const std::uint8_t* bytes = body.data();
  switch (encoding) {
    case Encoding::unsigned8:
      convertEach(bytes, size, out, [](const std::uint8_t* b) {
        return static_cast<std::int16_t>((*b << 8) ^ 0x8000);
      });
      break;
    case Encoding::signed8:
      convertEach(bytes, size, out,
                  [](const std::uint8_t* b) { return static_cast<std::int16_t>(*b << 8); });
      break;
    case Encoding::signed16LittleEndian:
      convertEach(bytes, size, out, [](const std::uint8_t* b) {
        return static_cast<std::int16_t>(b[1] << 8 | b[0]);
      });
      break;
    case Encoding::signed16BigEndian:
    case Encoding::signed24BigEndian:
    case Encoding::signed32BigEndian:
      convertEach(bytes, size, out, topSixteen);
      break;
    case Encoding::float32BigEndian:
      convertEach(bytes, size, out, [](const std::uint8_t* b) {
        return scaled(std::bit_cast<float>(bigEndian<std::uint32_t>(b)));
      });
      break;
    case Encoding::float64BigEndian:
      convertEach(bytes, size, out, [](const std::uint8_t* b) {
        return scaled(std::bit_cast<double>(bigEndian<std::uint64_t>(b)));
      });
      break;
  }
  return out;
}
