// `tonnix play` end to end: the real program, a set in a private data
// folder, and OpenAL Soft with no device or with its wave backend.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "library/bundle_writer.h"

namespace {

namespace fs = std::filesystem;

const char kSet[] = "org.tonnix.tonnixset.played";

class PlayCommandTest : public testing::Test {
 protected:
  PlayCommandTest() {
    const fs::path bundle = root() / "data" / "tonnix" / "Tonnix Sets" / "Played.tonnixset";
    TonnixBundleMetadata metadata;
    metadata.identifier = kSet;
    metadata.name = "Played";
    writeBundle(bundle, metadata);
    writeSound(bundle / "Contents" / "Resources" / "MenuOpen.aiff");
    fs::create_directories(root() / "builtin");
    EXPECT_EQ(run({"baseline", kSet}).exitCode, 0);
  }

  struct Result {
    int exitCode = -1;
    QString standardError;
  };

  fs::path root() const { return directory_.path().toStdString(); }

  Result run(const QStringList& arguments, const QStringList& environment = {}) const {
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert("XDG_CONFIG_HOME", QString::fromStdString((root() / "config").string()));
    variables.insert("XDG_DATA_HOME", QString::fromStdString((root() / "data").string()));
    variables.insert("TONNIX_BUILTIN_SETS", QString::fromStdString((root() / "builtin").string()));
    for (const QString& variable : environment) {
      variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
    }
    process.setProcessEnvironment(variables);
    process.start(QStringLiteral(TONNIX_EXECUTABLE), arguments);
    if (!process.waitForFinished(30000)) {
      process.kill();
      process.waitForFinished();
      return {};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
  }

  static void writeSound(const fs::path& file) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
    const std::vector<short> samples(2205, 12000);
    sf_writef_short(sound, samples.data(), 2205);
    sf_close(sound);
  }

  QTemporaryDir directory_;
};

TEST_F(PlayCommandTest, WithoutAnOutputDeviceItSaysSoAndFails) {
  const Result result = run({"play", "mnuo"}, {"ALSOFT_DRIVERS=null"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.standardError.contains("no sound: No audio output device is available."))
      << result.standardError.toStdString();
}

TEST_F(PlayCommandTest, SoundWithoutAFileNamesTheSet) {
  const Result result = run({"play", "wopn"}, {"ALSOFT_DRIVERS=null"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_TRUE(result.standardError.contains("the set Played has no file for wopn."))
      << result.standardError.toStdString();
  EXPECT_EQ(run({"play", "mnu"}).exitCode, 1);
  EXPECT_EQ(run({"play"}).exitCode, 2);
}

TEST_F(PlayCommandTest, PlaysToTheEndOnARealOutput) {
  const fs::path output = root() / "out.wav";
  const fs::path configuration = root() / "alsoft.conf";
  std::ofstream(configuration) << "[general]\ndrivers = wave\n[wave]\nfile = " << output.string()
                               << "\n";
  const Result result =
      run({"play", "mnuo"},
          {"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + QString::fromStdString(configuration.string())});
  EXPECT_EQ(result.exitCode, 0) << result.standardError.toStdString();

  // The whole sound reached the output before the program ended.
  SF_INFO info{};
  SNDFILE* written = sf_open(output.c_str(), SFM_READ, &info);
  ASSERT_NE(written, nullptr);
  std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
  sf_readf_float(written, samples.data(), info.frames);
  sf_close(written);
  std::size_t loudFrames = 0;
  for (std::size_t index = 0; index < samples.size(); index += 2) {
    if (std::abs(samples[index]) > 0.01f) ++loudFrames;
  }
  EXPECT_EQ(loudFrames, 2205u);
}

}  // namespace
