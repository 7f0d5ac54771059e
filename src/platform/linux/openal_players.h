#pragma once

#include <AL/al.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/audio.h"
#include "platform/linux/sndfile_decoding.h"

class TonnixOpenALDevice;

// A clip's samples in two 16-bit stereo buffers, the left channel alone on
// the left and the right (or the only) one alone on the right, uploaded
// while the device can mix and again after it was reopened. A failed upload
// is tried again at the next play. Main thread only.
class TonnixOpenALClip : public TonnixAudioClip,
                         public std::enable_shared_from_this<TonnixOpenALClip> {
 public:
  TonnixOpenALClip(std::shared_ptr<TonnixOpenALDevice> device, std::filesystem::path file,
                   TonnixDecodedAudio sound);
  ~TonnixOpenALClip() override;
  TonnixOpenALClip(const TonnixOpenALClip&) = delete;
  TonnixOpenALClip& operator=(const TonnixOpenALClip&) = delete;

  bool isUploaded() const { return buffers_[0] != 0; }
  // Whether the buffers are there, uploading them if not.
  bool upload();
  // The device closed: its buffers went with it.
  void forgetBuffers() { buffers_ = {0, 0}; }

  TonnixOpenALDevice& device() const { return *device_; }
  bool isStereo() const { return sound_.isStereo(); }
  ALuint buffer(std::size_t side) const { return buffers_[side]; }

  const std::filesystem::path& file() const override { return file_; }
  double duration() const override { return sound_.duration(); }
  TonnixExpected<std::unique_ptr<TonnixAudioPlayer>, TonnixAudioError> makePlayer() override;

 private:
  void deleteBuffers();

  std::shared_ptr<TonnixOpenALDevice> device_;
  std::filesystem::path file_;
  TonnixDecodedAudio sound_;
  std::array<ALuint, 2> buffers_ = {0, 0};
  bool hasReportedFailure_ = false;
};

// A left and a right source over the clip's two buffers, each played on
// direct channels, so that pan and balance are exact gains rather than
// OpenAL's own panning law, and no HRTF. Without an output device it has no
// sources and stays silent. Main thread only.
class TonnixOpenALPlayer : public TonnixAudioPlayer {
 public:
  explicit TonnixOpenALPlayer(std::shared_ptr<TonnixOpenALClip> clip);
  ~TonnixOpenALPlayer() override;
  TonnixOpenALPlayer(const TonnixOpenALPlayer&) = delete;
  TonnixOpenALPlayer& operator=(const TonnixOpenALPlayer&) = delete;

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

  std::shared_ptr<TonnixOpenALClip> clip_;
  std::array<ALuint, 2> sources_ = {0, 0};
  float volume_ = 1;
  float pan_ = 0;
  int numberOfLoops_ = 0;
  std::optional<int> attachedLoops_;
  double startTime_ = 0;
};
