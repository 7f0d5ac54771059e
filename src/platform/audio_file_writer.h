#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "support/expected.h"

// The audio-file seam: writes converted sounds as Core Audio Format files of
// linear PCM, 16-bit signed integers, little-endian, channels interleaved.
class TonnixAudioFileWriter {
 public:
  virtual ~TonnixAudioFileWriter() = default;

  // Writes `samples` (whole frames of `channelCount` interleaved samples)
  // at exactly `sampleRate`, fractions of a hertz included, to `file`. The
  // file appears only when complete; a file already there is replaced. The
  // error is the audio library's own description of what went wrong.
  virtual TonnixExpected<TonnixDone, std::string> writeCaf16(
      const std::filesystem::path& file, double sampleRate, std::uint32_t channelCount,
      std::span<const std::int16_t> samples) const = 0;
};
