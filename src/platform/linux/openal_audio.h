#pragma once

#include <memory>

#include "platform/audio.h"

class TonnixOpenALDevice;

// Audio output through OpenAL Soft. Files are decoded once with libsndfile
// (the first two channels of a file with more) and kept as two 16-bit
// stereo buffers, the left channel alone on the left and the right (or the
// only) one alone on the right, shared by all players of the clip. Each
// player drives one source per side on direct channels, so that pan and
// balance are exact gains rather than OpenAL's own panning law, and HRTF is
// off.
//
// The default device is opened on first use, with small mixing periods for a
// short path from play() to the speaker, unless the user has an OpenAL Soft
// configuration of their own (ALSOFT_CONF, ~/.alsoftrc or
// $XDG_CONFIG_HOME/alsoft.conf). Nothing of that is left in the environment
// or on a disk. A few seconds after the last sound the
// device pauses and the next play resumes it; a minute after the last
// sound it closes, since a paused PulseAudio stream still wakes the process,
// and the next play opens it again. A lost output (the sound
// server restarted, the device went away) is opened again at the next play,
// each clip and player restored at its own next play; one line on standard
// output says so.
// Without a real output device (none, or only OpenAL Soft's null output)
// everything still works except that players stay silent, and a play looks
// for the output again every few seconds; one line says why.
//
// Instances share the one device of the process, which closes when the last
// instance and the last of their clips and players are gone.
class TonnixOpenALAudio : public TonnixAudioOutput {
 public:
  TonnixOpenALAudio();
  ~TonnixOpenALAudio() override;

  // Configures OpenAL Soft for this process, once; the first output does it
  // too. Briefly sets environment variables, so a program calls it at its
  // start, before it starts threads, if it is to play sounds.
  static void startLibrary();

  TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> openClip(
      const std::filesystem::path& file) override;
  // Decodes on Qt's thread pool and uploads on the main thread; opens at
  // once without a Qt application.
  void openClipInBackground(const std::filesystem::path& file,
                            std::function<void(ClipResult)> done) override;
  std::optional<std::string> unavailableReason() override;

 private:
  std::shared_ptr<TonnixOpenALDevice> device();

  std::shared_ptr<TonnixOpenALDevice> device_;
  // Gone with the output, so that a late decoding is dropped.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};
