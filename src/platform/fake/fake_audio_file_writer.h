#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio_file_writer.h"

// Records what would be written and writes the raw samples, so tests can
// count writes and make writing fail with a chosen message.
class TonnixFakeAudioFileWriter final : public TonnixAudioFileWriter {
 public:
  struct Write {
    std::filesystem::path file;
    double sampleRate;
    std::uint32_t channelCount;
    std::vector<std::int16_t> samples;
  };

  TonnixExpected<TonnixDone, std::string> writeCaf16(
      const std::filesystem::path& file, double sampleRate, std::uint32_t channelCount,
      std::span<const std::int16_t> samples) const override;

  // Every write from now on fails with `message`; nothing clears it.
  void failWith(std::string message) { failure_ = std::move(message); }
  const std::vector<Write>& writes() const { return writes_; }

 private:
  std::optional<std::string> failure_;
  mutable std::vector<Write> writes_;
};
