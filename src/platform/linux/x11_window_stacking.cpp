#include "platform/linux/x11_window_stacking.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <vector>

#include "platform/linux/x11_properties.h"

namespace {

// Xlib's default error handler ends the process; a window that went away
// between the stacking list and a request about it is not worth that.
int ignoreError(Display*, XErrorEvent*) {
  return 0;
}

class IgnoredErrors {
 public:
  explicit IgnoredErrors(Display* display)
      : display_(display), previous_(XSetErrorHandler(ignoreError)) {}
  ~IgnoredErrors() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
  }
  IgnoredErrors(const IgnoredErrors&) = delete;
  IgnoredErrors& operator=(const IgnoredErrors&) = delete;

 private:
  Display* display_;
  int (*previous_)(Display*, XErrorEvent*);
};

struct ClientGeometry {
  QRect client;
  QRect outer;
};

std::optional<ClientGeometry> geometry(Display* display, Window window) {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return std::nullopt;
  if (attributes.map_state != IsViewable) return std::nullopt;
  int x = 0;
  int y = 0;
  Window child = None;
  if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child)) {
    return std::nullopt;
  }
  const QRect client(x, y, attributes.width, attributes.height);
  const auto extents = tonnixX11Cardinals(display, window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
  if (extents.size() != 4) return ClientGeometry{client, client};
  const auto side = [&](std::size_t index) { return static_cast<int>(extents[index]); };
  return ClientGeometry{client, client.adjusted(-side(0), -side(2), side(1), side(3))};
}

}  // namespace

std::optional<TonnixX11WindowAtPoint> TonnixX11WindowStacking::windowAt(QPoint point) {
  Display* display = connection_.display();
  if (!display) return std::nullopt;
  IgnoredErrors ignored(display);
  const auto stacking = tonnixX11Cardinals(display, DefaultRootWindow(display),
                                           "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
  if (stacking.empty()) return std::nullopt;
  // The list runs from bottom to top.
  for (auto window = stacking.rbegin(); window != stacking.rend(); ++window) {
    const auto frames = geometry(display, *window);
    if (!frames || !frames->outer.contains(point)) continue;
    if (!frames->client.contains(point)) return TonnixX11WindowAtPoint{};
    const auto pid = tonnixX11Cardinals(display, *window, "_NET_WM_PID", XA_CARDINAL);
    return TonnixX11WindowAtPoint{TonnixX11WindowAtPoint::Kind::window,
                                  pid.empty() ? 0 : static_cast<std::int32_t>(pid.front()),
                                  frames->client};
  }
  return TonnixX11WindowAtPoint{};
}
