#pragma once

#include <cstdint>
#include <random>

#include "sound_generator/signal.h"

// White noise that is the same on every run and every machine: the Mersenne
// Twister's sequence is fixed by the C++ standard, and the mapping to
// samples below is our own (the standard distributions are not portable).
class TonnixNoiseSource {
 public:
  explicit TonnixNoiseSource(std::uint32_t seed) : engine_(seed) {}

  // Uniform in [-1, 1).
  double next() { return static_cast<double>(engine_()) / 2147483648.0 - 1.0; }

  TonnixSignal white(std::size_t count) {
    TonnixSignal noise(count);
    for (double& sample : noise) sample = next();
    return noise;
  }

 private:
  std::mt19937 engine_;
};
