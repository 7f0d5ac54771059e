// Decoding stops at ten minutes of sound, counted in frames at the file's
// rate, and at most at 192 kHz, whatever the header claims.

#include "platform/linux/sndfile_decoding.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <vector>

#include "sound_file.h"

namespace {

static_assert(TonnixAudioError::maximumFrames(44100) == 44100LL * 600);
static_assert(TonnixAudioError::maximumFrames(768000) == 192000LL * 600);

TEST(SoundDecodingTest, StopsAtTenMinutesOfFramesAtTheHeadersRate) {
  QTemporaryDir folder;
  const std::filesystem::path root = folder.path().toStdString();
  // At 100 frames a second, ten minutes are 60000 frames.
  constexpr int kRate = 100;
  const auto frames = static_cast<std::size_t>(TonnixAudioError::maximumFrames(kRate));
  ASSERT_TRUE(
      tonnix_test::writeSound(root / "whole.wav", std::vector<double>(frames, 0.25), 1, kRate));
  ASSERT_TRUE(tonnix_test::writeSound(root / "longer.wav", std::vector<double>(frames + 1, 0.25), 1,
                                      kRate));

  const auto whole = tonnixDecodeSound(root / "whole.wav");
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->frameCount(), frames);
  const auto longer = tonnixDecodeSound(root / "longer.wav");
  ASSERT_FALSE(longer);
  EXPECT_EQ(longer.error().kind, TonnixAudioError::Kind::tooLong);
}

}  // namespace
