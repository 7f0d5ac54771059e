#include "classic/archive_import.h"

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QTemporaryDir>
#include <filesystem>

#include "archive_files.h"
#include "fork_containers.h"
#include "platform/fake/fake_audio_file_writer.h"
#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace fs = std::filesystem;

namespace {

// Archives built in code and unpacked by the real unar, where installed.
class ArchiveImportTest : public testing::Test {
 protected:
  void SetUp() override {
    if (QStandardPaths::findExecutable(QStringLiteral("unar")).isEmpty()) {
      GTEST_SKIP() << "unar is not installed";
    }
  }

  fs::path root() const { return dir_.path().toStdString(); }
  fs::path write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    return writeBytes(root() / name, bytes);
  }

  // Imports into a fresh scratch folder; gives the set names, or the failure.
  std::string import(const fs::path& archive, const TonnixArchiveLimits& limits = {}) {
    const fs::path scratch = root() / ("scratch" + std::to_string(++imports_));
    const auto imported = importArchiveSets(archive, scratch, writer_, limits);
    if (!imported) return imported.error().description();
    std::string names;
    for (const auto& set : imported->sets) {
      EXPECT_TRUE(fs::is_directory(set.bundle / "Contents" / "Resources")) << set.bundle;
      names += (names.empty() ? "" : ", ") + set.bundle.stem().string();
    }
    for (const auto& failure : imported->failures) names += "; " + failure;
    return names;
  }

  QTemporaryDir dir_;
  TonnixFakeAudioFileWriter writer_;
  int imports_ = 0;
};

const std::vector<std::uint8_t> kSetFork =
    TestResourceForkWriter()
        .add("snd ", 128, format1Sound(standardHeader(kRate22050, {0x80, 0xC0, 0x40})))
        .add("snd#", 1, soundList({{"btnp", {128}}, {"btnr", {128}}}, 20))
        .bytes();
const std::vector<std::uint8_t> kReadMe = bytesOf("Double-click to install.");

}  // namespace

TEST_F(ArchiveImportTest, SetsComeOutOfStuffItZipBinHexAndMacBinaryWithTheirForks) {
  const auto stuffIt = stuffItArchive({{"Chimes", {}, kSetFork}, {"Read Me", kReadMe, {}}});
  EXPECT_EQ(import(write("Chimes.sit", stuffIt)), "Chimes");
  EXPECT_EQ(import(write("Chimes.sit.hqx", binHexFile("Chimes.sit", stuffIt, {}))), "Chimes");
  EXPECT_EQ(import(write("Chimes.sea.bin", macBinaryFile(2, "Chimes.sea", stuffIt, {}))), "Chimes");
  const auto zip = zipArchive({{"Sets/Chimes", {}, {}},
                               {"Sets/Glass", kReadMe, {}},
                               {"__MACOSX/Sets/._Chimes", appleDoubleFile(kSetFork), {}},
                               {"__MACOSX/Sets/._Glass", appleDoubleFile(kSetFork), {}},
                               {"Sets/Read Me", kReadMe, {}}});
  EXPECT_EQ(import(write("Sets.zip", zip)), "Chimes, Glass");
}

TEST_F(ArchiveImportTest, ArchivesWithoutSetsOrThatCannotBeUnpackedSayWhyAndWriteNothing) {
  EXPECT_EQ(import(write("Docs.sit", stuffItArchive({{"Read Me", kReadMe, {}}}))),
            "Docs.sit contains no sound sets");

  auto damaged = stuffItArchive({{"Chimes", {}, kSetFork}});
  damaged[22 + 112 + 10] ^= 0xFF;  // inside the fork, which its CRC no longer matches
  EXPECT_EQ(import(write("Damaged.sit", damaged)), "Could not unpack Damaged.sit: Wrong checksum");
  auto header = stuffItArchive({{"Chimes", {}, kSetFork}});
  header[22 + 5] ^= 0xFF;  // inside a file header
  EXPECT_EQ(import(write("Header.sit", header)), "Header.sit is damaged and could not be unpacked");

  EXPECT_EQ(
      import(write("Climb.zip", zipArchive({{"Chimes", kReadMe, {}}, {"../x", kReadMe, {}}}))),
      "Climb.zip was not unpacked: its entry ../x leads outside its folder");
  EXPECT_EQ(import(write("Big.sit", stuffItArchive({{"Chimes", {}, kSetFork}})), {10, 64}),
            "Big.sit was not unpacked: it would take more than 64 bytes");
  EXPECT_EQ(import(write("Notes.zip", kReadMe)), "Notes.zip is not an archive Tonnix can unpack");
  for (const auto& entry : fs::recursive_directory_iterator(root())) {
    EXPECT_NE(entry.path().filename(), "x") << "unpacked from a refused archive";
    EXPECT_NE(entry.path().filename(), "Chimes.tonnixset") << "converted from a refused archive";
  }
}

TEST_F(ArchiveImportTest, AMissingUnarIsNamedAndWrappedSetsNeedNone) {
  const fs::path wrappedSet = write("Chimes.hqx", binHexFile("Chimes", {}, kSetFork));
  const fs::path archive = write("Chimes.sit", stuffItArchive({{"Chimes", {}, kSetFork}}));
  EXPECT_FALSE(isArchiveToUnpack(wrappedSet));
  EXPECT_TRUE(isArchiveToUnpack(archive));
  EXPECT_TRUE(isArchiveToUnpack(write("Chimes.SIT.HQX", binHexFile("Chimes.sit", {}, {1}))));

  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(root().string()));
  const std::string missing = import(archive);
  qputenv("PATH", path);
  EXPECT_EQ(missing,
            "Chimes.sit could not be unpacked: install the unar package to import archives");
}
