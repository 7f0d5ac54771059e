// `tonnix play` end to end: the real program, a set in the scratch home's
// data folder, and OpenAL Soft with no device or with its wave backend.

#include <gtest/gtest.h>

#include <cmath>

#include "library/bundle_writer.h"
#include "program.h"
#include "sound_file.h"

namespace {

using tonnix_test::ScratchHome;

constexpr int soundFrames = 2205;

class PlayCommandTest : public testing::Test {
 protected:
  PlayCommandTest() {
    const auto bundle = home.root() / "data" / "tonnix" / "Tonnix Sets" / "Played.tonnixset";
    TonnixBundleMetadata metadata;
    metadata.identifier = "org.tonnix.tonnixset.played";
    metadata.name = "Played";
    EXPECT_TRUE(writeBundle(bundle, metadata));
    tonnix_test::writeSound(bundle / "Contents" / "Resources" / "MenuOpen.aiff", soundFrames, 0.37,
                            44100);
    // No built-in set: the one above is all there is.
    home.setEnvironment(QStringLiteral("TONNIX_BUILTIN_SETS"), home.path(QStringLiteral("none")));
    EXPECT_EQ(home.run({"baseline", "org.tonnix.tonnixset.played"}).exitCode, 0);
  }

  ScratchHome home;
};

TEST_F(PlayCommandTest, SaysWhyNothingWasHeardAndFails) {
  const auto noDevice = home.run({"play", "mnuo"});
  EXPECT_EQ(noDevice.exitCode, 3);
  EXPECT_TRUE(noDevice.errors.contains("no sound: No audio output device is available."))
      << noDevice.errors.toStdString();

  const auto noFile = home.run({"play", "wopn"});
  EXPECT_EQ(noFile.exitCode, 1);
  EXPECT_TRUE(noFile.errors.contains("the set Played has no file for wopn."))
      << noFile.errors.toStdString();
  EXPECT_EQ(home.run({"play", "mnu"}).exitCode, 1);
  EXPECT_EQ(home.run({"play"}).exitCode, 2);

  // Through ALSA, which has no card here (or plays on the one there is):
  // either way, no line of the audio libraries' own.
  home.setEnvironment(QStringLiteral("ALSOFT_DRIVERS"), QStringLiteral("alsa"));
  const auto throughAlsa = home.run({"play", "mnuo"});
  EXPECT_FALSE(throughAlsa.errors.contains(QStringLiteral("ALSA lib")) ||
               throughAlsa.errors.contains(QStringLiteral("AL lib")))
      << throughAlsa.errors.toStdString();
}

TEST_F(PlayCommandTest, PlaysToTheEndOnARealOutput) {
  home.playIntoWaveFile();
  const auto result = home.run({"play", "mnuo"});
  EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();

  // The whole sound reached the output before the program ended.
  const auto written = tonnix_test::readSound(home.waveOutput().toStdString());
  ASSERT_TRUE(written);
  const auto left = written->channel(0);
  EXPECT_EQ(std::count_if(left.begin(), left.end(), [](double x) { return std::abs(x) > 0.01; }),
            soundFrames);
}

}  // namespace
