#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Linear PCM decoded from one classic 'snd ' resource.
struct TonnixDecodedSound {
  std::vector<std::int16_t> samples;  // frames in order, channels interleaved
  double sampleRate = 0;
  std::uint32_t channelCount = 1;

  friend bool operator==(const TonnixDecodedSound&, const TonnixDecodedSound&) = default;
};

// Decodes the bytes of a 'snd ' resource of format 1 or 2: the last sound or
// buffer command names the sampled-sound header, which may be standard
// (8-bit), extended (8- or 16-bit, any channel count) or compressed: IMA
// 4:1, MACE 3:1 and 6:1, μ-law, A-law, or uncompressed samples the format
// names ('raw ', 'twos', 'sowt', 'in24', 'in32', 'fl32', 'fl64'). Anything
// else, anything malformed and a rate below 1 Hz yield nothing; data shorter
// than the header promises is cut to the whole frames (or packets) there,
// and a sound longer than 32 Mi samples to its beginning.
std::optional<TonnixDecodedSound> decodeSoundResource(std::span<const std::uint8_t> resource);
