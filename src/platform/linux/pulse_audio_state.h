#pragma once

#include <memory>

// What the PulseAudio server (or PipeWire's PulseAudio service) says about
// sound in and out, kept current in the background: a connection on a
// thread of its own subscribes to the server's changes and keeps the
// answers, so asking costs nothing and never waits. Before the server has
// answered, and without a server, both answers are "no". Construction
// returns at once; a server that cannot be reached is named on one
// "TonnixPulseAudioState: " line and tried again after 5 seconds, then
// ever more rarely.
class TonnixPulseAudioState {
 public:
  TonnixPulseAudioState();
  ~TonnixPulseAudioState();
  TonnixPulseAudioState(const TonnixPulseAudioState&) = delete;
  TonnixPulseAudioState& operator=(const TonnixPulseAudioState&) = delete;

  // The default output is muted or turned all the way down, or a stream of
  // this process is muted or silent (the user silenced Tonnix itself).
  bool isOutputHeldBack() const;
  // An input device (not the monitor of an output) is recording.
  bool isInputRecording() const;

 private:
  struct Connection;
  std::unique_ptr<Connection> connection_;
};
