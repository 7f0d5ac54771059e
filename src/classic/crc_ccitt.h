#pragma once

#include <cstdint>
#include <span>

// CRC-16/XMODEM (CRC-CCITT, polynomial 0x1021, initial value 0), the checksum
// MacBinary II/III headers and BinHex 4.0 headers and forks carry. `crc`
// continues an earlier sum.
std::uint16_t crcCcitt(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);
