#pragma once

#include <QPointF>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/mouse_monitor.h"

// The handlers installed on a global mouse monitor, each under its token.
// Handlers may install or remove monitors while an event is delivered.
class TonnixMouseHandlerList {
 public:
  TonnixMouseMonitorToken add(TonnixMouseEventKind kind, TonnixMouseMonitor::Handler handler);
  // The kind the token was installed for; nothing for an unknown token.
  std::optional<TonnixMouseEventKind> remove(TonnixMouseMonitorToken token);
  bool contains(TonnixMouseEventKind kind) const;
  bool empty() const { return installed_.empty(); }

  // Calls every handler of the kind, oldest first; one removed by an
  // earlier handler of the same event is skipped.
  void deliver(TonnixMouseEventKind kind, QPointF location) const;

 private:
  struct Installed {
    TonnixMouseMonitorToken token;
    TonnixMouseEventKind kind;
    TonnixMouseMonitor::Handler handler;
  };

  bool isInstalled(TonnixMouseMonitorToken token) const;

  std::vector<Installed> installed_;
  std::uint64_t nextToken_ = 1;
};
