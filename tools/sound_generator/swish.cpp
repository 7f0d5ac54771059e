#include "sound_generator/swish.h"

#include <algorithm>

#include "sound_generator/biquad.h"
#include "sound_generator/envelope.h"

namespace {

// Takes the edge off the noise above the band, so the air sounds soft.
constexpr double kSoftenHz = 9000.0;

}  // namespace

TonnixSignal renderSwish(const TonnixSwishSpec& spec, TonnixNoiseSource& noise) {
  const std::size_t length = samplesIn(spec.durationSeconds);
  TonnixSignal air = sweptBandPass(noise.white(length), spec.startHz, spec.endHz, spec.q);
  air = filtered(air, TonnixBiquadCoefficients::lowPass(
                          std::max(kSoftenHz, 2.0 * std::max(spec.startHz, spec.endHz)), 0.707));
  applyGain(air, swellEnvelope(length, spec.peakAt));
  if (spec.flutterCycles > 0) {
    applyGain(air, rippleEnvelope(length, spec.flutterCycles, spec.flutterDepth));
  }
  return air;
}
