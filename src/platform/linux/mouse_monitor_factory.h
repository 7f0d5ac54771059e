#pragma once

#include <memory>

#include "platform/mouse_monitor.h"

// The best global mouse monitor this session offers: on a Wayland session
// the pointer devices themselves (every window's presses, no positions);
// else XInput 2 on the X server (an X11 session, or XWayland), else the accessibility registry's
// button events (no drags), else one that installs nothing. Says which on
// one "TonnixMouseMonitor: " line. Call on the main thread, with the Qt
// application made.
std::unique_ptr<TonnixMouseMonitor> makeMouseMonitor();
