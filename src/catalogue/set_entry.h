#pragma once

#include <string>

#include "catalogue/sound_category.h"
#include "catalogue/sound_flags.h"
#include "catalogue/sound_id.h"

// One row of the catalogue: what a sound is called in a set and how it plays.
struct TonnixSetEntry {
  TonnixSoundID soundID;
  std::string fileName;  // extension included
  TonnixSoundCategory category = TonnixSoundCategory::window;
  TonnixSoundFlags flags;
  double volume = 1.0;

  // The file name split into words at capitals: "Window Close Press".
  std::string displayName() const;

  friend bool operator==(const TonnixSetEntry&, const TonnixSetEntry&) = default;
};
