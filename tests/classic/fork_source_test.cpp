#include "classic/fork_source.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>

#include "classic/resource_fork.h"
#include "fork_containers.h"
#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> sampleFork() {
  // Runs of equal bytes exercise BinHex's run-length escape, 0x90 its literal.
  std::vector<std::uint8_t> samples(307, 0x80);
  const std::uint8_t head[] = {0x90, 0x90, 0x90, 0x90, 0x01, 0x90, 0xFF};
  std::copy(std::begin(head), std::end(head), samples.begin());
  return TestResourceForkWriter()
      .add("snd ", 128, format1Sound(standardHeader(kRate22050, samples)), "btnp")
      .add("vers", 1, versionResource("1.0", "(c) 1997"))
      .bytes();
}

class ForkSourceTest : public testing::Test {
 protected:
  fs::path write(const std::string& relative, const std::vector<std::uint8_t>& bytes) {
    return writeBytes(fs::path(dir_.path().toStdString()) / relative, bytes);
  }

  QTemporaryDir dir_;
  const std::vector<std::uint8_t> fork_ = sampleFork();
  const std::vector<std::uint8_t> dataFork_ = bytesOf("data fork text");
};

}  // namespace

TEST_F(ForkSourceTest, EveryContainerFormYieldsTheSameFork) {
  const std::vector<std::pair<fs::path, TonnixForkContainer>> files = {
      {write("raw/Chimes.rsrc", fork_), TonnixForkContainer::rawFork},
      {write("single/Chimes", appleSingleFile(dataFork_, fork_)),
       TonnixForkContainer::appleSingleOrDouble},
      {write("double/._Chimes", appleDoubleFile(fork_)), TonnixForkContainer::appleSingleOrDouble},
      {write("mb1/Chimes.bin", macBinaryFile(1, "Chimes", dataFork_, fork_)),
       TonnixForkContainer::macBinary},
      {write("mb2/Chimes.bin", macBinaryFile(2, "Chimes", dataFork_, fork_)),
       TonnixForkContainer::macBinary},
      {write("mb3/Chimes.bin", macBinaryFile(3, "Chimes", {}, fork_)),
       TonnixForkContainer::macBinary},
      {write("hqx/Chimes.hqx", binHexFile("Chimes", dataFork_, fork_)),
       TonnixForkContainer::binHex},
  };
  for (const auto& [path, container] : files) {
    SCOPED_TRACE(path.string());
    const auto found = readResourceForkBytes(path);
    ASSERT_TRUE(found) << found.error().message;
    EXPECT_EQ(found->container, container);
    EXPECT_EQ(found->bytes, fork_);
  }
}

// Candidates run from the nearest to the top; a sidecar without a fork, or
// with a blank one, falls back to the file itself.
TEST_F(ForkSourceTest, SidecarBesideTheFileOrMirroredUnderMacosxFolder) {
  const std::vector<fs::path> expected = {"/a/b/._Chimes", "/a/b/__MACOSX/._Chimes",
                                          "/a/__MACOSX/b/._Chimes", "/__MACOSX/a/b/._Chimes"};
  EXPECT_EQ(sidecarCandidates("/a/b/Chimes"), expected);
  const auto beside = write("plain/Chimes", dataFork_);
  write("plain/._Chimes", appleDoubleFile(fork_));
  const auto nested = write("unpacked/Sets/Old/Chimes", dataFork_);
  write("unpacked/__MACOSX/Sets/Old/._Chimes", appleDoubleFile(fork_));
  for (const auto& path : {beside, nested}) {
    const auto found = readResourceForkBytes(path);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->container, TonnixForkContainer::appleDoubleSidecar);
    EXPECT_EQ(found->bytes, fork_);
  }
  // Copies to other systems leave blank sidecars: an empty fork, or the
  // 286-byte fork whose map holds no types.
  const auto blank = TestResourceForkWriter().bytes();
  ASSERT_EQ(blank.size(), 286u);
  const std::vector<std::tuple<std::string, std::vector<std::uint8_t>, TonnixForkContainer>>
      carriers = {
          {"Chimes.bin", macBinaryFile(2, "Chimes", dataFork_, fork_),
           TonnixForkContainer::macBinary},
          {"Chimes.hqx", binHexFile("Chimes", dataFork_, fork_), TonnixForkContainer::binHex},
          {"Chimes.rsrc", fork_, TonnixForkContainer::rawFork}};
  for (const auto& sidecarFork : {std::vector<std::uint8_t>{}, blank}) {
    for (const auto& [name, bytes, container] : carriers) {
      SCOPED_TRACE(name);
      const auto path = write(name, bytes);
      write("._" + name, appleDoubleFile(sidecarFork));
      const auto found = readResourceForkBytes(path);
      ASSERT_TRUE(found);
      EXPECT_EQ(found->container, container);
      EXPECT_EQ(found->bytes, fork_);
    }
  }
}

TEST_F(ForkSourceTest, MissingFoldersDataOnlyFilesAndPipesGetTheirErrors) {
  EXPECT_EQ(TonnixResourceFork::open(dir_.filePath("absent").toStdString()).error(),
            TonnixResourceForkError::couldNotLocate(-43));
  EXPECT_EQ(TonnixResourceFork::open(dir_.path().toStdString()).error(),
            TonnixResourceForkError::couldNotLocate(-50));
  const auto text = write("notes.txt", bytesOf("just some text\n"));
  EXPECT_EQ(TonnixResourceFork::open(text.string()).error(),
            TonnixResourceForkError::noReadableFork(-39));
  const auto empty = write("empty", {});
  EXPECT_EQ(TonnixResourceFork::open(empty.string()).error().message,
            "The file has no readable resource fork");
  EXPECT_EQ(TonnixResourceFork::open("https://example.org/Chimes").error(),
            TonnixResourceForkError::notAFileURL());
  // A named pipe is refused without waiting for a writer.
  const fs::path pipe = fs::path(dir_.path().toStdString()) / "Chimes";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(TonnixResourceFork::open(pipe.string()).error(),
            TonnixResourceForkError::noReadableFork(-50));
}

TEST_F(ForkSourceTest, FileUrlsResolveToPaths) {
  const auto path = write("With Space/Chimes.rsrc", fork_);
  EXPECT_TRUE(TonnixResourceFork::open("file://" + dir_.path().toStdString() +
                                       "/With%20Space/Chimes.rsrc"));
  EXPECT_TRUE(TonnixResourceFork::open("file://localhost" + path.string()));
  EXPECT_FALSE(resolveFileLocation("file://elsewhere/x"));
  EXPECT_EQ(*resolveFileLocation("odd:name"), fs::path("odd:name"));
  EXPECT_EQ(locationFileName("file:///sets/Hi%20Tech/"), "Hi Tech");
  EXPECT_EQ(locationFileName("/sets/Chimes"), "Chimes");
}

TEST_F(ForkSourceTest, DamagedContainersYieldNoFork) {
  auto binHex = binHexFile("Chimes", dataFork_, fork_);
  binHex[binHex.size() / 2] = binHex[binHex.size() / 2] == 'A' ? 'B' : 'A';  // breaks a CRC
  EXPECT_FALSE(unwrapForkContainer(binHex));

  auto macBinary = macBinaryFile(2, "Chimes", dataFork_, fork_);
  macBinary[10] ^= 0x01;  // the header CRC no longer matches
  EXPECT_FALSE(unwrapForkContainer(macBinary));

  auto single = appleSingleFile(dataFork_, fork_);
  single[26 + 12 + 11] += 1;  // the fork entry now runs past the end
  EXPECT_FALSE(unwrapForkContainer(single));

  // Files that only resemble MacBinary: zero markers and a plausible name, but the lengths do not
  // match the file.
  auto lookalike = macBinaryFile(1, "Chimes", dataFork_, fork_);
  lookalike.resize(lookalike.size() + 128, 0);
  EXPECT_FALSE(unwrapForkContainer(lookalike));
  // A version 1 header must leave the later fields zero.
  auto withNoise = macBinaryFile(1, "Chimes", dataFork_, fork_);
  withNoise[110] = 0x42;
  EXPECT_FALSE(unwrapForkContainer(withNoise));
}
