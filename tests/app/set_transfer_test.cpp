#include "app/set_transfer.h"

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QTemporaryDir>
#include <fstream>

#include "app/set_transfer_texts.h"
#include "archive_files.h"
#include "event_loop.h"
#include "library/assignments.h"
#include "library/bundle_writer.h"
#include "library/library.h"
#include "platform/fake/memory_preferences_store.h"
#include "platform/linux/sndfile_audio_file_writer.h"
#include "resource_fork_writer.h"
#include "sound_file.h"
#include "sound_resources.h"

namespace {

namespace fs = std::filesystem;
using tonnix_test::turnUntil;

// A set transfer on an empty library whose imports and exports write only
// below the test's own folder, its console captured.
class SetTransferTest : public ::testing::Test {
 protected:
  SetTransferTest() {
    fs::create_directories(path("tmp"));
    TonnixExportFiles files = TonnixExportFiles::system();
    files.temporaryDirectory = path("tmp");
    transfer.setExportFiles(files);
    transfer.setAudioFileWriter(std::make_shared<TonnixSndfileAudioFileWriter>());
    transfer.setConsole([this](const QString& line) { console.append(line); });
    // Scratch folders go to the system's temporary folder; a private one keeps
    // other tests running at the same time out of the leftover check.
    savedTemporaryDirectory = qgetenv("TMPDIR");
    qputenv("TMPDIR", QByteArray::fromStdString(path("tmp").string()));
  }
  ~SetTransferTest() override {
    if (savedTemporaryDirectory.isNull()) {
      qunsetenv("TMPDIR");
    } else {
      qputenv("TMPDIR", savedTemporaryDirectory);
    }
  }

  fs::path path(const std::string& name) const {
    return fs::path(root.path().toStdString()) / name;
  }

  fs::path writeFile(const std::string& name, const std::string& bytes) {
    fs::create_directories(path(name).parent_path());
    std::ofstream(path(name), std::ios::binary) << bytes;
    return path(name);
  }

  static std::vector<std::uint8_t> classicFork() {
    const auto beep = format1Sound(standardHeader(kRate22050, {0x80, 0xC0, 0x40}));
    return TestResourceForkWriter()
        .add("snd ", 128, beep)
        .add("snd#", 1, soundList({{"btnp", {128}}, {"btnr", {128}}}, 20))
        .bytes();
  }

  fs::path classicSet(const std::string& name) {
    const auto bytes = classicFork();
    return writeFile(name, std::string(bytes.begin(), bytes.end()));
  }

  fs::path bundle(const std::string& name, const std::string& identifier) {
    TonnixBundleMetadata metadata;
    metadata.identifier = identifier;
    metadata.name = name;
    const fs::path folder = path("drop/" + name + ".tonnixset");
    EXPECT_TRUE(writeBundle(folder, metadata));
    EXPECT_TRUE(tonnix_test::writeSound(folder / "Contents/Resources/ButtonPress.caf"));
    return folder;
  }

  fs::path looseFolder(const std::string& name) {
    const fs::path folder = path("drop/" + name);
    EXPECT_TRUE(tonnix_test::writeSound(folder / "ButtonPress.caf"));
    return folder;
  }

  void importAndWait(const std::vector<fs::path>& urls) {
    transfer.importSets(urls);
    ASSERT_TRUE(turnUntil([this] { return !transfer.isImportingSets(); }));
  }

  QByteArray savedTemporaryDirectory;

  // The last conversion lets go of its scratch folder on its own thread,
  // which may be a moment after the run is reported finished.
  bool noScratchFolders() const {
    return turnUntil([] {
      for (const auto& entry : fs::directory_iterator(fs::temp_directory_path())) {
        if (entry.path().filename().string().starts_with("tonnix-import-")) return false;
      }
      return true;
    });
  }

  QTemporaryDir root;
  QTemporaryDir sets;
  TonnixMemoryPreferencesStore preferences;
  TonnixLibrary library{sets.path().toStdString(), std::nullopt};
  TonnixAssignments assignments{preferences};
  TonnixSetTransfer transfer{library, assignments};
  QStringList console;
};

TEST_F(SetTransferTest, ThreeDroppedItemsAreInstalledInOrderWithOneSummary) {
  std::vector<int> progress;
  QObject::connect(&transfer, &TonnixSetTransfer::setsImportedChanged,
                   [&] { progress.push_back(transfer.setsImported()); });
  importAndWait({bundle("Zebra", "org.example.zebra"), looseFolder("Loose"), classicSet("Chimes")});
  EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(transfer.lastFailureDescription(), std::nullopt);
  ASSERT_EQ(transfer.lastImportSummaries().size(), 1u);
  EXPECT_EQ(importSummariesText(transfer.lastImportSummaries()),
            "Imported Chimes: 2 events from 1 sounds");
  std::vector<std::string> names;
  for (const auto& set : library.bundles()) names.push_back(set->metadata().name);
  EXPECT_EQ(names, (std::vector<std::string>{"Chimes", "Loose", "Zebra"}));
  // An empty library gains its first baseline, by name order.
  EXPECT_EQ(assignments.storedBaselineIdentifier(),
            library.bundles().front()->metadata().identifier);
  EXPECT_TRUE(noScratchFolders());
}

TEST_F(SetTransferTest, FailuresAreCountedBeforeTheFirstTextAndLeaveNoScratchFolder) {
  importAndWait({writeFile("notes.txt", "hello")});
  ASSERT_TRUE(transfer.lastFailureDescription());
  EXPECT_FALSE(transfer.lastFailureDescription()->contains(QLatin1String("could not be")))
      << "a single failure is not counted";
  EXPECT_EQ(assignments.storedBaselineIdentifier(), std::nullopt);
  EXPECT_TRUE(noScratchFolders());

  importAndWait({looseFolder("One"), path("notes.txt"), path("missing"), looseFolder("Two"),
                 bundle("Three", "org.example.three")});
  ASSERT_TRUE(transfer.lastFailureDescription());
  EXPECT_TRUE(transfer.lastFailureDescription()->startsWith(
      QStringLiteral("2 of 5 could not be imported. ")));
  EXPECT_EQ(library.bundles().size(), 3u);
  EXPECT_TRUE(noScratchFolders());
}

TEST_F(SetTransferTest, AnArchiveInstallsItsSetsAndARefusedOneChangesNothing) {
  if (QStandardPaths::findExecutable(QStringLiteral("unar")).isEmpty()) {
    GTEST_SKIP() << "unar is not installed";
  }
  importAndWait({writeBytes(path("Sets.sit"), stuffItArchive({{"Chimes", {}, classicFork()},
                                                              {"Glass", {}, classicFork()}}))});
  EXPECT_EQ(transfer.lastFailureDescription(), std::nullopt);
  EXPECT_EQ(importSummariesText(transfer.lastImportSummaries()),
            "Imported 2 sets: 4 events from 2 sounds");
  ASSERT_EQ(library.bundles().size(), 2u);
  EXPECT_EQ(library.bundles().back()->metadata().name, "Glass");
  EXPECT_TRUE(noScratchFolders());

  importAndWait({writeBytes(path("Climb.zip"),
                            zipArchive({{"Chimes", {}, {}}, {"../Chimes", classicFork(), {}}}))});
  EXPECT_EQ(
      transfer.lastFailureDescription(),
      QStringLiteral("Climb.zip was not unpacked: its entry ../Chimes leads outside its folder"));
  EXPECT_EQ(library.bundles().size(), 2u);
  EXPECT_TRUE(noScratchFolders());
}

TEST_F(SetTransferTest, ANewerRunCancelsTheOldBeforeItsNextURL) {
  transfer.importSets({looseFolder("One"), looseFolder("Two")});
  transfer.importSets({looseFolder("Three")});
  ASSERT_TRUE(turnUntil([this] { return !transfer.isImportingSets(); }));
  EXPECT_EQ(transfer.setsImported(), 1);
  EXPECT_EQ(transfer.setsToImport(), 1);
  ASSERT_EQ(library.bundles().size(), 1u);
  EXPECT_EQ(library.bundles().front()->metadata().name, "Three");
}

TEST_F(SetTransferTest, ExportStartsOnlyWithSomethingAudibleAndPublishesItsSummary) {
  transfer.exportSet(path("Mine.tonnixset"));
  EXPECT_EQ(transfer.lastFailureDescription(), QStringLiteral("No event has a sound to export"));
  EXPECT_FALSE(transfer.isExportingSet());
  EXPECT_FALSE(fs::exists(path("Mine.tonnixset")));
  transfer.reloadSets();
  EXPECT_FALSE(transfer.lastFailureDescription()) << "a reload starts afresh";

  importAndWait({looseFolder("Loose")});
  transfer.exportSet(path("Mine.tonnixset"));
  EXPECT_TRUE(transfer.isExportingSet());
  ASSERT_TRUE(turnUntil([this] { return !transfer.isExportingSet(); }));
  ASSERT_TRUE(transfer.lastExportSummary());
  EXPECT_EQ(exportSummaryText(*transfer.lastExportSummary()),
            "Exported Mine: 1 events from 1 sounds");
  EXPECT_TRUE(fs::exists(path("Mine.tonnixset/Contents/Resources/ButtonPress.caf")));
  EXPECT_EQ(defaultExportName(library, assignments), "Loose Custom");
  EXPECT_EQ(exportSummaryText({.name = "Take %1 %2", .eventCount = 3, .soundCount = 2}),
            "Exported Take %1 %2: 3 events from 2 sounds");
}

TEST_F(SetTransferTest, ExportFailureIsShownAndWrittenToTheConsole) {
  importAndWait({looseFolder("Loose")});
  TonnixExportFiles files = TonnixExportFiles::system();
  files.temporaryDirectory = path("tmp");
  files.place = [](const fs::path&, const fs::path&) {
    return std::make_error_code(std::errc::no_space_on_device);
  };
  transfer.setExportFiles(files);
  transfer.exportSet(path("Mine.tonnixset"));
  ASSERT_TRUE(turnUntil([this] { return !transfer.isExportingSet(); }));
  const QString text = QStringLiteral("Could not save Mine.tonnixset: No space left on device");
  EXPECT_EQ(transfer.lastFailureDescription(), text);
  EXPECT_TRUE(console.contains(text));
  EXPECT_FALSE(fs::exists(path("Mine.tonnixset")));
  EXPECT_TRUE(fs::is_empty(path("tmp")));
}

}  // namespace
