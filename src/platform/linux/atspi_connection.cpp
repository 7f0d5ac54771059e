#include "platform/linux/atspi_connection.h"

#include <atspi/atspi.h>

#include <QAbstractEventDispatcher>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/linux/atspi_accessibility_status.h"
#include "support/diagnostics.h"

namespace {

using Clock = std::chrono::steady_clock;

// Events waiting for the event loop; a flood beyond this is dropped.
constexpr std::size_t pendingLimit = 4096;
constexpr std::size_t processIdentifierCacheLimit = 1024;

int milliseconds(double seconds) {
  return static_cast<int>(std::lround(std::clamp(seconds, 0.001, 600.0) * 1000));
}

// libatspi reports every D-Bus failure as an IPC error with D-Bus's own
// text; a request that ran its whole time-out did not get an answer.
TonnixAXError errorFor(const GError* error, double elapsed, double timeout) {
  const auto text = QString::fromUtf8(error->message).toLower();
  if (elapsed >= 0.9 * timeout || text.contains(QLatin1String("noreply")) ||
      text.contains(QLatin1String("did not receive a reply")) ||
      text.contains(QLatin1String("timeout")) || text.contains(QLatin1String("timed out"))) {
    return TonnixAXError::cannotComplete;
  }
  if (text.contains(QLatin1String("unknownmethod")) ||
      text.contains(QLatin1String("unknowninterface")) ||
      text.contains(QLatin1String("no such interface"))) {
    return TonnixAXError::attributeUnsupported;
  }
  if (text.contains(QLatin1String("unknownobject")) ||
      text.contains(QLatin1String("unknown object")) ||
      text.contains(QLatin1String("serviceunknown")) ||
      text.contains(QLatin1String("not provided")) ||
      text.contains(QLatin1String("disconnected")) || text.contains(QLatin1String("defunct")) ||
      text.contains(QLatin1String("name has no owner"))) {
    return TonnixAXError::invalidUIElement;
  }
  return TonnixAXError::failure;
}

// libatspi warns on the terminal in its own words, once per application
// for the bulk object cache that GTK 4 does not offer where libatspi asks
// for it: each is said here once in ours, and the rest are kept quiet.
void quietLibraryWarning(const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
  static bool toldCache = false;
  static bool toldOther = false;
  const bool isCache = message && std::strstr(message, "GetItems");
  bool& told = isCache ? toldCache : toldOther;
  if (std::exchange(told, true)) return;
  if (isCache) {
    tonnixDiagnostic(
        "TonnixAtspiConnection",
        "an application offers no object cache where libatspi asks for one (GTK 4); its objects "
        "are asked for one by one");
    return;
  }
  const auto text = QByteArrayLiteral("the accessibility library reported a problem: ") +
                    QByteArray(message ? message : "");
  tonnixDiagnostic("TonnixAtspiConnection", text.constData());
}

void quietLibraryWarnings() {
  for (const char* domain : {"dbind", "atspi"}) {
    g_log_set_handler(domain,
                      static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE |
                                                  G_LOG_LEVEL_CRITICAL),
                      quietLibraryWarning, nullptr);
  }
}

// An object's role does not change while libatspi keeps the object, so it
// is asked once and kept on the object itself; it goes with the object.
GQuark roleQuark() {
  static const GQuark quark = g_quark_from_static_string("tonnix-atspi-role");
  return quark;
}

GQuark parentQuark() {
  static const GQuark quark = g_quark_from_static_string("tonnix-atspi-parent");
  return quark;
}

}  // namespace

TonnixAtspiObjectRef::TonnixAtspiObjectRef(AtspiAccessible* object) : object_(object) {
  if (object_) g_object_ref(object_);
}

TonnixAtspiObjectRef TonnixAtspiObjectRef::adopt(AtspiAccessible* object) {
  TonnixAtspiObjectRef ref;
  ref.object_ = object;
  return ref;
}

TonnixAtspiObjectRef::TonnixAtspiObjectRef(const TonnixAtspiObjectRef& other)
    : TonnixAtspiObjectRef(other.object_) {}

TonnixAtspiObjectRef& TonnixAtspiObjectRef::operator=(const TonnixAtspiObjectRef& other) {
  if (this != &other) *this = TonnixAtspiObjectRef(other);
  return *this;
}

TonnixAtspiObjectRef::TonnixAtspiObjectRef(TonnixAtspiObjectRef&& other) noexcept
    : object_(std::exchange(other.object_, nullptr)) {}

TonnixAtspiObjectRef& TonnixAtspiObjectRef::operator=(TonnixAtspiObjectRef&& other) noexcept {
  std::swap(object_, other.object_);
  return *this;
}

TonnixAtspiObjectRef::~TonnixAtspiObjectRef() {
  if (object_) g_object_unref(object_);
}

QString TonnixAtspiObjectRef::busName() const {
  if (!object_ || !object_->parent.app || !object_->parent.app->bus_name) return {};
  return QString::fromUtf8(object_->parent.app->bus_name);
}

QString TonnixAtspiObjectRef::path() const {
  if (!object_ || !object_->parent.path) return {};
  return QString::fromUtf8(object_->parent.path);
}

// GTK 4 names its objects' paths itself; libatspi knows each application's
// root object whatever its path.
bool TonnixAtspiObjectRef::isApplicationRoot() const {
  if (!object_) return false;
  if (object_->parent.app && object_->parent.app->root == object_) return true;
  return object_->parent.path && std::strcmp(object_->parent.path, tonnixAtspiRootPath) == 0;
}

TonnixAtspiObjectRef TonnixAtspiObjectRef::applicationRoot() const {
  if (!object_ || !object_->parent.app) return {};
  return TonnixAtspiObjectRef(object_->parent.app->root);
}

std::shared_ptr<TonnixAtspiConnection> TonnixAtspiConnection::shared() {
  static std::weak_ptr<TonnixAtspiConnection> current;
  if (auto connection = current.lock()) return connection;
  if (!TonnixAtspiAccessibilityStatus().hasAccessibilityBus()) return nullptr;
  // libatspi initialises once per process and is never shut down: its
  // objects may outlive any one connection object.
  static const int initialised =
      (quietLibraryWarnings(), (void)TonnixAtspiAnnouncements::shared(), atspi_init());
  if (initialised != 0 && initialised != 1) return nullptr;
  const auto* dispatcher = QAbstractEventDispatcher::instance();
  if (!dispatcher || !dispatcher->inherits("QEventDispatcherGlib")) {
    tonnixDiagnostic("TonnixAtspiConnection",
                     "the event loop is not GLib's, so no accessibility event can arrive");
  }
  std::shared_ptr<TonnixAtspiConnection> connection(new TonnixAtspiConnection);
  current = connection;
  return connection;
}

TonnixAtspiConnection::TonnixAtspiConnection()
    : listener_(atspi_event_listener_new(&TonnixAtspiConnection::receive, this, nullptr)) {
  atspi_set_timeout(milliseconds(defaultTimeout_), -1);
}

TonnixAtspiConnection::~TonnixAtspiConnection() {
  for (auto subscription = subscriptions_.cbegin(); subscription != subscriptions_.cend();
       ++subscription) {
    atspi_event_listener_deregister(listener_, subscription.key().toUtf8().constData(), nullptr);
  }
  g_object_unref(listener_);
}

int TonnixAtspiConnection::addSink(Sink sink) {
  const int id = nextSink_++;
  sinks_.emplace(id, std::move(sink));
  return id;
}

void TonnixAtspiConnection::removeSink(int sink) {
  sinks_.erase(sink);
}

TonnixAXResult<TonnixDone> TonnixAtspiConnection::subscribe(const QString& eventType) {
  auto& count = subscriptions_[eventType];
  if (count++ > 0) return TonnixDone{};
  GError* error = nullptr;
  if (atspi_event_listener_register(listener_, eventType.toUtf8().constData(), &error)) {
    return TonnixDone{};
  }
  if (error) g_error_free(error);
  subscriptions_.remove(eventType);
  return unexpected(TonnixAXError::failure);
}

void TonnixAtspiConnection::unsubscribe(const QString& eventType) {
  const auto found = subscriptions_.find(eventType);
  if (found == subscriptions_.end()) return;
  if (--found.value() > 0) return;
  subscriptions_.erase(found);
  atspi_event_listener_deregister(listener_, eventType.toUtf8().constData(), nullptr);
}

// libatspi calls this from the GLib main context, possibly while one of
// our own requests waits for its answer: only note the event here.
void TonnixAtspiConnection::receive(AtspiEvent* event, void* data) {
  auto* connection = static_cast<TonnixAtspiConnection*>(data);
  TonnixAtspiObjectRef source(event->source);
  const auto busName = source.busName();
  if (!busName.isEmpty() && event->type && connection->pending_.size() < pendingLimit) {
    TonnixAtspiEventRecord record{
        {QString::fromUtf8(event->type), event->detail1, busName, busName + source.path()},
        std::move(source),
        Clock::now()};
    if (G_VALUE_HOLDS(&event->any_data, ATSPI_TYPE_ACCESSIBLE)) {
      record.child =
          TonnixAtspiObjectRef(static_cast<AtspiAccessible*>(g_value_get_object(&event->any_data)));
    }
    connection->pending_.push_back(std::move(record));
  } else if (connection->pending_.size() >= pendingLimit && !connection->reportedOverflow_) {
    connection->reportedOverflow_ = true;
    tonnixDiagnostic("TonnixAtspiConnection",
                     "too many accessibility events at once; some were dropped");
  }
  g_boxed_free(ATSPI_TYPE_EVENT, event);
  if (connection->deliveryScheduled_) return;
  connection->deliveryScheduled_ = true;
  QMetaObject::invokeMethod(connection, &TonnixAtspiConnection::deliver, Qt::QueuedConnection);
}

void TonnixAtspiConnection::deliver() {
  deliveryScheduled_ = false;
  const auto batch = std::exchange(pending_, {});
  for (const auto& record : batch) {
    if (record.event.type != QLatin1String("object:state-changed:defunct") ||
        record.event.detail1 == 0) {
      continue;
    }
    announcements_.forget(record.event.elementKey);
    if (record.source.isApplicationRoot()) forgetApplication(record.event.applicationKey);
  }
  // A sink may remove itself or others while it runs.
  std::vector<int> ids;
  for (const auto& [id, sink] : sinks_) ids.push_back(id);
  for (const int id : ids) {
    const auto sink = sinks_.find(id);
    if (sink != sinks_.end()) sink->second(batch);
  }
}

void TonnixAtspiConnection::forgetApplication(const QString& busName) {
  processIdentifiers_.remove(busName);
  announcements_.forgetApplication(busName);
}

std::optional<std::int32_t> TonnixAtspiConnection::processIdentifier(
    const TonnixAtspiObjectRef& object) {
  const auto busName = object.busName();
  if (busName.isEmpty()) return std::nullopt;
  if (const auto found = processIdentifiers_.constFind(busName);
      found != processIdentifiers_.cend()) {
    return *found;
  }
  // The bus itself answers this, not the application.
  GError* error = nullptr;
  const auto pid = atspi_accessible_get_process_id(object.get(), &error);
  if (error) {
    g_error_free(error);
    return std::nullopt;
  }
  if (processIdentifiers_.size() >= static_cast<qsizetype>(processIdentifierCacheLimit)) {
    processIdentifiers_.clear();
  }
  processIdentifiers_.insert(busName, static_cast<std::int32_t>(pid));
  return static_cast<std::int32_t>(pid);
}

std::optional<std::int32_t> TonnixAtspiConnection::knownProcessIdentifier(
    const QString& busName) const {
  const auto found = processIdentifiers_.constFind(busName);
  if (found == processIdentifiers_.cend()) return std::nullopt;
  return *found;
}

std::vector<TonnixAtspiApplication> TonnixAtspiConnection::applications() {
  std::vector<TonnixAtspiApplication> found;
  const auto desktop = TonnixAtspiObjectRef::adopt(atspi_get_desktop(0));
  if (!desktop) return found;
  // The registry keeps the desktop's children; listing them asks no
  // application anything.
  const int count = atspi_accessible_get_child_count(desktop.get(), nullptr);
  for (int index = 0; index < count; ++index) {
    auto root = TonnixAtspiObjectRef::adopt(
        atspi_accessible_get_child_at_index(desktop.get(), index, nullptr));
    if (!root) continue;
    const auto pid = processIdentifier(root);
    if (!pid) continue;
    found.push_back({*pid, root.busName(), std::move(root)});
  }
  return found;
}

std::optional<TonnixAtspiApplication> TonnixAtspiConnection::application(
    std::int32_t processIdentifier) {
  for (auto& application : applications()) {
    if (application.processIdentifier == processIdentifier) return std::move(application);
  }
  return std::nullopt;
}

void TonnixAtspiConnection::setTimeout(std::optional<std::int32_t> processIdentifier,
                                       double seconds) {
  const double value = seconds > 0 ? seconds : defaultTimeout;
  if (!processIdentifier) {
    defaultTimeout_ = value;
    return;
  }
  timeouts_.insert(*processIdentifier, value);
}

double TonnixAtspiConnection::timeout(std::int32_t processIdentifier) const {
  return timeouts_.value(processIdentifier, defaultTimeout_);
}

TonnixAXResult<TonnixDone> TonnixAtspiConnection::call(
    std::int32_t processIdentifier, const std::function<void(GError**)>& request) {
  const auto now = Clock::now();
  if (const auto until = unresponsiveUntil_.constFind(processIdentifier);
      until != unresponsiveUntil_.cend()) {
    if (now < *until) return unexpected(TonnixAXError::cannotComplete);
    unresponsiveUntil_.erase(until);
  }
  double seconds = timeout(processIdentifier);
  if (timeoutBound_) seconds = std::min(seconds, *timeoutBound_);
  atspi_set_timeout(milliseconds(seconds), -1);
  GError* error = nullptr;
  request(&error);
  if (!error) {
    noteAnswer(processIdentifier, false);
    return TonnixDone{};
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - now).count();
  const auto mapped = errorFor(error, elapsed, seconds);
  g_error_free(error);
  noteAnswer(processIdentifier, mapped == TonnixAXError::cannotComplete);
  return unexpected(mapped);
}

void TonnixAtspiConnection::noteAnswer(std::int32_t processIdentifier, bool timedOut) {
  if (!timedOut) {
    timedOut_.remove(processIdentifier);
    return;
  }
  if (!timedOut_.contains(processIdentifier)) {
    timedOut_.insert(processIdentifier);
    return;
  }
  timedOut_.remove(processIdentifier);
  unresponsiveUntil_.insert(processIdentifier, Clock::now() + unresponsivePause);
}

// Kept by us, or by libatspi as the application announced the object with
// its role (GTK 4 announces each object it puts on the bus).
std::optional<AtspiRole> TonnixAtspiConnection::knownRole(const TonnixAtspiObjectRef& object) {
  if (!object) return std::nullopt;
  if (const auto kept = g_object_get_qdata(G_OBJECT(object.get()), roleQuark())) {
    return static_cast<AtspiRole>(GPOINTER_TO_INT(kept) - 1);
  }
  if (!(object.get()->cached_properties & ATSPI_CACHE_ROLE) ||
      object.get()->role == ATSPI_ROLE_INVALID) {
    return std::nullopt;
  }
  return object.get()->role;
}

TonnixAXResult<AtspiRole> TonnixAtspiConnection::role(std::int32_t processIdentifier,
                                                      const TonnixAtspiObjectRef& object) {
  if (!object) return unexpected(TonnixAXError::invalidUIElement);
  if (const auto known = knownRole(object)) return *known;
  auto found = ATSPI_ROLE_INVALID;
  TONNIX_TRY(done, call(processIdentifier, [&](GError** error) {
               found = atspi_accessible_get_role(object.get(), error);
             }));
  keepRole(object, found);
  return found;
}

bool TonnixAtspiConnection::isRoleKnown(const TonnixAtspiObjectRef& object) {
  return knownRole(object).has_value();
}

// An object going away answers "invalid" for a while; that is not kept.
void TonnixAtspiConnection::keepRole(const TonnixAtspiObjectRef& object, AtspiRole role) {
  if (!object || role == ATSPI_ROLE_INVALID) return;
  g_object_set_qdata(G_OBJECT(object.get()), roleQuark(),
                     GINT_TO_POINTER(static_cast<int>(role) + 1));
}

void TonnixAtspiConnection::keepParent(const TonnixAtspiObjectRef& object,
                                       const TonnixAtspiObjectRef& parent) {
  if (!object || !parent) return;
  g_object_set_qdata_full(G_OBJECT(object.get()), parentQuark(), g_object_ref(parent.get()),
                          g_object_unref);
}

TonnixAtspiObjectRef TonnixAtspiConnection::keptParent(const TonnixAtspiObjectRef& object) {
  if (!object) return {};
  return TonnixAtspiObjectRef(
      static_cast<AtspiAccessible*>(g_object_get_qdata(G_OBJECT(object.get()), parentQuark())));
}

TonnixAXResult<TonnixAtspiObjectRef> TonnixAtspiConnection::child(
    std::int32_t processIdentifier, const TonnixAtspiObjectRef& object, int index) {
  TonnixAtspiObjectRef found;
  const auto read = [&](GError** error) {
    found = TonnixAtspiObjectRef::adopt(
        atspi_accessible_get_child_at_index(object.get(), index, error));
  };
  TONNIX_TRY(done, call(processIdentifier, read));
  return found;
}

TonnixAXResult<TonnixDone> TonnixAtspiConnection::visitChildren(std::int32_t processIdentifier,
                                                                const TonnixAtspiObjectRef& object,
                                                                const ChildVisitor& visit,
                                                                ChildOrder order, int limit) {
  int count = 0;
  const auto counted = call(processIdentifier, [&](GError** error) {
    count = atspi_accessible_get_child_count(object.get(), error);
  });
  if (!counted) return counted;
  const int visited = std::clamp(count, 0, std::max(limit, 0));
  for (int step = 0; step < visited; ++step) {
    const int index = order == ChildOrder::fromFirst ? step : count - 1 - step;
    TONNIX_TRY(found, child(processIdentifier, object, index));
    if (found && !visit(found)) break;
  }
  return TonnixDone{};
}
