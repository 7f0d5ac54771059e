#include "platform/linux/display_to_itself.h"

#include <algorithm>

namespace {

bool counts(const TonnixWindowDescription& window, std::int32_t processIdentifier) {
  if (window.processIdentifier != processIdentifier || !(window.alpha > 0.0)) return false;
  return window.layer == TonnixWindowLayer::normal ||
         window.layer >= TonnixWindowLayer::screenSaver;
}

bool covers(const QRectF& window, const QRectF& display) {
  if (window.isEmpty() || display.isEmpty()) return false;
  const QRectF grown = window.adjusted(-1, -1, 1, 1);
  return grown.left() <= display.left() && grown.top() <= display.top() &&
         grown.right() >= display.right() && grown.bottom() >= display.bottom();
}

}  // namespace

bool tonnixHasDisplayToItself(const std::vector<TonnixWindowDescription>& windows,
                              std::int32_t processIdentifier, const std::vector<QRectF>& displays) {
  if (processIdentifier < 1) return false;
  return std::ranges::any_of(windows, [&](const TonnixWindowDescription& window) {
    return counts(window, processIdentifier) &&
           std::ranges::any_of(
               displays, [&](const QRectF& display) { return covers(window.bounds, display); });
  });
}
