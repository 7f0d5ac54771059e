// Desktop sound themes: written from what is audible, never over someone
// else's theme, and read back as a set without reaching outside the folder.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "library/library.h"
#include "library/path_names.h"
#include "library/sound_theme_export.h"
#include "library_fixtures.h"

namespace {

using namespace fixtures;

std::vector<std::string> names(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder)) found.push_back(entry.path().filename());
  std::sort(found.begin(), found.end());
  return found;
}

TEST(SoundThemeExport, WritesPlayableFilesReplacesOnlyItsOwnTheme) {
  QTemporaryDir temporary;
  const fs::path root = temporary.path().toStdString();
  const fs::path themes = root / "sounds";
  ASSERT_TRUE(writeSound(root / "alert.aiff"));
  ASSERT_TRUE(writeSound(root / "trash.wav"));
  ASSERT_TRUE(writeSound(root / "float.wav", {0.5, -0.5}, 1, 22050, SF_FORMAT_FLOAT));
  const std::vector<TonnixExportSource> sources = {
      {TonnixSoundID("aopn"), root / "alert.aiff"},  {TonnixSoundID("ftrs"), root / "trash.wav"},
      {TonnixSoundID("fcpd"), root / "float.wav"},   {TonnixSoundID("mnuo"), root / "trash.wav"},
      {TonnixSoundID("dski"), root / "missing.wav"},
  };

  const auto first = exportSoundTheme(sources, "My Classic", themes, false);
  ASSERT_TRUE(first) << first.error().description();
  // AIFF and float WAV are converted; the 16-bit WAV is copied; the menu's
  // input feedback is left out; the missing file is counted.
  EXPECT_EQ(*first, (TonnixThemeExportSummary{"my-classic", themes / "my-classic", 5, 4, 1}));
  EXPECT_EQ(names(themes / "my-classic" / "stereo"),
            (std::vector<std::string>{"bell.wav", "complete-copy.wav", "dialog-error.wav",
                                      "dialog-warning.wav", "trash-empty.wav"}));
  const auto converted = tonnix_test::readSound(themes / "my-classic" / "stereo" / "bell.wav");
  ASSERT_TRUE(converted);
  EXPECT_EQ(converted->info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_TRUE(isTonnixSoundTheme(themes / "my-classic"));

  const auto again = exportSoundTheme(sources, "My Classic", themes, true);
  ASSERT_TRUE(again) << again.error().description();
  EXPECT_TRUE(fs::exists(themes / "my-classic" / "stereo" / "menu-popup.wav"));
  EXPECT_EQ(names(themes), std::vector<std::string>{"my-classic"});

  writeText(themes / "someone" / "index.theme", "[Sound Theme]\nName=Someone\n");
  const auto refused = exportSoundTheme(sources, "Someone", themes, false);
  ASSERT_FALSE(refused);
  EXPECT_EQ(refused.error().kind, TonnixThemeExportError::Kind::notOurs);
  EXPECT_EQ(names(themes / "someone"), std::vector<std::string>{"index.theme"});

  const auto nothing =
      exportSoundTheme({{TonnixSoundID("mnuo"), root / "trash.wav"}}, "Menus", themes, false);
  ASSERT_FALSE(nothing);
  EXPECT_EQ(nothing.error().kind, TonnixThemeExportError::Kind::nothingToExport);
  EXPECT_EQ(names(themes), (std::vector<std::string>{"my-classic", "someone"}));
}

TEST(SoundThemeImport, InstallsWhatIsSoundAndReportsTheRest) {
  QTemporaryDir temporary;
  const fs::path root = temporary.path().toStdString();
  const fs::path theme = root / "odd";
  writeText(theme / "index.theme",
            "[Sound Theme]\nName=Odd Theme\nInherits=parent, gone, ../outside\n"
            "Directories=stereo,absent\n\n[stereo]\nOutputProfile=stereo\n");
  ASSERT_TRUE(writeSound(theme / "stereo" / "bell.oga.wav"));
  ASSERT_TRUE(writeSound(theme / "stereo" / "trash-empty.wav"));
  ASSERT_TRUE(writeSound(theme / "stereo" / "not-a-desktop-name.wav"));
  ASSERT_TRUE(writeSound(root / "outside.wav"));
  fs::create_symlink(root / "outside.wav", theme / "stereo" / "device-added.wav");
  fs::create_directories(theme / "stereo" / "menu-popup.oga");
  // An inherited theme inside the folder: read after the theme's own files.
  writeText(theme / "parent" / "index.theme", "[Sound Theme]\nDirectories=stereo\n");
  ASSERT_TRUE(writeSound(theme / "parent" / "stereo" / "trash-empty.wav", 99));
  ASSERT_TRUE(writeSound(theme / "parent" / "stereo" / "device-removed.wav"));
  // Inherited, but its index.theme is a link to a file outside: never read.
  writeText(root / "outside.theme", "[Sound Theme]\nDirectories=stereo\n");
  ASSERT_TRUE(writeSound(theme / "gone" / "stereo" / "dialog-information.wav"));
  fs::create_symlink(root / "outside.theme", theme / "gone" / "index.theme");

  TonnixLibrary library(root / "sets", std::nullopt);
  testing::internal::CaptureStderr();
  const auto installed = library.install(theme);
  const std::string report = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(installed) << describe(installed.error());
  const auto& set = *installed.value();
  EXPECT_EQ(set.metadata().name, "Odd Theme");
  std::vector<TonnixSoundID> sounds;
  for (const auto& [soundID, url] : set.soundURLsByID()) sounds.push_back(soundID);
  EXPECT_EQ(sounds, (std::vector<TonnixSoundID>{TonnixSoundID("dske"), TonnixSoundID("ftrs")}));
  EXPECT_EQ(tonnix_test::readSound(*set.soundURL(TonnixSoundID("ftrs")))->info.frames, 64);

  for (const std::string line : {
           "left out odd: no Tonnix sound is for bell.oga, not-a-desktop-name",
           "left out odd/stereo/device-added.wav: it points outside the theme",
           "left out odd/stereo/menu-popup.oga: it is not a file",
           "left out odd/absent: it is not a folder",
           "left out odd/gone: it has no index.theme",
           "left out odd: the theme it inherits from, ../outside, is not inside it",
       }) {
    EXPECT_NE(report.find("TonnixLibrary: " + line + "\n"), std::string::npos) << report;
  }
  EXPECT_FALSE(library.install(theme / "gone"));
}

}  // namespace

// A theme's Name becomes a folder name in the library, never a path.
TEST(SoundThemeImport, ANameFromTheThemeStaysOneFolderInTheLibrary) {
  QTemporaryDir temporary;
  const fs::path root = temporary.path().toStdString();
  const fs::path sets = root / "a" / "b" / "c" / "sets";
  const std::string longName(300, 'x');
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"../../../../escaped", "escaped.tonnixset"},
      {"/tmp/x\ty", "tmp-x-y.tonnixset"},
      {"..", "Sound Set.tonnixset"},
      {longName, std::string(largestSafeNameBytes, 'x') + ".tonnixset"},
  };
  TonnixLibrary library(sets, std::nullopt);
  for (const auto& [name, folder] : cases) {
    const fs::path theme = root / "theme";
    fs::remove_all(theme);
    writeText(theme / "index.theme", "[Sound Theme]\nName=" + name + "\nDirectories=stereo\n");
    ASSERT_TRUE(writeSound(theme / "stereo" / "bell.wav"));
    const auto installed = library.install(theme);
    ASSERT_TRUE(installed) << describe(installed.error());
    EXPECT_EQ(installed.value()->url(), sets / folder) << name;
  }
  EXPECT_EQ(names(root), (std::vector<std::string>{"a", "theme"}));
  // A multi-byte character is never cut in half.
  EXPECT_EQ(safeFileName(std::string(largestSafeNameBytes - 1, 'x') + "é"),
            std::string(largestSafeNameBytes - 1, 'x'));
}
