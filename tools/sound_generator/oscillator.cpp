#include "sound_generator/oscillator.h"

#include <cmath>
#include <numbers>

TonnixSignal glidingSine(std::size_t length, double startHz, double endHz) {
  TonnixSignal wave(length);
  const double span = length > 1 ? static_cast<double>(length - 1) : 1.0;
  const double ratio = endHz / startHz;
  double phase = 0.0;
  for (std::size_t i = 0; i < length; ++i) {
    wave[i] = std::sin(phase);
    const double hz = startHz * std::pow(ratio, static_cast<double>(i) / span);
    phase =
        std::fmod(phase + 2.0 * std::numbers::pi * hz / kTonnixSampleRate, 2.0 * std::numbers::pi);
  }
  return wave;
}
