#pragma once

#include <QPoint>
#include <QRect>
#include <cstdint>
#include <optional>

#include "platform/linux/x11_connection.h"

// What the X server says lies at a screen point: the window manager's
// stacking order of client windows (_NET_CLIENT_LIST_STACKING), front first,
// tells which application's window is on top there, which AT-SPI cannot.
struct TonnixX11WindowAtPoint {
  enum class Kind {
    // The point is on no client window: the desktop, or a frame that the
    // window manager draws around a client.
    none,
    window,
  };
  Kind kind = Kind::none;
  // The owner's process (_NET_WM_PID); 0 when the window does not say.
  std::int32_t processIdentifier = 0;
  // The client window in root-window coordinates.
  QRect frame;
};

// Reads the stacking order on a connection of its own to DISPLAY's server.
// Main thread only. Windows that vanish while they are asked about are
// skipped, never fatal.
class TonnixX11WindowStacking {
 public:
  // The top-most viewable client window whose outer frame (client area plus
  // the window manager's _NET_FRAME_EXTENTS) holds the point; nothing when
  // there is no X server or no window manager publishing the stacking order,
  // so the caller must find the window some other way.
  std::optional<TonnixX11WindowAtPoint> windowAt(QPoint point);

 private:
  TonnixX11Connection connection_;
};
