#include "classic/ima4_decoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

constexpr std::array<std::int16_t, 89> kStepSizes = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int, 8> kIndexSteps = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kLargestStepIndex = 88;

struct ChannelState {
  int predictor = 0;
  int stepIndex = 0;

  // The header keeps only the predictor's top nine bits. When it agrees
  // with where the previous packet ended, that exact value goes on, as
  // Apple's decoder does, so packets join without a step.
  void start(std::uint16_t header) {
    const int predictorTop = static_cast<std::int16_t>(header & 0xFF80);
    const int index = std::min<int>(header & 0x7F, kLargestStepIndex);
    if (index == stepIndex && std::abs(predictorTop - predictor) <= 0x7F) return;
    predictor = predictorTop;
    stepIndex = index;
  }

  std::int16_t expand(unsigned code) {
    const int step = kStepSizes[static_cast<std::size_t>(stepIndex)];
    int difference = step >> 3;
    if (code & 4) difference += step;
    if (code & 2) difference += step >> 1;
    if (code & 1) difference += step >> 2;
    predictor =
        std::clamp(code & 8 ? predictor - difference : predictor + difference, -32768, 32767);
    stepIndex = std::clamp(stepIndex + kIndexSteps[code & 7], 0, kLargestStepIndex);
    return static_cast<std::int16_t>(predictor);
  }
};

}  // namespace

std::vector<std::int16_t> decodeIma4(std::span<const std::uint8_t> body, std::uint32_t channels,
                                     std::uint64_t packets) {
  if (channels == 0) return {};
  const std::uint64_t groupBytes = kIma4PacketBytes * channels;
  const std::uint64_t groups = std::min<std::uint64_t>(packets, body.size() / groupBytes);
  if (groups == 0) return {};
  std::vector<std::int16_t> samples(groups * kIma4FramesPerPacket * channels);
  // One channel at a time, its state a local the compiler keeps in registers.
  for (std::uint32_t channel = 0; channel < channels; ++channel) {
    ChannelState state;
    const std::uint8_t* packet = body.data() + channel * kIma4PacketBytes;
    std::int16_t* out = samples.data() + channel;
    for (std::uint64_t group = 0; group < groups; ++group, packet += groupBytes) {
      state.start(static_cast<std::uint16_t>(packet[0] << 8 | packet[1]));
      for (std::uint64_t i = 2; i < kIma4PacketBytes; ++i) {
        *out = state.expand(packet[i] & 0x0F);
        out += channels;
        *out = state.expand(packet[i] >> 4);
        out += channels;
      }
    }
  }
  return samples;
}
