// The 'snd ' decoder over raw resource bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "classic/sound_resource_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto sound = decodeSoundResource(std::span(data, size));
  if (!sound) return 0;
  // A decoded sound always has samples, a rate and a channel.
  if (sound->samples.empty() || !(sound->sampleRate > 0) || sound->channelCount == 0) {
    __builtin_trap();
  }
  return 0;
}
