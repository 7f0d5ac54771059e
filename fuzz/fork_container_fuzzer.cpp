// Container detection and unwrapping: AppleSingle/AppleDouble, MacBinary and
// BinHex, each tried on its own so every decoder sees every input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "classic/apple_double.h"
#include "classic/bin_hex.h"
#include "classic/fork_source.h"
#include "classic/mac_binary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  (void)appleDoubleResourceFork(bytes);
  (void)macBinaryResourceFork(bytes);
  (void)binHexResourceFork(bytes);
  const auto fork = unwrapForkContainer(bytes);
  if (fork && fork->bytes.empty()) __builtin_trap();  // an empty fork is no fork
  return 0;
}
