#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "support/expected.h"

// The audio seam: sound files opened once as clips, each clip handing out
// any number of players that share its decoded samples. Main thread only.

// Why a file cannot be played.
struct TonnixAudioError {
  enum class Kind {
    unreadable,    // not an audio file the decoder knows, or unreadable
    empty,         // audio without a single frame
    tooLong,       // longer than maximumSoundSeconds
    noFreePlayer,  // the output has no room for another player
  };

  // Sounds are short; a longer file is refused rather than held in memory.
  static constexpr double maximumSoundSeconds = 600;
  // The frames a sound may have at `sampleRate`, counting a header's rate
  // as at most 192 kHz: decoding stops there whatever the header claims.
  static constexpr long long maximumFrames(int sampleRate) {
    constexpr int highestCountedRate = 192000;
    const int rate = sampleRate < highestCountedRate ? sampleRate : highestCountedRate;
    return static_cast<long long>(rate * maximumSoundSeconds);
  }

  Kind kind = Kind::unreadable;
  std::filesystem::path file;
  // The decoder's own words, for `unreadable`.
  std::string detail;

  std::string description() const {
    switch (kind) {
      case Kind::unreadable:
        return detail.empty() ? "The file could not be read as audio."
                              : "The file could not be read as audio (" + detail + ").";
      case Kind::empty:
        return "The file contains no sound.";
      case Kind::tooLong:
        return "The file is longer than the ten minutes a sound may last.";
      case Kind::noFreePlayer:
        return "The audio output cannot play any more sounds at once.";
    }
    return {};
  }
};

// One playback of a clip at a time: the classic audio player object.
class TonnixAudioPlayer {
 public:
  virtual ~TonnixAudioPlayer() = default;

  // Gets everything ready so that play() starts without delay.
  virtual void prepareToPlay() = 0;
  // Starts from currentTime(), restarting if already playing. False when
  // nothing will be heard (no output device).
  virtual bool play() = 0;
  // Stops at once; currentTime() stays where the sound was.
  virtual void stop() = 0;
  virtual bool isPlaying() const = 0;

  // 0 (silent) to 1 (as recorded).
  virtual void setVolume(float volume) = 0;
  virtual float volume() const = 0;
  // -1 (left) to 1 (right); a mono file gets a constant-power pan, a stereo
  // file a balance that leaves it untouched at 0.
  virtual void setPan(float pan) = 0;
  virtual float pan() const = 0;
  // How often the sound repeats after the first time; -1 repeats until stopped.
  virtual void setNumberOfLoops(int loops) = 0;
  virtual int numberOfLoops() const = 0;
  // Position in seconds; applies to the next play() when stopped.
  virtual void setCurrentTime(double seconds) = 0;
  virtual double currentTime() const = 0;
  virtual double duration() const = 0;
};

// A decoded sound file.
class TonnixAudioClip {
 public:
  virtual ~TonnixAudioClip() = default;

  virtual const std::filesystem::path& file() const = 0;
  virtual double duration() const = 0;
  // A new player of this clip; the clip lives as long as any of its players.
  virtual TonnixExpected<std::unique_ptr<TonnixAudioPlayer>, TonnixAudioError> makePlayer() = 0;
};

// The sound output of the desktop.
class TonnixAudioOutput {
 public:
  virtual ~TonnixAudioOutput() = default;

  // Reads and decodes the whole file. Fails with a describable error for
  // anything that is not playable audio; succeeds without an output device
  // (its players then stay silent), so files can be vetted anywhere.
  virtual TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> openClip(
      const std::filesystem::path& file) = 0;

  using ClipResult = TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError>;
  // Opens the file as openClip() does, reading and decoding it off the
  // main thread where the output can; `done` runs later on the main thread,
  // never after the output is gone. This one opens it at once.
  virtual void openClipInBackground(const std::filesystem::path& file,
                                    std::function<void(ClipResult)> done) {
    done(openClip(file));
  }
  // Why nothing can be heard, in a sentence for the user; nothing while the
  // output works.
  virtual std::optional<std::string> unavailableReason() = 0;
  // A sound may come soon (the pointer started moving or came to rest): an
  // output that sleeps while idle gets ready now, so that the next sound
  // does not wait for it. Nothing where nothing sleeps.
  virtual void wake() {}
};
