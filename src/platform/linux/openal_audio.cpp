#include "platform/linux/openal_audio.h"

#include <utility>

#include "platform/linux/openal_device.h"
#include "platform/linux/openal_players.h"
#include "platform/linux/openal_soft_setup.h"
#include "platform/linux/sndfile_decoding.h"

TonnixOpenALAudio::TonnixOpenALAudio() {
  tonnixSetUpOpenALSoft();
}

TonnixOpenALAudio::~TonnixOpenALAudio() = default;

std::shared_ptr<TonnixOpenALDevice> TonnixOpenALAudio::device() {
  if (!device_) device_ = TonnixOpenALDevice::shared();
  return device_;
}

TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> TonnixOpenALAudio::openClip(
    const std::filesystem::path& file) {
  TONNIX_TRY(decoded, tonnixDecodeSound(file));
  return std::shared_ptr<TonnixAudioClip>(
      std::make_shared<TonnixOpenALClip>(device(), file, std::move(decoded)));
}

void TonnixOpenALAudio::openClipInBackground(const std::filesystem::path& file,
                                             std::function<void(ClipResult)> done) {
  tonnixDecodeSoundInBackground(
      file, alive_, [this, file, done = std::move(done)](TonnixDecoding decoded) {
        if (!decoded) return done(unexpected(decoded.error()));
        done(std::shared_ptr<TonnixAudioClip>(
            std::make_shared<TonnixOpenALClip>(device(), file, std::move(*decoded))));
      });
}

std::optional<std::string> TonnixOpenALAudio::unavailableReason() {
  return device()->unavailableReason();
}

void TonnixOpenALAudio::wake() {
  if (device_) device_->wake();
}
