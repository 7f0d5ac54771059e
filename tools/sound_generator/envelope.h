#pragma once

#include <cstddef>

#include "sound_generator/signal.h"

// Gain curves as long as the sound they shape, applied with applyGain.

// A raised-cosine rise over `attackSeconds`, then an exponential fall with
// time constant `decaySeconds`: how struck things sound.
TonnixSignal decayEnvelope(std::size_t length, double attackSeconds, double decaySeconds);

// A smooth rise to full gain at `peakAt` (a fraction of the length) and a
// smooth fall to silence at the end: how moving air sounds.
TonnixSignal swellEnvelope(std::size_t length, double peakAt);

// `cycles` whole waves of a gentle cosine ripple across the length, between
// 1 - depth and 1: repeats seamlessly when the length is a loop.
TonnixSignal rippleEnvelope(std::size_t length, int cycles, double depth);

// Raised-cosine fades at both ends, so a sound neither starts nor stops
// with a step.
void applyFades(TonnixSignal& signal, double inSeconds, double outSeconds);
