#include "sound_file.h"

#include <algorithm>
#include <cmath>

namespace tonnix_test {

namespace fs = std::filesystem;

bool writeSound(const fs::path& file, const std::vector<double>& samples, int channels,
                int sampleRate, int encoding) {
  std::error_code ignored;
  fs::create_directories(file.parent_path(), ignored);
  const fs::path extension = file.extension();
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = (extension == ".wav"    ? SF_FORMAT_WAV
                 : extension == ".caf"  ? SF_FORMAT_CAF
                 : extension == ".flac" ? SF_FORMAT_FLAC
                                        : SF_FORMAT_AIFF) |
                encoding;
  SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
  if (!sound) return false;
  const auto frames = static_cast<sf_count_t>(samples.size()) / channels;
  const bool written = sf_writef_double(sound, samples.data(), frames) == frames;
  return sf_close(sound) == 0 && written;
}

bool writeSound(const fs::path& file, int frames, double level, int sampleRate) {
  return writeSound(file, std::vector<double>(static_cast<std::size_t>(frames), level), 1,
                    sampleRate);
}

double Sound::peak() const {
  double loudest = 0;
  for (const double sample : samples) loudest = std::max(loudest, std::abs(sample));
  return loudest;
}

std::vector<double> Sound::channel(int index) const {
  std::vector<double> one;
  for (auto at = static_cast<std::size_t>(index); at < samples.size();
       at += static_cast<std::size_t>(info.channels)) {
    one.push_back(samples[at]);
  }
  return one;
}

std::optional<Sound> readSound(const fs::path& file) {
  Sound sound;
  SNDFILE* handle = sf_open(file.c_str(), SFM_READ, &sound.info);
  if (!handle) return std::nullopt;
  sound.samples.resize(static_cast<std::size_t>(sound.info.frames * sound.info.channels));
  sf_readf_double(handle, sound.samples.data(), sound.info.frames);
  sf_close(handle);
  return sound;
}

}  // namespace tonnix_test
