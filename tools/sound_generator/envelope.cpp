#include "sound_generator/envelope.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Rises from 0 to 1 as `x` goes from 0 to 1, with zero slope at both ends.
double raisedCosine(double x) {
  const double s = std::sin(0.5 * std::numbers::pi * std::clamp(x, 0.0, 1.0));
  return s * s;
}

}  // namespace

TonnixSignal decayEnvelope(std::size_t length, double attackSeconds, double decaySeconds) {
  TonnixSignal gains(length);
  const double attack = attackSeconds * kTonnixSampleRate;
  const double decay = decaySeconds * kTonnixSampleRate;
  for (std::size_t i = 0; i < length; ++i) {
    const double t = static_cast<double>(i);
    const double rise = attack > 0.0 ? raisedCosine(t / attack) : 1.0;
    gains[i] = rise * std::exp(-std::max(0.0, t - attack) / decay);
  }
  return gains;
}

TonnixSignal swellEnvelope(std::size_t length, double peakAt) {
  TonnixSignal gains(length);
  const double span = length > 1 ? static_cast<double>(length - 1) : 1.0;
  const double peak = std::clamp(peakAt, 0.01, 0.99);
  for (std::size_t i = 0; i < length; ++i) {
    const double x = static_cast<double>(i) / span;
    gains[i] = x < peak ? raisedCosine(x / peak) : raisedCosine((1.0 - x) / (1.0 - peak));
  }
  return gains;
}

TonnixSignal rippleEnvelope(std::size_t length, int cycles, double depth) {
  TonnixSignal gains(length);
  for (std::size_t i = 0; i < length; ++i) {
    const double phase =
        2.0 * std::numbers::pi * cycles * static_cast<double>(i) / static_cast<double>(length);
    gains[i] = 1.0 - depth * 0.5 * (1.0 - std::cos(phase));
  }
  return gains;
}

void applyFades(TonnixSignal& signal, double inSeconds, double outSeconds) {
  const std::size_t fadeIn = std::min(samplesIn(inSeconds), signal.size());
  const std::size_t fadeOut = std::min(samplesIn(outSeconds), signal.size());
  for (std::size_t i = 0; i < fadeIn; ++i) {
    signal[i] *= raisedCosine(static_cast<double>(i) / static_cast<double>(fadeIn));
  }
  for (std::size_t i = 0; i < fadeOut; ++i) {
    signal[signal.size() - 1 - i] *=
        raisedCosine(static_cast<double>(i) / static_cast<double>(fadeOut));
  }
}
