#pragma once

#include <filesystem>
#include <memory>
#include <vector>

#include "catalogue/set_entry.h"
#include "platform/audio.h"

// The players of one sound identifier's file, handed out in rotation so that
// quick repeats overlap instead of cutting each other off.
class TonnixVoice {
 public:
  using Players = std::vector<std::unique_ptr<TonnixAudioPlayer>>;

  TonnixVoice(TonnixSetEntry entry, std::filesystem::path url, Players players);

  // Three players, or one for a sound that loops or must not overlap itself.
  static int playerCount(const TonnixSetEntry& entry);

  const TonnixSetEntry& entry() const { return entry_; }
  const std::filesystem::path& url() const { return url_; }
  const Players& players() const { return players_; }
  // The player handed out last; null before the first.
  TonnixAudioPlayer* lastPlayer() const { return lastPlayer_; }

  // The player at the rotation's position, moving the rotation on.
  TonnixAudioPlayer& nextPlayer();
  bool isPlaying() const;
  // Stops each playing player and rewinds it.
  void stopPlaying();

 private:
  TonnixSetEntry entry_;
  std::filesystem::path url_;
  Players players_;
  int nextPlayerIndex_ = 0;
  TonnixAudioPlayer* lastPlayer_ = nullptr;
};
