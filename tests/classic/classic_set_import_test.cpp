#include "classic/classic_set_import.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <bit>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "library/bundle.h"
#include "platform/fake/fake_audio_file_writer.h"
#include "platform/linux/sndfile_audio_file_writer.h"
#include "resource_fork_writer.h"
#include "sound_file.h"
#include "sound_resources.h"

namespace fs = std::filesystem;

namespace {

class ClassicSetImportTest : public testing::Test {
 protected:
  fs::path writeSet(const std::string& name, const TestResourceForkWriter& fork) {
    return writeBytes(root() / name, fork.bytes());
  }
  fs::path root() const { return dir_.path().toStdString(); }
  fs::path scratch() const { return root() / "scratch"; }
  fs::path resources(const std::string& name) const {
    return scratch() / (name + ".tonnixset") / "Contents" / "Resources";
  }

  QTemporaryDir dir_;
  TonnixFakeAudioFileWriter fake_;
  TonnixSndfileAudioFileWriter sndfile_;
};

const auto kBeep = format1Sound(standardHeader(kRate22050, {0x80, 0xC0, 0x40}));
const auto kUnknown = format1Sound(compressedHeader(1, kRate22050, 2, "ZZZZ", {1, 2}));

}  // namespace

// 'zzzz' is no catalogue sound; both users of the unknown format fail, with one
// decode attempt between them, and both users of the beep share one decode.
TEST_F(ClassicSetImportTest, SharedSoundsAreDecodedOnceAndUnknownOrUndecodableOnesSkipped) {
  const auto file = writeSet(
      "Mixed",
      TestResourceForkWriter()
          .add("snd ", 1, kBeep)
          .add("snd ", 2, kUnknown)
          .add(
              "snd#", 1,
              soundList({{"zzzz", {1}}, {"mnuo", {2}}, {"mnuc", {2}}, {"btnp", {1}}, {"btnr", {1}}},
                        20)));
  const auto summary = importClassicSet(file, scratch(), fake_);
  ASSERT_TRUE(summary) << describe(summary.error());
  EXPECT_EQ(*summary, (TonnixClassicImportSummary{"Mixed", 2, 3, 1}));
  EXPECT_EQ(fake_.writes().size(), 1u);
  EXPECT_TRUE(fs::exists(resources("Mixed") / "ButtonPress.caf"));
  EXPECT_TRUE(fs::exists(resources("Mixed") / "ButtonRelease.caf"));
  EXPECT_EQ(importSummaryText(*summary), "Imported Mixed: 2 events from 1 sounds, 3 skipped");
}

// Nothing decodable removes the bundle; an error writing a sound passes
// through.
TEST_F(ClassicSetImportTest, FailuresEndTheConversionWithTheirReason) {
  const auto undecodable = writeSet(
      "Old Set",
      TestResourceForkWriter().add("snd ", 1, kUnknown, "btnp").add("snd ", 2, kUnknown, "mnuo"));
  auto summary = importClassicSet(undecodable, scratch(), fake_);
  ASSERT_FALSE(summary);
  EXPECT_EQ(describe(summary.error()), "Nothing in Old Set could be decoded into audio");
  EXPECT_FALSE(fs::exists(scratch() / "Old Set.tonnixset"));

  fake_.failWith("No space left on device");
  summary = importClassicSet(
      writeSet("Chimes", TestResourceForkWriter().add("snd ", 1, kBeep, "btnp")), scratch(), fake_);
  ASSERT_FALSE(summary);
  EXPECT_EQ(describe(summary.error()), "Could not write ButtonPress: No space left on device");
}

TEST_F(ClassicSetImportTest, BundleCarriesTheSetsMetadata) {
  const auto file =
      writeSet("!?!", TestResourceForkWriter()
                          .add("snd ", 1, kBeep, "wcle")
                          .add("vers", 1, versionResource("1.1", "(c) 1998 Someone")));
  ASSERT_TRUE(importClassicSet(file, scratch(), sndfile_));
  const auto bundle = TonnixBundle::open(scratch() / "!?!.tonnixset", false);
  ASSERT_TRUE(bundle) << bundle.error().description();
  EXPECT_EQ((*bundle)->metadata(), (TonnixBundleMetadata{"org.tonnix.tonnixset.imported.set", "!?!",
                                                         "1.1", std::nullopt, "(c) 1998 Someone"}));
  EXPECT_EQ((*bundle)->soundURL(TonnixSoundID("wcle")), resources("!?!") / "WindowCloseEnter.caf");
}

TEST_F(ClassicSetImportTest, WritesLittleEndianSixteenBitCaf) {
  const auto file =
      writeSet("Stereo", TestResourceForkWriter().add(
                             "snd ", 1,
                             format1Sound(extendedHeader(2, 0x56EE8BA3, 2, 16,
                                                         {0, 1, 0xFF, 0xFF, 0x80, 0, 0x7F, 0xFF})),
                             "btnp"));
  ASSERT_TRUE(importClassicSet(file, scratch(), sndfile_));
  const auto caf = resources("Stereo") / "ButtonPress.caf";

  const auto sound = tonnix_test::readSound(caf);
  ASSERT_TRUE(sound);
  EXPECT_EQ(sound->info.format, SF_ENDIAN_LITTLE | SF_FORMAT_CAF | SF_FORMAT_PCM_16);
  EXPECT_EQ(sound->info.channels, 2);
  EXPECT_EQ(sound->info.samplerate, 22255);  // libsndfile reads whole hertz
  std::vector<long> samples;
  for (const double sample : sound->samples) samples.push_back(std::lround(sample * 32768));
  EXPECT_EQ(samples, (std::vector<long>{1, -1, -32768, 32767}));

  std::ifstream in(caf, std::ios::binary);
  std::vector<unsigned char> head(36);
  in.read(reinterpret_cast<char*>(head.data()), 36);
  EXPECT_EQ(std::string(head.begin() + 8, head.begin() + 12), "desc");
  std::uint64_t rateBits = 0;
  for (int i = 20; i < 28; ++i) rateBits = rateBits << 8 | head[i];
  EXPECT_EQ(std::bit_cast<double>(rateBits), 0x56EE8BA3 / 65536.0);  // the classic 22254.5454 Hz
  EXPECT_EQ(std::string(head.begin() + 28, head.begin() + 32), "lpcm");
  EXPECT_EQ(head[35] & 0x03, 0x02);  // little-endian, not float
}

TEST_F(ClassicSetImportTest, OnlyWholeFramesOfWritableShapesAreWritten) {
  const std::vector<std::int16_t> seven = {1, 2, 3, 4, 5, 6, 7};
  fs::create_directories(scratch());
  ASSERT_TRUE(writeAudioFile(fake_, 2, seven, scratch() / "a.caf", "A", 22050));
  ASSERT_EQ(fake_.writes().size(), 1u);
  EXPECT_EQ(fake_.writes()[0].samples.size(), 6u);
  for (const auto& [channels, rate] :
       {std::pair<std::uint32_t, double>{0, 22050}, {1, 0}, {2, 22050}}) {
    const auto written = writeAudioFile(fake_, channels, std::span(seven).first(1),
                                        scratch() / "b.caf", "DragBegin", rate);
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().description(), "Could not allocate an audio buffer for DragBegin");
  }
  EXPECT_EQ(fake_.writes().size(), 1u);
}
