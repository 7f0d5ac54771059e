// The resource map parser over raw fork bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "classic/resource_fork.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto fork = TonnixResourceFork::parse(std::span(data, size));
  if (!fork) return 0;
  if (fork->resourceTypes().empty()) __builtin_trap();  // an empty fork is an error
  for (const auto& type : fork->resourceTypes()) {
    for (const auto& resource : fork->resourcesOfType(type)) (void)resource.description();
  }
  return 0;
}
