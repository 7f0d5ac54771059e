#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The two companding laws of ITU-T G.711, one byte per sample: μ-law
// ('ulaw') and A-law ('alaw').
enum class TonnixG711Law { muLaw, aLaw };

// The first `count` samples of `body` (fewer when it ends sooner), expanded
// to 16 bits through the law's table.
std::vector<std::int16_t> decodeG711(std::span<const std::uint8_t> body, TonnixG711Law law,
                                     std::uint64_t count);
