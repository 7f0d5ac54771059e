#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/expected.h"

// Copying sets into the library without letting a set's contents reach
// outside it: a symbolic link is copied as the file it points to only when
// that file lies inside the folder being copied; links that lead elsewhere,
// links to folders, and special files (pipes, sockets, devices) are left out
// with a "TonnixLibrary: " line on standard error. Each file is opened
// without following a link and checked on the opened file itself, so that
// a link swapped in after a check is never followed.

// What one set may bring along: far more than a set of sounds needs, far
// less than would fill a disk.
struct TonnixCopyBudget {
  static constexpr std::uintmax_t largestSetBytes = 256u << 20;
  static constexpr int mostSetEntries = 1000;

  std::uintmax_t bytesLeft = largestSetBytes;
  int entriesLeft = mostSetEntries;
};

// Copies the folder `source` to `destination`, which must not exist yet,
// within one set's budget. The error is the system's description of the
// first failure, or the bound exceeded; a copy that fails half-way is
// removed again.
TonnixExpected<TonnixDone, std::string> copyFolder(const std::filesystem::path& source,
                                                   const std::filesystem::path& destination);

// Copies `file`, an entry of the folder `root`, to `destination`, which
// must not exist yet, and counts it against `budget`. Fails with the reason
// when the copy fails or the file must be left out.
TonnixExpected<TonnixDone, std::string> copyFileWithin(const std::filesystem::path& root,
                                                       const std::filesystem::path& file,
                                                       const std::filesystem::path& destination,
                                                       TonnixCopyBudget& budget);
