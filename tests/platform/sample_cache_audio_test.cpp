// Which path plays a sound when the sound server's sample cache is there:
// the cache for a plain sound, the fallback output for what the cache
// cannot do and whenever the cache fails.

#include "platform/linux/sample_cache_audio.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "platform/fake/fake_audio.h"
#include "platform/fake/fake_sample_cache.h"
#include "sound_file.h"

namespace {

class SampleCacheAudioTest : public testing::Test {
 protected:
  void SetUp() override {
    file_ = std::filesystem::path(folder_.path().toStdString()) / "click.wav";
    ASSERT_TRUE(tonnix_test::writeSound(file_, 2205, 0.5, 22050));
  }

  // Opens the file as a set's load does, and a player of it.
  std::unique_ptr<TonnixAudioPlayer> player() {
    auto clip = output_.openClip(file_);
    EXPECT_TRUE(clip);
    if (!clip) return nullptr;
    auto made = clip.value()->makePlayer();
    EXPECT_TRUE(made);
    return made ? std::move(made.value()) : nullptr;
  }

  QTemporaryDir folder_;
  std::filesystem::path file_;
  TonnixFakeSampleCache* cache_ = new TonnixFakeSampleCache;
  TonnixFakeAudioOutput* fallback_ = new TonnixFakeAudioOutput;
  TonnixSampleCacheAudio output_{std::unique_ptr<TonnixSampleCache>(cache_),
                                 std::unique_ptr<TonnixAudioOutput>(fallback_)};
};

TEST_F(SampleCacheAudioTest, APlainSoundPlaysFromTheCacheAndStops) {
  const auto sound = player();
  ASSERT_TRUE(sound);
  ASSERT_EQ(cache_->samples.size(), 1U) << "uploaded when opened";
  EXPECT_EQ(cache_->samples.begin()->second->samples.size(), 2205U);

  sound->setVolume(0.25f);
  ASSERT_TRUE(sound->play());
  ASSERT_EQ(cache_->plays.size(), 1U);
  EXPECT_EQ(cache_->plays[0].volume, 0.25f);
  EXPECT_TRUE(sound->isPlaying());
  sound->stop();
  EXPECT_FALSE(sound->isPlaying());
  EXPECT_TRUE(cache_->stopped.contains(cache_->plays[0].number));
  EXPECT_TRUE(fallback_->plays().empty());
}

// A sound opened at its first play is heard from the cache once uploaded.
TEST_F(SampleCacheAudioTest, APlayBeforeTheUploadEndsWaitsForIt) {
  cache_->defersUploads = true;
  const auto sound = player();
  ASSERT_TRUE(sound);
  EXPECT_TRUE(sound->play());
  EXPECT_TRUE(cache_->plays.empty());
  cache_->finishUploads();
  EXPECT_EQ(cache_->plays.size(), 1U);
  EXPECT_TRUE(fallback_->plays().empty());
}

// Pan and repeats are the fallback's; so is every sound the cache fails.
TEST_F(SampleCacheAudioTest, WhatTheCacheCannotPlayIsHeardThroughTheFallback) {
  const auto sound = player();
  ASSERT_TRUE(sound);
  const auto playsThroughFallback = [&](const char* why) {
    const std::size_t before = fallback_->plays().size();
    EXPECT_TRUE(sound->play()) << why;
    EXPECT_EQ(fallback_->plays().size(), before + 1) << why;
    sound->stop();
  };
  sound->setPan(-0.5f);
  playsThroughFallback("panned");
  EXPECT_EQ(fallback_->plays().back().pan, -0.5f);
  sound->setPan(0);
  sound->setNumberOfLoops(-1);
  playsThroughFallback("repeating");
  sound->setNumberOfLoops(0);

  cache_->refusesPlays = true;
  playsThroughFallback("refused by the server");
  cache_->refusesPlays = false;
  cache_->connected = false;
  playsThroughFallback("no server");
  EXPECT_TRUE(cache_->plays.empty());

  cache_->connected = true;
  cache_->refusesUploads = true;
  const auto notUploaded = player();
  ASSERT_TRUE(notUploaded);
  EXPECT_TRUE(notUploaded->play());
  EXPECT_TRUE(cache_->plays.empty());
  EXPECT_EQ(fallback_->plays().size(), 5U);
}

}  // namespace
