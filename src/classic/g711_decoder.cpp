#include "classic/g711_decoder.h"

#include <algorithm>
#include <array>

namespace {

using Table = std::array<std::int16_t, 256>;

constexpr Table makeMuLawTable() {
  Table values{};
  for (int u = 0; u < 256; ++u) {
    const int inverted = ~u & 0xFF;
    const int t = ((inverted & 0x0F) * 8 + 0x84) << ((inverted & 0x70) / 16);
    values[static_cast<std::size_t>(u)] = static_cast<std::int16_t>(u > 127 ? t - 0x84 : 0x84 - t);
  }
  return values;
}

// Even bits are inverted on the line; the segment then doubles the step.
constexpr Table makeALawTable() {
  Table values{};
  for (int a = 0; a < 256; ++a) {
    const int flipped = a ^ 0x55;
    const int mantissa = flipped & 0x0F;
    const int segment = (flipped & 0x70) >> 4;
    const int t = segment ? (2 * mantissa + 33) << (segment + 2) : (2 * mantissa + 1) << 3;
    values[static_cast<std::size_t>(a)] = static_cast<std::int16_t>(flipped & 0x80 ? t : -t);
  }
  return values;
}

constexpr Table kMuLaw = makeMuLawTable();
constexpr Table kALaw = makeALawTable();

}  // namespace

std::vector<std::int16_t> decodeG711(std::span<const std::uint8_t> body, TonnixG711Law law,
                                     std::uint64_t count) {
  const auto& table = law == TonnixG711Law::muLaw ? kMuLaw : kALaw;
  std::vector<std::int16_t> out(std::min<std::uint64_t>(count, body.size()));
  std::transform(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(out.size()), out.begin(),
                 [&table](std::uint8_t byte) { return table[byte]; });
  return out;
}
