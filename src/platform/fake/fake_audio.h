#pragma once

#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/audio.h"

// An audio output that decodes nothing and plays nothing but records what
// its players were asked to do. Any path opens, unless a test says it
// fails; a started player plays until it is stopped or the test lets every
// sound end with finishPlaying().
class TonnixFakeAudioOutput : public TonnixAudioOutput {
 public:
  struct Call {
    enum class Kind { play, stop };
    Kind kind = Kind::play;
    std::filesystem::path file;
    // Which of the clip's players, counted in the order they were made.
    int player = 0;
    float volume = 1;
    float pan = 0;
    int numberOfLoops = 0;
    double currentTime = 0;
  };

  TonnixFakeAudioOutput();

  TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> openClip(
      const std::filesystem::path& file) override;
  std::optional<std::string> unavailableReason() override;
  void wake() override;

  // Later openings of the file fail with this kind of error.
  void failOpening(const std::filesystem::path& file,
                   TonnixAudioError::Kind kind = TonnixAudioError::Kind::unreadable);
  void stopFailingToOpen(const std::filesystem::path& file);
  // Players made from now on fail, as when the output has no room left.
  void setRefusesPlayers(bool refuses);
  // With a reason, players stay silent: play() returns false.
  void setUnavailableReason(std::optional<std::string> reason);
  // The duration of clips opened from now on.
  void setDuration(double seconds);

  // Every successful play() and every stop() of a playing player, in order.
  const std::vector<Call>& calls() const;
  std::vector<Call> plays() const;
  void clearCalls();
  // Off, nothing is recorded (for benchmarks that play millions of times).
  void setRecordsCalls(bool records);

  int wakeCount() const;
  int openCount() const;
  int openCount(const std::filesystem::path& file) const;
  int playerCount() const;
  int playingCount() const;
  // Every playing sound reaches its end, looping ones included.
  void finishPlaying();

  struct State;

 private:
  std::shared_ptr<State> state_;
};
