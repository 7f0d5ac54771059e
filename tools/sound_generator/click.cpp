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

TonnixSignal renderClick(const TonnixClickSpec& spec, TonnixNoiseSource& noise) {
  const std::size_t length = samplesIn(spec.durationSeconds);
  TonnixSignal body = mode(length, spec.pitchHz, spec.glide, spec.decaySeconds);
  mixInto(body,
          mode(length, spec.pitchHz * spec.overtoneRatio, spec.glide, spec.decaySeconds * 0.45),
          spec.overtoneGain);

  TonnixSignal contact = noise.white(length);
  applyGain(contact, decayEnvelope(length, kAttackSeconds / 2.0, kContactSeconds));
  contact = filtered(contact, TonnixBiquadCoefficients::bandPass(spec.brightnessHz * 0.7, 0.8));
  mixInto(body, contact, spec.noiseGain);

  TonnixSignal click = filtered(body, TonnixBiquadCoefficients::lowPass(spec.brightnessHz, 0.707));
  applyFades(click, 0.0, kTailFadeSeconds);
  return click;
}
