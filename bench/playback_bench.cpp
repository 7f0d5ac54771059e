#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
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
#include "platform/linux/linux_silence_probe.h"
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

// Everything a player needs, with the given output and silence probe.
struct Rig {
  explicit Rig(TonnixAudioOutput& output, std::unique_ptr<TonnixSilenceProbe> probe =
                                              std::make_unique<TonnixFakeSilenceProbe>())
      : library(writeSet(), std::nullopt),
        assignments(preferences),
        silence(preferences, std::move(probe)),
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

// The event path as `tonnix run` takes it: the real Linux probes with every
// reason chosen and the decision made afresh at every sound (as after half
// a second without one), OpenAL Soft mixing. Reports the median and the
// 99th percentile of play(). Run inside scripts/headless-session.
void BM_PlayWithLinuxProbes(benchmark::State& state) {
  TonnixOpenALAudio output;
  Rig rig(output, std::make_unique<TonnixLinuxSilenceProbe>());
  for (TonnixSilenceReason reason : allSilenceReasons) rig.silence.setEnabled(true, reason);
  rig.silence.setFreshness(0);
  if (!rig.player.play(kMenuOpen)) {
    state.SkipWithError("the first play made no sound");
    return;
  }
  std::vector<double> samples;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(rig.player.play(kMenuOpen));
    samples.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
    QCoreApplication::processEvents();
  }
  std::sort(samples.begin(), samples.end());
  state.counters["p50_us"] = samples[samples.size() / 2];
  state.counters["p99_us"] = samples[samples.size() * 99 / 100];
}
BENCHMARK(BM_PlayWithLinuxProbes)->Iterations(2000);

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
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
