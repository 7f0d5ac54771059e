#include "library/sound_set_export.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "catalogue/catalogue.h"
#include "library/bundle.h"
#include "library_fixtures.h"

namespace {

namespace fs = std::filesystem;
using fixtures::readText;
using fixtures::writeText;
using tonnix_test::writeSound;

const TonnixSoundID buttonPress("btnp");
const TonnixSoundID defaultButtonPress("dbtp");

class SoundSetExport : public ::testing::Test {
 protected:
  fs::path path(const std::string& name) const {
    return fs::path(root.path().toStdString()) / name;
  }

  // An export whose staging folders go to a folder of the test's own.
  TonnixExportFiles files() const {
    TonnixExportFiles files = TonnixExportFiles::system();
    files.temporaryDirectory = path("tmp");
    fs::create_directories(files.temporaryDirectory);
    return files;
  }

  bool stagingIsGone() const { return fs::is_empty(path("tmp")); }

  TonnixExpected<TonnixExportSummary, TonnixExportError> exportPress(
      const TonnixExportFiles& with) const {
    writeSound(path("set/ButtonPress.aiff"));
    return exportSoundSet({{buttonPress, path("set/ButtonPress.aiff"), false}},
                          path("Mine.tonnixset"), with);
  }

  fs::path resources(const fs::path& bundle) const { return bundle / "Contents" / "Resources"; }

  QTemporaryDir root;
};

// An existing bundle is replaced whole, not kept beside the new one.
TEST_F(SoundSetExport, FileNamedAfterItsEntryIsLeftToBaseNameMatching) {
  writeText(path("Mine.tonnixset/Contents/Resources/Old.aiff"), "old");
  const auto result = exportPress(files());
  ASSERT_TRUE(result);
  EXPECT_EQ(*result, (TonnixExportSummary{"Mine", 1, 1, 0, 0, 0}));
  EXPECT_TRUE(fs::exists(resources(path("Mine.tonnixset")) / "ButtonPress.aiff"));
  const std::string info = readText(path("Mine.tonnixset/Contents/Info.plist"));
  EXPECT_EQ(info.find("TonnixSetSounds"), std::string::npos);
  EXPECT_NE(info.find("org.tonnix.tonnixset.exported.mine"), std::string::npos);
  EXPECT_FALSE(fs::exists(resources(path("Mine.tonnixset")) / "Old.aiff"));
  EXPECT_EQ(
      std::distance(fs::directory_iterator(root.path().toStdString()), fs::directory_iterator()),
      3);  // Mine.tonnixset, set, tmp
  EXPECT_TRUE(stagingIsGone());
}

// A custom file of two identifiers is copied once; same-named files from
// two sets are both kept.
TEST_F(SoundSetExport, EachFileIsCopiedOnceUnderANameOfItsOwn) {
  writeSound(path("own/Boing.wav"));
  const auto result = exportSoundSet({{buttonPress, path("own/Boing.wav"), true},
                                      {defaultButtonPress, path("own/Boing.wav"), true}},
                                     path("Mine.tonnixset"), files());
  ASSERT_TRUE(result);
  EXPECT_EQ(*result, (TonnixExportSummary{"Mine", 2, 1, 2, 2, 0}));
  EXPECT_EQ(std::distance(fs::directory_iterator(resources(path("Mine.tonnixset"))),
                          fs::directory_iterator()),
            1);

  writeText(path("a/Click.aif"), "first");
  writeText(path("b/Click.aif"), "second");
  const auto clicks = exportSoundSet(
      {{buttonPress, path("a/Click.aif"), false}, {defaultButtonPress, path("b/Click.aif"), false}},
      path("Clicks.tonnixset"), files());
  ASSERT_TRUE(clicks);
  EXPECT_EQ(readText(resources(path("Clicks.tonnixset")) / "Click.aif"), "first");
  EXPECT_EQ(readText(resources(path("Clicks.tonnixset")) / "Click 2.aif"), "second");
  EXPECT_EQ(clicks->mappedEventCount, 2);
}

TEST_F(SoundSetExport, NamesNeverCollideAndTheMapHoldsWhatBaseNamesWouldMiss) {
  EXPECT_EQ(uniqueExportFileName("/a/Click.aif", {}), "Click.aif");
  EXPECT_EQ(uniqueExportFileName("/b/Click.aif", {"click.aif"}), "Click 2.aif");
  EXPECT_EQ(uniqueExportFileName("/b/CLICK.AIF", {"click.aif", "click 2.aif"}), "CLICK 3.AIF");
  EXPECT_EQ(uniqueExportFileName("/b/Click", {"click"}), "Click 2");
  EXPECT_EQ(exportFileName(".hidden.wav"), "hidden.wav");
  EXPECT_EQ(exportFileName("..."), "Sound");
  EXPECT_EQ(exportFileName("Plain.aiff"), "Plain.aiff");

  const std::map<TonnixSoundID, std::string> sounds = {{buttonPress, "buttonpress.wav"},
                                                       {defaultButtonPress, "Other.aiff"},
                                                       {TonnixSoundID("zzzz"), "zzzz.aiff"}};
  const auto map = explicitSoundMap(sounds, {{"buttonpress.wav", 1}, {"Other.aiff", 1}});
  EXPECT_EQ(map, (std::map<TonnixSoundID, std::string>{{defaultButtonPress, "Other.aiff"},
                                                       {TonnixSoundID("zzzz"), "zzzz.aiff"}}));
}

TEST_F(SoundSetExport, ExportedBundlePlaysWhatPlayedBefore) {
  std::vector<TonnixExportSource> sources;
  int frames = 10;
  for (const auto& entry : allEntries()) {
    if (sources.size() == 12) break;
    if (std::ranges::any_of(sources, [&](const auto& s) { return s.soundID == entry.soundID; }))
      continue;
    const fs::path file = path(sources.size() % 3 == 0 ? "own/Sound.wav" : "set/" + entry.fileName);
    if (!fs::exists(file)) writeSound(file, frames++);
    sources.push_back({entry.soundID, file, sources.size() % 3 == 0});
  }
  ASSERT_TRUE(exportSoundSet(sources, path("Mine.tonnixset"), files()));
  const auto bundle = TonnixBundle::open(path("Mine.tonnixset"), false);
  ASSERT_TRUE(bundle);
  for (const auto& source : sources) {
    const auto found = (*bundle)->soundURLsByID().find(source.soundID);
    ASSERT_NE(found, (*bundle)->soundURLsByID().end()) << source.soundID.description();
    EXPECT_EQ(readText(found->second), readText(source.url)) << source.soundID.description();
  }
}

// Faults: a full disk, a destination without write permission, a source
// that vanished. The destination stays as it was and no staging remains.

TEST_F(SoundSetExport, FullDiskCostsTheFileAndFinallyTheExport) {
  TonnixExportFiles full = files();
  full.copyFile = [](const fs::path&, const fs::path&) {
    return std::make_error_code(std::errc::no_space_on_device);
  };
  const auto result = exportPress(full);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind, TonnixExportError::Kind::nothingToExport);
  EXPECT_FALSE(fs::exists(path("Mine.tonnixset")));
  EXPECT_TRUE(stagingIsGone());
}

TEST_F(SoundSetExport, UnwritableDestinationIsLeftAsItWas) {
  writeText(path("Mine.tonnixset/Contents/Resources/Old.aiff"), "old");
  TonnixExportFiles readOnly = files();
  readOnly.place = [](const fs::path&, const fs::path&) {
    return std::make_error_code(std::errc::permission_denied);
  };
  const auto result = exportPress(readOnly);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().description(), "Could not save Mine.tonnixset: Permission denied");
  EXPECT_EQ(readText(resources(path("Mine.tonnixset")) / "Old.aiff"), "old");
  EXPECT_TRUE(stagingIsGone());
}

TEST_F(SoundSetExport, UnusableStagingFolderIsABuildFailure) {
  writeText(path("blocked"), "a file, not a folder");
  TonnixExportFiles blocked = files();
  blocked.temporaryDirectory = path("blocked");
  const auto result = exportPress(blocked);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error().kind, TonnixExportError::Kind::couldNotBuild);
  EXPECT_TRUE(result.error().description().starts_with("Could not build Mine.tonnixset: "));
  EXPECT_FALSE(fs::exists(path("Mine.tonnixset")));
}

TEST_F(SoundSetExport, VanishedSourceIsSkipped) {
  writeSound(path("set/ButtonPress.aiff"));
  const auto result = exportSoundSet({{buttonPress, path("set/ButtonPress.aiff"), false},
                                      {defaultButtonPress, path("gone/Vanished.aiff"), false}},
                                     path("Mine.tonnixset"), files());
  ASSERT_TRUE(result);
  EXPECT_EQ(*result, (TonnixExportSummary{"Mine", 1, 1, 0, 0, 1}));
  EXPECT_FALSE(fs::exists(resources(path("Mine.tonnixset")) / "Vanished.aiff"));
  EXPECT_TRUE(stagingIsGone());
}

// A file system that refuses renameat2's flags, and one whose folders are
// separate devices: the bundle still lands, old items are replaced whole,
// and nothing is left beside it.
TEST_F(SoundSetExport, PlacesWhereTheAtomicRenamesAreRefusedAndAcrossDevices) {
  const auto unsupported = [](const fs::path&, const fs::path&) {
    return std::make_error_code(std::errc::invalid_argument);
  };
  TonnixBundleRenames plainOnly = TonnixBundleRenames::system();
  plainOnly.exclusive = plainOnly.exchange = unsupported;
  const auto withinOneFolder = [](TonnixBundleRenames::Rename rename) {
    return [rename](const fs::path& from, const fs::path& to) {
      if (from.parent_path() == to.parent_path()) return rename(from, to);
      return std::make_error_code(std::errc::cross_device_link);
    };
  };
  TonnixBundleRenames crossDevice = plainOnly;
  crossDevice.plain = withinOneFolder(crossDevice.plain);

  for (const auto& renames : {plainOnly, crossDevice}) {
    fs::remove_all(path("out"));
    fs::create_directories(path("out"));
    writeText(path("staged/Contents/new"), "new");
    ASSERT_EQ(placeExportBundle(path("staged"), path("out/Mine.tonnixset"), renames).message(),
              "Success");
    fs::remove_all(path("staged"));
    writeText(path("staged/Contents/newer"), "newer");
    ASSERT_EQ(placeExportBundle(path("staged"), path("out/Mine.tonnixset"), renames).message(),
              "Success");
    EXPECT_TRUE(fs::exists(path("out/Mine.tonnixset/Contents/newer")));
    EXPECT_FALSE(fs::exists(path("out/Mine.tonnixset/Contents/new"))) << "replaced whole";
    EXPECT_EQ(std::distance(fs::directory_iterator(path("out")), fs::directory_iterator()), 1);
  }
}

}  // namespace
