#include "sound_generator/signal.h"

#include <algorithm>
#include <cmath>

std::size_t samplesIn(double seconds) {
  return static_cast<std::size_t>(std::lround(seconds * kTonnixSampleRate));
}

double decibelsToGain(double decibels) {
  return std::pow(10.0, decibels / 20.0);
}

void mixInto(TonnixSignal& target, const TonnixSignal& source, double gain, std::size_t offset) {
  if (target.size() < offset + source.size()) target.resize(offset + source.size(), 0.0);
  for (std::size_t i = 0; i < source.size(); ++i) target[offset + i] += gain * source[i];
}

void mixIntoLoop(TonnixSignal& target, const TonnixSignal& source, double gain,
                 std::size_t offset) {
  if (target.empty()) return;
  for (std::size_t i = 0; i < source.size(); ++i) {
    target[(offset + i) % target.size()] += gain * source[i];
  }
}

void applyGain(TonnixSignal& signal, const TonnixSignal& gains) {
  const std::size_t count = std::min(signal.size(), gains.size());
  for (std::size_t i = 0; i < count; ++i) signal[i] *= gains[i];
}

double peakOf(const TonnixSignal& signal) {
  double peak = 0.0;
  for (double sample : signal) peak = std::max(peak, std::abs(sample));
  return peak;
}
