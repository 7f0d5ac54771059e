// Classic sounds: each codec's decoding speed beside FFmpeg's on the same
// body, and a whole set from fork file to bundle on disk with every codec.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "aiff_file.h"
#include "catalogue/catalogue.h"
#include "classic/classic_set_import.h"
#include "classic/import_folder.h"
#include "classic/sound_resource_decoder.h"
#include "platform/linux/sndfile_audio_file_writer.h"
#include "resource_fork_writer.h"
#include "sound_resources.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Codec {
  const char* format;
  std::uint16_t sampleSize;
  std::uint32_t unitBytes;   // one packet or frame of one channel
  std::uint32_t unitFrames;  // frames it holds
};

constexpr Codec kCodecs[] = {
    {"ima4", 16, 34, 64}, {"MAC3", 8, 2, 6},  {"MAC6", 8, 1, 6},  {"ulaw", 16, 1, 1},
    {"alaw", 16, 1, 1},   {"raw ", 8, 1, 1},  {"twos", 16, 2, 1}, {"sowt", 16, 2, 1},
    {"in24", 24, 3, 1},   {"in32", 32, 4, 1}, {"fl32", 32, 4, 1}, {"fl64", 64, 8, 1},
};

// A tone in the codec's sample layout; random codes for the adaptive
// codecs, whose step indexes are kept valid.
Bytes bodyOf(const Codec& codec, std::uint32_t units, unsigned seed) {
  std::mt19937 random(seed);
  Bytes body(std::size_t{units} * codec.unitBytes);
  const std::string format = codec.format;
  if (format == "ima4" || format.starts_with("MAC")) {
    for (auto& byte : body) byte = static_cast<std::uint8_t>(random());
    for (std::size_t at = 1; format == "ima4" && at < body.size(); at += 34) body[at] %= 89;
    return body;
  }
  for (std::size_t i = 0; i < units; ++i) {
    const double value = 0.8 * std::sin(6.2832 * double(i) / double(50 + seed % 40));
    std::uint64_t bits = 0;
    if (format == "fl32") {
      bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    } else if (format == "fl64") {
      bits = std::bit_cast<std::uint64_t>(value);
    } else {
      const int width = 8 * static_cast<int>(codec.unitBytes);
      const auto level = std::llround(value * double((std::int64_t{1} << (width - 1)) - 1));
      bits = static_cast<std::uint64_t>(level) & ((std::uint64_t{1} << width) - 1);
      if (format == "raw ") bits ^= 0x80;
      if (format == "sowt") bits = (bits >> 8 | bits << 8) & 0xFFFF;
    }
    for (std::uint32_t b = 0; b < codec.unitBytes; ++b) {
      body[i * codec.unitBytes + b] =
          static_cast<std::uint8_t>(bits >> (8 * (codec.unitBytes - 1 - b)));
    }
  }
  return body;
}

Bytes soundOf(const Codec& codec, std::uint32_t units, unsigned seed) {
  return format1Sound(compressedHeader(1, kRate22050, units, codec.format,
                                       bodyOf(codec, units, seed), 0, codec.sampleSize));
}

// FFmpeg's user time for a decode to null, from its -benchmark line.
std::optional<double> ffmpegSeconds(const fs::path& file) {
  const std::string command = "ffmpeg -nostdin -hide_banner -benchmark -i '" + file.string() +
                              "' -f null - 2>&1 | grep -o 'utime=[0-9.]*'";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  double seconds = -1;
  const int read = std::fscanf(pipe, "utime=%lf", &seconds);
  ::pclose(pipe);
  if (read != 1 || seconds < 0) return std::nullopt;
  return seconds;
}

// The best of a few runs of the large file less the best of the same runs
// of a tiny one: the decode without the program's start.
std::optional<double> ffmpegDecodeSeconds(const Codec& codec, std::uint32_t units,
                                          const fs::path& folder) {
  const auto write = [&](const std::string& name, std::uint32_t count) {
    return writeBytes(folder / name,
                      aiffcFile(codec.format, 1, count, codec.sampleSize, bodyOf(codec, count, 1)));
  };
  const auto large = write("large.aifc", units);
  const auto tiny = write("tiny.aifc", 64);
  double best = 1e9, bestTiny = 1e9;
  for (int run = 0; run < 5; ++run) {
    const auto time = ffmpegSeconds(large), timeTiny = ffmpegSeconds(tiny);
    if (!time || !timeTiny) return std::nullopt;
    best = std::min(best, *time);
    bestTiny = std::min(bestTiny, *timeTiny);
  }
  return std::max(best - bestTiny, 1e-6);
}

fs::path makeTemporaryFolder() {
  std::string pattern = (fs::temp_directory_path() / "tonnix-bench-XXXXXX").string();
  return mkdtemp(pattern.data());
}

// Eight million samples (16 MB of output) per codec.
void BM_DecodeCodec(benchmark::State& state) {
  const Codec& codec = kCodecs[state.range(0)];
  state.SetLabel(codec.format);
  const std::uint32_t units = 8'000'000 / codec.unitFrames;
  const Bytes resource = soundOf(codec, units, 1);
  const double outputMB = 2.0 * units * codec.unitFrames / 1e6;
  for (auto _ : state) {
    auto sound = decodeSoundResource(resource);
    if (!sound) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(sound);
  }
  state.counters["ours_MB/s"] =
      benchmark::Counter(outputMB, benchmark::Counter::kIsIterationInvariantRate);
  const fs::path folder = makeTemporaryFolder();
  if (const auto seconds = ffmpegDecodeSeconds(codec, units, folder)) {
    state.counters["ffmpeg_MB/s"] = outputMB / *seconds;
  }
  fs::remove_all(folder);
}

// 137 mapped sounds of about one second at 22050 Hz, every codec in turn,
// with the standard and extended headers among them.
Bytes setSound(std::size_t index) {
  constexpr std::uint32_t kFrames = 22050;
  const std::size_t kinds = std::size(kCodecs) + 2;
  const auto kind = index % kinds;
  const auto seed = static_cast<unsigned>(index);
  if (kind == std::size(kCodecs)) {
    return format1Sound(standardHeader(kRate22050, bodyOf(kCodecs[5], kFrames, seed)));
  }
  if (kind == std::size(kCodecs) + 1) {
    return format1Sound(
        extendedHeader(1, kRate22050, kFrames, 16, bodyOf(kCodecs[6], kFrames, seed)));
  }
  const Codec& codec = kCodecs[kind];
  return soundOf(codec, kFrames / codec.unitFrames, seed);
}

fs::path writeSyntheticSet(const fs::path& folder) {
  TestResourceForkWriter fork;
  std::vector<std::pair<std::string, std::vector<std::int16_t>>> list;
  for (std::size_t i = 0; i < catalogue().size(); ++i) {
    const auto id = static_cast<std::int16_t>(128 + i);
    fork.add("snd ", id, setSound(i));
    list.push_back({catalogue()[i].soundID.description(), {id}});
  }
  fork.add("snd#", 128, soundList(list, 20));
  return writeBytes(folder / "Synthetic Set", fork.bytes());
}

void BM_ImportClassicSet(benchmark::State& state) {
  const fs::path folder = makeTemporaryFolder();
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

BENCHMARK(BM_DecodeCodec)->DenseRange(0, std::size(kCodecs) - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportClassicSet)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_MAIN();
