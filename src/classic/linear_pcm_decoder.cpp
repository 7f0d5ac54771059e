#include "classic/linear_pcm_decoder.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

using Encoding = TonnixPcmEncoding;

std::int16_t topSixteen(const std::uint8_t* bytes) {
  return static_cast<std::int16_t>(bytes[0] << 8 | bytes[1]);
}

std::uint64_t bigEndian(const std::uint8_t* bytes, int size) {
  std::uint64_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | bytes[i];
  return value;
}

// Not-a-number is silence; everything else rounds to nearest even within
// the 16-bit range.
template <typename Float>
std::int16_t scaled(Float value) {
  const Float sample = value * Float{32768};
  if (std::isnan(sample)) return 0;
  return static_cast<std::int16_t>(std::lrint(std::clamp(sample, Float{-32768}, Float{32767})));
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
        return scaled(std::bit_cast<float>(static_cast<std::uint32_t>(bigEndian(b, 4))));
      });
      break;
    case Encoding::float64BigEndian:
      convertEach(bytes, size, out, [](const std::uint8_t* b) {
        return scaled(std::bit_cast<double>(bigEndian(b, 8)));
      });
      break;
  }
  return out;
}
