#include "sound_generator/chime.h"

#include <array>

#include "sound_generator/envelope.h"
#include "sound_generator/oscillator.h"

namespace {

struct Partial {
  double ratio;
  double gain;
  double decayFactor;
};

// Near-harmonic, with one slightly stretched partial for the shimmer of a
// small bell; the upper ones die first, so notes mellow as they ring.
constexpr std::array kPartials{
    Partial{1.0, 1.0, 1.0},
    Partial{2.0, 0.30, 0.55},
    Partial{3.01, 0.10, 0.35},
    Partial{4.18, 0.05, 0.25},
};
constexpr double kStrikeSeconds = 0.0015;
constexpr double kChimeTailFadeSeconds = 0.02;

TonnixSignal renderNote(const TonnixChimeNote& note, std::size_t length) {
  TonnixSignal bell(length, 0.0);
  for (const Partial& partial : kPartials) {
    const double gain = partial.ratio == 1.0 ? 1.0 : partial.gain * note.shimmer;
    if (gain == 0.0) continue;
    const double hz = note.hz * partial.ratio;
    TonnixSignal wave = glidingSine(length, hz, hz * note.glide);
    applyGain(wave, decayEnvelope(length, kStrikeSeconds, note.decaySeconds * partial.decayFactor));
    mixInto(bell, wave, gain * note.gain);
  }
  return bell;
}

}  // namespace

TonnixSignal renderChime(const std::vector<TonnixChimeNote>& notes, double durationSeconds) {
  const std::size_t length = samplesIn(durationSeconds);
  TonnixSignal chime(length, 0.0);
  for (const TonnixChimeNote& note : notes) {
    const std::size_t start = samplesIn(note.startSeconds);
    if (start >= length) continue;
    mixInto(chime, renderNote(note, length - start), 1.0, start);
  }
  applyFades(chime, 0.0, kChimeTailFadeSeconds);
  return chime;
}
