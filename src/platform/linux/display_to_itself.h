#pragma once

#include <QRectF>
#include <cstdint>
#include <vector>

#include "platform/silence_probes.h"

// Window layers as the silence tests rank them. X11 has no numeric window
// levels, so the window list maps EWMH window types and states onto these.
namespace TonnixWindowLayer {
constexpr int normal = 0;
// _NET_WM_STATE_ABOVE: kept above ordinary windows.
constexpr int floating = 3;
// Panels and docks.
constexpr int dock = 20;
// Menus, tool tips, notifications and other override-redirect windows.
constexpr int popUp = 101;
constexpr int screenSaver = 1000;
}  // namespace TonnixWindowLayer

// Whether the process covers a whole display with one visible window: an
// ordinary window, or one at the screen-saver layer or above. A window 1
// point short of the display on each side still counts, so rounding in a
// window manager's placement never hides a full-screen window.
bool tonnixHasDisplayToItself(const std::vector<TonnixWindowDescription>& windows,
                              std::int32_t processIdentifier, const std::vector<QRectF>& displays);
