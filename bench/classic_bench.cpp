// A whole classic set from fork file to bundle on disk: 137 mapped sounds of
// about one second at 22050 Hz, a third each 8-bit, 16-bit and mu-law.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "catalogue/catalogue.h"
#include "classic/classic_set_import.h"
#include "classic/import_folder.h"
#include "platform/linux/sndfile_audio_file_writer.h"
#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kFrames = 22050;

std::vector<std::uint8_t> tone(std::size_t bytes, std::size_t period) {
  std::vector<std::uint8_t> data(bytes);
  for (std::size_t i = 0; i < bytes; ++i) {
    data[i] = static_cast<std::uint8_t>(128 + 100 * std::sin(6.2832 * double(i) / double(period)));
  }
  return data;
}

std::vector<std::uint8_t> soundNumber(std::size_t index) {
  switch (index % 3) {
    case 0:
      return format1Sound(standardHeader(kRate22050, tone(kFrames, 50 + index)));
    case 1:
      return format1Sound(
          extendedHeader(1, kRate22050, kFrames, 16, tone(2 * kFrames, 60 + index)));
    default:
      return format1Sound(
          compressedHeader(1, kRate22050, kFrames, "ulaw", tone(kFrames, 70 + index)));
  }
}

fs::path writeSyntheticSet(const fs::path& folder) {
  TestResourceForkWriter fork;
  std::vector<std::pair<std::string, std::vector<std::int16_t>>> list;
  for (std::size_t i = 0; i < catalogue().size(); ++i) {
    const auto id = static_cast<std::int16_t>(128 + i);
    fork.add("snd ", id, soundNumber(i));
    list.push_back({catalogue()[i].soundID.description(), {id}});
  }
  fork.add("snd#", 128, soundList(list, 20));
  const fs::path file = folder / "Synthetic Set";
  const auto bytes = fork.bytes();
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return file;
}

void BM_ImportClassicSet(benchmark::State& state) {
  std::string pattern = (fs::temp_directory_path() / "tonnix-bench-XXXXXX").string();
  const fs::path folder = mkdtemp(pattern.data());
  const fs::path set = writeSyntheticSet(folder);
  const TonnixSndfileAudioFileWriter writer;
  for (auto _ : state) {
    auto scratch = TonnixImportFolder::make(folder);
    const auto summary = importClassicSet(set, (*scratch)->path(), writer);
    if (!summary || summary->writtenEventCount != 137) state.SkipWithError("import failed");
    state.PauseTiming();
    scratch->reset();
    state.ResumeTiming();
  }
  fs::remove_all(folder);
}

}  // namespace

BENCHMARK(BM_ImportClassicSet)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
