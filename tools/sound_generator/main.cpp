// tonnix_sound_generator BUNDLE_FOLDER — synthesizes the built-in
// "Tonnix Default" set into BUNDLE_FOLDER. Run by the build; the same bytes
// on every run.

#include <iostream>

#include "sound_generator/default_set_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: tonnix_sound_generator BUNDLE_FOLDER\n";
    return 2;
  }
  const auto written = writeDefaultSet(argv[1]);
  if (!written) {
    std::cerr << "tonnix_sound_generator: " << written.error() << "\n";
    return 1;
  }
  return 0;
}
