#include "events/click_monitor.h"

#include <QPointer>
#include <QThread>

TonnixClickMonitor::TonnixClickMonitor(TonnixMouseMonitor& mouseMonitor,
                                       std::unique_ptr<TonnixClickResolver> resolver,
                                       ShouldResolve shouldResolve, QObject* parent)
    : QObject(parent),
      mouseMonitor_(mouseMonitor),
      resolver_(std::move(resolver)),
      shouldResolve_(std::move(shouldResolve)) {}

TonnixClickMonitor::~TonnixClickMonitor() {
  for (const TonnixMouseMonitorToken token : monitors_) mouseMonitor_.removeMonitor(token);
}

void TonnixClickMonitor::start() {
  if (!monitors_.empty()) return;
  install(TonnixMouseEventKind::leftMouseDown, &TonnixClickMonitor::press);
  install(TonnixMouseEventKind::leftMouseDragged, &TonnixClickMonitor::drag);
  install(TonnixMouseEventKind::leftMouseUp, &TonnixClickMonitor::release);
  if (!monitors_.empty()) emit installedMonitorsChanged();
}

void TonnixClickMonitor::stop() {
  const bool wasInstalled = !monitors_.empty();
  for (const TonnixMouseMonitorToken token : monitors_) mouseMonitor_.removeMonitor(token);
  monitors_.clear();
  tracker_.reset();
  resolver_->clearIdentities();
  if (wasInstalled) emit installedMonitorsChanged();
}

// The handler holds the monitor weakly, so that a monitor destroyed while
// the platform still has an event for it in flight ignores that event.
void TonnixClickMonitor::install(TonnixMouseEventKind kind,
                                 void (TonnixClickMonitor::*handler)(QPointF)) {
  const QPointer<TonnixClickMonitor> self(this);
  auto token = mouseMonitor_.addGlobalMonitor(kind, [self, handler](QPointF location) {
    if (!self) return;
    if (QThread::currentThread() != self->thread()) {
      qFatal("TonnixClickMonitor: a mouse event arrived off the main thread");
    }
    (self->*handler)(location);
  });
  if (token) monitors_.push_back(*token);
}

void TonnixClickMonitor::press(QPointF location) {
  if (shouldResolve_ && !shouldResolve_()) return;
  auto target = resolver_->target(location);
  if (!target) return;
  tracker_.press(*target, location);
  if (const auto sound = pressSound(target->kind)) {
    emitEvent(QStringLiteral("MouseDown"), *sound, *target);
  }
}

void TonnixClickMonitor::drag(QPointF location) {
  if (!tracker_.target) return;
  const auto sound = tracker_.drag(location);
  if (!sound) return;
  const QString phase =
      tracker_.isInside ? QStringLiteral("MouseEnter") : QStringLiteral("MouseExit");
  emitEvent(phase, *sound, *tracker_.target);
}

void TonnixClickMonitor::release(QPointF location) {
  if (!tracker_.target) return;
  const TonnixClickTarget target = *tracker_.target;
  if (const auto sound = tracker_.release(location)) {
    emitEvent(QStringLiteral("MouseUp"), *sound, target);
  }
}

void TonnixClickMonitor::emitEvent(const QString& phase, TonnixSoundID soundID,
                                   const TonnixClickTarget& target) {
  emit eventOccurred({.notificationName = phase,
                      .soundID = soundID,
                      .processIdentifier = target.processIdentifier,
                      .applicationName = target.applicationName,
                      .origin = TonnixEventOrigin::application,
                      .detail = std::nullopt,
                      .element = std::nullopt});
}
