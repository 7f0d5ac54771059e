#pragma once

#include <set>
#include <vector>

#include "platform/mouse_monitor.h"

// A mouse monitor driven by the test: events are posted by hand and reach
// the installed handlers synchronously, as the main thread would deliver them.
class TonnixFakeMouseMonitor : public TonnixMouseMonitor {
 public:
  std::optional<TonnixMouseMonitorToken> addGlobalMonitor(TonnixMouseEventKind kind,
                                                          Handler handler) override;
  void removeMonitor(TonnixMouseMonitorToken token) override;

  // Later installs of this kind fail, as on a desktop without the input extension.
  void setRefusesInstall(TonnixMouseEventKind kind, bool refuses);

  // Delivers one event to every monitor of its kind, oldest first. A monitor
  // removed by an earlier handler of the same event is not called.
  void post(TonnixMouseEventKind kind, QPointF location);
  void press(QPointF location) { post(TonnixMouseEventKind::leftMouseDown, location); }
  void drag(QPointF location) { post(TonnixMouseEventKind::leftMouseDragged, location); }
  void release(QPointF location) { post(TonnixMouseEventKind::leftMouseUp, location); }

  // The kinds of the installed monitors, in installation order.
  std::vector<TonnixMouseEventKind> installedKinds() const;
  // Every install attempt, successful or not.
  int installAttempts() const { return installAttempts_; }

 private:
  struct Installed {
    TonnixMouseMonitorToken token;
    TonnixMouseEventKind kind;
    Handler handler;
  };

  bool isInstalled(TonnixMouseMonitorToken token) const;

  std::vector<Installed> installed_;
  std::set<TonnixMouseEventKind> refused_;
  std::uint64_t nextToken_ = 1;
  int installAttempts_ = 0;
};
