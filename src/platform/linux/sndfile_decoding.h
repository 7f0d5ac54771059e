#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/audio.h"
#include "support/expected.h"

// A sound file decoded whole with libsndfile, as 16-bit samples. Any thread.
struct TonnixDecodedAudio {
  int sampleRate = 0;
  // One or two channels; the first two of a file with more.
  std::vector<std::vector<std::int16_t>> channels;

  std::size_t frameCount() const { return channels.front().size(); }
  double duration() const { return static_cast<double>(frameCount()) / sampleRate; }
  bool isStereo() const { return channels.size() == 2; }

  // One side as a stereo stream silent on the other side: 0 the first
  // channel on the left, 1 the second (or the only) on the right.
  std::vector<std::int16_t> side(std::size_t which) const;
  // Both channels interleaved, or the only one.
  std::vector<std::int16_t> interleaved() const;
};

// Reads the whole file. Decoding stops at TonnixAudioError::maximumFrames
// of the header's rate, however many frames the header announces.
TonnixExpected<TonnixDecodedAudio, TonnixAudioError> tonnixDecodeSound(
    const std::filesystem::path& file);

using TonnixDecoding = TonnixExpected<TonnixDecodedAudio, TonnixAudioError>;

// Decodes the file on Qt's thread pool and tells `done` on the main thread,
// unless `alive` has gone by then. Without an application, at once.
void tonnixDecodeSoundInBackground(const std::filesystem::path& file, std::weak_ptr<char> alive,
                                   std::function<void(TonnixDecoding)> done);
