#include "platform/linux/x11_window_list.h"

#include <algorithm>

#include "platform/linux/display_to_itself.h"
#include "platform/linux/x11_window_watcher.h"

namespace {

bool holdsAtom(const std::vector<unsigned long>& atoms, unsigned long wanted) {
  return wanted != 0 && std::ranges::find(atoms, wanted) != atoms.end();
}

}  // namespace

TonnixX11WindowList::TonnixX11WindowList(const TonnixX11WindowWatcher& watcher)
    : watcher_(watcher),
      dock_(watcher.atom("_NET_WM_WINDOW_TYPE_DOCK")),
      above_(watcher.atom("_NET_WM_STATE_ABOVE")) {
  for (const char* popUp : {"_NET_WM_WINDOW_TYPE_NOTIFICATION", "_NET_WM_WINDOW_TYPE_TOOLTIP",
                            "_NET_WM_WINDOW_TYPE_POPUP_MENU", "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
                            "_NET_WM_WINDOW_TYPE_MENU", "_NET_WM_WINDOW_TYPE_SPLASH"}) {
    popUps_.push_back(watcher.atom(popUp));
  }
}

int TonnixX11WindowList::layer(const TonnixX11WatchedWindow& window) const {
  if (window.isOverrideRedirect) return TonnixWindowLayer::popUp;
  if (holdsAtom(window.types, dock_)) return TonnixWindowLayer::dock;
  for (const unsigned long popUp : popUps_) {
    if (holdsAtom(window.types, popUp)) return TonnixWindowLayer::popUp;
  }
  if (holdsAtom(window.states, above_)) return TonnixWindowLayer::floating;
  return TonnixWindowLayer::normal;
}

std::vector<TonnixWindowDescription> TonnixX11WindowList::windows(
    std::optional<std::int32_t> owner) const {
  std::vector<TonnixWindowDescription> descriptions;
  for (const TonnixX11WatchedWindow* window : watcher_.windows()) {
    if (owner && window->processIdentifier != *owner) continue;
    if (!window->isViewable || !window->isInputOutput || window->isHidden) continue;
    descriptions.push_back(TonnixWindowDescription{window->processIdentifier, layer(*window),
                                                   QRectF(window->client), window->alpha});
  }
  return descriptions;
}

std::optional<TonnixX11ActiveWindow> TonnixX11WindowList::activeWindow() const {
  const TonnixX11WatchedWindow* active = watcher_.activeWindow();
  if (!active) return std::nullopt;
  return TonnixX11ActiveWindow{active->processIdentifier, active->isFullscreen};
}
