#include "sound_generator/finishing.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "sound_generator/biquad.h"
#include "sound_generator/envelope.h"

namespace {

constexpr double kLowCutHz = 30.0;
constexpr double kFadeInSeconds = 0.001;
constexpr double kFadeOutSeconds = 0.008;

// Removes the mean by subtracting a scaled Hann window, which is zero at
// both ends: the fades stay intact and the correction has no step in it.
void removeMeanKeepingEnds(TonnixSignal& signal) {
  if (signal.size() < 3) return;
  const double span = static_cast<double>(signal.size() - 1);
  TonnixSignal window(signal.size());
  for (std::size_t i = 0; i < window.size(); ++i) {
    const double s = std::sin(std::numbers::pi * static_cast<double>(i) / span);
    window[i] = s * s;
  }
  const double scale = std::accumulate(signal.begin(), signal.end(), 0.0) /
                       std::accumulate(window.begin(), window.end(), 0.0);
  for (std::size_t i = 0; i < signal.size(); ++i) signal[i] -= scale * window[i];
}

void removeMean(TonnixSignal& signal) {
  if (signal.empty()) return;
  const double mean =
      std::accumulate(signal.begin(), signal.end(), 0.0) / static_cast<double>(signal.size());
  for (double& sample : signal) sample -= mean;
}

std::vector<std::int16_t> quantised(const TonnixSignal& signal, double peakDecibels) {
  const double peak = peakOf(signal);
  const double target = decibelsToGain(std::min(peakDecibels, kTonnixMaximumPeakDecibels));
  const double gain = peak > 0.0 ? target / peak : 0.0;
  std::vector<std::int16_t> samples(signal.size());
  std::transform(signal.begin(), signal.end(), samples.begin(), [gain](double x) {
    return static_cast<std::int16_t>(std::clamp(std::lround(x * gain * 32767.0), -32767L, 32767L));
  });
  return samples;
}

}  // namespace

std::vector<std::int16_t> finishOneShot(TonnixSignal signal, double peakDecibels) {
  signal = filtered(signal, TonnixBiquadCoefficients::highPass(kLowCutHz, 0.707));
  applyFades(signal, kFadeInSeconds, kFadeOutSeconds);
  removeMeanKeepingEnds(signal);
  return quantised(signal, peakDecibels);
}

std::vector<std::int16_t> finishLoop(TonnixSignal signal, double peakDecibels) {
  signal = filteredPeriodic(signal, TonnixBiquadCoefficients::highPass(kLowCutHz, 0.707));
  removeMean(signal);
  return quantised(signal, peakDecibels);
}
