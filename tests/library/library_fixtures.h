#pragma once

#include <sndfile.h>

#include <QObject>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "library/bundle_metadata.h"
#include "library/bundle_writer.h"

// Bundles, audio files and folders built in code for the library's tests.
namespace fixtures {

namespace fs = std::filesystem;

inline void writeText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

inline std::string readText(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// A short 16-bit sound whose format libsndfile picks from the extension
// (.aiff, .wav, .caf, .flac).
inline void writeAudio(const fs::path& file, int frames = 64) {
  fs::create_directories(file.parent_path());
  SF_INFO info{};
  info.samplerate = 22050;
  info.channels = 1;
  const std::string extension = file.extension().string();
  const int major = extension == ".wav"    ? SF_FORMAT_WAV
                    : extension == ".caf"  ? SF_FORMAT_CAF
                    : extension == ".flac" ? SF_FORMAT_FLAC
                                           : SF_FORMAT_AIFF;
  info.format = major | SF_FORMAT_PCM_16;
  SNDFILE* sound = sf_open(file.c_str(), SFM_WRITE, &info);
  std::vector<short> samples(static_cast<std::size_t>(frames), 1000);
  sf_writef_short(sound, samples.data(), frames);
  sf_close(sound);
}

// A bundle folder written by writeBundle, holding an (unchecked) file for
// each name in `resources`.
inline fs::path makeBundle(const fs::path& folder, const std::string& identifier,
                           const std::string& name, const std::vector<std::string>& resources = {},
                           const std::map<TonnixSoundID, std::string>* sounds = nullptr) {
  TonnixBundleMetadata metadata;
  metadata.identifier = identifier;
  metadata.name = name;
  writeBundle(folder, metadata, sounds);
  for (const auto& resource : resources)
    writeText(folder / "Contents" / "Resources" / resource, "x");
  return folder;
}

// A bundle folder with a hand-written Info.plist body (the part inside <dict>).
inline fs::path makeBundleWithInfo(const fs::path& folder, const std::string& dictionaryBody,
                                   const std::vector<std::string>& resources = {}) {
  writeText(folder / "Contents" / "Info.plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" +
                dictionaryBody + "</dict></plist>\n");
  fs::create_directories(folder / "Contents" / "Resources");
  for (const auto& resource : resources)
    writeText(folder / "Contents" / "Resources" / resource, "x");
  return folder;
}

inline std::string key(const std::string& name, const std::string& value) {
  return "<key>" + name + "</key><string>" + value + "</string>";
}

// Counts the emissions of one signal.
class SignalCounter {
 public:
  template <typename Object, typename Signal>
  SignalCounter(const Object* sender, Signal signal) {
    QObject::connect(sender, signal, &context_, [this] { ++count_; });
  }
  int count() const { return count_; }

 private:
  QObject context_;
  int count_ = 0;
};

// A temporary folder that goes away with the test.
class TemporaryFolder {
 public:
  fs::path path() const { return fs::path(folder_.path().toStdString()); }
  fs::path operator/(const std::string& name) const { return path() / name; }

 private:
  QTemporaryDir folder_;
};

}  // namespace fixtures
