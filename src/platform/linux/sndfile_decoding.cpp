#include "platform/linux/sndfile_decoding.h"

#include <sndfile.h>

#include <QCoreApplication>
#include <QThreadPool>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>

namespace {

constexpr sf_count_t kFramesPerRead = 4096;

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

}  // namespace

std::vector<std::int16_t> TonnixDecodedAudio::side(std::size_t which) const {
  const auto& samples = channels[std::min(which, channels.size() - 1)];
  std::vector<std::int16_t> stereo(samples.size() * 2, 0);
  for (std::size_t frame = 0; frame < samples.size(); ++frame) {
    stereo[frame * 2 + which] = samples[frame];
  }
  return stereo;
}

std::vector<std::int16_t> TonnixDecodedAudio::interleaved() const {
  if (!isStereo()) return channels.front();
  std::vector<std::int16_t> samples(frameCount() * 2);
  for (std::size_t frame = 0; frame < frameCount(); ++frame) {
    samples[frame * 2] = channels[0][frame];
    samples[frame * 2 + 1] = channels[1][frame];
  }
  return samples;
}

TonnixExpected<TonnixDecodedAudio, TonnixAudioError> tonnixDecodeSound(
    const std::filesystem::path& file) {
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
  TonnixDecodedAudio sound;
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

void tonnixDecodeSoundInBackground(const std::filesystem::path& file, std::weak_ptr<char> alive,
                                   std::function<void(TonnixDecoding)> done) {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) {
    done(tonnixDecodeSound(file));
    return;
  }
  QThreadPool::globalInstance()->start(
      [application, file, alive = std::move(alive), done = std::move(done)]() mutable {
        auto decoded = std::make_shared<TonnixDecoding>(tonnixDecodeSound(file));
        QMetaObject::invokeMethod(
            application,
            [decoded, alive = std::move(alive), done = std::move(done)] {
              if (alive.lock()) done(std::move(*decoded));
            },
            Qt::QueuedConnection);
      });
}
