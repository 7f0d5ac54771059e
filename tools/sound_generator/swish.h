#pragma once

#include "sound_generator/noise_source.h"
#include "sound_generator/signal.h"

// Air moving past: noise through a band-pass whose centre glides, under a
// smooth swell. Rising for things that open, falling for things that close.
struct TonnixSwishRecipe {
  double startHz = 600.0;
  double endHz = 2400.0;
  double durationSeconds = 0.2;
  double peakAt = 0.5;        // where the swell is loudest, as a fraction of the duration
  double q = 1.2;             // band width: higher is more whistly
  int flutterCycles = 0;      // ripples across the sound, like a rolling shade
  double flutterDepth = 0.0;  // 0 for a plain swish
};

TonnixSignal renderSwish(const TonnixSwishRecipe& recipe, TonnixNoiseSource& noise);
