#include "platform/mouse_monitor.h"

bool TonnixMouseMonitor::watch(TonnixMouseEventKind kind) {
  if (++watchers_[kind] > 1) return true;
  if (startWatching(kind)) return true;
  watchers_.erase(kind);
  return false;
}

void TonnixMouseMonitor::unwatch(TonnixMouseEventKind kind) {
  const auto found = watchers_.find(kind);
  if (found == watchers_.end() || --found->second > 0) return;
  watchers_.erase(found);
  stopWatching(kind);
}

void TonnixMouseMonitor::tell(TonnixMouseEventKind kind, QPointF location) {
  if (isWatching(kind)) emit occurred(kind, location);
}

void TonnixMouseMonitor::setAccessProblem(std::optional<QString> problem) {
  if (problem == accessProblem_) return;
  accessProblem_ = std::move(problem);
  emit accessProblemChanged();
}
