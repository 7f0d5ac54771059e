// The classic set reader over resources built from the input: each record
// is a type (one byte: 'snd ', 'snd#', 'sdid' or 'vers'), a 16-bit ID, an
// optional name and the data, so mutations reach the sound lists, sound ID
// resources, names and version texts rather than the fork's map.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "classic/classic_sound_set.h"

namespace {

class FuzzedResources final : public TonnixResourceProviding {
 public:
  explicit FuzzedResources(FuzzedDataProvider& input) {
    static const char* const kTypes[] = {"snd ", "snd#", "sdid", "vers"};
    while (input.remaining_bytes() > 0) {
      const std::string type = kTypes[input.ConsumeIntegralInRange<int>(0, 3)];
      TonnixRawResource resource;
      resource.identifier = input.ConsumeIntegral<std::int16_t>();
      if (input.ConsumeBool()) resource.name = input.ConsumeRandomLengthString(32);
      const auto length = input.ConsumeIntegralInRange<std::size_t>(0, 512);
      resource.data = input.ConsumeBytes<std::uint8_t>(length);
      types_[type].push_back(std::move(resource));
    }
  }

  std::vector<TonnixRawResource> rawResourcesOfType(std::string_view type) const override {
    const auto found = types_.find(std::string(type));
    return found == types_.end() ? std::vector<TonnixRawResource>{} : found->second;
  }

 private:
  std::map<std::string, std::vector<TonnixRawResource>> types_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const FuzzedResources resources(input);
  const auto set = TonnixClassicSoundSet::read(resources, "Fuzzed");
  // Every mapped resource has a body to decode.
  for (const auto& [soundID, resourceID] : set.resourceIDsBySoundID) {
    if (!set.soundBodies.contains(resourceID)) __builtin_trap();
  }
  return 0;
}
