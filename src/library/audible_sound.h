#pragma once

#include <filesystem>
#include <optional>

#include "catalogue/sound_id.h"

class TonnixAssignments;
class TonnixLibrary;

// The file the identifier plays now: its custom file if that exists, else
// the file of the set it plays from (its override, else the baseline);
// nothing for silence, a missing set or a set without the file. What the
// player plays and what an export copies. Main thread only.
std::optional<std::filesystem::path> audibleSoundURL(const TonnixLibrary& library,
                                                     const TonnixAssignments& assignments,
                                                     TonnixSoundID soundID);
