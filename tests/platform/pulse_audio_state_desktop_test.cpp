#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include "event_loop.h"
#include "platform/fake/fake_audio.h"
#include "platform/linux/openal_audio.h"
#include "platform/linux/pulse_audio_state.h"
#include "platform/linux/pulse_sample_cache.h"
#include "platform/linux/sample_cache_audio.h"
#include "sound_file.h"

// The PulseAudio state, the OpenAL output and the sample cache against a
// PulseAudio server of the test's own, with a silent output and a silent
// input, changed with pactl and recorded from with parecord. Skipped where
// the server is not installed.

namespace {

class PulseAudioStateTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const QString server = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (server.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty()) {
      return;
    }
    folder_ = std::make_unique<QTemporaryDir>();
    // OpenAL Soft picks its backend at its first call.
    qputenv("ALSOFT_DRIVERS", "pulse");
    startServer();
  }

  static void startServer() {
    const QString server = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), folder_->path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder_->path());
    environment.remove(QStringLiteral("PULSE_SERVER"));
    server_ = std::make_unique<QProcess>();
    server_->setProcessEnvironment(environment);
    server_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server_->start(server, QStringLiteral("-n|--daemonize=no|--exit-idle-time=-1|"
                                          "--use-pid-file=false|--load=module-native-protocol-unix|"
                                          "--load=module-null-sink sink_name=out|"
                                          "--load=module-null-source source_name=mic")
                               .split(QLatin1Char('|')));
    const QByteArray address = "unix:" + QFile::encodeName(folder_->filePath("pulse/native"));
    ::setenv("PULSE_SERVER", address.constData(), 1);
    running_ = server_->waitForStarted() && tonnix_test::turnUntil([] { return pactl({"info"}); });
  }

  static void stopServer() {
    if (server_) server_->terminate();
    if (server_ && !server_->waitForFinished(5000)) server_->kill();
    server_.reset();
  }

  static void TearDownTestSuite() {
    stopServer();
    folder_.reset();
  }

  void SetUp() override {
    if (!running_) GTEST_SKIP() << "no PulseAudio server to test with (package pulseaudio)";
    ASSERT_TRUE(pactl({"set-default-sink", "out"}));
    ASSERT_TRUE(pactl({"set-sink-mute", "out", "0"}));
    ASSERT_TRUE(pactl({"set-sink-volume", "out", "100%"}));
  }

  static bool pactl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
  }

  static inline std::unique_ptr<QTemporaryDir> folder_;
  static inline std::unique_ptr<QProcess> server_;
  static inline bool running_ = false;
};

}  // namespace

TEST_F(PulseAudioStateTest, AMutedOrSilentDefaultOutputIsHeldBack) {
  TonnixPulseAudioState state;
  EXPECT_FALSE(tonnix_test::turnUntil([&] { return state.isOutputHeldBack(); }, 1000));
  for (const auto& [command, value, heldBack] : {std::tuple("set-sink-mute", "1", true),
                                                 {"set-sink-mute", "0", false},
                                                 {"set-sink-volume", "0", true},
                                                 {"set-sink-volume", "1%", false}}) {
    ASSERT_TRUE(pactl({command, "out", value}));
    const bool expected = heldBack;  // clang 14's lambdas capture no structured binding
    EXPECT_TRUE(tonnix_test::turnUntil([&] { return state.isOutputHeldBack() == expected; }))
        << command << " " << value;
  }
}

// Neither the idle input nor recording the output's monitor counts.
TEST_F(PulseAudioStateTest, AnInputIsInUseWhileSomethingRecordsFromIt) {
  TonnixPulseAudioState state;
  const auto record = [](QProcess& recorder, const char* device) {
    recorder.start(QStringLiteral("parecord"), {QStringLiteral("--device=") + device,
                                                QStringLiteral("--raw"), QProcess::nullDevice()});
    return recorder.waitForStarted();
  };
  QProcess monitor;
  if (!record(monitor, "out.monitor")) GTEST_SKIP() << "parecord is not installed";
  EXPECT_FALSE(tonnix_test::turnUntil([&] { return state.isInputRecording(); }, 1000));
  monitor.kill();
  monitor.waitForFinished();

  QProcess recorder;
  ASSERT_TRUE(record(recorder, "mic"));
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return state.isInputRecording(); }));
  recorder.kill();
  recorder.waitForFinished();
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return !state.isInputRecording(); }));
}

// Whether a loud sample reaches the output's monitor after `play` starts a sound.
bool isHeard(const std::function<bool()>& play) {
  QProcess recorder;
  recorder.start(
      QStringLiteral("parec"),
      QStringLiteral("-d|out.monitor|--raw|--format=s16le|--channels=1|--latency-msec=10")
          .split(QLatin1Char('|')));
  if (!recorder.waitForStarted()) return false;
  tonnix_test::turnFor(300);
  recorder.readAll();
  bool heard = false;
  if (play()) {
    heard = tonnix_test::turnUntil(
        [&] {
          const QByteArray data = recorder.readAll();
          const auto* samples = reinterpret_cast<const std::int16_t*>(data.constData());
          return std::any_of(samples, samples + data.size() / 2,
                             [](std::int16_t sample) { return std::abs(sample) > 1000; });
        },
        3000);
  }
  recorder.kill();
  recorder.waitForFinished();
  return heard;
}

// Idle, the device pauses, so the sound server may suspend the sink; a
// wake (the pointer moving) or the next sound resumes it, and a restarted
// server is found again at the next sound without restarting anything.
TEST_F(PulseAudioStateTest, TheOutputPausesWhenIdleAndSurvivesARestartOfTheServer) {
  const auto file = std::filesystem::path(folder_->path().toStdString()) / "tone.wav";
  ASSERT_TRUE(tonnix_test::writeSound(file, 8000, 0.5, 44100));
  TonnixOpenALAudio output;
  ASSERT_EQ(output.unavailableReason(), std::nullopt);
  auto clip = output.openClip(file);
  ASSERT_TRUE(clip.hasValue());
  auto player = clip.value()->makePlayer();
  ASSERT_TRUE(player.hasValue());
  const auto play = [&] { return player.value()->play(); };
  EXPECT_TRUE(isHeard(play));

  const auto isCorked = [] {
    QProcess list;
    list.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    return list.waitForFinished(5000) && list.readAll().contains("Corked: yes");
  };
  EXPECT_TRUE(tonnix_test::turnUntil(isCorked, 6000)) << "no pause when idle";
  output.wake();
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return !isCorked(); })) << "not woken";
  EXPECT_TRUE(isHeard(play)) << "no sound after the pause";

  stopServer();
  startServer();
  ASSERT_TRUE(running_);
  ASSERT_TRUE(pactl({"set-default-sink", "out"}));
  EXPECT_TRUE(isHeard(play)) << "no sound after the server restarted";
}

// The server going away in the middle of a sound leaves one line, and once
// a server is back the next sound is heard.
TEST_F(PulseAudioStateTest, AServerVanishingMidSoundLeavesOneLineAndTheNextSoundPlays) {
  const auto file = std::filesystem::path(folder_->path().toStdString()) / "long.wav";
  ASSERT_TRUE(tonnix_test::writeSound(file, 44100 * 3, 0.5, 44100));
  TonnixOpenALAudio output;
  auto clip = output.openClip(file);
  ASSERT_TRUE(clip.hasValue());
  auto player = clip.value()->makePlayer();
  ASSERT_TRUE(player.hasValue());
  const auto play = [&] { return player.value()->play(); };
  ASSERT_TRUE(isHeard(play));

  testing::internal::CaptureStderr();
  stopServer();
  startServer();
  ASSERT_TRUE(running_);
  ASSERT_TRUE(pactl({"set-default-sink", "out"}));
  const bool heard = isHeard(play);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(heard) << "no sound after the server vanished mid-sound";
  std::size_t lines = 0;
  for (std::size_t at = said.find("TonnixAudio:"); at != std::string::npos;
       at = said.find("TonnixAudio:", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, 1U) << said;
}

// A sound is uploaded to the server's sample cache when it is opened and
// played from there; after the server restarted it is there again and the
// next sound plays from it, with nothing through the fallback.
TEST_F(PulseAudioStateTest, ASoundUploadedWhenOpenedPlaysFromTheCacheAcrossARestart) {
  const auto file = std::filesystem::path(folder_->path().toStdString()) / "click.wav";
  ASSERT_TRUE(tonnix_test::writeSound(file, 4410, 0.5, 44100));
  std::string why;
  auto cache = TonnixPulseSampleCache::connect(why);
  ASSERT_TRUE(cache) << why;
  auto* fallback = new TonnixFakeAudioOutput;
  TonnixSampleCacheAudio output(std::move(cache), std::unique_ptr<TonnixAudioOutput>(fallback));
  auto clip = output.openClip(file);
  ASSERT_TRUE(clip.hasValue());
  auto player = clip.value()->makePlayer();
  ASSERT_TRUE(player.hasValue());
  const auto isUploaded = [] {
    QProcess list;
    list.start(QStringLiteral("pactl"),
               {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("samples")});
    return list.waitForFinished(5000) && list.readAll().contains("tonnix.");
  };
  ASSERT_TRUE(tonnix_test::turnUntil(isUploaded));
  const auto play = [&] { return player.value()->play(); };
  EXPECT_TRUE(isHeard(play));

  stopServer();
  startServer();
  ASSERT_TRUE(running_);
  ASSERT_TRUE(pactl({"set-default-sink", "out"}));
  EXPECT_TRUE(tonnix_test::turnUntil(isUploaded)) << "not uploaded again";
  EXPECT_TRUE(tonnix_test::turnUntil([&] { return output.unavailableReason() == std::nullopt; }));
  EXPECT_TRUE(isHeard(play)) << "no sound after the server restarted";
  EXPECT_TRUE(fallback->plays().empty());
}

// The server refuses a sample larger than its cache takes (16 MiB): one
// line says so, and the sound is heard all the same, through the fallback.
TEST_F(PulseAudioStateTest, ASampleTheServerRefusesIsSaidOnceAndHeardThroughTheFallback) {
  const auto file = std::filesystem::path(folder_->path().toStdString()) / "long.caf";
  constexpr int kFrames = 8'500'000;  // 17 MB of 16-bit mono
  ASSERT_TRUE(tonnix_test::writeSound(file, kFrames, 0.5, 192000));
  std::string why;
  auto cache = TonnixPulseSampleCache::connect(why);
  ASSERT_TRUE(cache) << why;
  TonnixSampleCacheAudio output(std::move(cache), std::make_unique<TonnixOpenALAudio>());
  testing::internal::CaptureStderr();
  auto clip = output.openClip(file);
  ASSERT_TRUE(clip.hasValue());
  auto player = clip.value()->makePlayer();
  ASSERT_TRUE(player.hasValue());
  const auto play = [&] { return player.value()->play(); };
  const bool heard = isHeard(play);
  player.value()->stop();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(heard);
  EXPECT_NE(said.find("could not upload long.caf"), std::string::npos) << said;
  EXPECT_EQ(said.find("TonnixAudio:"), said.rfind("TonnixAudio:")) << said;
}
