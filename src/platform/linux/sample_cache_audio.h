#pragma once

#include <memory>

#include "platform/audio.h"
#include "platform/sample_cache.h"

// Audio output through the sound server's sample cache, the way desktop
// event sounds are played: each file is decoded once (`sndfile_decoding.h`)
// and uploaded when it is opened, and a play asks the server to play it by
// name, so a sound starts at the server's own speed and an idle Tonnix holds
// no stream that wakes it. What the cache cannot do goes to the fallback
// output (OpenAL Soft): a panned or repeating sound, one started part-way,
// a file that failed to upload, and every play while the server is away or
// when it refused one; one line says so, and the sound is heard all the
// same. The fallback's clip is opened at its first such play. A sound
// played before its upload has ended starts from the cache once it has.
//
// Players behave as the fallback's do: volume, stop, isPlaying() (for as
// long as the sound lasts) and currentTime(). Main thread only.
class TonnixSampleCacheAudio : public TonnixAudioOutput {
 public:
  TonnixSampleCacheAudio(std::unique_ptr<TonnixSampleCache> cache,
                         std::unique_ptr<TonnixAudioOutput> fallback);
  ~TonnixSampleCacheAudio() override;

  TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> openClip(
      const std::filesystem::path& file) override;
  // Decodes on Qt's thread pool and uploads on the main thread; opens at
  // once without a Qt application.
  void openClipInBackground(const std::filesystem::path& file,
                            std::function<void(ClipResult)> done) override;
  std::optional<std::string> unavailableReason() override;
  // Wakes the fallback once sounds have gone through it.
  void wake() override;

  struct Backends;

 private:
  std::shared_ptr<Backends> backends_;
  // Gone with the output, so that a late decoding is dropped.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};
