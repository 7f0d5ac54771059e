// Plays through OpenAL Soft's "wave" backend, which mixes in real time into
// a file instead of a sound card, and checks the samples that came out.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/linux/openal_audio.h"
#include "sound_file.h"

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 4410;
constexpr float kAmplitude = 0.5f;
// Quieter than any sample of the fixtures, louder than rounding noise.
constexpr float kSilence = 0.001f;

double energy(const std::vector<double>& samples) {
  double sum = 0;
  for (const double sample : samples) sum += sample * sample;
  return sum;
}

struct Capture {
  std::vector<double> left;
  std::vector<double> right;
};

std::size_t nonSilentFrames(const Capture& capture) {
  std::size_t count = 0;
  for (std::size_t frame = 0; frame < capture.left.size(); ++frame)
    if (std::abs(capture.left[frame]) > kSilence || std::abs(capture.right[frame]) > kSilence)
      ++count;
  return count;
}

// A square wave: every sample is at full amplitude, so each one counts as
// sound and the energy is exactly known. A stereo one is quieter on the
// right, to tell the channels apart.
void writeSquareWave(const std::filesystem::path& file, int channels) {
  std::vector<double> samples;
  for (int frame = 0; frame < kFrames; ++frame) {
    const double value = (frame / 50) % 2 == 0 ? kAmplitude : -kAmplitude;
    for (int channel = 0; channel < channels; ++channel)
      samples.push_back(channel == 0 ? value : value / 2);
  }
  ASSERT_TRUE(tonnix_test::writeSound(file, samples, channels, kRate, SF_FORMAT_FLOAT));
}

// OpenAL Soft's settings reach it without anything left behind for the
// programs Tonnix starts: nothing in the environment before main() ran, nor
// once the library has started.
TEST(OpenALSettingsTest, NothingIsLeftInTheEnvironment) {
  for (const char* name : {"ALSOFT_CONF", "ALSOFT_LOGLEVEL"}) {
    EXPECT_FALSE(qEnvironmentVariableIsSet(name)) << name << " before main()";
  }
  { TonnixOpenALAudio output; }
  for (const char* name : {"ALSOFT_CONF", "ALSOFT_LOGLEVEL"}) {
    EXPECT_FALSE(qEnvironmentVariableIsSet(name)) << name << " once started";
  }
}

class OpenALWaveTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    directory_ = new QTemporaryDir;
    folder_ = directory_->path().toStdString();
    const std::filesystem::path& folder = folder_;
    std::ofstream(folder / "alsoft.conf") << "[general]\n"
                                             "drivers = wave\n"
                                             "channels = stereo\n"
                                             "sample-type = float32\n"
                                             "frequency = 44100\n"
                                             "[wave]\n"
                                             "file = "
                                          << (folder / "out.wav").string() << "\n";
    // OpenAL Soft reads both once, at its first call in this process.
    qputenv("ALSOFT_CONF", QByteArray((folder / "alsoft.conf").c_str()));
    qputenv("ALSOFT_DRIVERS", "wave");
    writeSquareWave(folder / "mono.wav", 1);
    writeSquareWave(folder / "stereo.wav", 2);
  }
  static void TearDownTestSuite() { delete directory_; }

  // Plays the file once through a fresh device and returns what the device
  // wrote; the file is complete once the device has closed.
  static Capture play(const char* name, float volume, float pan, int loops = 0) {
    {
      TonnixOpenALAudio output;
      EXPECT_EQ(output.unavailableReason(), std::nullopt);
      auto clip = output.openClip(folder_ / name);
      EXPECT_TRUE(clip.hasValue());
      if (!clip) return {};
      auto player = clip.value()->makePlayer();
      EXPECT_TRUE(player.hasValue());
      if (!player) return {};
      auto& sound = *player.value();
      sound.setVolume(volume);
      sound.setPan(pan);
      sound.setNumberOfLoops(loops);
      sound.prepareToPlay();
      EXPECT_TRUE(sound.play());
      for (int wait = 0; wait < 1000 && sound.isPlaying(); ++wait) QThread::msleep(5);
      EXPECT_FALSE(sound.isPlaying());
    }
    const auto sound = tonnix_test::readSound(folder_ / "out.wav");
    EXPECT_TRUE(sound);
    if (!sound) return {};
    EXPECT_EQ(sound->info.channels, 2);
    return {sound->channel(0), sound->channel(1)};
  }

  static inline QTemporaryDir* directory_ = nullptr;
  static inline std::filesystem::path folder_;
};

constexpr double kMonoEnergy = double(kAmplitude) * kAmplitude * kFrames;

// Centred with constant power; panned fully, a mono sound moves wholly to
// one side and a stereo one balances away from the other.
TEST_F(OpenALWaveTest, VolumePanAndLoopsShapeWhatReachesTheOutput) {
  const Capture full = play("mono.wav", 1, 0);
  EXPECT_EQ(nonSilentFrames(full), std::size_t(kFrames));
  EXPECT_NEAR(energy(full.left), kMonoEnergy / 2, kMonoEnergy * 0.01);
  EXPECT_NEAR(energy(full.right), kMonoEnergy / 2, kMonoEnergy * 0.01);
  EXPECT_NEAR(energy(play("mono.wav", 0.5f, 0).left) / energy(full.left), 0.25, 0.01);
  EXPECT_EQ(nonSilentFrames(play("mono.wav", 1, 0, 1)), std::size_t(2 * kFrames));

  const Capture left = play("mono.wav", 1, -1);
  EXPECT_NEAR(energy(left.left), kMonoEnergy, kMonoEnergy * 0.01);
  EXPECT_LT(energy(left.right), kMonoEnergy * 1e-4);
  const Capture right = play("mono.wav", 1, 1);
  EXPECT_NEAR(energy(right.right), kMonoEnergy, kMonoEnergy * 0.01);
  EXPECT_LT(energy(right.left), kMonoEnergy * 1e-4);

  const Capture balanced = play("stereo.wav", 1, -1);
  EXPECT_NEAR(energy(balanced.left), kMonoEnergy, kMonoEnergy * 0.01);
  EXPECT_LT(energy(balanced.right), kMonoEnergy / 4 * 1e-4);
}

}  // namespace
