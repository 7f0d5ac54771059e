#include "platform/fake/fake_mouse_monitor.h"

void TonnixFakeMouseMonitor::setRefusesInstall(TonnixMouseEventKind kind, bool refuses) {
  if (refuses) {
    refused_.insert(kind);
  } else {
    refused_.erase(kind);
  }
}

std::vector<TonnixMouseEventKind> TonnixFakeMouseMonitor::installedKinds() const {
  std::vector<TonnixMouseEventKind> kinds;
  for (const auto kind :
       {TonnixMouseEventKind::leftMouseDown, TonnixMouseEventKind::leftMouseDragged,
        TonnixMouseEventKind::leftMouseUp}) {
    if (isWatching(kind)) kinds.push_back(kind);
  }
  return kinds;
}

bool TonnixFakeMouseMonitor::startWatching(TonnixMouseEventKind kind) {
  ++installAttempts_;
  return !refused_.contains(kind);
}
