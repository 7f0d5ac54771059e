#pragma once

#include <AL/alc.h>
#include <AL/alext.h>

#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>

class TonnixOpenALClip;
class TonnixOpenALPlayer;

// The process's one OpenAL device and context. It opens the default output
// on first use and again whenever the output was lost (the sound server
// restarted, the device went away) or could not be opened before; each clip
// and player puts back its buffers and sources at its next play. A few
// seconds after the last sound it pauses, so the sound server can suspend
// its sink and no mixing period wakes the process; a minute after the last
// sound it closes, since a paused PulseAudio stream still wakes the process;
// a wake (the pointer moving towards a press) or the next sound resumes or
// reopens it. Main thread only.
class TonnixOpenALDevice {
 public:
  TonnixOpenALDevice();
  ~TonnixOpenALDevice();
  TonnixOpenALDevice(const TonnixOpenALDevice&) = delete;
  TonnixOpenALDevice& operator=(const TonnixOpenALDevice&) = delete;

  // The device of the process, made when none is alive.
  static std::shared_ptr<TonnixOpenALDevice> shared();

  // Whether buffers and sources can be made now.
  bool canMix() const { return context_ != nullptr; }

  // Before a sound starts: reopens a lost or missing output, resumes a
  // paused one. Whether the sound will be heard.
  bool makeReady();
  // A sound of `seconds` started: the device stays awake until it is over.
  void played(double seconds);
  // A sound may come soon: ready as for a play, and awake as after one.
  void wake();

  const std::optional<std::string>& unavailableReason() const { return unavailableReason_; }

  void add(TonnixOpenALClip* clip) { clips_.insert(clip); }
  void remove(TonnixOpenALClip* clip) { clips_.erase(clip); }
  void add(TonnixOpenALPlayer* player) { players_.insert(player); }
  void remove(TonnixOpenALPlayer* player) { players_.erase(player); }

 private:
  bool open();
  void close();
  bool isConnected() const;
  void fail(const std::string& diagnostic);
  void pauseIfIdle();

  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
  LPALCDEVICEPAUSESOFT pause_ = nullptr;
  LPALCDEVICERESUMESOFT resume_ = nullptr;
  bool isPaused_ = false;
  // Closed for being idle, not for a failure: the next play opens at once.
  bool isIdleClosed_ = false;
  std::optional<std::string> unavailableReason_;
  std::optional<std::string> lastDiagnostic_;
  std::chrono::steady_clock::time_point openedAt_;
  std::chrono::steady_clock::time_point awakeUntil_;
  QTimer idleTimer_;
  std::set<TonnixOpenALClip*> clips_;
  std::set<TonnixOpenALPlayer*> players_;
};
