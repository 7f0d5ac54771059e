#include "platform/linux/sample_cache_audio.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/sndfile_decoding.h"
#include "support/diagnostics.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

struct TonnixSampleCacheAudio::Backends {
  std::unique_ptr<TonnixSampleCache> cache;
  std::unique_ptr<TonnixAudioOutput> fallback;
  // Names unique to this process: the server keeps samples of all clients.
  std::uint64_t nextSample = 0;
  bool hasSaidRefusal = false;
  // Sounds went through the fallback (auto-pan, a server away): only then
  // is it worth waking.
  bool hasFallbackPlayed = false;

  std::string sampleName() {
    return "tonnix." + std::to_string(::getpid()) + "." + std::to_string(nextSample++);
  }
};

namespace {

using Backends = TonnixSampleCacheAudio::Backends;

class CachedClip : public TonnixAudioClip, public std::enable_shared_from_this<CachedClip> {
 public:
  enum class Upload { pending, done, failed };

  CachedClip(std::shared_ptr<Backends> backends, std::filesystem::path file,
             const TonnixDecodedAudio& sound)
      : backends_(std::move(backends)),
        file_(std::move(file)),
        duration_(sound.duration()),
        name_(backends_->sampleName()) {}
  ~CachedClip() override { backends_->cache->remove(name_); }
  CachedClip(const CachedClip&) = delete;
  CachedClip& operator=(const CachedClip&) = delete;

  static std::shared_ptr<CachedClip> make(std::shared_ptr<Backends> backends,
                                          std::filesystem::path file,
                                          const TonnixDecodedAudio& sound) {
    auto clip = std::make_shared<CachedClip>(std::move(backends), std::move(file), sound);
    auto sample = std::make_shared<TonnixCachedSample>(TonnixCachedSample{
        clip->name_, sound.sampleRate, static_cast<int>(sound.channels.size()), {}});
    sample->samples = sound.interleaved();
    clip->backends_->cache->upload(std::move(sample),
                                   [weak = std::weak_ptr<CachedClip>(clip)](bool uploaded) {
                                     if (const auto alive = weak.lock()) alive->uploaded(uploaded);
                                   });
    return clip;
  }

  Backends& backends() const { return *backends_; }
  const std::string& name() const { return name_; }
  bool isCached() const { return upload_ == Upload::done; }
  bool isUploading() const { return upload_ == Upload::pending; }
  bool hasFailed() const { return upload_ == Upload::failed; }
  // Runs `then` once the first upload has ended, either way.
  void whenUploaded(std::function<void()> then) { waiting_.push_back(std::move(then)); }
  // The fallback's clip of the same file, opened at the first need.
  TonnixAudioClip* fallback() {
    if (!fallback_ && !hasFallbackFailed_) {
      auto opened = backends_->fallback->openClip(file_);
      if (opened) fallback_ = std::move(opened.value());
      hasFallbackFailed_ = !opened;
    }
    return fallback_.get();
  }

  const std::filesystem::path& file() const override { return file_; }
  double duration() const override { return duration_; }
  TonnixExpected<std::unique_ptr<TonnixAudioPlayer>, TonnixAudioError> makePlayer() override;

 private:
  void uploaded(bool uploaded) {
    upload_ = uploaded ? Upload::done : Upload::failed;
    if (!uploaded) {
      tonnixDiagnostic("TonnixAudio", "could not upload " + file_.filename().string() +
                                          " to the sound server; it plays through OpenAL Soft");
    }
    for (const auto& then : std::exchange(waiting_, {})) then();
  }

  std::shared_ptr<Backends> backends_;
  std::filesystem::path file_;
  double duration_;
  std::string name_;
  Upload upload_ = Upload::pending;
  std::vector<std::function<void()>> waiting_;
  std::shared_ptr<TonnixAudioClip> fallback_;
  bool hasFallbackFailed_ = false;
};

// One play through the cache: its number once the server says it, and
// whether it was stopped before that.
struct CachePlay {
  Clock::time_point startedAt;
  std::optional<std::uint32_t> number;
  bool isStopped = false;
};

class CachedPlayer : public TonnixAudioPlayer {
 public:
  explicit CachedPlayer(std::shared_ptr<CachedClip> clip) : clip_(std::move(clip)) {}
  ~CachedPlayer() override { stopCachePlay(); }
  CachedPlayer(const CachedPlayer&) = delete;
  CachedPlayer& operator=(const CachedPlayer&) = delete;

  void prepareToPlay() override {
    if (clip_->hasFailed() && fallbackPlayer()) fallback_->prepareToPlay();
  }
  bool play() override;
  void stop() override;
  bool isPlaying() const override { return isCachePlaying() || isFallbackPlaying(); }
  void setVolume(float volume) override {
    volume_ = std::clamp(volume, 0.0f, 1.0f);
    if (fallback_) fallback_->setVolume(volume_);
  }
  float volume() const override { return volume_; }
  void setPan(float pan) override {
    pan_ = std::clamp(pan, -1.0f, 1.0f);
    if (fallback_) fallback_->setPan(pan_);
  }
  float pan() const override { return pan_; }
  void setNumberOfLoops(int loops) override {
    numberOfLoops_ = std::max(loops, -1);
    if (fallback_) fallback_->setNumberOfLoops(numberOfLoops_);
  }
  int numberOfLoops() const override { return numberOfLoops_; }
  void setCurrentTime(double seconds) override;
  double currentTime() const override;
  double duration() const override { return clip_->duration(); }

 private:
  bool playsFromCache() const {
    const bool isThere =
        clip_->isCached() || (clip_->isUploading() && clip_->backends().cache->isConnected());
    return isThere && pan_ == 0 && numberOfLoops_ == 0 && startTime_ == 0;
  }
  bool askCache();
  bool playThroughFallback();
  void refused(const std::shared_ptr<CachePlay>& play);
  TonnixAudioPlayer* fallbackPlayer();
  bool isCachePlaying() const {
    return play_ && !play_->isStopped && Clock::now() - play_->startedAt < lasting();
  }
  bool isFallbackPlaying() const { return fallback_ && fallback_->isPlaying(); }
  Clock::duration lasting() const {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(clip_->duration()));
  }
  void stopCachePlay();

  std::shared_ptr<CachedClip> clip_;
  std::unique_ptr<TonnixAudioPlayer> fallback_;
  std::shared_ptr<CachePlay> play_;
  float volume_ = 1;
  float pan_ = 0;
  int numberOfLoops_ = 0;
  double startTime_ = 0;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

TonnixExpected<std::unique_ptr<TonnixAudioPlayer>, TonnixAudioError> CachedClip::makePlayer() {
  return std::unique_ptr<TonnixAudioPlayer>(std::make_unique<CachedPlayer>(shared_from_this()));
}

TonnixAudioPlayer* CachedPlayer::fallbackPlayer() {
  if (fallback_) return fallback_.get();
  TonnixAudioClip* clip = clip_->fallback();
  if (!clip) return nullptr;
  auto player = clip->makePlayer();
  if (!player) return nullptr;
  fallback_ = std::move(player.value());
  fallback_->setVolume(volume_);
  fallback_->setPan(pan_);
  fallback_->setNumberOfLoops(numberOfLoops_);
  return fallback_.get();
}

bool CachedPlayer::play() {
  stopCachePlay();
  if (isFallbackPlaying()) fallback_->stop();
  if (!playsFromCache()) return playThroughFallback();
  play_ = std::make_shared<CachePlay>(CachePlay{Clock::now(), std::nullopt, false});
  // A sound opened at its first play is asked for once the server has it,
  // a few milliseconds on, rather than through the fallback's slow start.
  if (clip_->isUploading()) {
    clip_->whenUploaded([this, play = play_, alive = std::weak_ptr<char>(alive_)] {
      if (alive.lock() && play == play_ && !play->isStopped) askCache();
    });
    return true;
  }
  return askCache();
}

bool CachedPlayer::askCache() {
  const auto play = play_;
  const bool asked =
      clip_->isCached() &&
      clip_->backends().cache->play(
          clip_->name(), volume_,
          [this, play, alive = std::weak_ptr<char>(alive_)](std::optional<std::uint32_t> number) {
            if (!alive.lock()) return;
            if (!number) return refused(play);
            play->number = number;
            if (play->isStopped) clip_->backends().cache->stop(*number);
          });
  if (asked) return true;
  play_.reset();
  return playThroughFallback();
}

// The server would not play it (it lost the sample, or restarted): heard
// through the fallback, a moment late, rather than not at all.
void CachedPlayer::refused(const std::shared_ptr<CachePlay>& play) {
  if (play != play_ || play->isStopped) return;
  play_.reset();
  Backends& backends = clip_->backends();
  if (!std::exchange(backends.hasSaidRefusal, true)) {
    tonnixDiagnostic("TonnixAudio",
                     "the sound server did not play " + clip_->file().filename().string() +
                         "; it plays through OpenAL Soft until the server has it again");
  }
  playThroughFallback();
}

bool CachedPlayer::playThroughFallback() {
  TonnixAudioPlayer* player = fallbackPlayer();
  if (!player) return false;
  player->setCurrentTime(std::exchange(startTime_, 0));
  clip_->backends().hasFallbackPlayed = true;
  return player->play();
}

// Only while it lasts: the server may give its number to another sound
// afterwards.
void CachedPlayer::stopCachePlay() {
  if (!isCachePlaying()) return;
  play_->isStopped = true;
  if (play_->number) clip_->backends().cache->stop(*play_->number);
}

void CachedPlayer::stop() {
  if (isCachePlaying()) {
    startTime_ = currentTime();
    stopCachePlay();
    return;
  }
  if (!isFallbackPlaying()) return;
  fallback_->stop();
  startTime_ = fallback_->currentTime();
}

void CachedPlayer::setCurrentTime(double seconds) {
  startTime_ = std::clamp(seconds, 0.0, duration());
  if (isFallbackPlaying()) {
    fallback_->setCurrentTime(std::exchange(startTime_, 0));
    return;
  }
  // The cache cannot move a playing sound: it goes on from there through
  // the fallback.
  if (isCachePlaying() && startTime_ > 0) {
    stopCachePlay();
    playThroughFallback();
  }
}

double CachedPlayer::currentTime() const {
  if (isCachePlaying()) {
    return std::chrono::duration<double>(Clock::now() - play_->startedAt).count();
  }
  if (isFallbackPlaying()) return fallback_->currentTime();
  return startTime_;
}

}  // namespace

TonnixSampleCacheAudio::TonnixSampleCacheAudio(std::unique_ptr<TonnixSampleCache> cache,
                                               std::unique_ptr<TonnixAudioOutput> fallback)
    : backends_(std::make_shared<Backends>(Backends{std::move(cache), std::move(fallback)})) {}

TonnixSampleCacheAudio::~TonnixSampleCacheAudio() = default;

TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> TonnixSampleCacheAudio::openClip(
    const std::filesystem::path& file) {
  TONNIX_TRY(decoded, tonnixDecodeSound(file));
  return std::shared_ptr<TonnixAudioClip>(CachedClip::make(backends_, file, decoded));
}

void TonnixSampleCacheAudio::openClipInBackground(const std::filesystem::path& file,
                                                  std::function<void(ClipResult)> done) {
  tonnixDecodeSoundInBackground(
      file, alive_,
      [weak = std::weak_ptr<Backends>(backends_), file,
       done = std::move(done)](TonnixDecoding decoded) {
        const auto backends = weak.lock();
        if (!backends) return;
        if (!decoded) return done(unexpected(decoded.error()));
        done(std::shared_ptr<TonnixAudioClip>(CachedClip::make(backends, file, *decoded)));
      });
}

// The cache holds no stream: the server plays a sample the moment it is
// asked, and a sink it suspended is the server's to resume, for every
// client alike.
void TonnixSampleCacheAudio::wake() {
  if (backends_->hasFallbackPlayed) backends_->fallback->wake();
}

std::optional<std::string> TonnixSampleCacheAudio::unavailableReason() {
  if (backends_->cache->isConnected()) return std::nullopt;
  return backends_->fallback->unavailableReason();
}
