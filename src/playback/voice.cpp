#include "playback/voice.h"

#include <algorithm>

TonnixVoice::TonnixVoice(TonnixSetEntry entry, std::filesystem::path url, Players players)
    : entry_(std::move(entry)), url_(std::move(url)), players_(std::move(players)) {}

int TonnixVoice::playerCount(const TonnixSetEntry& entry) {
  const auto single = TonnixSoundFlags::loops | TonnixSoundFlags::exclusive;
  return entry.flags.isDisjoint(single) ? 3 : 1;
}

TonnixAudioPlayer& TonnixVoice::nextPlayer() {
  TonnixAudioPlayer& player = *players_[static_cast<std::size_t>(nextPlayerIndex_)];
  nextPlayerIndex_ = (nextPlayerIndex_ + 1) % static_cast<int>(players_.size());
  lastPlayer_ = &player;
  return player;
}

bool TonnixVoice::isPlaying() const {
  return std::any_of(players_.begin(), players_.end(),
                     [](const auto& player) { return player->isPlaying(); });
}

void TonnixVoice::stopPlaying() {
  for (const auto& player : players_) {
    if (!player->isPlaying()) continue;
    player->stop();
    player->setCurrentTime(0);
  }
}
