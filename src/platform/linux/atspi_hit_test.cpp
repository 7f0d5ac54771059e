#include "platform/linux/atspi_hit_test.h"

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

}  // namespace

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
  const bool byProcess = onTop && *onTop != 0;
  std::vector<TonnixAtspiTarget> windows;
  for (const auto& application : applications) {
    if (byProcess && application.processIdentifier != *onTop) continue;
    const auto found = elements_.windows(application);
    if (found) windows.insert(windows.end(), found->begin(), found->end());
  }
  std::stable_partition(windows.begin(), windows.end(), [&](const TonnixAtspiTarget& window) {
    return elements_.hasState(window, ATSPI_STATE_ACTIVE);
  });
  for (const auto& window : windows) {
    if (!contains(window, x, y)) continue;
    return elements_.wrap(deepest(window, x, y), window.processIdentifier);
  }
  return std::nullopt;
}

bool TonnixAtspiHitTest::contains(const TonnixAtspiTarget& target, int x, int y) {
  const auto rect = elements_.extents(target);
  return rect && x >= rect->x && y >= rect->y && x < rect->x + rect->width &&
         y < rect->y + rect->height;
}
