#include <gtest/gtest.h>

#include <fstream>

#include "app/set_transfer_texts.h"
#include "controller_desktop.h"
#include "platform/linux/sndfile_audio_file_writer.h"
#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace {

namespace fs = std::filesystem;
using controller_test::ControllerDesktop;
using controller_test::turnUntil;

// A controller on an empty library whose imports and exports write only
// below the test's own folder.
class ControllerImportExport : public ::testing::Test {
 protected:
  ControllerImportExport() : desktop({}, false) {
    desktop.assignments->setBaselineIdentifier(std::nullopt);
    fs::create_directories(path("tmp"));
    TonnixExportFiles files = TonnixExportFiles::system();
    files.temporaryDirectory = path("tmp");
    controller().setExportFiles(files);
    controller().setAudioFileWriter(std::make_shared<TonnixSndfileAudioFileWriter>());
    // Scratch folders go to the system's temporary folder; a private one keeps
    // other tests running at the same time out of the leftover check.
    savedTemporaryDirectory = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(path("tmp").string()));
  }
  ~ControllerImportExport() override {
    if (savedTemporaryDirectory.isNull()) {
      qunsetenv("TMPDIR");
    } else {
      qputenv("TMPDIR", savedTemporaryDirectory);
    }
  }

  TonnixController& controller() { return desktop.controller(); }
  fs::path path(const std::string& name) const {
    return fs::path(root.path().toStdString()) / name;
  }

  fs::path writeFile(const std::string& name, const std::string& bytes) {
    fs::create_directories(path(name).parent_path());
    std::ofstream(path(name), std::ios::binary) << bytes;
    return path(name);
  }

  fs::path classicSet(const std::string& name) {
    const auto beep = format1Sound(standardHeader(kRate22050, {0x80, 0xC0, 0x40}));
    const auto bytes = TestResourceForkWriter()
                           .add("snd ", 128, beep)
                           .add("snd#", 1, soundList({{"btnp", {128}}, {"btnr", {128}}}, 20))
                           .bytes();
    return writeFile(name, std::string(bytes.begin(), bytes.end()));
  }

  fs::path bundle(const std::string& name, const std::string& identifier) {
    TonnixBundleMetadata metadata;
    metadata.identifier = identifier;
    metadata.name = name;
    const fs::path folder = path("drop/" + name + ".tonnixset");
    writeBundle(folder, metadata);
    TonnixSndfileAudioFileWriter().writeCaf16(folder / "Contents/Resources/ButtonPress.caf", 22050,
                                              1, std::vector<std::int16_t>(64, 100));
    return folder;
  }

  fs::path looseFolder(const std::string& name) {
    const fs::path folder = path("drop/" + name);
    fs::create_directories(folder);
    TonnixSndfileAudioFileWriter().writeCaf16(folder / "ButtonPress.caf", 22050, 1,
                                              std::vector<std::int16_t>(64, 100));
    return folder;
  }

  void importAndWait(const std::vector<fs::path>& urls) {
    controller().importSets(urls);
    ASSERT_TRUE(turnUntil([this] { return !controller().isImportingSets(); }));
  }

  QByteArray savedTemporaryDirectory;

  bool noScratchFolders() const {
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
      if (entry.path().filename().string().starts_with("tonnix-import-")) return false;
    }
    return true;
  }

  QTemporaryDir root;
  ControllerDesktop desktop;
};

TEST_F(ControllerImportExport, ThreeDroppedItemsAreInstalledInOrderWithOneSummary) {
  std::vector<int> progress;
  QObject::connect(&controller(), &TonnixController::setsImportedChanged,
                   [&] { progress.push_back(controller().setsImported()); });
  importAndWait({bundle("Zebra", "org.example.zebra"), looseFolder("Loose"), classicSet("Chimes")});
  EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(controller().setsToImport(), 3);
  EXPECT_EQ(controller().lastFailureDescription(), std::nullopt);
  ASSERT_EQ(controller().lastImportSummaries().size(), 1u);
  EXPECT_EQ(importSummariesText(controller().lastImportSummaries()),
            "Imported Chimes: 2 events from 1 sounds");
  std::vector<std::string> names;
  for (const auto& set : desktop.library->bundles()) names.push_back(set->metadata().name);
  EXPECT_EQ(names, (std::vector<std::string>{"Chimes", "Loose", "Zebra"}));
  // An empty library gains its first baseline, by name order.
  EXPECT_EQ(desktop.assignments->storedBaselineIdentifier(),
            desktop.library->bundles().front()->metadata().identifier);
  EXPECT_TRUE(noScratchFolders());
}

TEST_F(ControllerImportExport, FailuresAreCountedBeforeTheFirstTextAndLeaveNoScratchFolder) {
  importAndWait({writeFile("notes.txt", "hello")});
  ASSERT_TRUE(controller().lastFailureDescription());
  EXPECT_FALSE(controller().lastFailureDescription()->contains(QLatin1String("could not be")))
      << "a single failure is not counted";
  EXPECT_EQ(desktop.assignments->storedBaselineIdentifier(), std::nullopt);
  EXPECT_TRUE(noScratchFolders());

  importAndWait({looseFolder("One"), path("notes.txt"), path("missing"), looseFolder("Two"),
                 bundle("Three", "org.example.three")});
  ASSERT_TRUE(controller().lastFailureDescription());
  EXPECT_TRUE(controller().lastFailureDescription()->startsWith(
      QStringLiteral("2 of 5 could not be imported. ")));
  EXPECT_EQ(desktop.library->bundles().size(), 3u);
  EXPECT_TRUE(noScratchFolders());
}

TEST_F(ControllerImportExport, ANewerRunCancelsTheOldBeforeItsNextURL) {
  controller().importSets({looseFolder("One"), looseFolder("Two")});
  controller().importSets({looseFolder("Three")});
  ASSERT_TRUE(turnUntil([this] { return !controller().isImportingSets(); }));
  EXPECT_EQ(controller().setsImported(), 1);
  EXPECT_EQ(controller().setsToImport(), 1);
  ASSERT_EQ(desktop.library->bundles().size(), 1u);
  EXPECT_EQ(desktop.library->bundles().front()->metadata().name, "Three");
}

TEST_F(ControllerImportExport, ExportingWithEverythingSilentStartsNothing) {
  controller().exportSet(path("Mine.tonnixset"));
  EXPECT_EQ(controller().lastFailureDescription(),
            QStringLiteral("No event has a sound to export"));
  EXPECT_FALSE(controller().isExportingSet());
  EXPECT_FALSE(fs::exists(path("Mine.tonnixset")));
}

TEST_F(ControllerImportExport, ExportPublishesItsSummary) {
  importAndWait({looseFolder("Loose")});
  controller().exportSet(path("Mine.tonnixset"));
  EXPECT_TRUE(controller().isExportingSet());
  ASSERT_TRUE(turnUntil([this] { return !controller().isExportingSet(); }));
  ASSERT_TRUE(controller().lastExportSummary());
  EXPECT_EQ(exportSummaryText(*controller().lastExportSummary()),
            "Exported Mine: 1 events from 1 sounds");
  EXPECT_TRUE(fs::exists(path("Mine.tonnixset/Contents/Resources/ButtonPress.caf")));
  EXPECT_EQ(defaultExportName(*desktop.library, *desktop.assignments), "Loose Custom");
}

TEST_F(ControllerImportExport, ExportFailureIsShownAndWrittenToTheConsole) {
  importAndWait({looseFolder("Loose")});
  TonnixExportFiles files = TonnixExportFiles::system();
  files.temporaryDirectory = path("tmp");
  files.place = [](const fs::path&, const fs::path&) {
    return std::make_error_code(std::errc::no_space_on_device);
  };
  controller().setExportFiles(files);
  controller().exportSet(path("Mine.tonnixset"));
  ASSERT_TRUE(turnUntil([this] { return !controller().isExportingSet(); }));
  const QString text = QStringLiteral("Could not save Mine.tonnixset: No space left on device");
  EXPECT_EQ(controller().lastFailureDescription(), text);
  EXPECT_TRUE(desktop.console.contains(QStringLiteral("TonnixController: ") + text));
  EXPECT_FALSE(fs::exists(path("Mine.tonnixset")));
  EXPECT_TRUE(fs::is_empty(path("tmp")));
}

TEST_F(ControllerImportExport, AnUnplayableCustomFileLeavesTheSelection) {
  const TonnixSoundID buttonPress("btnp");
  EXPECT_FALSE(controller().chooseCustomSound(writeFile("bad.wav", "not audio"), buttonPress));
  EXPECT_TRUE(controller().lastFailureDescription());
  EXPECT_EQ(desktop.assignments->selectionFor(buttonPress), TonnixSelection::baseline());
}

TEST_F(ControllerImportExport, ReloadDropsOverridesOfVanishedSets) {
  importAndWait({looseFolder("Loose")});
  const std::string identifier = desktop.library->bundles().front()->metadata().identifier;
  desktop.assignments->setSelection(TonnixSelection::set(identifier), TonnixSoundID("btnp"));
  fs::remove_all(desktop.library->bundles().front()->url());
  controller().reloadSets();
  EXPECT_TRUE(desktop.assignments->storedOverrides().empty());
}

}  // namespace
