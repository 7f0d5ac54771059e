#include "sound_generator/loop_texture.h"

#include "sound_generator/biquad.h"
#include "sound_generator/envelope.h"

TonnixSignal renderLoop(const TonnixLoopRecipe& recipe, TonnixNoiseSource& noise) {
  const std::size_t length = samplesIn(recipe.seconds);
  const TonnixSignal white = noise.white(length);
  TonnixSignal loop(length, 0.0);
  for (const TonnixLoopBand& band : recipe.bands) {
    // The low-pass steepens the band's upper skirt: drag sounds last long,
    // and hiss above the band would tire the ear.
    const TonnixSignal air =
        filteredPeriodic(white, TonnixBiquadCoefficients::bandPass(band.hz, band.q));
    mixInto(loop, filteredPeriodic(air, TonnixBiquadCoefficients::lowPass(3.0 * band.hz, 0.707)),
            band.gain);
  }
  if (recipe.swellsPerLoop > 0) {
    applyGain(loop, rippleEnvelope(length, recipe.swellsPerLoop, recipe.swellDepth));
  }
  if (recipe.ticksPerLoop <= 0) return loop;

  const TonnixSignal tick = renderClick(recipe.tick, noise);
  const auto count = static_cast<std::size_t>(recipe.ticksPerLoop);
  // Detents sit half a spacing off the seam, so the seam falls in the bed.
  for (std::size_t k = 0; k < count; ++k) {
    mixIntoLoop(loop, tick, recipe.tickGain, (2 * k + 1) * length / (2 * count));
  }
  return loop;
}
