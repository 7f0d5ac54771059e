#include "platform/linux/openal_audio.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <dlfcn.h>
#include <sndfile.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numbers>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "support/diagnostics.h"

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

// Without sound for this long the device pauses, so the sound server can
// suspend its sink and no mixing period wakes the process.
constexpr std::chrono::seconds kIdleBeforePause(3);
// A paused PulseAudio stream still has its client library wake many times
// a second; a minute after the last sound the device closes. Not sooner:
// opening it again costs the next sound tens of milliseconds, where resuming
// costs well under one.
constexpr std::chrono::seconds kPausedBeforeClosing(57);
// A missing output is looked for again at a play at most this often.
constexpr std::chrono::seconds kRetryOpenAfter(2);

const char kNoOutputText[] = "No audio output device is available.";

void printDiagnostic(const std::string& text) {
  tonnixDiagnostic("TonnixAudio", text);
}

bool isFile(const std::filesystem::path& file) {
  std::error_code error;
  return std::filesystem::exists(file, error);
}

// A configuration the user wrote for OpenAL Soft: the file ALSOFT_CONF
// names, or a per-user one (the system's own is the distribution's).
bool userHasConfiguration() {
  if (std::getenv("ALSOFT_CONF")) return true;
  const char* home = std::getenv("HOME");
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome && *configHome && isFile(std::filesystem::path(configHome) / "alsoft.conf")) {
    return true;
  }
  if (!home || !*home) return false;
  return isFile(std::filesystem::path(home) / ".alsoftrc") ||
         (!(configHome && *configHome) &&
          isFile(std::filesystem::path(home) / ".config" / "alsoft.conf"));
}

// ALSA's own error handler writes its lines wherever it likes.
extern "C" void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// On a machine without sound, the ALSA library OpenAL Soft loads would write
// its own lines on the terminal; Tonnix says why nothing is heard once, in
// its own words. Kept loaded, so that OpenAL Soft finds it with the handler
// set.
void quietAlsa() {
  void* alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
  if (!alsa) return;
  using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetErrorHandler = int (*)(ErrorHandler);
  if (auto* setHandler =
          reinterpret_cast<SetErrorHandler>(::dlsym(alsa, "snd_lib_error_set_handler"))) {
    setHandler(ignoreAlsaError);
  }
}

// An environment variable set for as long as this object lives, unless the
// user set it already; afterwards the environment is as it was.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value)
      : name_(name), owned_(!std::getenv(name)) {
    if (owned_) ::setenv(name_, value.c_str(), 0);
  }
  ~ScopedVariable() {
    if (owned_) ::unsetenv(name_);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  bool owned_;
};

// A file that exists only in this process's memory, named by a path that
// only this process can open.
class MemoryFile {
 public:
  explicit MemoryFile(std::string_view contents)
      : descriptor_(::memfd_create("tonnix-alsoft", MFD_CLOEXEC)) {
    if (descriptor_ < 0) return;
    const auto length = static_cast<ssize_t>(contents.size());
    if (::write(descriptor_, contents.data(), contents.size()) != length) {
      ::close(std::exchange(descriptor_, -1));
    }
  }
  ~MemoryFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  bool isValid() const { return descriptor_ >= 0; }
  std::string path() const { return "/proc/self/fd/" + std::to_string(descriptor_); }

 private:
  int descriptor_;
};

// OpenAL Soft reads its configuration and its log level once, at its first
// call, from files and the environment only. Ours is named to it through
// the environment just while that first call runs, and only when the user
// has no configuration of their own; then the environment is restored, so
// nothing of it reaches the programs Tonnix starts, and the file was never
// on a disk.
void startOpenALSoft() {
  quietAlsa();
  const ScopedVariable quiet("ALSOFT_LOGLEVEL", "0");
  const MemoryFile configuration(kLowLatencyConfiguration);
  std::optional<ScopedVariable> named;
  if (configuration.isValid() && !userHasConfiguration()) {
    named.emplace("ALSOFT_CONF", configuration.path());
  }
  // A loopback device starts OpenAL Soft without opening any output.
  const auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
      alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  if (ALCdevice* loopback = openLoopback ? openLoopback(nullptr) : nullptr) {
    alcCloseDevice(loopback);
  } else {
    (void)alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
  }
}

struct DecodedSound {
  int sampleRate = 0;
  // One or two channels; the first two of a file with more.
  std::vector<std::vector<std::int16_t>> channels;

  std::size_t frameCount() const { return channels.front().size(); }
  double duration() const { return static_cast<double>(frameCount()) / sampleRate; }

  // One side as a stereo stream silent on the other side: 0 the first
  // channel on the left, 1 the second (or the only) on the right.
  std::vector<std::int16_t> side(std::size_t which) const {
    const auto& samples = channels[std::min(which, channels.size() - 1)];
    std::vector<std::int16_t> stereo(samples.size() * 2, 0);
    for (std::size_t frame = 0; frame < samples.size(); ++frame) {
      stereo[frame * 2 + which] = samples[frame];
    }
    return stereo;
  }
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
      static_cast<std::size_t>(TonnixAudioError::maximumFrames(info.samplerate));
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

class OpenALClip;
class OpenALPlayer;

}  // namespace

// The process's one OpenAL device and context. It opens the default output
// on first use and again whenever the output was lost (the sound server
// restarted, the device went away) or could not be opened before; each clip
// and player puts back its buffers and sources at its next play. It pauses
// after a few idle seconds and resumes at the next sound. Main thread only.
class TonnixOpenALDevice {
 public:
  TonnixOpenALDevice() {
    TonnixOpenALAudio::startLibrary();
    idleTimer_.setSingleShot(true);
    QObject::connect(&idleTimer_, &QTimer::timeout, [this] { pauseIfIdle(); });
    open();
  }

  ~TonnixOpenALDevice() { close(); }

  TonnixOpenALDevice(const TonnixOpenALDevice&) = delete;
  TonnixOpenALDevice& operator=(const TonnixOpenALDevice&) = delete;

  static std::shared_ptr<TonnixOpenALDevice> shared() {
    static std::weak_ptr<TonnixOpenALDevice> current;
    if (auto device = current.lock()) return device;
    auto device = std::make_shared<TonnixOpenALDevice>();
    current = device;
    return device;
  }

  // Whether buffers and sources can be made now.
  bool canMix() const { return context_ != nullptr; }

  // Before a sound starts: reopens a lost or missing output, resumes a
  // paused one. Whether the sound will be heard.
  bool makeReady();
  // A sound of `seconds` started: the device stays awake until it is over.
  void played(double seconds);

  const std::optional<std::string>& unavailableReason() const { return unavailableReason_; }

  void add(OpenALClip* clip) { clips_.insert(clip); }
  void remove(OpenALClip* clip) { clips_.erase(clip); }
  void add(OpenALPlayer* player) { players_.insert(player); }
  void remove(OpenALPlayer* player) { players_.erase(player); }

 private:
  bool open();
  void close();
  bool isConnected() const;
  void fail(const std::string& diagnostic);
  void pauseIfIdle();

  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
  LPALCDEVICEPAUSESOFT pause_ = nullptr;
  LPALCDEVICERESUMESOFT resume_ = nullptr;
  bool isPaused_ = false;
  // Closed for being idle, not for a failure: the next play opens at once.
  bool isIdleClosed_ = false;
  std::optional<std::string> unavailableReason_;
  std::optional<std::string> lastDiagnostic_;
  std::chrono::steady_clock::time_point openedAt_;
  std::chrono::steady_clock::time_point awakeUntil_;
  QTimer idleTimer_;
  std::set<OpenALClip*> clips_;
  std::set<OpenALPlayer*> players_;
};

namespace {

// A clip's samples in two stereo buffers, one per side, uploaded while the
// device can mix and again after it was reopened. A failed upload is
// tried again at the next play.
class OpenALClip : public TonnixAudioClip, public std::enable_shared_from_this<OpenALClip> {
 public:
  OpenALClip(std::shared_ptr<TonnixOpenALDevice> device, std::filesystem::path file,
             DecodedSound sound)
      : device_(std::move(device)), file_(std::move(file)), sound_(std::move(sound)) {
    device_->add(this);
    upload();
  }
  ~OpenALClip() override {
    device_->remove(this);
    deleteBuffers();
  }
  OpenALClip(const OpenALClip&) = delete;
  OpenALClip& operator=(const OpenALClip&) = delete;

  bool isUploaded() const { return buffers_[0] != 0; }
  // Whether the buffers are there, uploading them if not.
  bool upload();
  // The device closed: its buffers went with it.
  void forgetBuffers() { buffers_ = {0, 0}; }

  TonnixOpenALDevice& device() const { return *device_; }
  bool isStereo() const { return sound_.channels.size() == 2; }
  ALuint buffer(std::size_t side) const { return buffers_[side]; }

  const std::filesystem::path& file() const override { return file_; }
  double duration() const override { return sound_.duration(); }
  TonnixExpected<std::unique_ptr<TonnixAudioPlayer>, TonnixAudioError> makePlayer() override;

 private:
  void deleteBuffers() {
    if (isUploaded() && device_->canMix()) alDeleteBuffers(2, buffers_.data());
    forgetBuffers();
  }

  std::shared_ptr<TonnixOpenALDevice> device_;
  std::filesystem::path file_;
  DecodedSound sound_;
  std::array<ALuint, 2> buffers_ = {0, 0};
  bool hasReportedFailure_ = false;
};

bool OpenALClip::upload() {
  if (isUploaded()) return true;
  if (!device_->canMix()) return false;
  alGetError();
  alGenBuffers(2, buffers_.data());
  if (alGetError() != AL_NO_ERROR) {
    buffers_ = {0, 0};
  } else {
    for (std::size_t side = 0; side < 2; ++side) {
      const auto samples = sound_.side(side);
      alBufferData(buffers_[side], AL_FORMAT_STEREO16, samples.data(),
                   static_cast<ALsizei>(samples.size() * sizeof(std::int16_t)), sound_.sampleRate);
    }
    if (alGetError() == AL_NO_ERROR) {
      hasReportedFailure_ = false;
      return true;
    }
    deleteBuffers();
  }
  if (!std::exchange(hasReportedFailure_, true)) {
    printDiagnostic("could not load " + file_.filename().string() +
                    " into the output; it is tried again at its next play");
  }
  return false;
}

// A left and a right source over the clip's two buffers, each played on
// direct channels: no panning law, no HRTF, just the side's gain. Without
// an output device it has no sources and stays silent.
class OpenALPlayer : public TonnixAudioPlayer {
 public:
  explicit OpenALPlayer(std::shared_ptr<OpenALClip> clip) : clip_(std::move(clip)) {
    clip_->device().add(this);
    makeSources();
  }
  ~OpenALPlayer() override {
    clip_->device().remove(this);
    if (!hasSources()) return;
    alSourceStopv(2, sources_.data());
    alDeleteSources(2, sources_.data());
  }
  OpenALPlayer(const OpenALPlayer&) = delete;
  OpenALPlayer& operator=(const OpenALPlayer&) = delete;

  bool hasSources() const { return sources_[0] != 0; }
  void makeSources();
  // The device closed: its sources went with it.
  void forgetSources() {
    sources_ = {0, 0};
    attachedLoops_.reset();
  }

  void prepareToPlay() override {
    if (hasSources() && clip_->isUploaded()) attachBuffers();
  }
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
  double duration() const override { return clip_->duration(); }

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

TonnixExpected<std::unique_ptr<TonnixAudioPlayer>, TonnixAudioError> OpenALClip::makePlayer() {
  auto player = std::make_unique<OpenALPlayer>(shared_from_this());
  if (device_->canMix() && !player->hasSources()) {
    return unexpected(audioError(TonnixAudioError::Kind::noFreePlayer, file_));
  }
  return std::unique_ptr<TonnixAudioPlayer>(std::move(player));
}

void OpenALPlayer::makeSources() {
  if (hasSources() || !clip_->device().canMix()) return;
  alGetError();
  alGenSources(2, sources_.data());
  if (alGetError() != AL_NO_ERROR) {
    sources_ = {0, 0};
    return;
  }
  for (const ALuint source : sources_) {
    alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0);
  }
  applyGains();
}

bool OpenALPlayer::play() {
  TonnixOpenALDevice& device = clip_->device();
  if (!device.makeReady()) return false;
  makeSources();
  if (!hasSources() || !clip_->upload()) return false;
  alGetError();
  alSourceStopv(2, sources_.data());
  attachBuffers();
  if (startTime_ > 0) {
    for (ALuint source : sources_) alSourcef(source, AL_SEC_OFFSET, static_cast<float>(startTime_));
  }
  const double remaining = duration() - startTime_;
  startTime_ = 0;
  alSourcePlayv(2, sources_.data());
  if (alGetError() != AL_NO_ERROR) return false;
  device.played(numberOfLoops_ < 0 ? 0 : remaining + duration() * numberOfLoops_);
  return true;
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

bool TonnixOpenALDevice::open() {
  openedAt_ = std::chrono::steady_clock::now();
  device_ = alcOpenDevice(nullptr);
  if (!device_) {
    fail("OpenAL Soft could not open the default output device");
    return false;
  }
  const ALCchar* name = alcGetString(device_, ALC_ALL_DEVICES_SPECIFIER);
  if (name && std::string_view(name) == "No Output") {
    fail("OpenAL Soft found no output device but its null output");
    close();
    return false;
  }
  // Short interface sounds are not to be filtered for headphones.
  const std::array<ALCint, 7> attributes = {
      ALC_MONO_SOURCES, 0, ALC_STEREO_SOURCES, kSourceCount, ALC_HRTF_SOFT, ALC_FALSE, 0};
  context_ = alcCreateContext(device_, attributes.data());
  if (!context_ || !alcMakeContextCurrent(context_)) {
    fail(std::string("OpenAL Soft could not set up mixing: ") +
         alcGetString(device_, alcGetError(device_)));
    close();
    return false;
  }
  if (alcIsExtensionPresent(device_, "ALC_SOFT_pause_device")) {
    pause_ =
        reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(device_, "alcDevicePauseSOFT"));
    resume_ =
        reinterpret_cast<LPALCDEVICERESUMESOFT>(alcGetProcAddress(device_, "alcDeviceResumeSOFT"));
  }
  isPaused_ = false;
  unavailableReason_.reset();
  lastDiagnostic_.reset();
  // Clips and players come back at their next play, so that reopening
  // costs the sound that reopens only its own.
  return true;
}

// Everything made on the device goes with it.
void TonnixOpenALDevice::close() {
  idleTimer_.stop();
  for (OpenALClip* clip : clips_) clip->forgetBuffers();
  for (OpenALPlayer* player : players_) player->forgetSources();
  if (context_) {
    if (alcGetCurrentContext() == context_) alcMakeContextCurrent(nullptr);
    alcDestroyContext(context_);
    context_ = nullptr;
  }
  if (device_) alcCloseDevice(device_);
  device_ = nullptr;
}

bool TonnixOpenALDevice::isConnected() const {
  if (!alcIsExtensionPresent(device_, "ALC_EXT_disconnect")) return true;
  ALCint connected = ALC_TRUE;
  alcGetIntegerv(device_, ALC_CONNECTED, 1, &connected);
  return connected == ALC_TRUE;
}

void TonnixOpenALDevice::fail(const std::string& diagnostic) {
  unavailableReason_ = kNoOutputText;
  if (lastDiagnostic_ == diagnostic) return;
  lastDiagnostic_ = diagnostic;
  printDiagnostic("no sound: " + diagnostic);
}

bool TonnixOpenALDevice::makeReady() {
  if (!canMix()) {
    const bool mayRetry = std::chrono::steady_clock::now() - openedAt_ >= kRetryOpenAfter;
    if (!std::exchange(isIdleClosed_, false) && !mayRetry) return false;
    return open();
  }
  if (isPaused_ && resume_) {
    resume_(device_);
    isPaused_ = false;
  }
  if (isConnected()) return true;
  printDiagnostic("the output device was lost; opening the default output device again");
  close();
  return open();
}

void TonnixOpenALDevice::played(double seconds) {
  const auto until = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(seconds) + kIdleBeforePause);
  if (idleTimer_.isActive() && until <= awakeUntil_) return;
  awakeUntil_ = until;
  idleTimer_.start(std::chrono::duration_cast<std::chrono::milliseconds>(
      until - std::chrono::steady_clock::now()));
}

// A looping sound keeps the device awake.
void TonnixOpenALDevice::pauseIfIdle() {
  if (!canMix() || !pause_) return;
  if (std::ranges::any_of(players_,
                          [](const OpenALPlayer* player) { return player->isPlaying(); })) {
    played(0);
    return;
  }
  if (isPaused_) {
    close();
    isIdleClosed_ = true;
    return;
  }
  pause_(device_);
  isPaused_ = true;
  idleTimer_.start(kPausedBeforeClosing);
}

void TonnixOpenALAudio::startLibrary() {
  static std::once_flag started;
  std::call_once(started, startOpenALSoft);
}

TonnixOpenALAudio::TonnixOpenALAudio() = default;
TonnixOpenALAudio::~TonnixOpenALAudio() = default;

std::shared_ptr<TonnixOpenALDevice> TonnixOpenALAudio::device() {
  if (!device_) device_ = TonnixOpenALDevice::shared();
  return device_;
}

TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> TonnixOpenALAudio::openClip(
    const std::filesystem::path& file) {
  TONNIX_TRY(decoded, decode(file));
  return std::shared_ptr<TonnixAudioClip>(
      std::make_shared<OpenALClip>(device(), file, std::move(decoded)));
}

void TonnixOpenALAudio::openClipInBackground(const std::filesystem::path& file,
                                             std::function<void(ClipResult)> done) {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) {
    done(openClip(file));
    return;
  }
  QThreadPool::globalInstance()->start([this, application, file, done = std::move(done),
                                        alive = std::weak_ptr<char>(alive_)]() mutable {
    auto decoded = std::make_shared<TonnixExpected<DecodedSound, TonnixAudioError>>(decode(file));
    QMetaObject::invokeMethod(
        application,
        [this, file, decoded, done = std::move(done), alive] {
          if (!alive.lock()) return;
          if (!*decoded) {
            done(unexpected(decoded->error()));
            return;
          }
          done(std::shared_ptr<TonnixAudioClip>(
              std::make_shared<OpenALClip>(device(), file, std::move(decoded->value()))));
        },
        Qt::QueuedConnection);
  });
}

std::optional<std::string> TonnixOpenALAudio::unavailableReason() {
  return device()->unavailableReason();
}
