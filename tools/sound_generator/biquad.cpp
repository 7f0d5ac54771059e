#include "sound_generator/biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Keeps corner frequencies well inside the audible band of the file.
double clampedHz(double hz) {
  return std::clamp(hz, 10.0, 0.45 * kTonnixSampleRate);
}

struct Angle {
  double cosine;
  double alpha;
};

Angle angleFor(double hz, double q) {
  const double omega = 2.0 * std::numbers::pi * clampedHz(hz) / kTonnixSampleRate;
  return {std::cos(omega), std::sin(omega) / (2.0 * q)};
}

TonnixBiquadCoefficients normalised(double b0, double b1, double b2, double a0, double a1,
                                    double a2) {
  return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

// Coefficients are recomputed this often during a sweep; short enough that
// the glide is smooth, long enough to keep the trigonometry cheap.
constexpr std::size_t kSweepStep = 16;

}  // namespace

TonnixBiquadCoefficients TonnixBiquadCoefficients::lowPass(double hz, double q) {
  const auto [c, alpha] = angleFor(hz, q);
  return normalised((1.0 - c) / 2.0, 1.0 - c, (1.0 - c) / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

TonnixBiquadCoefficients TonnixBiquadCoefficients::highPass(double hz, double q) {
  const auto [c, alpha] = angleFor(hz, q);
  return normalised((1.0 + c) / 2.0, -(1.0 + c), (1.0 + c) / 2.0, 1.0 + alpha, -2.0 * c,
                    1.0 - alpha);
}

TonnixBiquadCoefficients TonnixBiquadCoefficients::bandPass(double hz, double q) {
  const auto [c, alpha] = angleFor(hz, q);
  return normalised(alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

TonnixSignal filtered(const TonnixSignal& signal, const TonnixBiquadCoefficients& coefficients) {
  TonnixBiquad filter(coefficients);
  TonnixSignal output(signal.size());
  std::transform(signal.begin(), signal.end(), output.begin(),
                 [&](double x) { return filter.process(x); });
  return output;
}

TonnixSignal filteredPeriodic(const TonnixSignal& signal,
                              const TonnixBiquadCoefficients& coefficients) {
  // The filters used on loops settle within milliseconds; two warm-up
  // periods of half a second or more leave nothing of the start-up.
  constexpr int kWarmUpPeriods = 2;
  TonnixBiquad filter(coefficients);
  for (int period = 0; period < kWarmUpPeriods; ++period) {
    for (double x : signal) filter.process(x);
  }
  TonnixSignal output(signal.size());
  std::transform(signal.begin(), signal.end(), output.begin(),
                 [&](double x) { return filter.process(x); });
  return output;
}

TonnixSignal sweptBandPass(const TonnixSignal& signal, double startHz, double endHz, double q) {
  TonnixBiquad filter(TonnixBiquadCoefficients::bandPass(startHz, q));
  TonnixSignal output(signal.size());
  const double span = signal.size() > 1 ? static_cast<double>(signal.size() - 1) : 1.0;
  for (std::size_t i = 0; i < signal.size(); ++i) {
    if (i % kSweepStep == 0) {
      const double hz = startHz * std::pow(endHz / startHz, static_cast<double>(i) / span);
      filter.setCoefficients(TonnixBiquadCoefficients::bandPass(hz, q));
    }
    output[i] = filter.process(signal[i]);
  }
  return output;
}
