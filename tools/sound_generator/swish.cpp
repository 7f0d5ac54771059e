#include "sound_generator/swish.h"

#include <algorithm>

#include "sound_generator/biquad.h"
#include "sound_generator/envelope.h"

namespace {

// Takes the edge off the noise above the band, so the air sounds soft.
constexpr double kSoftenHz = 9000.0;

}  // namespace

TonnixSignal renderSwish(const TonnixSwishRecipe& recipe, TonnixNoiseSource& noise) {
  const std::size_t length = samplesIn(recipe.durationSeconds);
  TonnixSignal air = sweptBandPass(noise.white(length), recipe.startHz, recipe.endHz, recipe.q);
  air =
      filtered(air, TonnixBiquadCoefficients::lowPass(
                        std::max(kSoftenHz, 2.0 * std::max(recipe.startHz, recipe.endHz)), 0.707));
  applyGain(air, swellEnvelope(length, recipe.peakAt));
  if (recipe.flutterCycles > 0) {
    applyGain(air, rippleEnvelope(length, recipe.flutterCycles, recipe.flutterDepth));
  }
  return air;
}
