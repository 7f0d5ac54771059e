#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "library/sound_set_export.h"
#include "support/expected.h"

// Export as a desktop sound theme: what is audible now, one file per mapped
// sound name (sound_theme_names.h), in a folder that libcanberra and the
// desktops find under $XDG_DATA_HOME/sounds. The theme is built beside its
// place and moved there whole, like a set export. A theme Tonnix wrote is
// marked in its index.theme and may be replaced; any other theme is never
// touched.

struct TonnixThemeExportSummary {
  std::string slug;              // the theme's folder name, what the desktop setting names
  std::filesystem::path folder;  // where it was written
  int soundCount = 0;            // sound names given a file
  int convertedCount = 0;        // of them, files converted to WAV rather than copied
  int skippedCount = 0;          // sources that could not be read or written

  friend bool operator==(const TonnixThemeExportSummary&,
                         const TonnixThemeExportSummary&) = default;
};

struct TonnixThemeExportError {
  enum class Kind {
    nothingToExport,  // "No desktop sound has a sound to export"
    notOurs,          // "<folder> is a sound theme Tonnix did not write; it stays as it is"
    couldNotBuild,    // "Could not build the sound theme <slug>: <reason>"
    couldNotPlace     // "Could not save the sound theme <slug>: <reason>"
  };

  Kind kind = Kind::nothingToExport;
  std::filesystem::path folder;
  std::string reason;

  std::string description() const;
};

// $XDG_DATA_HOME/sounds (~/.local/share/sounds when unset).
std::filesystem::path userSoundThemesDirectory();
// The folder name of the theme called `name`: its identifier slug.
std::string soundThemeSlug(const std::string& name);
// Whether `folder` holds an index.theme that Tonnix wrote.
bool isTonnixSoundTheme(const std::filesystem::path& folder);

// Writes the theme `name` into `themesDirectory`/<slug>. Input feedback
// names are written only when `withFeedback`. Touches only files.
TonnixExpected<TonnixThemeExportSummary, TonnixThemeExportError> exportSoundTheme(
    const std::vector<TonnixExportSource>& sources, const std::string& name,
    const std::filesystem::path& themesDirectory, bool withFeedback);

// Writes `source` as `folder`/<soundName>.wav or .oga in a form libcanberra
// plays: 8- or 16-bit PCM WAV and Ogg Vorbis are copied as they are, every
// other format libsndfile reads is converted to 16-bit WAV. Gives whether it
// was converted, or libsndfile's reason.
TonnixExpected<bool, std::string> writeThemeSound(const std::filesystem::path& source,
                                                  const std::filesystem::path& folder,
                                                  const std::string& soundName);
