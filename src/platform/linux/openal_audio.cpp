#include "platform/linux/openal_audio.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <sndfile.h>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

// Sources per device: three players of two sources for every catalogue
// sound, with room to spare. OpenAL Soft's default of 256 is too few.
constexpr ALCint kSourceCount = 1024;
// A queued repeat costs a little memory per repeat; beyond this, repeats are cut.
constexpr int kMaximumQueuedLoops = 1000;
constexpr sf_count_t kFramesPerRead = 4096;

// Small mixing periods: with OpenAL Soft's defaults a sound reaches the
// speaker some 25 ms after play(), which a click makes audible.
constexpr char kLowLatencyConfiguration[] =
    "[general]\n"
    "period_size = 128\n"
    "periods = 2\n"
    "[pulse]\n"
    "adjust-latency = true\n";

const char kNoOutputText[] = "No audio output device is available.";
const char kDisconnectedText[] = "The audio output device was disconnected.";

void printDiagnostic(const std::string& text) {
  std::printf("TonnixAudio: %s\n", text.c_str());
  std::fflush(stdout);
}

// OpenAL Soft reads its configuration once, at its first call. Unless the
// user names a configuration of their own, ours is offered for that moment
// only, so that child processes do not inherit it.
class LowLatencyConfiguration {
 public:
  LowLatencyConfiguration() {
    static bool offered = false;
    if (offered || qEnvironmentVariableIsSet("ALSOFT_CONF")) return;
    offered = true;
    file_.setFileTemplate(QDir::tempPath() + QStringLiteral("/tonnix-alsoft-XXXXXX.conf"));
    if (!file_.open() || file_.write(kLowLatencyConfiguration) < 0 || !file_.flush()) return;
    isSet_ = qputenv("ALSOFT_CONF", QFile::encodeName(file_.fileName()));
  }
  ~LowLatencyConfiguration() {
    if (isSet_) qunsetenv("ALSOFT_CONF");
  }
  LowLatencyConfiguration(const LowLatencyConfiguration&) = delete;
  LowLatencyConfiguration& operator=(const LowLatencyConfiguration&) = delete;

 private:
  QTemporaryFile file_;
  bool isSet_ = false;
};

struct DecodedSound {
  int sampleRate = 0;
  // One or two channels; the first two of a file with more.
  std::vector<std::vector<std::int16_t>> channels;

  std::size_t frameCount() const { return channels.front().size(); }
  double duration() const { return static_cast<double>(frameCount()) / sampleRate; }
};

std::int16_t toSample(float value) {
  if (!(value > -1.0f)) return -32767;
  if (value >= 1.0f) return 32767;
  return static_cast<std::int16_t>(std::lrint(value * 32767.0f));
}

std::string withoutFinalPeriod(std::string text) {
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  return text;
}

TonnixAudioError audioError(TonnixAudioError::Kind kind, const std::filesystem::path& file,
                            std::string detail = {}) {
  return TonnixAudioError{kind, file, std::move(detail)};
}

TonnixExpected<DecodedSound, TonnixAudioError> decode(const std::filesystem::path& file) {
  using Kind = TonnixAudioError::Kind;
  SF_INFO info{};
  std::unique_ptr<SNDFILE, decltype(&sf_close)> handle(sf_open(file.c_str(), SFM_READ, &info),
                                                       &sf_close);
  if (!handle)
    return unexpected(audioError(Kind::unreadable, file, withoutFinalPeriod(sf_strerror(nullptr))));
  if (info.channels < 1 || info.samplerate < 1) {
    return unexpected(audioError(Kind::unreadable, file, "no channels or no sample rate"));
  }

  const auto maximumFrames =
      static_cast<std::size_t>(info.samplerate * TonnixAudioError::maximumSoundSeconds);
  DecodedSound sound;
  sound.sampleRate = info.samplerate;
  sound.channels.resize(std::min(info.channels, 2));
  // Read as float, which libsndfile scales the same way for every format
  // (it would not scale floating-point files read as 16-bit).
  std::vector<float> block(static_cast<std::size_t>(kFramesPerRead * info.channels));
  while (true) {
    const sf_count_t read = sf_readf_float(handle.get(), block.data(), kFramesPerRead);
    if (read <= 0) break;
    for (sf_count_t frame = 0; frame < read; ++frame) {
      for (std::size_t channel = 0; channel < sound.channels.size(); ++channel) {
        sound.channels[channel].push_back(
            toSample(block[static_cast<std::size_t>(frame * info.channels) + channel]));
      }
    }
    if (sound.frameCount() > maximumFrames) return unexpected(audioError(Kind::tooLong, file));
  }
  if (sf_error(handle.get()) != SF_ERR_NO_ERROR) {
    return unexpected(
        audioError(Kind::unreadable, file, withoutFinalPeriod(sf_strerror(handle.get()))));
  }
  if (sound.frameCount() == 0) return unexpected(audioError(Kind::empty, file));
  return sound;
}

}  // namespace

// The process's one OpenAL device and context, or the reason there is none.
class TonnixOpenALDevice {
 public:
  TonnixOpenALDevice() {
    const LowLatencyConfiguration configuration;
    device_ = alcOpenDevice(nullptr);
    if (!device_) {
      fail(kNoOutputText, "OpenAL Soft could not open the default output device");
      return;
    }
    if (isNullOutput()) {
      fail(kNoOutputText, "OpenAL Soft found no output device but its null output");
      return;
    }
    const std::array<ALCint, 5> attributes = {ALC_MONO_SOURCES, kSourceCount, ALC_STEREO_SOURCES, 0,
                                              0};
    context_ = alcCreateContext(device_, attributes.data());
    if (!context_ || !alcMakeContextCurrent(context_)) {
      fail(kNoOutputText, std::string("OpenAL Soft could not set up mixing: ") +
                              alcGetString(device_, alcGetError(device_)));
      return;
    }
    canDetectDisconnection_ = alcIsExtensionPresent(device_, "ALC_EXT_disconnect");
  }

  ~TonnixOpenALDevice() {
    if (context_) {
      if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
      alcDestroyContext(context_);
    }
    if (device_) alcCloseDevice(device_);
  }

  TonnixOpenALDevice(const TonnixOpenALDevice&) = delete;
  TonnixOpenALDevice& operator=(const TonnixOpenALDevice&) = delete;

  static std::shared_ptr<TonnixOpenALDevice> shared() {
    static std::weak_ptr<TonnixOpenALDevice> current;
    if (auto device = current.lock()) return device;
    auto device = std::make_shared<TonnixOpenALDevice>();
    current = device;
    return device;
  }

  // Whether buffers and sources can be made and played.
  bool canMix() const { return context_ != nullptr && !unavailableReason_; }

  // Whether sound reaches an output now; notices a lost device once.
  bool isAudible() {
    if (!canMix()) return false;
    if (!canDetectDisconnection_) return true;
    ALCint connected = ALC_TRUE;
    alcGetIntegerv(device_, ALC_CONNECTED, 1, &connected);
    if (connected == ALC_TRUE) return true;
    fail(kDisconnectedText, "the output device was disconnected");
    return false;
  }

  const std::optional<std::string>& unavailableReason() const { return unavailableReason_; }

 private:
  bool isNullOutput() const {
    const ALCchar* name = alcGetString(device_, ALC_ALL_DEVICES_SPECIFIER);
    return name && std::string_view(name) == "No Output";
  }

  void fail(const char* reason, const std::string& diagnostic) {
    unavailableReason_ = reason;
    printDiagnostic("no sound: " + diagnostic);
  }

  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
  bool canDetectDisconnection_ = false;
  std::optional<std::string> unavailableReason_;
};

namespace {

class OpenALClip;

// A left and a right source over the clip's buffers, started and stopped
// together. Without an output device it has no sources and stays silent.
class OpenALPlayer : public TonnixAudioPlayer {
 public:
  explicit OpenALPlayer(std::shared_ptr<OpenALClip> clip);
  ~OpenALPlayer() override;
  OpenALPlayer(const OpenALPlayer&) = delete;
  OpenALPlayer& operator=(const OpenALPlayer&) = delete;

  bool hasSources() const { return sources_[0] != 0; }

  void prepareToPlay() override;
  bool play() override;
  void stop() override;
  bool isPlaying() const override;
  void setVolume(float volume) override;
  float volume() const override { return volume_; }
  void setPan(float pan) override;
  float pan() const override { return pan_; }
  void setNumberOfLoops(int loops) override { numberOfLoops_ = std::max(loops, -1); }
  int numberOfLoops() const override { return numberOfLoops_; }
  void setCurrentTime(double seconds) override;
  double currentTime() const override;
  double duration() const override;

 private:
  void attachBuffers();
  void applyGains();

  std::shared_ptr<OpenALClip> clip_;
  std::array<ALuint, 2> sources_ = {0, 0};
  float volume_ = 1;
  float pan_ = 0;
  int numberOfLoops_ = 0;
  std::optional<int> attachedLoops_;
  double startTime_ = 0;
};

class OpenALClip : public TonnixAudioClip, public std::enable_shared_from_this<OpenALClip> {
 public:
  OpenALClip(std::shared_ptr<TonnixOpenALDevice> device, std::filesystem::path file,
             double duration)
      : device_(std::move(device)), file_(std::move(file)), duration_(duration) {}
  ~OpenALClip() override {
    if (!buffers_.empty()) alDeleteBuffers(static_cast<ALsizei>(buffers_.size()), buffers_.data());
  }
  OpenALClip(const OpenALClip&) = delete;
  OpenALClip& operator=(const OpenALClip&) = delete;

  // Copies the samples into OpenAL buffers, one per channel.
  bool upload(const DecodedSound& sound) {
    for (const auto& samples : sound.channels) {
      ALuint buffer = 0;
      alGenBuffers(1, &buffer);
      if (alGetError() != AL_NO_ERROR) return false;
      buffers_.push_back(buffer);
      alBufferData(buffer, AL_FORMAT_MONO16, samples.data(),
                   static_cast<ALsizei>(samples.size() * sizeof(std::int16_t)), sound.sampleRate);
      if (alGetError() != AL_NO_ERROR) return false;
    }
    return true;
  }

  TonnixOpenALDevice& device() const { return *device_; }
  bool isStereo() const { return buffers_.size() == 2; }
  // The buffer a side plays: 0 left, 1 right; a mono clip has one for both.
  ALuint buffer(std::size_t side) const { return buffers_[std::min(side, buffers_.size() - 1)]; }

  const std::filesystem::path& file() const override { return file_; }
  double duration() const override { return duration_; }

  TonnixExpected<std::unique_ptr<TonnixAudioPlayer>, TonnixAudioError> makePlayer() override {
    auto player = std::make_unique<OpenALPlayer>(shared_from_this());
    if (device_->canMix() && !player->hasSources()) {
      return unexpected(audioError(TonnixAudioError::Kind::noFreePlayer, file_));
    }
    return std::unique_ptr<TonnixAudioPlayer>(std::move(player));
  }

 private:
  std::shared_ptr<TonnixOpenALDevice> device_;
  std::filesystem::path file_;
  double duration_ = 0;
  std::vector<ALuint> buffers_;
};

OpenALPlayer::OpenALPlayer(std::shared_ptr<OpenALClip> clip) : clip_(std::move(clip)) {
  if (!clip_->device().canMix()) return;
  alGenSources(2, sources_.data());
  if (alGetError() != AL_NO_ERROR) {
    sources_ = {0, 0};
    return;
  }
  // Hard left and hard right of the listener, where OpenAL Soft's panner
  // gives one speaker everything, and no attenuation by distance.
  const std::array<float, 2> sideX = {-1, 1};
  for (std::size_t side = 0; side < 2; ++side) {
    alSourcei(sources_[side], AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(sources_[side], AL_POSITION, sideX[side], 0, 0);
    alSourcef(sources_[side], AL_ROLLOFF_FACTOR, 0);
  }
  applyGains();
}

OpenALPlayer::~OpenALPlayer() {
  if (!hasSources()) return;
  alSourceStopv(2, sources_.data());
  alDeleteSources(2, sources_.data());
}

void OpenALPlayer::prepareToPlay() {
  if (hasSources()) attachBuffers();
}

bool OpenALPlayer::play() {
  if (!hasSources() || !clip_->device().isAudible()) return false;
  alGetError();
  alSourceStopv(2, sources_.data());
  attachBuffers();
  if (startTime_ > 0) {
    for (ALuint source : sources_) alSourcef(source, AL_SEC_OFFSET, static_cast<float>(startTime_));
  }
  startTime_ = 0;
  alSourcePlayv(2, sources_.data());
  return alGetError() == AL_NO_ERROR;
}

void OpenALPlayer::stop() {
  if (!hasSources()) return;
  startTime_ = currentTime();
  alSourceStopv(2, sources_.data());
}

bool OpenALPlayer::isPlaying() const {
  if (!hasSources()) return false;
  ALint state = AL_STOPPED;
  alGetSourcei(sources_[0], AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

void OpenALPlayer::setVolume(float volume) {
  volume_ = std::clamp(volume, 0.0f, 1.0f);
  applyGains();
}

void OpenALPlayer::setPan(float pan) {
  pan_ = std::clamp(pan, -1.0f, 1.0f);
  applyGains();
}

void OpenALPlayer::setCurrentTime(double seconds) {
  startTime_ = std::clamp(seconds, 0.0, duration());
  if (isPlaying()) {
    for (ALuint source : sources_) alSourcef(source, AL_SEC_OFFSET, static_cast<float>(startTime_));
    startTime_ = 0;
  }
}

double OpenALPlayer::currentTime() const {
  if (!isPlaying()) return startTime_;
  ALfloat seconds = 0;
  alGetSourcef(sources_[0], AL_SEC_OFFSET, &seconds);
  return std::fmod(static_cast<double>(seconds), duration());
}

double OpenALPlayer::duration() const {
  return clip_->duration();
}

// A single buffer, looping or not, or the buffer queued once per play.
void OpenALPlayer::attachBuffers() {
  if (attachedLoops_ == numberOfLoops_) return;
  const int plays = numberOfLoops_ > 0 ? std::min(numberOfLoops_, kMaximumQueuedLoops) + 1 : 1;
  for (std::size_t side = 0; side < 2; ++side) {
    const ALuint buffer = clip_->buffer(side);
    alSourcei(sources_[side], AL_BUFFER, 0);
    if (plays == 1) {
      alSourcei(sources_[side], AL_BUFFER, static_cast<ALint>(buffer));
    } else {
      const std::vector<ALuint> queue(static_cast<std::size_t>(plays), buffer);
      alSourceQueueBuffers(sources_[side], plays, queue.data());
    }
    alSourcei(sources_[side], AL_LOOPING, numberOfLoops_ < 0 ? AL_TRUE : AL_FALSE);
  }
  attachedLoops_ = numberOfLoops_;
}

// Mono: a constant-power pan, cos and sin of a quarter turn. Stereo: the
// same curve scaled so that the centre keeps both channels whole and the far
// channel fades out towards the edge.
void OpenALPlayer::applyGains() {
  if (!hasSources()) return;
  const double angle = (pan_ + 1.0) * std::numbers::pi / 4;
  std::array<double, 2> gains = {std::cos(angle), std::sin(angle)};
  if (clip_->isStereo()) {
    for (double& gain : gains) gain = std::min(1.0, gain * std::numbers::sqrt2);
  }
  for (std::size_t side = 0; side < 2; ++side) {
    alSourcef(sources_[side], AL_GAIN, static_cast<float>(volume_ * gains[side]));
  }
}

}  // namespace

TonnixOpenALAudio::TonnixOpenALAudio() = default;
TonnixOpenALAudio::~TonnixOpenALAudio() = default;

std::shared_ptr<TonnixOpenALDevice> TonnixOpenALAudio::device() {
  if (!device_) device_ = TonnixOpenALDevice::shared();
  return device_;
}

TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> TonnixOpenALAudio::openClip(
    const std::filesystem::path& file) {
  TONNIX_TRY(decoded, decode(file));
  auto clip = std::make_shared<OpenALClip>(device(), file, decoded.duration());
  if (clip->device().canMix() && !clip->upload(decoded)) {
    return unexpected(audioError(TonnixAudioError::Kind::noFreePlayer, file));
  }
  return std::shared_ptr<TonnixAudioClip>(std::move(clip));
}

std::optional<std::string> TonnixOpenALAudio::unavailableReason() {
  return device()->unavailableReason();
}
