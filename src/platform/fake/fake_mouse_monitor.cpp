#include "platform/fake/fake_mouse_monitor.h"

#include <algorithm>

std::optional<TonnixMouseMonitorToken> TonnixFakeMouseMonitor::addGlobalMonitor(
    TonnixMouseEventKind kind, Handler handler) {
  ++installAttempts_;
  if (refused_.contains(kind)) return std::nullopt;
  const TonnixMouseMonitorToken token{nextToken_++};
  installed_.push_back({token, kind, std::move(handler)});
  return token;
}

void TonnixFakeMouseMonitor::removeMonitor(TonnixMouseMonitorToken token) {
  std::erase_if(installed_, [token](const Installed& monitor) { return monitor.token == token; });
}

void TonnixFakeMouseMonitor::setRefusesInstall(TonnixMouseEventKind kind, bool refuses) {
  if (refuses) {
    refused_.insert(kind);
  } else {
    refused_.erase(kind);
  }
}

void TonnixFakeMouseMonitor::post(TonnixMouseEventKind kind, QPointF location) {
  // Handlers may install or remove monitors, so walk a snapshot.
  const std::vector<Installed> snapshot = installed_;
  for (const Installed& monitor : snapshot) {
    if (monitor.kind != kind || !isInstalled(monitor.token)) continue;
    monitor.handler(location);
  }
}

std::vector<TonnixMouseEventKind> TonnixFakeMouseMonitor::installedKinds() const {
  std::vector<TonnixMouseEventKind> kinds;
  for (const Installed& monitor : installed_) kinds.push_back(monitor.kind);
  return kinds;
}

bool TonnixFakeMouseMonitor::isInstalled(TonnixMouseMonitorToken token) const {
  return std::any_of(installed_.begin(), installed_.end(),
                     [token](const Installed& monitor) { return monitor.token == token; });
}
