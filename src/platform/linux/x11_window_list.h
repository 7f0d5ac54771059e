#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/silence_probes.h"

class TonnixX11WindowWatcher;
struct TonnixX11WatchedWindow;

// The window the window manager says is active (_NET_ACTIVE_WINDOW).
struct TonnixX11ActiveWindow {
  // Its owner (_NET_WM_PID); 0 when the window does not say.
  std::int32_t processIdentifier = 0;
  // _NET_WM_STATE_FULLSCREEN: the window manager gave it a whole monitor.
  bool isFullscreen = false;
};

// The on-screen windows as the window-based silence tests see them, from
// the watcher's facts, so asking costs the X server nothing: the window
// manager's stacking order, or without one the root window's mapped
// children. Layers come from the EWMH window type and state
// (display_to_itself.h), alpha from _NET_WM_WINDOW_OPACITY, the owner from
// _NET_WM_PID. Main thread only.
class TonnixX11WindowList {
 public:
  // `watcher` must outlive the list; the atoms it needs are interned here.
  explicit TonnixX11WindowList(const TonnixX11WindowWatcher& watcher);

  // Viewable, not hidden windows, front first, in root-window coordinates;
  // empty without an X server. With `owner`, only that process's windows.
  std::vector<TonnixWindowDescription> windows(std::optional<std::int32_t> owner = {}) const;
  // Nothing without a window manager that names an active window.
  std::optional<TonnixX11ActiveWindow> activeWindow() const;

 private:
  int layer(const TonnixX11WatchedWindow& window) const;

  const TonnixX11WindowWatcher& watcher_;
  unsigned long dock_ = 0;
  unsigned long above_ = 0;
  std::vector<unsigned long> popUps_;
};
