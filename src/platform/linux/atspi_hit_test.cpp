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
// The children whose extents one step of a press reads at most: a list of
// thousands of rows must not hold the press up.
constexpr int kMaximumChildrenWalked = 128;

bool holds(const AtspiRect& rect, int x, int y) {
  return rect.width > 0 && rect.height > 0 && x >= rect.x && y >= rect.y &&
         x < rect.x + rect.width && y < rect.y + rect.height;
}

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
  // A toolkit that answers nothing at a point on its own window (GTK 4)
  // is walked by its children's extents, which it reports rightly.
  bool byExtents = false;
  for (int depth = 0; depth < TonnixAtspiElements::maximumDepth; ++depth) {
    const auto ownRole = elements_.role(from);
    if (ownRole && isControlRole(*ownRole)) break;
    std::optional<TonnixAtspiObjectRef> child;
    if (!byExtents) {
      const auto answer = elements_.ask<TonnixAtspiObjectRef>(from, [&](GError** error) {
        return TonnixAtspiObjectRef::adopt(atspi_component_get_accessible_at_point(
            ATSPI_COMPONENT(from.object.get()), x, y, ATSPI_COORD_TYPE_SCREEN, error));
      });
      if (answer && *answer) child = *answer;
      // No object, or a refusal of the question; an application that did
      // not answer in time is not asked again.
      const bool isRefused = !answer && answer.error() != TonnixAXError::cannotComplete;
      byExtents = depth == 0 && ((answer && !*answer) || isRefused);
    }
    int budget = kMaximumChildrenWalked;
    if (byExtents) child = childByExtents(from, x, y, budget);
    if (!child || child->path() == from.object.path()) break;
    from.object = *child;
  }
  return from.object;
}

std::optional<TonnixAtspiObjectRef> TonnixAtspiHitTest::childByExtents(
    const TonnixAtspiTarget& parent, int x, int y, int& budget) {
  AtspiAccessible* object = parent.object.get();
  const auto count = elements_.ask<int>(
      parent, [&](GError** error) { return atspi_accessible_get_child_count(object, error); });
  if (!count) return std::nullopt;
  // Later children are drawn over earlier ones.
  for (int index = *count - 1; index >= 0 && budget > 0; --index, --budget) {
    const auto child = elements_.ask<TonnixAtspiObjectRef>(parent, [&](GError** error) {
      return TonnixAtspiObjectRef::adopt(atspi_accessible_get_child_at_index(object, index, error));
    });
    if (!child || !*child) continue;
    const TonnixAtspiTarget target{*child, parent.processIdentifier};
    const auto rect = elements_.extents(target);
    if (rect && holds(*rect, x, y)) return *child;
    // An object without a place of its own (GTK 4's stack pages) is looked
    // through.
    if (!rect && rect.error() != TonnixAXError::cannotComplete) {
      if (auto inside = childByExtents(target, x, y, budget)) return inside;
    }
  }
  return std::nullopt;
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
    if (window->extents && holds(*window->extents, x, y)) {
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
