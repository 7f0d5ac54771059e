#include "platform/linux/openal_device.h"

#include <AL/al.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "platform/linux/openal_players.h"
#include "support/diagnostics.h"

namespace {

// Sources per device: three players of two sources for every catalogue
// sound, with room to spare. OpenAL Soft's default of 256 is too few.
constexpr ALCint kSourceCount = 1024;

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

}  // namespace

TonnixOpenALDevice::TonnixOpenALDevice() {
  idleTimer_.setSingleShot(true);
  QObject::connect(&idleTimer_, &QTimer::timeout, [this] { pauseIfIdle(); });
  open();
}

TonnixOpenALDevice::~TonnixOpenALDevice() {
  close();
}

std::shared_ptr<TonnixOpenALDevice> TonnixOpenALDevice::shared() {
  static std::weak_ptr<TonnixOpenALDevice> current;
  if (auto device = current.lock()) return device;
  auto device = std::make_shared<TonnixOpenALDevice>();
  current = device;
  return device;
}

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
  for (TonnixOpenALClip* clip : clips_) clip->forgetBuffers();
  for (TonnixOpenALPlayer* player : players_) player->forgetSources();
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

// Opening costs tens of milliseconds, better spent before the press than
// after it.
// A missing output is looked for at a play only.
void TonnixOpenALDevice::wake() {
  if (!canMix() && !isIdleClosed_) return;
  if (makeReady()) played(0);
}

// A looping sound keeps the device awake.
void TonnixOpenALDevice::pauseIfIdle() {
  if (!canMix() || !pause_) return;
  if (std::ranges::any_of(players_,
                          [](const TonnixOpenALPlayer* player) { return player->isPlaying(); })) {
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
