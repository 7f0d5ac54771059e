#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
#include <memory>
#include <utility>
#include <vector>

#include "platform/mouse_monitor.h"
#include "support/expected.h"

class TonnixAtspiConnection;
using AtspiEventListener = struct _AtspiEventListener;
using AtspiEvent = struct _AtspiEvent;

// The left button as the accessibility registry announces it
// ("mouse:button:1p" and "mouse:button:1r"), for sessions without XInput 2.
// Presses and releases only: drags cannot be watched. The
// registry notices the button by polling the pointer, so a click can be
// heard a poll late and carries the position of the registry's previous
// look: a press right after a move may come with where the pointer was.
//
// Events are handed over from the event loop, never from inside a libatspi
// call (which may dispatch them while it waits). Main thread only, under a
// Qt event loop that runs on GLib, as for the accessibility seam.
class TonnixAtspiMouseMonitor : public TonnixMouseMonitor {
 public:
  // Needs the accessibility bus; the error says why there is no monitor.
  static TonnixExpected<std::unique_ptr<TonnixAtspiMouseMonitor>, QString> connect();
  ~TonnixAtspiMouseMonitor() override;
  TonnixAtspiMouseMonitor(const TonnixAtspiMouseMonitor&) = delete;
  TonnixAtspiMouseMonitor& operator=(const TonnixAtspiMouseMonitor&) = delete;

  static QString description();

 protected:
  // Subscribes to the registry's events of the kind.
  bool startWatching(TonnixMouseEventKind kind) override;
  void stopWatching(TonnixMouseEventKind kind) override;

 private:
  explicit TonnixAtspiMouseMonitor(std::shared_ptr<TonnixAtspiConnection> connection);
  static void receive(AtspiEvent* event, void* monitor);
  void deliver();

  // Keeps libatspi initialised and its bus connection on the event loop.
  std::shared_ptr<TonnixAtspiConnection> connection_;
  AtspiEventListener* listener_;
  // Queued deliveries die with it.
  QObject context_;
  std::vector<std::pair<TonnixMouseEventKind, QPointF>> pending_;
  bool deliveryScheduled_ = false;
  bool delivering_ = false;
};
