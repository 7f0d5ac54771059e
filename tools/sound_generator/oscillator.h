#pragma once

#include <cstddef>

#include "sound_generator/signal.h"

// A sine starting at phase zero whose frequency glides exponentially from
// `startHz` to `endHz` over `length` samples. A steady sine of k * rate /
// length Hz completes k whole cycles, which is how loops stay seamless.
TonnixSignal glidingSine(std::size_t length, double startHz, double endHz);
