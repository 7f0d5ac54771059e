#pragma once

#include <memory>

#include "platform/audio.h"

// The desktop's sound output, chosen once and said in one line: the sound
// server's sample cache (`sample_cache_audio.h` over `pulse_sample_cache.h`)
// with OpenAL Soft for what the cache cannot play, or OpenAL Soft alone
// (`openal_audio.h`) where no sound server answers or ALSOFT_DRIVERS names
// OpenAL Soft's own output. Main thread.
std::unique_ptr<TonnixAudioOutput> makeAudioOutput();
