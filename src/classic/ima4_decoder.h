#pragma once

#include <cstdint>
#include <span>
#include <vector>

// IMA ADPCM as QuickTime and the Sound Manager stored it ('ima4'): packets
// of 34 bytes, a 2-byte header (the predictor's top nine bits and a step
// index) and 64 four-bit codes, low nibble first. Each group of 64 frames
// holds one packet per channel, in channel order.
inline constexpr std::uint64_t kIma4PacketBytes = 34;
inline constexpr std::uint64_t kIma4FramesPerPacket = 64;

// Decodes the first `packets` packet groups of `body` (fewer when the body
// ends sooner) into interleaved 16-bit samples. Only whole groups count.
std::vector<std::int16_t> decodeIma4(std::span<const std::uint8_t> body, std::uint32_t channels,
                                     std::uint64_t packets);
