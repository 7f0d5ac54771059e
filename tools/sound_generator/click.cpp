#include "sound_generator/click.h"

#include "sound_generator/biquad.h"
#include "sound_generator/envelope.h"
#include "sound_generator/oscillator.h"

namespace {

constexpr double kAttackSeconds = 0.0005;
constexpr double kContactSeconds = 0.002;
constexpr double kTailFadeSeconds = 0.004;

TonnixSignal mode(std::size_t length, double hz, double glide, double decaySeconds) {
  TonnixSignal wave = glidingSine(length, hz, hz * glide);
  applyGain(wave, decayEnvelope(length, kAttackSeconds, decaySeconds));
  return wave;
}

}  // namespace

TonnixSignal renderClick(const TonnixClickRecipe& recipe, TonnixNoiseSource& noise) {
  const std::size_t length = samplesIn(recipe.durationSeconds);
  TonnixSignal body = mode(length, recipe.pitchHz, recipe.glide, recipe.decaySeconds);
  mixInto(
      body,
      mode(length, recipe.pitchHz * recipe.overtoneRatio, recipe.glide, recipe.decaySeconds * 0.45),
      recipe.overtoneGain);

  TonnixSignal contact = noise.white(length);
  applyGain(contact, decayEnvelope(length, kAttackSeconds / 2.0, kContactSeconds));
  contact = filtered(contact, TonnixBiquadCoefficients::bandPass(recipe.brightnessHz * 0.7, 0.8));
  mixInto(body, contact, recipe.noiseGain);

  TonnixSignal click =
      filtered(body, TonnixBiquadCoefficients::lowPass(recipe.brightnessHz, 0.707));
  applyFades(click, 0.0, kTailFadeSeconds);
  return click;
}
