#pragma once

#include <memory>

#include "platform/audio.h"

class TonnixOpenALDevice;

// Audio output through OpenAL Soft. Files are decoded once with libsndfile
// into 16-bit buffers, one per channel (the first two of a file with more),
// shared by all players of the clip. Each player drives a left and a right
// source placed hard left and hard right, so that pan and balance are exact
// gains rather than OpenAL's own panning law, which dips at the centre.
//
// The default device is opened on first use, with small mixing periods for a
// short path from play() to the speaker (unless ALSOFT_CONF names a
// configuration of the user's own). Without a real output device (none, or
// only OpenAL Soft's null output) everything still works except that
// players stay silent; one line on standard output says why.
//
// Instances share the one device of the process, which closes when the last
// instance and the last of their players are gone.
class TonnixOpenALAudio : public TonnixAudioOutput {
 public:
  TonnixOpenALAudio();
  ~TonnixOpenALAudio() override;

  TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> openClip(
      const std::filesystem::path& file) override;
  std::optional<std::string> unavailableReason() override;

 private:
  std::shared_ptr<TonnixOpenALDevice> device();

  std::shared_ptr<TonnixOpenALDevice> device_;
};
