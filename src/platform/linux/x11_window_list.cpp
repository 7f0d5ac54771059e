#include "platform/linux/x11_window_list.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>

#include "platform/linux/display_to_itself.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_properties.h"

namespace {

int ignoreError(Display*, XErrorEvent*) {
  return 0;
}

// A window that went away between the list and a request about it raises
// an X error, which Xlib's default handler answers by ending the process.
// Every request here waits for its reply, so its error has been handled by
// the time the request returns and no final round trip is needed.
class IgnoredErrors {
 public:
  IgnoredErrors() : previous_(XSetErrorHandler(ignoreError)) {}
  ~IgnoredErrors() { XSetErrorHandler(previous_); }
  IgnoredErrors(const IgnoredErrors&) = delete;
  IgnoredErrors& operator=(const IgnoredErrors&) = delete;

 private:
  XErrorHandler previous_;
};

// Xlib keeps the atoms it interned, so each name costs one round trip per
// connection; asking only for existing atoms would ask again every time
// for those no window manager has made.
Atom atom(Display* display, const char* name) {
  return XInternAtom(display, name, False);
}

bool holds(const std::vector<unsigned long>& atoms, Display* display, const char* name) {
  const Atom wanted = atom(display, name);
  return wanted != None && std::ranges::find(atoms, wanted) != atoms.end();
}

std::int32_t owner(Display* display, Window window) {
  const auto pid = tonnixX11Cardinals(display, window, "_NET_WM_PID", XA_CARDINAL);
  if (pid.empty() || pid.front() > 0x7fffffffUL) return 0;
  return static_cast<std::int32_t>(pid.front());
}

int layer(Display* display, Window window, bool overrideRedirect,
          const std::vector<unsigned long>& states) {
  if (overrideRedirect) return TonnixWindowLayer::popUp;
  const auto types = tonnixX11Cardinals(display, window, "_NET_WM_WINDOW_TYPE", XA_ATOM);
  if (holds(types, display, "_NET_WM_WINDOW_TYPE_DOCK")) return TonnixWindowLayer::dock;
  for (const char* popUp : {"_NET_WM_WINDOW_TYPE_NOTIFICATION", "_NET_WM_WINDOW_TYPE_TOOLTIP",
                            "_NET_WM_WINDOW_TYPE_POPUP_MENU", "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
                            "_NET_WM_WINDOW_TYPE_MENU", "_NET_WM_WINDOW_TYPE_SPLASH"}) {
    if (holds(types, display, popUp)) return TonnixWindowLayer::popUp;
  }
  if (holds(states, display, "_NET_WM_STATE_ABOVE")) return TonnixWindowLayer::floating;
  return TonnixWindowLayer::normal;
}

double alpha(Display* display, Window window) {
  const auto opacity = tonnixX11Cardinals(display, window, "_NET_WM_WINDOW_OPACITY", XA_CARDINAL);
  if (opacity.empty()) return 1.0;
  return static_cast<double>(opacity.front() & 0xffffffffUL) / 0xffffffffUL;
}

std::optional<TonnixWindowDescription> describe(Display* display, Window window,
                                                std::optional<std::int32_t> wanted) {
  const std::int32_t processIdentifier = owner(display, window);
  if (wanted && processIdentifier != *wanted) return std::nullopt;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return std::nullopt;
  if (attributes.map_state != IsViewable || attributes.c_class != InputOutput) return std::nullopt;
  const auto states = tonnixX11Cardinals(display, window, "_NET_WM_STATE", XA_ATOM);
  if (holds(states, display, "_NET_WM_STATE_HIDDEN")) return std::nullopt;
  int x = 0;
  int y = 0;
  Window child = None;
  if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child)) {
    return std::nullopt;
  }
  return TonnixWindowDescription{
      processIdentifier, layer(display, window, attributes.override_redirect, states),
      QRectF(x, y, attributes.width, attributes.height), alpha(display, window)};
}

// Bottom first, as both the stacking list and the root's children run.
std::vector<unsigned long> stackingOrder(Display* display) {
  const Window root = DefaultRootWindow(display);
  auto clients = tonnixX11Cardinals(display, root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
  if (!clients.empty()) return clients;
  Window rootReturn = None;
  Window parent = None;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, root, &rootReturn, &parent, &children, &count)) return {};
  std::vector<unsigned long> windows(children, children + count);
  if (children) XFree(children);
  return windows;
}

}  // namespace

TonnixX11WindowList::TonnixX11WindowList(TonnixX11Connection& connection)
    : connection_(connection) {}

std::vector<TonnixWindowDescription> TonnixX11WindowList::windows(
    std::optional<std::int32_t> owner) {
  Display* display = connection_.display();
  if (!display) return {};
  const IgnoredErrors ignored;
  const auto order = stackingOrder(display);
  std::vector<TonnixWindowDescription> descriptions;
  for (auto window = order.rbegin(); window != order.rend(); ++window) {
    if (auto description = describe(display, *window, owner)) {
      descriptions.push_back(*description);
    }
  }
  return descriptions;
}

std::optional<TonnixX11ActiveWindow> TonnixX11WindowList::activeWindow() {
  Display* display = connection_.display();
  if (!display) return std::nullopt;
  const IgnoredErrors ignored;
  const auto active =
      tonnixX11Cardinals(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW);
  if (active.empty() || active.front() == None) return std::nullopt;
  const auto states = tonnixX11Cardinals(display, active.front(), "_NET_WM_STATE", XA_ATOM);
  return TonnixX11ActiveWindow{owner(display, active.front()),
                               holds(states, display, "_NET_WM_STATE_FULLSCREEN")};
}
