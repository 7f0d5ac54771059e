#include "platform/linux/x11_window_events.h"

#include <utility>

#include "platform/accessibility.h"
#include "platform/linux/x11_window_watcher.h"

namespace Note = TonnixAXNotification;

TonnixX11WindowEvents::TonnixX11WindowEvents(TonnixX11WindowWatcher& watcher, QObject* parent)
    : QObject(parent), watcher_(watcher) {
  for (const auto* window : watcher_.windows()) {
    settled_[window->window] = window->client;
    hidden_[window->window] = window->isHidden;
  }
  if (const auto* active = watcher_.activeWindow()) {
    activeWindow_ = active->window;
    activeProcess_ = active->processIdentifier;
  }
  settleTimer_.setSingleShot(true);
  settleTimer_.setInterval(settleMilliseconds);
  connect(&settleTimer_, &QTimer::timeout, this, &TonnixX11WindowEvents::settle);
  connect(&watcher_, &TonnixX11WindowWatcher::windowAdded, this,
          [this](quint64 window, std::int32_t) { added(window); });
  connect(&watcher_, &TonnixX11WindowWatcher::windowRemoved, this,
          [this](quint64 window, std::int32_t) {
            settled_.erase(window);
            hidden_.erase(window);
            changing_.erase(window);
          });
  connect(&watcher_, &TonnixX11WindowWatcher::windowGeometryChanged, this,
          [this](quint64 window, std::int32_t processIdentifier, QRect) {
            geometryChanged(window, processIdentifier);
          });
  connect(&watcher_, &TonnixX11WindowWatcher::windowStateChanged, this,
          [this](quint64 window, std::int32_t processIdentifier, bool isHidden, bool) {
            stateChanged(window, processIdentifier, isHidden);
          });
  connect(&watcher_, &TonnixX11WindowWatcher::activeWindowChanged, this,
          &TonnixX11WindowEvents::activeChanged);
}

// The window manager places a new window, and may frame and move it while
// doing so: that is no move of the user's.
void TonnixX11WindowEvents::added(quint64 window) {
  const auto* found = watcher_.window(window);
  if (!found) return;
  hidden_[window] = found->isHidden;
  changing_[window] = {found->processIdentifier, std::nullopt};
  settleTimer_.start();
}

void TonnixX11WindowEvents::geometryChanged(quint64 window, std::int32_t processIdentifier) {
  if (!changing_.contains(window)) {
    const auto settled = settled_.find(window);
    changing_[window] = {processIdentifier, settled == settled_.end()
                                                ? std::nullopt
                                                : std::optional<QRect>(settled->second)};
  }
  settleTimer_.start();
}

// Whatever the frame does around a minimize or a restore belongs to it.
void TonnixX11WindowEvents::stateChanged(quint64 window, std::int32_t processIdentifier,
                                         bool isHidden) {
  const bool wasHidden = std::exchange(hidden_[window], isHidden);
  if (wasHidden == isHidden) return;
  changing_[window] = {processIdentifier, std::nullopt};
  settleTimer_.start();
  tell(processIdentifier, isHidden ? Note::windowMiniaturized : Note::windowDeminiaturized);
}

// No active window (the desktop, or a minimized last window) is no change:
// the window active again afterwards is the same one.
void TonnixX11WindowEvents::activeChanged(quint64 window, std::int32_t processIdentifier) {
  if (window == 0 || window == activeWindow_) return;
  activeWindow_ = window;
  const bool applicationChanged = processIdentifier != activeProcess_;
  activeProcess_ = processIdentifier;
  tell(processIdentifier, Note::focusedWindowChanged);
  tell(processIdentifier, Note::mainWindowChanged);
  if (applicationChanged) tell(processIdentifier, Note::applicationActivated);
}

// A resize from the top or left edge moves the origin too; it is a resize.
void TonnixX11WindowEvents::settle() {
  for (const auto& [id, change] : std::exchange(changing_, {})) {
    const auto* window = watcher_.window(id);
    if (!window) continue;
    const QRect now = window->client;
    settled_[id] = now;
    if (!change.from || !window->isViewable || window->isHidden || window->isOverrideRedirect) {
      continue;
    }
    if (now.size() != change.from->size()) {
      tell(window->processIdentifier, Note::windowResized);
    } else if (now.topLeft() != change.from->topLeft()) {
      tell(window->processIdentifier, Note::windowMoved);
    }
  }
}

// Without a window manager only the applications themselves move their
// windows, and the server lists menus and tool tips among them.
void TonnixX11WindowEvents::tell(std::int32_t processIdentifier, const QString& notification) {
  if (processIdentifier < 1 || !watcher_.hasWindowManager()) return;
  emit windowChanged(processIdentifier, notification);
}
