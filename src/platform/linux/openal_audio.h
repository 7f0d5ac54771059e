#pragma once

#include <memory>

#include "platform/audio.h"

class TonnixOpenALDevice;

// Audio output through OpenAL Soft: files decoded once with libsndfile
// (`sndfile_decoding.h`), the process's one output device
// (`openal_device.h`), clips and their players (`openal_players.h`).
//
// Making the first output sets OpenAL Soft up for the process
// (`openal_soft_setup.h`) and opens the default device. A lost output (the
// sound server restarted, the device went away) is opened again at the next
// play, each clip and player restored at its own next play; one line on
// standard error says so. Without a real output device (none, or only
// OpenAL Soft's null output) everything still works except that players
// stay silent, and a play looks for the output again every few seconds; one
// line says why.
//
// Instances share the one device of the process, which closes when the last
// instance and the last of their clips and players are gone. Main thread.
class TonnixOpenALAudio : public TonnixAudioOutput {
 public:
  TonnixOpenALAudio();
  ~TonnixOpenALAudio() override;

  TonnixExpected<std::shared_ptr<TonnixAudioClip>, TonnixAudioError> openClip(
      const std::filesystem::path& file) override;
  // Decodes on Qt's thread pool and uploads on the main thread; opens at
  // once without a Qt application.
  void openClipInBackground(const std::filesystem::path& file,
                            std::function<void(ClipResult)> done) override;
  std::optional<std::string> unavailableReason() override;
  // Reopens or resumes the device as a play would, and keeps it awake a
  // few seconds. Once the device has been made: an output never played
  // through opens nothing.
  void wake() override;

 private:
  std::shared_ptr<TonnixOpenALDevice> device();

  std::shared_ptr<TonnixOpenALDevice> device_;
  // Gone with the output, so that a late decoding is dropped.
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};
