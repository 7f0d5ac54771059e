#include <benchmark/benchmark.h>

#include "catalogue/catalogue.h"

// The player and bundle reader look sounds up on every event and file.
static void BM_EntryForSoundID(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(entryForSoundID(TonnixSoundID("wcls")));
}
BENCHMARK(BM_EntryForSoundID);

static void BM_EntryForBaseName(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(entryForBaseName("dragsounddragging"));
}
BENCHMARK(BM_EntryForBaseName);

BENCHMARK_MAIN();
