#pragma once

#include <cstdint>
#include <span>
#include <vector>

// MACE, the Macintosh Audio Compression/Expansion of the Sound Manager:
// every packet carries six samples of one channel, in two bytes at 3:1
// ('MAC3') or one byte at 6:1 ('MAC6'); each group of packets holds one
// per channel, in channel order.
enum class TonnixMaceRatio { threeToOne, sixToOne };

inline constexpr std::uint64_t kMaceFramesPerPacket = 6;

// Bytes of one channel's packet at `ratio`.
constexpr std::uint64_t macePacketBytes(TonnixMaceRatio ratio) {
  return ratio == TonnixMaceRatio::threeToOne ? 2 : 1;
}

// Decodes the first `packets` packet groups of `body` (fewer when the body
// ends sooner) into interleaved 16-bit samples. Only whole groups count.
std::vector<std::int16_t> decodeMace(std::span<const std::uint8_t> body, std::uint32_t channels,
                                     std::uint64_t packets, TonnixMaceRatio ratio);
