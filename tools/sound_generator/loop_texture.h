#pragma once

#include <vector>

#include "sound_generator/click.h"
#include "sound_generator/noise_source.h"
#include "sound_generator/signal.h"

// One band of the noise bed of a loop.
struct TonnixLoopBand {
  double hz = 800.0;
  double q = 0.8;
  double gain = 1.0;
};

// A drag sound that repeats while the pointer moves. Everything in it
// repeats a whole number of times per loop (the noise bed is one period of
// periodic noise, swells and detents are whole counts), so the last sample
// runs straight on into the first.
struct TonnixLoopRecipe {
  double seconds = 1.0;
  std::vector<TonnixLoopBand> bands = {};
  int swellsPerLoop = 0;  // slow waves of loudness across the loop
  double swellDepth = 0.0;
  int ticksPerLoop = 0;  // evenly spread detents
  TonnixClickRecipe tick = {};
  double tickGain = 0.0;  // detent loudness against the bed
};

TonnixSignal renderLoop(const TonnixLoopRecipe& recipe, TonnixNoiseSource& noise);
