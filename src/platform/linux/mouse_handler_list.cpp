#include "platform/linux/mouse_handler_list.h"

#include <algorithm>

TonnixMouseMonitorToken TonnixMouseHandlerList::add(TonnixMouseEventKind kind,
                                                    TonnixMouseMonitor::Handler handler) {
  const TonnixMouseMonitorToken token{nextToken_++};
  installed_.push_back({token, kind, std::move(handler)});
  return token;
}

std::optional<TonnixMouseEventKind> TonnixMouseHandlerList::remove(TonnixMouseMonitorToken token) {
  const auto found = std::find_if(installed_.begin(), installed_.end(),
                                  [token](const Installed& item) { return item.token == token; });
  if (found == installed_.end()) return std::nullopt;
  const TonnixMouseEventKind kind = found->kind;
  installed_.erase(found);
  return kind;
}

bool TonnixMouseHandlerList::contains(TonnixMouseEventKind kind) const {
  return std::any_of(installed_.begin(), installed_.end(),
                     [kind](const Installed& item) { return item.kind == kind; });
}

void TonnixMouseHandlerList::deliver(TonnixMouseEventKind kind, QPointF location) const {
  std::vector<Installed> snapshot;
  std::copy_if(installed_.begin(), installed_.end(), std::back_inserter(snapshot),
               [kind](const Installed& item) { return item.kind == kind; });
  for (const Installed& item : snapshot) {
    if (isInstalled(item.token)) item.handler(location);
  }
}

bool TonnixMouseHandlerList::isInstalled(TonnixMouseMonitorToken token) const {
  return std::any_of(installed_.begin(), installed_.end(),
                     [token](const Installed& item) { return item.token == token; });
}
