#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "catalogue/sound_id.h"
#include "support/expected.h"

class TonnixAssignments;
class TonnixLibrary;

// Export: everything audible now, written as a new self-contained set
// bundle at a place the user chose. The bundle is built in a staging folder
// and moved into place whole, so the destination is never half-written.

// One sound to export: the file the identifier plays now.
struct TonnixExportSource {
  TonnixSoundID soundID;
  std::filesystem::path url;
  bool isCustom = false;

  friend bool operator==(const TonnixExportSource&, const TonnixExportSource&) = default;
};

struct TonnixExportSummary {
  std::string name;           // the destination's file name without extension
  int eventCount = 0;         // identifiers that play a file in the new set
  int soundCount = 0;         // distinct files copied
  int customEventCount = 0;   // of eventCount, those whose file was a custom sound
  int mappedEventCount = 0;   // identifiers in the explicit map
  int skippedEventCount = 0;  // sources whose file could not be copied

  friend bool operator==(const TonnixExportSummary&, const TonnixExportSummary&) = default;
};

struct TonnixExportError {
  enum class Kind {
    couldNotBuild,   // "Could not build <name>: <reason>"
    couldNotPlace,   // "Could not save <name>: <reason>"
    nothingToExport  // "No event has a sound to export"
  };

  Kind kind = Kind::nothingToExport;
  std::filesystem::path destination;
  std::string reason;

  std::string description() const;
};

// The file operations an export makes, replaceable so that tests can make
// them fail the way a full disk or a read-only folder would.
struct TonnixExportFiles {
  // Where staging folders go; the system's temporary folder when empty.
  std::filesystem::path temporaryDirectory;
  // Copies one audio file; a new file at `to`.
  std::function<std::error_code(const std::filesystem::path& from, const std::filesystem::path& to)>
      copyFile;
  // Puts the finished bundle `staged` at `destination` (see placeExportBundle).
  std::function<std::error_code(const std::filesystem::path& staged,
                                const std::filesystem::path& destination)>
      place;

  // The real file system.
  static TonnixExportFiles system();
};

// For every catalogue identifier (first occurrence, catalogue order) the
// file it plays now according to `urlFor`; silent ones are left out.
std::vector<TonnixExportSource> exportSources(
    const std::function<std::optional<std::filesystem::path>(TonnixSoundID)>& urlFor,
    const TonnixAssignments& assignments);

// The baseline set's name followed by " Custom", or "My Sounds"; a file
// name (setFolderStem), since it names the exported bundle.
std::string defaultExportName(const TonnixLibrary& library, const TonnixAssignments& assignments);

// Builds the bundle in a fresh staging folder and places it at
// `destination`, replacing whatever is there. The staging folder is always
// removed; on failure the destination is as it was. Touches only files, so
// it may run off the main thread.
TonnixExpected<TonnixExportSummary, TonnixExportError> exportSoundSet(
    const std::vector<TonnixExportSource>& sources, const std::filesystem::path& destination,
    const TonnixExportFiles& files = TonnixExportFiles::system());

// Copies the sources into a new bundle at `bundleURL` named `name`.
TonnixExpected<TonnixExportSummary, TonnixExportError> buildExportBundle(
    const std::vector<TonnixExportSource>& sources, const std::filesystem::path& bundleURL,
    const std::string& name, const TonnixExportFiles& files = TonnixExportFiles::system());

// The renames that put a finished bundle in place: the system's calls, or
// a test's stand-ins for a file system that lacks some of them.
struct TonnixBundleRenames {
  using Rename = std::function<std::error_code(const std::filesystem::path& from,
                                               const std::filesystem::path& to)>;
  // Fails when something is at `to` (renameat2 with RENAME_NOREPLACE).
  Rename exclusive;
  // Swaps the two in one step (renameat2 with RENAME_EXCHANGE).
  Rename exchange;
  // rename(2), which every file system has.
  Rename plain;

  static TonnixBundleRenames system();
};

// Moves `staged` to `destination` when nothing is there; otherwise swaps
// the two atomically and removes the old item. Where the file system
// refuses the atomic renames, a plain rename does instead, and an old item
// is set aside until the new one is in place. Across file systems the
// bundle is first copied beside the destination.
std::error_code placeExportBundle(
    const std::filesystem::path& staged, const std::filesystem::path& destination,
    const TonnixBundleRenames& renames = TonnixBundleRenames::system());

// A file name without its leading dots; "Sound" when only dots were left.
std::string exportFileName(const std::string& lastPathComponent);
// The file's own export name, or "Base 2.ext", "Base 3.ext", ... when its
// lower-cased form is among `usedNames`.
std::string uniqueExportFileName(const std::filesystem::path& url,
                                 const std::set<std::string>& usedNames);
// The identifiers that base-name matching would not give the right file:
// unknown to the catalogue, a file not named after their catalogue file, or
// a file shared with other identifiers.
std::map<TonnixSoundID, std::string> explicitSoundMap(
    const std::map<TonnixSoundID, std::string>& sounds, const std::map<std::string, int>& useCount);
