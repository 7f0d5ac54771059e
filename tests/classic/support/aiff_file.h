#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An AIFF-C file at 22050 Hz whose sound data is `body` in `format` (a
// four-character compression type such as "ima4"), so that another decoder
// can read the same bytes a 'snd ' resource holds. `frames` counts packets
// for the formats that pack several frames, as in a compressed header.
std::vector<std::uint8_t> aiffcFile(const std::string& format, std::uint32_t channels,
                                    std::uint32_t frames, std::uint16_t sampleSize,
                                    const std::vector<std::uint8_t>& body);
