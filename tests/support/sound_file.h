#pragma once

#include <sndfile.h>

#include <filesystem>
#include <optional>
#include <vector>

// Sound files written for tests and read back from what the program wrote.
namespace tonnix_test {

// Writes interleaved samples in [-1, 1], making the folders. The container
// follows the extension (.wav, .caf, .flac, anything else AIFF).
bool writeSound(const std::filesystem::path& file, const std::vector<double>& samples,
                int channels = 1, int sampleRate = 22050, int encoding = SF_FORMAT_PCM_16);

// A short mono sound of `frames` frames held at `level`.
bool writeSound(const std::filesystem::path& file, int frames = 64, double level = 0.03,
                int sampleRate = 22050);

struct Sound {
  SF_INFO info{};               // container, encoding, rate, channels, frames
  std::vector<double> samples;  // interleaved, as libsndfile scales them to [-1, 1)

  double peak() const;
  std::vector<double> channel(int index) const;
};

// Nothing when libsndfile cannot open the file.
std::optional<Sound> readSound(const std::filesystem::path& file);

}  // namespace tonnix_test
