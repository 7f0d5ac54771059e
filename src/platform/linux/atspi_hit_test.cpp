#include "platform/linux/atspi_hit_test.h"

#include <unistd.h>

#include <algorithm>

namespace {

// Controls whose children are only their content.
bool isControlRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
    case ATSPI_ROLE_CHECK_BOX:
    case ATSPI_ROLE_RADIO_BUTTON:
    case ATSPI_ROLE_PAGE_TAB:
    case ATSPI_ROLE_PUSH_BUTTON_MENU:
      return true;
    default:
      return false;
  }
}

// Long enough for the presses of a quick sequence; short enough that a
// window AT-SPI learns of after the X server is not missed for long.
constexpr std::chrono::seconds kWindowsReuse(1);

}  // namespace

TonnixAtspiHitTest::TonnixAtspiHitTest(TonnixAtspiElements& elements)
    : elements_(elements), ownProcessIdentifier_(static_cast<std::int32_t>(::getpid())) {
  const auto forget = [this] { windows_.clear(); };
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::activeWindowChanged, forget);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowAdded, forget);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowRemoved, forget);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowStateChanged, forget);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::windowGeometryChanged, forget);
  QObject::connect(&watcher_, &TonnixX11WindowWatcher::stackingChanged, forget);
}

TonnixAtspiObjectRef TonnixAtspiHitTest::deepest(TonnixAtspiTarget from, int x, int y) {
  for (int depth = 0; depth < TonnixAtspiElements::maximumDepth; ++depth) {
    const auto ownRole = elements_.role(from);
    if (ownRole && isControlRole(*ownRole)) break;
    const auto child = elements_.ask<TonnixAtspiObjectRef>(from, [&](GError** error) {
      return TonnixAtspiObjectRef::adopt(atspi_component_get_accessible_at_point(
          ATSPI_COMPONENT(from.object.get()), x, y, ATSPI_COORD_TYPE_SCREEN, error));
    });
    if (!child || !*child || child->path() == from.object.path()) break;
    from.object = *child;
  }
  return from.object;
}

std::optional<TonnixAXElement> TonnixAtspiHitTest::hit(
    const std::vector<TonnixAtspiTarget>& applications, int x, int y, bool consultStacking) {
  std::optional<std::int32_t> onTop;
  if (consultStacking && watcher_.hasWindowManager()) {
    watcher_.processPendingEvents();
    // The desktop, or a frame the window manager draws, makes no sound.
    const TonnixX11WatchedWindow* window = watcher_.windowAt(QPoint(x, y));
    if (!window || !window->client.contains(x, y)) return std::nullopt;
    onTop = window->processIdentifier;
  }
  if (onTop == ownProcessIdentifier_) return std::nullopt;
  const bool byProcess = onTop && *onTop != 0;
  if (Clock::now() - windowsReadAt_ > kWindowsReuse) windows_.clear();
  std::vector<const Window*> windows;
  for (const auto& application : applications) {
    if (application.processIdentifier == ownProcessIdentifier_) continue;
    if (byProcess && application.processIdentifier != *onTop) continue;
    for (const Window& window : windowsOf(application)) windows.push_back(&window);
  }
  std::stable_partition(windows.begin(), windows.end(),
                        [](const Window* window) { return window->isActive; });
  for (const Window* window : windows) {
    const auto& rect = window->extents;
    if (rect && x >= rect->x && y >= rect->y && x < rect->x + rect->width &&
        y < rect->y + rect->height) {
      return elements_.wrap(deepest(window->target, x, y), window->target.processIdentifier);
    }
  }
  return std::nullopt;
}

const std::vector<TonnixAtspiHitTest::Window>& TonnixAtspiHitTest::windowsOf(
    const TonnixAtspiTarget& application) {
  if (windows_.empty()) windowsReadAt_ = Clock::now();
  const auto known = windows_.find(application.processIdentifier);
  if (known != windows_.end()) return known->second;
  std::vector<Window> windows;
  if (const auto found = elements_.windows(application)) {
    for (const auto& target : *found) {
      const auto extents = elements_.extents(target);
      windows.push_back({target, extents ? std::optional(*extents) : std::nullopt,
                         elements_.hasState(target, ATSPI_STATE_ACTIVE)});
    }
  }
  return windows_[application.processIdentifier] = std::move(windows);
}
