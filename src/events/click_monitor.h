#pragma once

#include <QObject>
#include <QPointF>
#include <QTimer>
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
// Where the mouse monitor tells of the pointer coming to rest, the control
// under it is resolved then, in the event loop, and the press that comes
// at that very point reuses it without asking the application again; a
// press elsewhere, or after anything changed on the screen since (windows,
// children, bounds or states, as the accessibility interface tells), is
// resolved afresh. After a click the pointer rests where the button came
// up, so that place is resolved again once the click's own changes have
// passed, and the next press there reuses it too. Where changes are not
// followed nothing is reused.
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
  void forget(std::int32_t processIdentifier) {
    resolver_->forgetIdentity(processIdentifier);
    rest_.reset();
  }
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
  // The pointer started moving or came to rest, where the mouse monitor
  // tells so: a press may come soon. Asks shouldResolve first.
  void pressMayCome();

 private:
  void mouseEvent(TonnixMouseEventKind kind, QPointF location);
  void mayPress();
  void rested(QPointF location);
  void restedAfterClick(QPointF location);
  void resolveRest();
  // The resolution made where the pointer rests, when a press at
  // `location` may use it.
  const TonnixClickResolver::Resolution* restingResolution(QPointF location) const;
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

  // What lies where the pointer rests, resolved while nothing changed.
  struct Rest {
    QPointF location;
    TonnixClickResolver::Resolution resolution;
  };
  std::optional<Rest> rest_;
  bool isRestWatched_ = false;
  bool isMoveWatched_ = false;
  // Where the pointer last came to rest, resolved again a moment after a
  // change, a few times at most.
  std::optional<QPointF> lastRest_;
  int retries_ = 0;
  QTimer retry_;
  // Counts the changes followed; a resolution during which one arrived is
  // not kept.
  std::uint64_t changes_ = 0;
};
