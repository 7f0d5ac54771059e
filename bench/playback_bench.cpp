#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <QTemporaryDir>
#include <fstream>
#include <vector>

#include "catalogue/catalogue.h"
#include "library/assignments.h"
#include "library/bundle_writer.h"
#include "library/library.h"
#include "platform/fake/fake_audio.h"
#include "platform/fake/fake_screens.h"
#include "platform/fake/fake_silence_probes.h"
#include "platform/fake/memory_preferences_store.h"
#include "platform/linux/openal_audio.h"
#include "playback/player.h"
#include "quiet/silence_monitor.h"

// The event path once a sound's voice exists: what every menu, window and
// click event costs on the main thread.

namespace {

namespace fs = std::filesystem;

constexpr TonnixSoundID kMenuOpen("mnuo");
const std::string kSet = "org.tonnix.tonnixset.bench";

QTemporaryDir& scratch() {
  static QTemporaryDir directory;
  return directory;
}

fs::path scratchPath() {
  return fs::path(scratch().path().toStdString());
}

// A set holding a real, short menu sound.
fs::path writeSet() {
  const fs::path bundle = scratchPath() / "Sets" / "Bench.tonnixset";
  TonnixBundleMetadata metadata;
  metadata.identifier = kSet;
  metadata.name = "Bench";
  // A set that cannot be written shows as a first play without sound.
  (void)writeBundle(bundle, metadata);
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 1;
  info.format = SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
  const fs::path file = bundle / "Contents" / "Resources" / entryForSoundID(kMenuOpen)->fileName;
  SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
  const std::vector<short> samples(4410, 8000);
  sf_writef_short(sound, samples.data(), 4410);
  sf_close(sound);
  return bundle.parent_path();
}

// Everything a player needs, with the given output.
struct Rig {
  explicit Rig(TonnixAudioOutput& output)
      : library(writeSet(), std::nullopt),
        assignments(preferences),
        silence(preferences, std::make_unique<TonnixFakeSilenceProbe>()),
        player(library, assignments, preferences, silence, output, screens) {
    assignments.setBaselineIdentifier(kSet);
    screens.setScreenFrames({QRectF(0, 0, 1920, 1080)});
    screens.setPointerLocation(QPointF(400, 300));
    player.setStereoEnabled(true);
  }

  TonnixMemoryPreferencesStore preferences;
  TonnixLibrary library;
  TonnixAssignments assignments;
  TonnixSilenceMonitor silence;
  TonnixFakeScreens screens;
  TonnixPlayer player;
};

void playRepeatedly(benchmark::State& state, TonnixPlayer& player) {
  if (!player.play(kMenuOpen)) {
    state.SkipWithError("the first play made no sound");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(player.play(kMenuOpen));
}

void BM_PlayExistingVoiceFakeAudio(benchmark::State& state) {
  TonnixFakeAudioOutput output;
  output.setRecordsCalls(false);
  Rig rig(output);
  playRepeatedly(state, rig.player);
}
BENCHMARK(BM_PlayExistingVoiceFakeAudio);

// OpenAL Soft mixing into its wave backend (written to /dev/null) in real
// time, as it would into a sound card.
void BM_PlayExistingVoiceOpenAL(benchmark::State& state) {
  TonnixOpenALAudio output;
  if (const auto reason = output.unavailableReason()) {
    state.SkipWithError(reason->c_str());
    return;
  }
  Rig rig(output);
  playRepeatedly(state, rig.player);
}
BENCHMARK(BM_PlayExistingVoiceOpenAL);

// OpenAL Soft reads its configuration at its first call.
void useWaveBackend() {
  const fs::path configuration = scratchPath() / "alsoft.conf";
  std::ofstream(configuration) << "[general]\ndrivers = wave\n[wave]\nfile = /dev/null\n";
  qputenv("ALSOFT_CONF", QByteArray(configuration.c_str()));
  qputenv("ALSOFT_DRIVERS", "wave");
}

}  // namespace

int main(int argc, char** argv) {
  useWaveBackend();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
