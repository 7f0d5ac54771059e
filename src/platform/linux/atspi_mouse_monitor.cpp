#include "platform/linux/atspi_mouse_monitor.h"

#include <atspi/atspi.h>

#include <cstring>

#include "platform/linux/atspi_connection.h"

namespace {

// Clicks waiting for the event loop; more than this at once is a flood.
constexpr std::size_t pendingLimit = 64;

const char* eventType(TonnixMouseEventKind kind) {
  return kind == TonnixMouseEventKind::leftMouseDown ? "mouse:button:1p" : "mouse:button:1r";
}

std::optional<TonnixMouseEventKind> kindOf(const char* type) {
  if (!type) return std::nullopt;
  if (std::strcmp(type, eventType(TonnixMouseEventKind::leftMouseDown)) == 0) {
    return TonnixMouseEventKind::leftMouseDown;
  }
  if (std::strcmp(type, eventType(TonnixMouseEventKind::leftMouseUp)) == 0) {
    return TonnixMouseEventKind::leftMouseUp;
  }
  return std::nullopt;
}

}  // namespace

TonnixExpected<std::unique_ptr<TonnixAtspiMouseMonitor>, QString>
TonnixAtspiMouseMonitor::connect() {
  auto connection = TonnixAtspiConnection::shared();
  if (!connection) return unexpected(QStringLiteral("no accessibility bus"));
  return std::unique_ptr<TonnixAtspiMouseMonitor>(
      new TonnixAtspiMouseMonitor(std::move(connection)));
}

QString TonnixAtspiMouseMonitor::description() {
  return QStringLiteral("AT-SPI mouse button events (presses and releases, no drags)");
}

TonnixAtspiMouseMonitor::TonnixAtspiMouseMonitor(std::shared_ptr<TonnixAtspiConnection> connection)
    : connection_(std::move(connection)),
      listener_(atspi_event_listener_new(&TonnixAtspiMouseMonitor::receive, this, nullptr)) {}

TonnixAtspiMouseMonitor::~TonnixAtspiMouseMonitor() {
  for (const auto kind : {TonnixMouseEventKind::leftMouseDown, TonnixMouseEventKind::leftMouseUp}) {
    if (isWatching(kind)) stopWatching(kind);
  }
  g_object_unref(listener_);
}

bool TonnixAtspiMouseMonitor::startWatching(TonnixMouseEventKind kind) {
  // AT-SPI tells of buttons only, never of motion.
  if (kind != TonnixMouseEventKind::leftMouseDown && kind != TonnixMouseEventKind::leftMouseUp) {
    return false;
  }
  GError* error = nullptr;
  if (atspi_event_listener_register(listener_, eventType(kind), &error)) return true;
  if (error) g_error_free(error);
  return false;
}

void TonnixAtspiMouseMonitor::stopWatching(TonnixMouseEventKind kind) {
  atspi_event_listener_deregister(listener_, eventType(kind), nullptr);
}

// libatspi calls this from the GLib main context, possibly while a request
// of ours waits for its answer: only note the click here.
void TonnixAtspiMouseMonitor::receive(AtspiEvent* event, void* data) {
  auto* monitor = static_cast<TonnixAtspiMouseMonitor*>(data);
  const auto kind = kindOf(event->type);
  if (kind && monitor->pending_.size() < pendingLimit) {
    monitor->pending_.emplace_back(*kind, QPointF(event->detail1, event->detail2));
  }
  g_boxed_free(ATSPI_TYPE_EVENT, event);
  if (!kind || monitor->deliveryScheduled_) return;
  monitor->deliveryScheduled_ = true;
  QMetaObject::invokeMethod(
      &monitor->context_, [monitor] { monitor->deliver(); }, Qt::QueuedConnection);
}

// Should a slot spin the event loop, the outer call keeps delivering, so
// clicks are never told out of order.
void TonnixAtspiMouseMonitor::deliver() {
  deliveryScheduled_ = false;
  if (delivering_) return;
  delivering_ = true;
  while (!pending_.empty()) {
    const auto [kind, location] = pending_.front();
    pending_.erase(pending_.begin());
    tell(kind, location);
  }
  delivering_ = false;
}
