#include "platform/linux/audio_output_factory.h"

#include <cstdlib>
#include <string>

#include "platform/linux/openal_audio.h"
#include "platform/linux/pulse_sample_cache.h"
#include "platform/linux/sample_cache_audio.h"
#include "support/diagnostics.h"

std::unique_ptr<TonnixAudioOutput> makeAudioOutput() {
  // Set up before the sample cache's thread starts.
  auto openAL = std::make_unique<TonnixOpenALAudio>();
  std::string why = "ALSOFT_DRIVERS names its output";
  if (!std::getenv("ALSOFT_DRIVERS")) {
    if (auto cache = TonnixPulseSampleCache::connect(why)) {
      tonnixDiagnostic("TonnixAudio",
                       "sounds play from the sound server's sample cache; panned and repeating "
                       "ones through OpenAL Soft");
      return std::make_unique<TonnixSampleCacheAudio>(std::move(cache), std::move(openAL));
    }
  }
  tonnixDiagnostic("TonnixAudio", "sounds play through OpenAL Soft: " + why);
  return openAL;
}
