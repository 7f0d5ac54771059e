#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "catalogue/catalogue.h"
#include "library/sound_set_export.h"

namespace fs = std::filesystem;

// An export of a baseline set of 137 sounds of which 20 identifiers play
// custom files instead; each file is a sound's worth of bytes (0.3 s of
// 16-bit stereo at 44.1 kHz).
namespace {

constexpr int customCount = 20;
const std::string soundBytes(53'000, 'x');

std::vector<TonnixExportSource> makeSources(const fs::path& root) {
  std::vector<TonnixExportSource> sources;
  std::set<TonnixSoundID> seen;
  for (const auto& entry : allEntries()) {
    if (!seen.insert(entry.soundID).second) continue;
    const bool isCustom = static_cast<int>(sources.size()) < customCount;
    const fs::path file =
        root / (isCustom ? "Custom" : "Baseline") /
        (isCustom ? "Own " + std::to_string(sources.size()) + ".wav" : entry.fileName);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << soundBytes;
    sources.push_back({entry.soundID, file, isCustom});
  }
  return sources;
}

void BM_ExportBaselineWithCustomFiles(benchmark::State& state) {
  QTemporaryDir folder;
  const fs::path root = folder.path().toStdString();
  const auto sources = makeSources(root);
  TonnixExportFiles files = TonnixExportFiles::system();
  files.temporaryDirectory = root / "tmp";
  fs::create_directories(files.temporaryDirectory);
  for (auto _ : state) {
    auto summary = exportSoundSet(sources, root / "Mine.tonnixset", files);
    if (!summary) state.SkipWithError(summary.error().description().c_str());
    benchmark::DoNotOptimize(summary);
  }
  state.counters["sounds"] = static_cast<double>(sources.size());
}
BENCHMARK(BM_ExportBaselineWithCustomFiles)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
