#include "platform/fake/fake_audio.h"

#include <algorithm>

class TonnixFakeAudioPlayer;

// Shared with the clips and players, which may outlive the output.
struct TonnixFakeAudioOutput::State {
  std::map<std::filesystem::path, TonnixAudioError::Kind> failures;
  std::map<std::filesystem::path, int> opens;
  std::optional<std::string> unavailableReason;
  std::vector<Call> calls;
  std::set<TonnixFakeAudioPlayer*> players;
  double duration = 0.25;
  int playersMade = 0;
  int wakes = 0;
  bool refusesPlayers = false;
  bool recordsCalls = true;

  void record(Call call) {
    if (recordsCalls) calls.push_back(std::move(call));
  }
};

class TonnixFakeAudioPlayer : public TonnixAudioPlayer {
 public:
  TonnixFakeAudioPlayer(std::shared_ptr<TonnixFakeAudioOutput::State> state,
                        std::shared_ptr<const TonnixAudioClip> clip, int index)
      : state_(std::move(state)), clip_(std::move(clip)), index_(index) {
    state_->players.insert(this);
  }
  ~TonnixFakeAudioPlayer() override { state_->players.erase(this); }
  TonnixFakeAudioPlayer(const TonnixFakeAudioPlayer&) = delete;
  TonnixFakeAudioPlayer& operator=(const TonnixFakeAudioPlayer&) = delete;

  void prepareToPlay() override {}
  bool play() override {
    if (state_->unavailableReason) return false;
    playing_ = true;
    state_->record(call(TonnixFakeAudioOutput::Call::Kind::play));
    return true;
  }
  void stop() override {
    if (!playing_) return;
    playing_ = false;
    state_->record(call(TonnixFakeAudioOutput::Call::Kind::stop));
  }
  bool isPlaying() const override { return playing_; }
  void setVolume(float volume) override { volume_ = volume; }
  float volume() const override { return volume_; }
  void setPan(float pan) override { pan_ = pan; }
  float pan() const override { return pan_; }
  void setNumberOfLoops(int loops) override { loops_ = loops; }
  int numberOfLoops() const override { return loops_; }
  void setCurrentTime(double seconds) override { currentTime_ = seconds; }
  double currentTime() const override { return currentTime_; }
  double duration() const override { return clip_->duration(); }

  void finish() {
    playing_ = false;
    currentTime_ = 0;
  }

 private:
  TonnixFakeAudioOutput::Call call(TonnixFakeAudioOutput::Call::Kind kind) const {
    return {kind, clip_->file(), index_, volume_, pan_, loops_, currentTime_};
  }

  std::shared_ptr<TonnixFakeAudioOutput::State> state_;
  std::shared_ptr<const TonnixAudioClip> clip_;
  int index_ = 0;
  bool playing_ = false;
  float volume_ = 1;
  float pan_ = 0;
  int loops_ = 0;
  double currentTime_ = 0;
};

namespace {

class FakeClip : public TonnixAudioClip, public std::enable_shared_from_this<FakeClip> {
 public:
  FakeClip(std::shared_ptr<TonnixFakeAudioOutput::State> state, std::filesystem::path file)
      : state_(std::move(state)), file_(std::move(file)), duration_(state_->duration) {}

  const std::filesystem::path& file() const override { return file_; }
  double duration() const override { return duration_; }

  TonnixExpected<std::unique_ptr<TonnixAudioPlayer>, TonnixAudioError> makePlayer() override {
    if (state_->refusesPlayers) {
      return unexpected(TonnixAudioError{TonnixAudioError::Kind::noFreePlayer, file_, {}});
    }
    ++state_->playersMade;
    return std::unique_ptr<TonnixAudioPlayer>(
        std::make_unique<TonnixFakeAudioPlayer>(state_, shared_from_this(), playersMade_++));
  }

 private:
  std::shared_ptr<TonnixFakeAudioOutput::State> state_;
  std::filesystem::path file_;
  double duration_ = 0;
  int playersMade_ = 0;
};

}  // namespace

TonnixFakeAudioOutput::TonnixFakeAudioOutput() : state_(std::make_shared<State>()) {}

TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> TonnixFakeAudioOutput::openClip(
    const std::filesystem::path& file) {
  ++state_->opens[file];
  const auto failure = state_->failures.find(file);
  if (failure != state_->failures.end()) {
    return unexpected(TonnixAudioError{failure->second, file, {}});
  }
  return std::shared_ptr<TonnixAudioClip>(std::make_shared<FakeClip>(state_, file));
}

std::optional<std::string> TonnixFakeAudioOutput::unavailableReason() {
  return state_->unavailableReason;
}

void TonnixFakeAudioOutput::wake() {
  ++state_->wakes;
}

int TonnixFakeAudioOutput::wakeCount() const {
  return state_->wakes;
}

void TonnixFakeAudioOutput::failOpening(const std::filesystem::path& file,
                                        TonnixAudioError::Kind kind) {
  state_->failures[file] = kind;
}

void TonnixFakeAudioOutput::stopFailingToOpen(const std::filesystem::path& file) {
  state_->failures.erase(file);
}

void TonnixFakeAudioOutput::setRefusesPlayers(bool refuses) {
  state_->refusesPlayers = refuses;
}

void TonnixFakeAudioOutput::setUnavailableReason(std::optional<std::string> reason) {
  state_->unavailableReason = std::move(reason);
}

void TonnixFakeAudioOutput::setDuration(double seconds) {
  state_->duration = seconds;
}

const std::vector<TonnixFakeAudioOutput::Call>& TonnixFakeAudioOutput::calls() const {
  return state_->calls;
}

std::vector<TonnixFakeAudioOutput::Call> TonnixFakeAudioOutput::plays() const {
  std::vector<Call> plays;
  std::copy_if(state_->calls.begin(), state_->calls.end(), std::back_inserter(plays),
               [](const Call& call) { return call.kind == Call::Kind::play; });
  return plays;
}

void TonnixFakeAudioOutput::clearCalls() {
  state_->calls.clear();
}

void TonnixFakeAudioOutput::setRecordsCalls(bool records) {
  state_->recordsCalls = records;
}

int TonnixFakeAudioOutput::openCount() const {
  int count = 0;
  for (const auto& [file, opens] : state_->opens) count += opens;
  return count;
}

int TonnixFakeAudioOutput::openCount(const std::filesystem::path& file) const {
  const auto found = state_->opens.find(file);
  return found == state_->opens.end() ? 0 : found->second;
}

int TonnixFakeAudioOutput::playerCount() const {
  return state_->playersMade;
}

int TonnixFakeAudioOutput::playingCount() const {
  return static_cast<int>(std::count_if(state_->players.begin(), state_->players.end(),
                                        [](const auto* player) { return player->isPlaying(); }));
}

void TonnixFakeAudioOutput::finishPlaying() {
  for (auto* player : state_->players) player->finish();
}
