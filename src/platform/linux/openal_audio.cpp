#include "platform/linux/openal_audio.h"

#include <QCoreApplication>
#include <QThreadPool>
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
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) {
    done(openClip(file));
    return;
  }
  QThreadPool::globalInstance()->start([this, application, file, done = std::move(done),
                                        alive = std::weak_ptr<char>(alive_)]() mutable {
    auto decoded = std::make_shared<TonnixExpected<TonnixDecodedAudio, TonnixAudioError>>(
        tonnixDecodeSound(file));
    QMetaObject::invokeMethod(
        application,
        [this, file, decoded, done = std::move(done), alive] {
          if (!alive.lock()) return;
          if (!*decoded) {
            done(unexpected(decoded->error()));
            return;
          }
          done(std::shared_ptr<TonnixAudioClip>(
              std::make_shared<TonnixOpenALClip>(device(), file, std::move(decoded->value()))));
        },
        Qt::QueuedConnection);
  });
}

std::optional<std::string> TonnixOpenALAudio::unavailableReason() {
  return device()->unavailableReason();
}
