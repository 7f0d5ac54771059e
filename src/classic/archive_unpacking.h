#pragma once

#include <filesystem>

#include "classic/archive_listing.h"
#include "support/expected.h"

// Unpacks the archives classic sound sets are downloaded in (StuffIt,
// Compact Pro, Zip, and the same wrapped in BinHex or MacBinary) with the
// unar package's lsar and unar, run as programs with a time limit. Resource
// forks become AppleDouble "._NAME" files beside their files, which
// `fork_source.h` reads. Any thread; blocks until the programs end.

// Lists `archive`, checks the listing against `limits` and unpacks it into
// `folder`, which must exist and be empty. On failure the folder may hold
// part of the archive: it is the caller's to remove.
TonnixExpected<TonnixDone, TonnixArchiveError> unpackArchive(
    const std::filesystem::path& archive, const std::filesystem::path& folder,
    const TonnixArchiveLimits& limits = {});
