#pragma once

#include "sound_generator/noise_source.h"
#include "sound_generator/signal.h"

// A control click: a small resonant body, like a tap on a hard wooden
// button, under a breath of contact noise. Thumps are low, dull clicks.
struct TonnixClickRecipe {
  double pitchHz = 1000.0;      // the body's first mode
  double overtoneRatio = 2.76;  // its second mode: 2.76 is wood, 2.0 glass
  double overtoneGain = 0.35;
  double decaySeconds = 0.015;    // time constant of the first mode
  double brightnessHz = 4000.0;   // low-pass corner over the whole click
  double noiseGain = 0.3;         // contact noise against the body
  double glide = 1.0;             // end pitch as a ratio of the start pitch
  double durationSeconds = 0.06;  // ends in a short fade of its own
};

TonnixSignal renderClick(const TonnixClickRecipe& recipe, TonnixNoiseSource& noise);
