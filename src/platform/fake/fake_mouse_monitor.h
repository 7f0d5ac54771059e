#pragma once

#include <set>
#include <vector>

#include "platform/mouse_monitor.h"

// A mouse monitor driven by the test: events are posted by hand and
// signalled synchronously, as the main thread would deliver them.
class TonnixFakeMouseMonitor : public TonnixMouseMonitor {
 public:
  // Later watches of this kind fail, as on a desktop without the input
  // extension.
  void setRefusesInstall(TonnixMouseEventKind kind, bool refuses);

  // As a Wayland session without read access to the pointer devices says.
  using TonnixMouseMonitor::setAccessProblem;

  // Signals one event when its kind is watched.
  void post(TonnixMouseEventKind kind, QPointF location) { tell(kind, location); }
  void press(QPointF location) { post(TonnixMouseEventKind::leftMouseDown, location); }
  void drag(QPointF location) { post(TonnixMouseEventKind::leftMouseDragged, location); }
  void release(QPointF location) { post(TonnixMouseEventKind::leftMouseUp, location); }

  // The watched kinds, in declaration order.
  std::vector<TonnixMouseEventKind> installedKinds() const;
  // Every attempt to start watching a kind, successful or not.
  int installAttempts() const { return installAttempts_; }

 protected:
  bool startWatching(TonnixMouseEventKind kind) override;
  void stopWatching(TonnixMouseEventKind) override {}

 private:
  std::set<TonnixMouseEventKind> refused_;
  int installAttempts_ = 0;
};
