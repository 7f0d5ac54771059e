#pragma once

#include <cstddef>
#include <vector>

// Mono audio at the set's sample rate, as doubles around [-1, 1] while it is
// being shaped; finishing turns it into 16-bit samples.
using TonnixSignal = std::vector<double>;

inline constexpr int kTonnixSampleRate = 44100;

// Whole samples in `seconds`, rounded to the nearest.
std::size_t samplesIn(double seconds);

double decibelsToGain(double decibels);

// Adds `source` times `gain` into `target` from sample `offset` on, growing
// `target` when the source runs past its end.
void mixInto(TonnixSignal& target, const TonnixSignal& source, double gain = 1.0,
             std::size_t offset = 0);

// Adds `source` times `gain` into `target` from `offset` on, wrapping past
// the end to the start: a loop's tails carry over its seam.
void mixIntoLoop(TonnixSignal& target, const TonnixSignal& source, double gain, std::size_t offset);

// Multiplies `signal` sample by sample with `gains` (of the same length).
void applyGain(TonnixSignal& signal, const TonnixSignal& gains);

// The largest magnitude of any sample.
double peakOf(const TonnixSignal& signal);
