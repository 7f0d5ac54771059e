#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "classic/archive_listing.h"
#include "classic/classic_set_import.h"
#include "platform/audio_file_writer.h"
#include "support/expected.h"

// The sound sets inside a downloaded archive, made ready to install: the
// archive is unpacked into a scratch folder (`archive_unpacking.h`), each
// classic set in it is converted into a bundle there, and bundles it holds
// are taken as they are. Any thread.

// Whether `file` is an archive to unpack rather than a set to read: a .sit,
// .sea, .sitx, .cpt or .zip file, or a BinHex (.hqx) or MacBinary (.bin)
// file that does not itself carry a sound set in its resource fork.
bool isArchiveToUnpack(const std::filesystem::path& file);

struct TonnixArchiveSet {
  std::filesystem::path bundle;  // a .tonnixset folder inside the scratch folder
  // The conversion's summary; none for a bundle the archive held as it is.
  std::optional<TonnixClassicImportSummary> summary;
};

struct TonnixArchiveSets {
  std::vector<TonnixArchiveSet> sets;  // in the order of their paths in the archive
  // The sets that could not be converted, as their failure texts; files
  // that are not sound sets at all are passed over without one.
  std::vector<std::string> failures;
};

// Unpacks `archive` into `scratchFolder`/unpacked and converts the sets it
// holds into `scratchFolder`/sets. Fails without a set when the archive is
// refused or cannot be unpacked, and with noSoundSets when it holds neither
// a set nor a failed one. Removing the scratch folder is the caller's work.
TonnixExpected<TonnixArchiveSets, TonnixArchiveError> importArchiveSets(
    const std::filesystem::path& archive, const std::filesystem::path& scratchFolder,
    const TonnixAudioFileWriter& writer, const TonnixArchiveLimits& limits = {});
