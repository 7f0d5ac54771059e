#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <variant>

#include "classic/classic_sound_set.h"
#include "library/file_error.h"
#include "platform/audio_file_writer.h"
#include "support/expected.h"

// Converts a classic sound set file into a .tonnixset bundle in a scratch
// folder: one CAF file per sound identifier the catalogue knows, named after
// its catalogue file name. Installing the bundle and removing the scratch
// folder are the caller's work.

struct TonnixClassicImportSummary {
  std::string name;            // the classic file's name
  int writtenEventCount = 0;   // identifiers that got a file, decoded or copied
  int skippedEventCount = 0;   // mapped identifiers that got none
  int distinctSoundCount = 0;  // resources decoded and written

  friend bool operator==(const TonnixClassicImportSummary&,
                         const TonnixClassicImportSummary&) = default;
};

// "Imported Chimes: 40 events from 12 sounds", with ", 3 skipped" when any were.
std::string importSummaryText(const TonnixClassicImportSummary& summary);

struct TonnixClassicImportError {
  enum class Kind {
    noConvertibleSounds,    // "Nothing in <file> could be decoded into audio"
    couldNotWriteAudio,     // "Could not write <stem>: <reason>"
    couldNotAllocateBuffer  // "Could not allocate an audio buffer for <stem>"
  };

  Kind kind = Kind::noConvertibleSounds;
  std::filesystem::path file;  // the classic file, for noConvertibleSounds
  std::string stem;            // the sound's file name without extension
  std::string reason;          // the writer's description, for couldNotWriteAudio

  std::string description() const;
};

// Everything a conversion can fail with: reading the set, converting its
// sounds, or writing the bundle's Info.plist.
using TonnixClassicImportFailure =
    std::variant<TonnixClassicSoundSetError, TonnixClassicImportError, TonnixFileError>;
std::string describe(const TonnixClassicImportFailure& failure);

// Reads the set in `classicFile` and writes setFolderName(NAME) into
// `scratchFolder`, identified as "org.tonnix.tonnixset.imported.<slug>".
// Each resource is decoded once; identifiers sharing it get copies. A
// resource that cannot be decoded costs only its identifiers; a file that
// cannot be written ends the conversion (the partial bundle stays in the
// scratch folder). With nothing written the bundle is removed and the
// conversion fails with noConvertibleSounds.
TonnixExpected<TonnixClassicImportSummary, TonnixClassicImportFailure> importClassicSet(
    const std::filesystem::path& classicFile, const std::filesystem::path& scratchFolder,
    const TonnixAudioFileWriter& writer);

// Writes the whole frames of `samples` to `destination` as 16-bit CAF.
TonnixExpected<TonnixDone, TonnixClassicImportError> writeAudioFile(
    const TonnixAudioFileWriter& writer, std::uint32_t channelCount,
    std::span<const std::int16_t> samples, const std::filesystem::path& destination,
    const std::string& stem, double sampleRate);
