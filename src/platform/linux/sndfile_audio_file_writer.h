#pragma once

#include "platform/audio_file_writer.h"

// Writes CAF files with libsndfile, then puts the exact rate (which
// libsndfile keeps as whole hertz) into the file's description, so a
// classic 22254.5454 Hz sound is written at that rate.
class TonnixSndfileAudioFileWriter final : public TonnixAudioFileWriter {
 public:
  TonnixExpected<TonnixDone, std::string> writeCaf16(
      const std::filesystem::path& file, double sampleRate, std::uint32_t channelCount,
      std::span<const std::int16_t> samples) const override;
};
