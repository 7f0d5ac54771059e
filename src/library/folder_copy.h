#pragma once

#include <filesystem>
#include <string>

#include "support/expected.h"

// Copying sets into the library without letting a set's contents reach
// outside it: a symbolic link is copied as the file it points to only when
// that file lies inside the folder being copied; links that lead elsewhere,
// links to folders, and special files (pipes, sockets, devices) are left out
// with a "TonnixLibrary: " line on standard output.

// Copies the folder `source` to `destination`, which must not exist yet.
// The error is the system's description of the first failure; a copy that
// fails half-way is removed again.
TonnixExpected<TonnixDone, std::string> copyFolder(const std::filesystem::path& source,
                                                   const std::filesystem::path& destination);

// Copies `file`, an entry of the folder `root`, to `destination`. Fails with
// the reason when the copy fails or the file must be left out.
TonnixExpected<TonnixDone, std::string> copyFileWithin(const std::filesystem::path& root,
                                                       const std::filesystem::path& file,
                                                       const std::filesystem::path& destination);
