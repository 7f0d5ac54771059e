#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/silence_probes.h"

class TonnixX11Connection;

// The window the window manager says is active (_NET_ACTIVE_WINDOW).
struct TonnixX11ActiveWindow {
  // Its owner (_NET_WM_PID); 0 when the window does not say.
  std::int32_t processIdentifier = 0;
  // _NET_WM_STATE_FULLSCREEN: the window manager gave it a whole monitor.
  bool isFullscreen = false;
};

// The on-screen windows as the window-based silence tests see them, read
// from the X server: the window manager's client list in stacking order
// (_NET_CLIENT_LIST_STACKING), or without a window manager the root
// window's mapped children. Layers come from the EWMH window type and state
// (display_to_itself.h), alpha from _NET_WM_WINDOW_OPACITY, the owner from
// _NET_WM_PID. Windows that vanish while they are asked about are skipped.
// Main thread only.
class TonnixX11WindowList {
 public:
  // `connection` must outlive the list.
  explicit TonnixX11WindowList(TonnixX11Connection& connection);

  // Viewable, not hidden windows, front first, in root-window coordinates;
  // empty without an X server. With `owner`, only that process's windows,
  // which spares the server most questions.
  std::vector<TonnixWindowDescription> windows(std::optional<std::int32_t> owner = {});
  // Nothing without a window manager that names an active window.
  std::optional<TonnixX11ActiveWindow> activeWindow();

 private:
  TonnixX11Connection& connection_;
};
