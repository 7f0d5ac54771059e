#pragma once

#include <cstdint>
#include <vector>

#include "sound_generator/signal.h"

// The loudest any sound of the set may be: headroom for the player's mix.
inline constexpr double kTonnixMaximumPeakDecibels = -3.0;

// The 16-bit samples of a one-shot sound: rumble below hearing removed,
// short fades at both ends, no DC offset, the loudest sample at `peakDecibels`
// dBFS (never above kTonnixMaximumPeakDecibels).
std::vector<std::int16_t> finishOneShot(TonnixSignal signal, double peakDecibels);

// The same for a loop, without fades and without anything that could open
// a step at the seam: the DC offset is removed as one constant.
std::vector<std::int16_t> finishLoop(TonnixSignal signal, double peakDecibels);
