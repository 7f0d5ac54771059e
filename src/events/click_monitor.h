#pragma once

#include <QObject>
#include <QPointF>
#include <functional>
#include <memory>
#include <vector>

#include "events/click_resolver.h"
#include "events/click_tracker.h"
#include "events/event.h"
#include "events/focus_correlator.h"
#include "platform/mouse_monitor.h"

// Watches left-button presses, drags and releases in other applications and
// turns them into the classic press / exit / enter / release sounds of the
// control under the pointer. Main thread only.
//
// Events leave through the eventOccurred signal, called synchronously from
// the mouse event; the controller connects it to its handle slot, and Qt
// drops the connection when either side is destroyed. Do not destroy the
// monitor from that slot (use deleteLater).
class TonnixClickMonitor : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool hasInstalledMonitors READ hasInstalledMonitors NOTIFY installedMonitorsChanged)

 public:
  // Asked at each press whether to look at it at all.
  using ShouldResolve = std::function<bool()>;

  // `mouseMonitor` must outlive the click monitor.
  TonnixClickMonitor(TonnixMouseMonitor& mouseMonitor,
                     std::unique_ptr<TonnixClickResolver> resolver, ShouldResolve shouldResolve,
                     QObject* parent = nullptr);
  ~TonnixClickMonitor() override;

  // Watches presses, drags and releases, each that the desktop allows;
  // does nothing while any is watched.
  void start();
  // Stops watching, forgets the pressed control and the known processes.
  // Harmless when stopped.
  void stop();
  // The process has quit: its identifier may come back as another one.
  void forget(std::int32_t processIdentifier) { resolver_->forgetIdentity(processIdentifier); }
  // Forgets the pressed control, so its drag and release stay silent.
  void resetTracker() { tracker_.reset(); }

  // Whether any kind of event is watched; false after a start() the
  // desktop refused.
  bool hasInstalledMonitors() const { return !watched_.empty(); }
  TonnixClickResolver& resolver() { return *resolver_; }
  const TonnixClickTracker& tracker() const { return tracker_; }

 signals:
  void eventOccurred(const TonnixEvent& event);
  void installedMonitorsChanged();

 private:
  void mouseEvent(TonnixMouseEventKind kind, QPointF location);
  void press(QPointF location);
  void drag(QPointF location);
  void release(QPointF location);
  void emitEvent(const QString& phase, TonnixSoundID soundID, const TonnixClickTarget& target);
  void correlatedEvent(TonnixMouseEventKind kind);
  void identified(const std::optional<TonnixAXElement>& element, std::int32_t processIdentifier);

  TonnixMouseMonitor& mouseMonitor_;
  std::unique_ptr<TonnixClickResolver> resolver_;
  // Where presses come without a position: what the application announces.
  std::unique_ptr<TonnixFocusCorrelator> correlator_;
  // The button came up while its press still waited for its control.
  bool releaseWaits_ = false;
  ShouldResolve shouldResolve_;
  TonnixClickTracker tracker_;
  // The kinds this monitor watches, in the order it began.
  std::vector<TonnixMouseEventKind> watched_;
};
