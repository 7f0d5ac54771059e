#pragma once

#include <QRectF>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/dbus_do_not_disturb.h"
#include "platform/linux/dbus_game_mode.h"
#include "platform/linux/dbus_idle_inhibitors.h"
#include "platform/linux/pulse_audio_state.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_window_list.h"
#include "platform/linux/x11_window_watcher.h"
#include "platform/linux/xrandr_displays.h"
#include "platform/silence_probes.h"

// The silence probes on a Linux desktop: PulseAudio for the output and the
// microphones, the X server (EWMH window list, RandR outputs) for windows
// and displays, D-Bus for idle inhibitors, Do Not Disturb and GameMode.
// Whatever the session lacks answers "no", and construction names it on one
// "TonnixSilenceProbe: " line. Nothing here waits on another process: the
// PulseAudio state is kept current on a thread of its own, D-Bus answers
// are fetched in the background and reused, and the windows are the
// watcher's, kept current by the X server's events. Main thread only.
class TonnixLinuxSilenceProbe : public TonnixSilenceProbe {
 public:
  TonnixLinuxSilenceProbe();
  // The window facts, also for other listeners.
  TonnixX11WindowWatcher& windowWatcher() { return watcher_; }
  ~TonnixLinuxSilenceProbe() override;

  bool isAudioHeldBack() override { return pulse_.isOutputHeldBack(); }
  bool isDisplayShared() override;
  bool isGameModeActive(const std::vector<TonnixWindowDescription>& windows,
                        const std::vector<QRectF>& displays) override;
  bool isMicrophoneInUse() override { return pulse_.isInputRecording(); }
  bool isVideoPlaying() override { return inhibitors_.isHeldByOtherProcess(); }
  bool isFocusActive() override { return doNotDisturb_.isOn(); }
  bool canTellFocus() override { return doNotDisturb_.canTell(); }
  bool isApplicationFullscreen(const std::vector<TonnixWindowDescription>& windows,
                               const std::vector<QRectF>& displays) override;
  std::vector<TonnixWindowDescription> windowDescriptions() override;
  std::vector<QRectF> displayBounds() override;
  // Linux desktops ask no permission for their notification state; the
  // next question simply fetches it afresh.
  void requestFocusAuthorization() override { doNotDisturb_.forget(); }

 private:
  bool isGame(std::int32_t processIdentifier) const;
  // Learns off the main thread whether the process runs an installed game:
  // GIO reads the .desktop files once and follows their changes.
  void learnWhetherGame(std::int32_t processIdentifier);

  TonnixX11Connection x11_;
  TonnixX11WindowWatcher watcher_;
  TonnixX11WindowList windows_;
  TonnixXRandRDisplays displays_;
  TonnixPulseAudioState pulse_;
  TonnixDBusIdleInhibitors inhibitors_;
  TonnixDBusGameMode gameMode_;
  TonnixDBusDoNotDisturb doNotDisturb_;
  // The front process and whether it is a game, learnt when it came to the
  // front; shared with the lookup that may finish after the probe is gone.
  std::shared_ptr<std::optional<std::pair<std::int32_t, bool>>> frontGame_ =
      std::make_shared<std::optional<std::pair<std::int32_t, bool>>>();
};
