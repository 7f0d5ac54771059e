#include "classic/crc_ccitt.h"

#include <array>

namespace {

constexpr std::array<std::uint16_t, 256> makeTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    unsigned crc = byte << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
    table[byte] = static_cast<std::uint16_t>(crc);
  }
  return table;
}

constexpr auto kTable = makeTable();

}  // namespace

std::uint16_t crcCcitt(std::span<const std::uint8_t> bytes, std::uint16_t crc) {
  for (const auto byte : bytes) {
    crc = static_cast<std::uint16_t>(crc << 8 ^ kTable[(crc >> 8 ^ byte) & 0xFF]);
  }
  return crc;
}
