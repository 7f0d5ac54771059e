#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "catalogue/catalogue.h"
#include "library/library.h"

namespace fs = std::filesystem;

// A library of 200 sets of 137 files each, the size of a generous
// collection, made once in a temporary folder.
namespace {

constexpr int setCount = 200;

const fs::path& generatedLibrary() {
  static QTemporaryDir folder;
  static const fs::path root = [] {
    const fs::path sets = fs::path(folder.path().toStdString()) / "Tonnix Sets";
    for (int n = 0; n < setCount; ++n) {
      const std::string name = "Set " + std::to_string(n);
      TonnixBundleMetadata metadata;
      metadata.identifier = "org.example.set" + std::to_string(n);
      metadata.name = name;
      const fs::path bundle = sets / (name + ".tonnixset");
      // A set that cannot be written shows as one that did not open.
      (void)writeBundle(bundle, metadata);
      for (const auto& entry : catalogue()) {
        std::ofstream(bundle / "Contents" / "Resources" / entry.fileName) << "x";
      }
    }
    return sets;
  }();
  return root;
}

}  // namespace

// The library reloads after every installation and on the user's request.
static void BM_LibraryReload(benchmark::State& state) {
  TonnixLibrary library(generatedLibrary(), std::nullopt);
  if (library.bundles().size() != setCount) state.SkipWithError("the sets did not all open");
  for (auto _ : state) library.reload();
}
BENCHMARK(BM_LibraryReload)->Unit(benchmark::kMillisecond);

// Opening one set: its Info.plist and 137 resources.
static void BM_BundleOpen(benchmark::State& state) {
  const fs::path bundle = generatedLibrary() / "Set 0.tonnixset";
  for (auto _ : state) benchmark::DoNotOptimize(TonnixBundle::open(bundle, false));
}
BENCHMARK(BM_BundleOpen)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
