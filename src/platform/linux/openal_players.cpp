#include "platform/linux/openal_players.h"

#include <AL/alext.h>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

#include "platform/linux/openal_device.h"
#include "support/diagnostics.h"

namespace {

// A queued repeat costs a little memory per repeat; beyond this, repeats are cut.
constexpr int kMaximumQueuedLoops = 1000;

}  // namespace

TonnixOpenALClip::TonnixOpenALClip(std::shared_ptr<TonnixOpenALDevice> device,
                                   std::filesystem::path file, TonnixDecodedAudio sound)
    : device_(std::move(device)), file_(std::move(file)), sound_(std::move(sound)) {
  device_->add(this);
  upload();
}

TonnixOpenALClip::~TonnixOpenALClip() {
  device_->remove(this);
  deleteBuffers();
}

void TonnixOpenALClip::deleteBuffers() {
  if (isUploaded() && device_->canMix()) alDeleteBuffers(2, buffers_.data());
  forgetBuffers();
}

bool TonnixOpenALClip::upload() {
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
    tonnixDiagnostic("TonnixAudio", "could not load " + file_.filename().string() +
                                        " into the output; it is tried again at its next play");
  }
  return false;
}

TonnixExpected<std::unique_ptr<TonnixAudioPlayer>, TonnixAudioError>
TonnixOpenALClip::makePlayer() {
  auto player = std::make_unique<TonnixOpenALPlayer>(shared_from_this());
  if (device_->canMix() && !player->hasSources()) {
    return unexpected(TonnixAudioError{TonnixAudioError::Kind::noFreePlayer, file_, {}});
  }
  return std::unique_ptr<TonnixAudioPlayer>(std::move(player));
}

TonnixOpenALPlayer::TonnixOpenALPlayer(std::shared_ptr<TonnixOpenALClip> clip)
    : clip_(std::move(clip)) {
  clip_->device().add(this);
  makeSources();
}

TonnixOpenALPlayer::~TonnixOpenALPlayer() {
  clip_->device().remove(this);
  if (!hasSources()) return;
  alSourceStopv(2, sources_.data());
  alDeleteSources(2, sources_.data());
}

void TonnixOpenALPlayer::makeSources() {
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

bool TonnixOpenALPlayer::play() {
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

void TonnixOpenALPlayer::stop() {
  if (!hasSources()) return;
  startTime_ = currentTime();
  alSourceStopv(2, sources_.data());
}

bool TonnixOpenALPlayer::isPlaying() const {
  if (!hasSources()) return false;
  ALint state = AL_STOPPED;
  alGetSourcei(sources_[0], AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

void TonnixOpenALPlayer::setVolume(float volume) {
  volume_ = std::clamp(volume, 0.0f, 1.0f);
  applyGains();
}

void TonnixOpenALPlayer::setPan(float pan) {
  pan_ = std::clamp(pan, -1.0f, 1.0f);
  applyGains();
}

void TonnixOpenALPlayer::setCurrentTime(double seconds) {
  startTime_ = std::clamp(seconds, 0.0, duration());
  if (isPlaying()) {
    for (ALuint source : sources_) alSourcef(source, AL_SEC_OFFSET, static_cast<float>(startTime_));
    startTime_ = 0;
  }
}

double TonnixOpenALPlayer::currentTime() const {
  if (!isPlaying()) return startTime_;
  ALfloat seconds = 0;
  alGetSourcef(sources_[0], AL_SEC_OFFSET, &seconds);
  return std::fmod(static_cast<double>(seconds), duration());
}

// A single buffer, looping or not, or the buffer queued once per play.
void TonnixOpenALPlayer::attachBuffers() {
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
void TonnixOpenALPlayer::applyGains() {
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
