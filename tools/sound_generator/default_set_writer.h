#pragma once

#include <filesystem>
#include <string>

#include "support/expected.h"

// Synthesizes the built-in set and writes it as the bundle folder `bundle`
// (normally ".../Tonnix Sets/Tonnix Default.tonnixset"): Info.plist through
// writeBundle, one AIFF file per sound under its catalogue file name.
//
// The set is built in a hidden sibling folder and moved into place, so
// `bundle` holds either the previous set or the complete new one; the hidden
// folder is removed when anything fails. The error is the text to show.
TonnixExpected<TonnixDone, std::string> writeDefaultSet(const std::filesystem::path& bundle);
