#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

#include "event_loop.h"
#include "platform/linux/pulse_audio_state.h"

// The PulseAudio state against a PulseAudio server of the test's own, with
// a silent output and a silent input, changed with pactl and recorded from
// with parecord. Skipped where the server is not installed.

namespace {

class PulseAudioStateTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const QString server = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (server.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty()) {
      return;
    }
    folder_ = std::make_unique<QTemporaryDir>();
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

  static void TearDownTestSuite() {
    if (server_) server_->terminate();
    if (server_ && !server_->waitForFinished(5000)) server_->kill();
    server_.reset();
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
    EXPECT_TRUE(tonnix_test::turnUntil([&] { return state.isOutputHeldBack() == heldBack; }))
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
