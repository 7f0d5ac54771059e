#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Uncompressed sample encodings of classic sounds, all big-endian but
// 'sowt'. Each becomes 16-bit as FFmpeg and Core Audio convert them: wider
// integers keep their top 16 bits, floats are scaled by 32768, rounded to
// nearest and clipped.
enum class TonnixPcmEncoding {
  unsigned8,             // 'raw ' and the standard header: offset binary
  signed8,               // 'twos' at 8 bits
  signed16BigEndian,     // 'twos'
  signed16LittleEndian,  // 'sowt'
  signed24BigEndian,     // 'in24'
  signed32BigEndian,     // 'in32'
  float32BigEndian,      // 'fl32'
  float64BigEndian,      // 'fl64'
};

std::uint64_t pcmSampleBytes(TonnixPcmEncoding encoding);

// The first `count` samples of `body` (fewer when it ends sooner), in order.
std::vector<std::int16_t> decodeLinearPcm(std::span<const std::uint8_t> body,
                                          TonnixPcmEncoding encoding, std::uint64_t count);
