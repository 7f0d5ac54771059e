#include "events/click_monitor.h"

#include <QThread>
#include <algorithm>
#include <utility>

namespace {

// A change comes in bursts (a page's children one by one): the pointer's
// place is resolved again once one has passed, soon, so that the next press
// finds it ready, and only a few times while it rests, so that an animation
// cannot keep asking. A click's own changes come in two or three bursts
// (the focus at once, a tooltip's window later).
constexpr std::chrono::milliseconds kRetryDelay(20);
constexpr int kRetries = 5;

}  // namespace

TonnixClickMonitor::TonnixClickMonitor(TonnixMouseMonitor& mouseMonitor,
                                       std::unique_ptr<TonnixClickResolver> resolver,
                                       ShouldResolve shouldResolve, QObject* parent)
    : QObject(parent),
      mouseMonitor_(mouseMonitor),
      resolver_(std::move(resolver)),
      shouldResolve_(std::move(shouldResolve)) {
  // Direct, so that an event signalled off the main thread is caught below
  // rather than quietly queued.
  connect(&mouseMonitor_, &TonnixMouseMonitor::occurred, this, &TonnixClickMonitor::mouseEvent,
          Qt::DirectConnection);
  if (!mouseMonitor_.locatesPresses()) {
    correlator_ = std::make_unique<TonnixFocusCorrelator>(
        resolver_->accessibility(), resolver_->workspace(), resolver_->hostProcessIdentifier());
    connect(correlator_.get(), &TonnixFocusCorrelator::identified, this,
            &TonnixClickMonitor::identified);
  }
  retry_.setSingleShot(true);
  retry_.setInterval(kRetryDelay);
  connect(&retry_, &QTimer::timeout, this, &TonnixClickMonitor::resolveRest);
}

TonnixClickMonitor::~TonnixClickMonitor() {
  for (const TonnixMouseEventKind kind : watched_) mouseMonitor_.unwatch(kind);
  if (isMoveWatched_) mouseMonitor_.unwatch(TonnixMouseEventKind::pointerMoved);
  if (isRestWatched_) {
    mouseMonitor_.unwatch(TonnixMouseEventKind::pointerRested);
    (void)resolver_->followChanges({});
  }
}

void TonnixClickMonitor::start() {
  if (!watched_.empty()) return;
  for (const auto kind :
       {TonnixMouseEventKind::leftMouseDown, TonnixMouseEventKind::leftMouseDragged,
        TonnixMouseEventKind::leftMouseUp}) {
    if (mouseMonitor_.watch(kind)) watched_.push_back(kind);
  }
  if (correlator_ && !watched_.empty()) correlator_->start();
  if (watched_.empty()) return;
  isMoveWatched_ = mouseMonitor_.watch(TonnixMouseEventKind::pointerMoved);
  // Only changes followed can tell when a resolution made at rest is stale.
  isRestWatched_ = resolver_->followChanges([this] {
    ++changes_;
    rest_.reset();
    if (lastRest_ && retries_ < kRetries) retry_.start();
  });
  if (isRestWatched_ && !mouseMonitor_.watch(TonnixMouseEventKind::pointerRested)) {
    (void)resolver_->followChanges({});
    isRestWatched_ = false;
  }
  emit installedMonitorsChanged();
}

void TonnixClickMonitor::stop() {
  const bool wasInstalled = !watched_.empty();
  for (const TonnixMouseEventKind kind : watched_) mouseMonitor_.unwatch(kind);
  watched_.clear();
  if (correlator_) correlator_->stop();
  if (std::exchange(isMoveWatched_, false)) {
    mouseMonitor_.unwatch(TonnixMouseEventKind::pointerMoved);
  }
  if (isRestWatched_) {
    mouseMonitor_.unwatch(TonnixMouseEventKind::pointerRested);
    (void)resolver_->followChanges({});
    isRestWatched_ = false;
  }
  rest_.reset();
  lastRest_.reset();
  retry_.stop();
  tracker_.reset();
  resolver_->clearIdentities();
  if (wasInstalled) emit installedMonitorsChanged();
}

// Others may watch kinds this monitor does not, or watch on after it
// stopped: only its own kinds count.
void TonnixClickMonitor::mouseEvent(TonnixMouseEventKind kind, QPointF location) {
  const bool isOwnRest = kind == TonnixMouseEventKind::pointerRested && isRestWatched_;
  const bool isOwnMove = kind == TonnixMouseEventKind::pointerMoved && isMoveWatched_;
  if (!isOwnRest && !isOwnMove &&
      std::find(watched_.begin(), watched_.end(), kind) == watched_.end()) {
    return;
  }
  if (QThread::currentThread() != thread()) {
    qFatal("TonnixClickMonitor: a mouse event arrived off the main thread");
  }
  if (correlator_) return correlatedEvent(kind);
  switch (kind) {
    case TonnixMouseEventKind::leftMouseDown:
      return press(location);
    case TonnixMouseEventKind::leftMouseDragged:
      return drag(location);
    case TonnixMouseEventKind::leftMouseUp:
      restedAfterClick(location);
      return release(location);
    case TonnixMouseEventKind::pointerRested:
      mayPress();
      return rested(location);
    case TonnixMouseEventKind::pointerMoved:
      return mayPress();
  }
}

void TonnixClickMonitor::mayPress() {
  if (shouldResolve_ && !shouldResolve_()) return;
  emit pressMayCome();
}

void TonnixClickMonitor::rested(QPointF location) {
  lastRest_ = location;
  retries_ = 0;
  retry_.stop();
  if (restingResolution(location)) return;
  resolveRest();
}

// No rest is told while the pointer stays put, and a click changes what
// lay under it: without this, every later press there would be resolved at
// the press.
void TonnixClickMonitor::restedAfterClick(QPointF location) {
  if (!isRestWatched_) return;
  lastRest_ = location;
  retries_ = 0;
  if (!restingResolution(location)) retry_.start();
}

void TonnixClickMonitor::resolveRest() {
  if (!lastRest_ || tracker_.target) return;
  ++retries_;
  const std::uint64_t before = changes_;
  auto resolution = resolver_->resolve(*lastRest_);
  // A change while the application answered may have come before or after
  // what it said. Only a control found whole is kept: a place that sounds
  // nothing, or an application that did not answer, is asked at the press.
  if (changes_ != before || !resolution || !resolution->isWhole) return;
  rest_ = Rest{*lastRest_, std::move(*resolution)};
}

// Exactly where the pointer rested: a neighbour, or a child drawn over the
// control, may lie anywhere else in its frame.
const TonnixClickResolver::Resolution* TonnixClickMonitor::restingResolution(
    QPointF location) const {
  if (!rest_ || rest_->location != location) return nullptr;
  return &rest_->resolution;
}

void TonnixClickMonitor::press(QPointF location) {
  if (shouldResolve_ && !shouldResolve_()) return;
  const auto* resting = restingResolution(location);
  auto target = resolver_->accept(resting ? std::optional(*resting) : resolver_->resolve(location));
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

// Where presses come without a position, a press waits for the control its
// application announces; a release that comes first waits with it.
void TonnixClickMonitor::correlatedEvent(TonnixMouseEventKind kind) {
  if (kind == TonnixMouseEventKind::leftMouseDown) {
    tracker_.reset();
    releaseWaits_ = false;
    if (shouldResolve_ && !shouldResolve_()) return;
    return correlator_->press();
  }
  if (kind != TonnixMouseEventKind::leftMouseUp) return;
  if (!correlator_->isWaiting()) return release(QPointF());
  releaseWaits_ = true;
  correlator_->release();
}

void TonnixClickMonitor::identified(const std::optional<TonnixAXElement>& element,
                                    std::int32_t processIdentifier) {
  const bool released = std::exchange(releaseWaits_, false);
  auto target =
      element ? resolver_->target(*element) : resolver_->unidentifiedTarget(processIdentifier);
  if (!target) return;
  tracker_.press(*target, QPointF());
  if (const auto sound = pressSound(target->kind)) {
    emitEvent(QStringLiteral("MouseDown"), *sound, *target);
  }
  if (released) release(QPointF());
}
