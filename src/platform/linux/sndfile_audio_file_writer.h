#pragma once

#include "platform/audio_file_writer.h"

// Writes CAF files with libsndfile. libsndfile keeps the rate as a whole
// number of hertz, so a classic 22254.5454 Hz sound is written at 22255 Hz
// (a pitch difference of 0.002 %, far below hearing).
class TonnixSndfileAudioFileWriter final : public TonnixAudioFileWriter {
 public:
  TonnixExpected<TonnixDone, std::string> writeCaf16(
      const std::filesystem::path& file, double sampleRate, std::uint32_t channelCount,
      std::span<const std::int16_t> samples) const override;
};
