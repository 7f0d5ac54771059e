#pragma once

#include <vector>

#include "sound_generator/signal.h"

// One struck note of a small bell.
struct TonnixChimeNote {
  double startSeconds = 0.0;
  double hz = 1000.0;
  double gain = 1.0;
  double decaySeconds = 0.15;  // time constant of the fundamental
  double shimmer = 1.0;        // strength of the upper partials; 0 is a pure sine
  double glide = 1.0;          // end pitch as a ratio of the start: blips slide
};

// The notes, each a bell of a few near-harmonic partials, in a signal
// `durationSeconds` long that ends in silence.
TonnixSignal renderChime(const std::vector<TonnixChimeNote>& notes, double durationSeconds);
