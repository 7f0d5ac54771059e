#include "platform/linux/x11_window_watcher.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <array>
#include <utility>

#include "platform/linux/x11_properties.h"

namespace {

int ignoreError(Display*, XErrorEvent*) {
  return 0;
}

// Windows go away between an event and a question about them; the X error
// that follows would end the process under Xlib's default handler. Errors
// are handed out inside Xlib calls on the display, and every call here runs
// within one of these.
class IgnoredErrors {
 public:
  IgnoredErrors() : previous_(XSetErrorHandler(ignoreError)) {}
  ~IgnoredErrors() { XSetErrorHandler(previous_); }
  IgnoredErrors(const IgnoredErrors&) = delete;
  IgnoredErrors& operator=(const IgnoredErrors&) = delete;

 private:
  XErrorHandler previous_;
};

constexpr std::array kAtomNames = {
    "_NET_ACTIVE_WINDOW",      "_NET_CLIENT_LIST",   "_NET_CLIENT_LIST_STACKING",
    "_NET_WM_STATE",           "_NET_WM_PID",        "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_OPACITY",  "_NET_FRAME_EXTENTS", "_NET_WM_STATE_HIDDEN",
    "_NET_WM_STATE_FULLSCREEN"};

bool holds(const std::vector<unsigned long>& atoms, Atom wanted) {
  return std::ranges::find(atoms, wanted) != atoms.end();
}

}  // namespace

struct TonnixX11WindowWatcher::Atoms {
  std::array<Atom, kAtomNames.size()> atoms{};
  Atom activeWindow() const { return atoms[0]; }
  Atom clientList() const { return atoms[1]; }
  Atom clientListStacking() const { return atoms[2]; }
  Atom state() const { return atoms[3]; }
  Atom pid() const { return atoms[4]; }
  Atom type() const { return atoms[5]; }
  Atom opacity() const { return atoms[6]; }
  Atom frameExtents() const { return atoms[7]; }
  Atom hidden() const { return atoms[8]; }
  Atom fullscreen() const { return atoms[9]; }
};

TonnixX11WindowWatcher::TonnixX11WindowWatcher(const QByteArray& displayName, QObject* parent)
    : QObject(parent), connection_(displayName), atoms_(std::make_unique<Atoms>()) {
  Display* display = connection_.display();
  if (!display) return;
  const IgnoredErrors ignored;
  std::array<char*, kAtomNames.size()> names{};
  std::ranges::transform(kAtomNames, names.begin(),
                         [](const char* name) { return const_cast<char*>(name); });
  XInternAtoms(display, names.data(), static_cast<int>(names.size()), False, atoms_->atoms.data());
  XSelectInput(display, DefaultRootWindow(display), PropertyChangeMask | SubstructureNotifyMask);
  readAll();
  notifier_ = std::make_unique<QSocketNotifier>(ConnectionNumber(display), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this,
          &TonnixX11WindowWatcher::processPendingEvents);
  processPendingEvents();
}

TonnixX11WindowWatcher::~TonnixX11WindowWatcher() = default;

std::vector<const TonnixX11WatchedWindow*> TonnixX11WindowWatcher::windows() const {
  std::vector<const TonnixX11WatchedWindow*> front;
  for (auto id = order_.rbegin(); id != order_.rend(); ++id) {
    if (const auto* found = window(*id)) front.push_back(found);
  }
  return front;
}

const TonnixX11WatchedWindow* TonnixX11WindowWatcher::window(quint64 window) const {
  const auto found = windows_.find(window);
  return found == windows_.end() ? nullptr : &found->second;
}

const TonnixX11WatchedWindow* TonnixX11WindowWatcher::activeWindow() const {
  return active_ ? window(active_) : nullptr;
}

const TonnixX11WatchedWindow* TonnixX11WindowWatcher::windowAt(QPoint point) const {
  for (const auto* candidate : windows()) {
    if (candidate->isViewable && !candidate->isHidden && candidate->isInputOutput &&
        candidate->frame.contains(point)) {
      return candidate;
    }
  }
  return nullptr;
}

unsigned long TonnixX11WindowWatcher::atom(const char* name) const {
  Display* display = connection_.display();
  if (!display) return None;
  const IgnoredErrors ignored;
  return XInternAtom(display, name, False);
}

// Xlib may already hold events it read while waiting for a reply, which
// the socket no longer announces: the queue is emptied until nothing is
// left, including what the refreshes brought in.
void TonnixX11WindowWatcher::processPendingEvents() {
  {
    const IgnoredErrors ignored;
    while (Display* display = connection_.display()) {
      if (XPending(display) == 0) break;
      while (connection_.display() && XPending(connection_.display()) > 0) {
        XEvent event;
        XNextEvent(connection_.display(), &event);
        handle(event);
      }
      refreshDirty();
    }
  }
  if (!connection_.display()) forgetAll();
}

void TonnixX11WindowWatcher::synchronize() {
  if (Display* display = connection_.display()) {
    const IgnoredErrors ignored;
    XSync(display, False);
  }
  processPendingEvents();
}

void TonnixX11WindowWatcher::readAll() {
  readClientList();
  readActiveWindow();
}

// The window manager's list; without one, the root's own children are the
// windows.
void TonnixX11WindowWatcher::readClientList() {
  Display* display = connection_.display();
  if (!display) return;
  const Window root = DefaultRootWindow(display);
  auto list = tonnixX11Cardinals(display, root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
  if (list.empty()) list = tonnixX11Cardinals(display, root, "_NET_CLIENT_LIST", XA_WINDOW);
  hasWindowManager_ = !list.empty();
  if (!hasWindowManager_) {
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count)) {
      list.assign(children, children + count);
    }
    if (children) XFree(children);
  }

  for (auto entry = windows_.begin(); entry != windows_.end();) {
    if (holds(list, entry->first)) {
      ++entry;
      continue;
    }
    const auto [id, gone] = *entry;
    entry = windows_.erase(entry);
    frames_.erase(id);
    XSelectInput(display, id, NoEventMask);
    emit windowRemoved(id, gone.processIdentifier);
  }
  for (const unsigned long id : list) {
    if (windows_.contains(id)) continue;
    XSelectInput(display, id, PropertyChangeMask | StructureNotifyMask);
    TonnixX11WatchedWindow& added = windows_[id];
    added.window = id;
    frames_[id] = hasWindowManager_ ? topLevel(id) : id;
    readProperties(added);
    readGeometry(added);
    emit windowAdded(id, added.processIdentifier);
  }
  if (list == order_) return;
  order_ = std::move(list);
  emit stackingChanged();
}

void TonnixX11WindowWatcher::readActiveWindow() {
  Display* display = connection_.display();
  if (!display) return;
  const auto active =
      tonnixX11Cardinals(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW);
  const unsigned long now = active.empty() ? 0 : active.front();
  if (now == active_) return;
  active_ = now;
  const auto* front = activeWindow();
  emit activeWindowChanged(active_, front ? front->processIdentifier : 0);
}

void TonnixX11WindowWatcher::readProperties(TonnixX11WatchedWindow& window) {
  Display* display = connection_.display();
  if (!display) return;
  const auto pid = tonnixX11Cardinals(display, window.window, "_NET_WM_PID", XA_CARDINAL);
  window.processIdentifier =
      pid.empty() || pid.front() > 0x7fffffffUL ? 0 : static_cast<std::int32_t>(pid.front());
  window.types = tonnixX11Cardinals(display, window.window, "_NET_WM_WINDOW_TYPE", XA_ATOM);
  window.states = tonnixX11Cardinals(display, window.window, "_NET_WM_STATE", XA_ATOM);
  window.isHidden = holds(window.states, atoms_->hidden());
  window.isFullscreen = holds(window.states, atoms_->fullscreen());
  const auto opacity =
      tonnixX11Cardinals(display, window.window, "_NET_WM_WINDOW_OPACITY", XA_CARDINAL);
  window.alpha =
      opacity.empty() ? 1.0 : static_cast<double>(opacity.front() & 0xffffffffUL) / 0xffffffffUL;
}

void TonnixX11WindowWatcher::readGeometry(TonnixX11WatchedWindow& window) {
  Display* display = connection_.display();
  if (!display) return;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window.window, &attributes)) return;
  window.isViewable = attributes.map_state == IsViewable;
  window.isInputOutput = attributes.c_class == InputOutput;
  window.isOverrideRedirect = attributes.override_redirect;
  int x = 0;
  int y = 0;
  Window child = None;
  if (!XTranslateCoordinates(display, window.window, DefaultRootWindow(display), 0, 0, &x, &y,
                             &child)) {
    return;
  }
  window.client = QRect(x, y, attributes.width, attributes.height);
  const auto extents =
      tonnixX11Cardinals(display, window.window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
  if (extents.size() != 4) {
    window.frame = window.client;
    return;
  }
  const auto side = [&](std::size_t index) { return static_cast<int>(extents[index]); };
  window.frame = window.client.adjusted(-side(0), -side(2), side(1), side(3));
}

void TonnixX11WindowWatcher::handle(const XEvent& event) {
  Display* display = connection_.display();
  if (!display) return;
  const Window root = DefaultRootWindow(display);
  const auto markFrame = [this](Window frame) {
    for (const auto& [client, top] : frames_) {
      if (top == frame) dirtyGeometry_.insert(client);
    }
  };
  switch (event.type) {
    case PropertyNotify: {
      const Atom property = event.xproperty.atom;
      if (event.xproperty.window == root) {
        if (property == atoms_->activeWindow()) readActiveWindow();
        if (property == atoms_->clientList() || property == atoms_->clientListStacking()) {
          readClientList();
        }
        return;
      }
      TonnixX11WatchedWindow* changed = find(event.xproperty.window);
      if (!changed) return;
      if (property == atoms_->frameExtents()) {
        dirtyGeometry_.insert(changed->window);
        return;
      }
      if (property != atoms_->state() && property != atoms_->pid() && property != atoms_->type() &&
          property != atoms_->opacity()) {
        return;
      }
      const bool wasHidden = changed->isHidden;
      const bool wasFullscreen = changed->isFullscreen;
      readProperties(*changed);
      if (changed->isHidden != wasHidden || changed->isFullscreen != wasFullscreen) {
        emit windowStateChanged(changed->window, changed->processIdentifier, changed->isHidden,
                                changed->isFullscreen);
      }
      if (changed->window == active_ && property == atoms_->pid()) {
        emit activeWindowChanged(active_, changed->processIdentifier);
      }
      return;
    }
    case ReparentNotify:
      if (find(event.xreparent.window)) {
        frames_[event.xreparent.window] = topLevel(event.xreparent.window);
        dirtyGeometry_.insert(event.xreparent.window);
      }
      return;
    case ConfigureNotify:
      if (!hasWindowManager_ && event.xconfigure.event == root) readClientList();
      if (find(event.xconfigure.window)) dirtyGeometry_.insert(event.xconfigure.window);
      markFrame(event.xconfigure.window);
      return;
    case MapNotify:
    case UnmapNotify:
      if (find(event.xany.window)) dirtyGeometry_.insert(event.xany.window);
      markFrame(event.xany.window);
      return;
    case CreateNotify:
    case DestroyNotify:
      if (!hasWindowManager_) readClientList();
      return;
    default:
      return;
  }
}

void TonnixX11WindowWatcher::refreshDirty() {
  bool visibilityChanged = false;
  for (const unsigned long id : std::exchange(dirtyGeometry_, {})) {
    TonnixX11WatchedWindow* changed = find(id);
    if (!changed) continue;
    const QRect frame = changed->frame;
    const bool wasViewable = changed->isViewable;
    readGeometry(*changed);
    visibilityChanged = visibilityChanged || changed->isViewable != wasViewable;
    if (changed->frame != frame) {
      emit windowGeometryChanged(id, changed->processIdentifier, changed->frame);
    }
  }
  if (visibilityChanged) emit stackingChanged();
}

void TonnixX11WindowWatcher::forgetAll() {
  notifier_.reset();
  const auto gone = std::exchange(windows_, {});
  order_.clear();
  frames_.clear();
  dirtyGeometry_.clear();
  for (const auto& [id, window] : gone) emit windowRemoved(id, window.processIdentifier);
  if (std::exchange(active_, 0) != 0) emit activeWindowChanged(0, 0);
}

TonnixX11WatchedWindow* TonnixX11WindowWatcher::find(unsigned long window) {
  const auto found = windows_.find(window);
  return found == windows_.end() ? nullptr : &found->second;
}

// The window's ancestor just below the root: the frame a reparenting window
// manager draws, whose moves the root's structure events report.
unsigned long TonnixX11WindowWatcher::topLevel(unsigned long window) {
  Display* display = connection_.display();
  if (!display) return window;
  const Window root = DefaultRootWindow(display);
  Window current = window;
  while (true) {
    Window rootReturn = None;
    Window parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, current, &rootReturn, &parent, &children, &count)) return current;
    if (children) XFree(children);
    if (parent == root || parent == None) return current;
    current = parent;
  }
}
