#pragma once

#include "sound_generator/signal.h"

// Second-order filter sections after the well-known audio EQ cookbook
// formulas, normalised so that a0 is 1.
struct TonnixBiquadCoefficients {
  double b0 = 1.0;
  double b1 = 0.0;
  double b2 = 0.0;
  double a1 = 0.0;
  double a2 = 0.0;

  static TonnixBiquadCoefficients lowPass(double hz, double q);
  static TonnixBiquadCoefficients highPass(double hz, double q);
  // Unity gain at the centre frequency.
  static TonnixBiquadCoefficients bandPass(double hz, double q);
};

// One running filter (transposed direct form II). Coefficients may change
// between samples, which is how sweeps are made.
class TonnixBiquad {
 public:
  explicit TonnixBiquad(const TonnixBiquadCoefficients& coefficients) : c_(coefficients) {}

  void setCoefficients(const TonnixBiquadCoefficients& coefficients) { c_ = coefficients; }

  double process(double x) {
    const double y = c_.b0 * x + z1_;
    z1_ = c_.b1 * x - c_.a1 * y + z2_;
    z2_ = c_.b2 * x - c_.a2 * y;
    return y;
  }

 private:
  TonnixBiquadCoefficients c_;
  double z1_ = 0.0;
  double z2_ = 0.0;
};

// The signal through the filter, starting from rest.
TonnixSignal filtered(const TonnixSignal& signal, const TonnixBiquadCoefficients& coefficients);

// The filter's steady answer to the signal repeated forever: one period of
// the output once the start-up has died away, so the result loops as
// seamlessly as its input.
TonnixSignal filteredPeriodic(const TonnixSignal& signal,
                              const TonnixBiquadCoefficients& coefficients);

// A band-pass whose centre glides exponentially from `startHz` to `endHz`
// over the length of the signal.
TonnixSignal sweptBandPass(const TonnixSignal& signal, double startHz, double endHz, double q);
