#include "platform/fake/fake_audio_file_writer.h"

#include <fstream>

TonnixExpected<TonnixDone, std::string> TonnixFakeAudioFileWriter::writeCaf16(
    const std::filesystem::path& file, double sampleRate, std::uint32_t channelCount,
    std::span<const std::int16_t> samples) const {
  if (failure_) return unexpected(*failure_);
  writes_.push_back({file, sampleRate, channelCount, {samples.begin(), samples.end()}});
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(samples.data()),
             static_cast<std::streamsize>(samples.size_bytes()));
  return TonnixDone{};
}
