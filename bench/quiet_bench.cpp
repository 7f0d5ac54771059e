#include <benchmark/benchmark.h>

#include "platform/fake/fake_silence_probes.h"
#include "platform/fake/memory_preferences_store.h"
#include "quiet/silence_monitor.h"
#include "quiet/sound_log.h"

namespace {

TonnixEvent eventFor(std::int32_t processIdentifier, int kind) {
  TonnixEvent event;
  event.notificationName = QStringLiteral("AXEvent%1").arg(kind);
  event.soundID = TonnixSoundID("mnuo");
  event.processIdentifier = processIdentifier;
  event.applicationName = QStringLiteral("Application");
  event.element = TonnixEventElement::named(QStringLiteral("AXMenu \"File\""));
  return event;
}

// Every event the controller dispatches is recorded; a log at its caps
// (10 sections of 20 entries) is the slowest case: each record scans a full
// section, and new kinds and sources push old ones out.
void BM_RecordIntoFullLog(benchmark::State& state) {
  TonnixSoundLog log;
  TonnixDate date = std::chrono::system_clock::now();
  for (int source = 0; source < 10; ++source) {
    for (int kind = 0; kind < 20; ++kind) log.record(eventFor(source, kind), date);
  }
  int step = 0;
  for (auto _ : state) {
    date += std::chrono::milliseconds(1);
    log.record(eventFor(step % 11, step % 23), date);
    ++step;
  }
}
BENCHMARK(BM_RecordIntoFullLog);

// The question the player asks before every sound, answered from the cache.
void BM_SilenceCheckCached(benchmark::State& state) {
  TonnixMemoryPreferencesStore preferences;
  TonnixSilenceMonitor monitor(preferences, std::make_unique<TonnixFakeSilenceProbe>());
  monitor.setFreshness(3600);
  for (auto _ : state) benchmark::DoNotOptimize(monitor.check());
}
BENCHMARK(BM_SilenceCheckCached);

}  // namespace

BENCHMARK_MAIN();
