#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/accessibility.h"
#include "platform/linux/atspi_announcements.h"
#include "platform/linux/atspi_event_mapping.h"

using AtspiAccessible = struct _AtspiAccessible;
using AtspiEventListener = struct _AtspiEventListener;
using AtspiEvent = struct _AtspiEvent;
using GError = struct _GError;

// Shares one libatspi object (AtspiAccessible) between owners.
class TonnixAtspiObjectRef {
 public:
  TonnixAtspiObjectRef() = default;
  // Takes a reference of its own; null stays null.
  explicit TonnixAtspiObjectRef(AtspiAccessible* object);
  // Takes over a reference the caller owns (what libatspi's getters return).
  static TonnixAtspiObjectRef adopt(AtspiAccessible* object);
  TonnixAtspiObjectRef(const TonnixAtspiObjectRef& other);
  TonnixAtspiObjectRef& operator=(const TonnixAtspiObjectRef& other);
  TonnixAtspiObjectRef(TonnixAtspiObjectRef&& other) noexcept;
  TonnixAtspiObjectRef& operator=(TonnixAtspiObjectRef&& other) noexcept;
  ~TonnixAtspiObjectRef();

  AtspiAccessible* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // The application's bus name and the object's path; empty when unknown.
  QString busName() const;
  QString path() const;
  bool isApplicationRoot() const;
  // The root of the object's application, as libatspi keeps it (null when
  // not known): no request.
  TonnixAtspiObjectRef applicationRoot() const;

 private:
  AtspiAccessible* object_ = nullptr;
};

// An event with its source, as handed to the connection's sinks; `child`
// is the object a children-changed event names.
struct TonnixAtspiEventRecord {
  TonnixAtspiEvent event;
  TonnixAtspiObjectRef source;
  std::chrono::steady_clock::time_point arrival;
  TonnixAtspiObjectRef child = {};
};

// An application on the accessibility bus.
struct TonnixAtspiApplication {
  std::int32_t processIdentifier = 0;
  QString busName;
  TonnixAtspiObjectRef root;
};

// The one connection of this process to the accessibility bus, over
// libatspi: initialised once, never running libatspi's own main loop (Qt's
// event loop on Linux is GLib's, which libatspi's D-Bus connection joins).
// It registers AT-SPI event types with the registry only while somebody
// wants them, hands events to its sinks on the main thread from the event
// loop (never from inside a libatspi call, which may dispatch events while
// it waits), bounds every request by a per-application time-out, and lists
// the applications with their process ids, for the accessibility seam and
// the workspace alike. Main thread only.
class TonnixAtspiConnection : public QObject {
  Q_OBJECT

 public:
  using Sink = std::function<void(const std::vector<TonnixAtspiEventRecord>& batch)>;

  // libatspi's own default time-out, restored by a time-out of zero.
  static constexpr double defaultTimeout = 0.8;
  // How long an application that timed out twice in a row is given up on
  // before it is asked again, so that a hung application costs two
  // time-outs, not one per event queued behind it. One slow answer is a
  // busy application (GTK 4 building a file chooser), asked on.
  static constexpr std::chrono::milliseconds unresponsivePause{1000};

  // The process's connection, made on first use; null when there is no
  // accessibility bus to connect to.
  static std::shared_ptr<TonnixAtspiConnection> shared();
  ~TonnixAtspiConnection() override;

  int addSink(Sink sink);
  void removeSink(int sink);
  // Counted: the registry forwards an event type while it is subscribed
  // more often than unsubscribed.
  TonnixAXResult<TonnixDone> subscribe(const QString& eventType);
  void unsubscribe(const QString& eventType);

  // The process owning the application of `object`; cached per bus name,
  // which the bus never reuses.
  std::optional<std::int32_t> processIdentifier(const TonnixAtspiObjectRef& object);
  // The process of the application on that bus, when already known.
  std::optional<std::int32_t> knownProcessIdentifier(const QString& busName) const;
  std::vector<TonnixAtspiApplication> applications();
  std::optional<TonnixAtspiApplication> application(std::int32_t processIdentifier);

  // Seconds a request to the process's application may take; nullopt
  // sets the default for every process without a time-out of its own.
  void setTimeout(std::optional<std::int32_t> processIdentifier, double seconds);
  double timeout(std::int32_t processIdentifier) const;
  // Bounds every request's time-out, whatever its process's, until called
  // with nothing.
  void setTimeoutBound(std::optional<double> seconds) { timeoutBound_ = seconds; }

  // Runs one libatspi request for `processIdentifier` under its time-out.
  // `request` gets the GError** to pass on; a D-Bus time-out becomes
  // cannotComplete, a vanished application or object invalidUIElement.
  TonnixAXResult<TonnixDone> call(std::int32_t processIdentifier,
                                  const std::function<void(GError**)>& request);

  // The object's role: one request the first time, none after, since a
  // role does not change while libatspi keeps the object.
  TonnixAXResult<AtspiRole> role(std::int32_t processIdentifier,
                                 const TonnixAtspiObjectRef& object);
  // Keeps a role learnt otherwise, as role() keeps what it asked.
  static void keepRole(const TonnixAtspiObjectRef& object, AtspiRole role);
  static bool isRoleKnown(const TonnixAtspiObjectRef& object);
  static std::optional<AtspiRole> knownRole(const TonnixAtspiObjectRef& object);
  // Keeps a parent learnt otherwise (an object stays where it was put), and
  // the one kept; null when none is.
  static void keepParent(const TonnixAtspiObjectRef& object, const TonnixAtspiObjectRef& parent);
  static TonnixAtspiObjectRef keptParent(const TonnixAtspiObjectRef& object);
  // What applications announced of the object of that key (bus name and
  // object path) without being asked (atspi_announcements.h): a window
  // their root has just shown (told once), an owner of a menu.
  bool takeShownWindow(const QString& key) { return announcements_.takeShownWindow(key); }
  bool isAnnouncedMenuOwner(const QString& key) const { return announcements_.isMenuOwner(key); }
  // The child of `object` at `index`, null when there is none; one request.
  TonnixAXResult<TonnixAtspiObjectRef> child(std::int32_t processIdentifier,
                                             const TonnixAtspiObjectRef& object, int index);
  // Hands `visit` the children of `object` one by one, from the first or
  // from the last, at most `limit` of them, skipping those that are gone,
  // until `visit` returns false. Each is one request, and a failed one
  // ends the walk with its error.
  enum class ChildOrder { fromFirst, fromLast };
  using ChildVisitor = std::function<bool(const TonnixAtspiObjectRef& child)>;
  TonnixAXResult<TonnixDone> visitChildren(std::int32_t processIdentifier,
                                           const TonnixAtspiObjectRef& object,
                                           const ChildVisitor& visit,
                                           ChildOrder order = ChildOrder::fromFirst,
                                           int limit = std::numeric_limits<int>::max());

 private:
  TonnixAtspiConnection();
  static void receive(AtspiEvent* event, void* connection);
  void deliver();
  void forgetApplication(const QString& busName);
  void noteAnswer(std::int32_t processIdentifier, bool timedOut);

  AtspiEventListener* listener_ = nullptr;
  TonnixAtspiAnnouncements& announcements_ = TonnixAtspiAnnouncements::shared();
  std::map<int, Sink> sinks_;
  int nextSink_ = 1;
  QHash<QString, int> subscriptions_;
  std::vector<TonnixAtspiEventRecord> pending_;
  bool deliveryScheduled_ = false;
  bool reportedOverflow_ = false;
  QHash<QString, std::int32_t> processIdentifiers_;
  QHash<std::int32_t, double> timeouts_;
  double defaultTimeout_ = defaultTimeout;
  std::optional<double> timeoutBound_;
  QHash<std::int32_t, std::chrono::steady_clock::time_point> unresponsiveUntil_;
  // Processes whose last request timed out.
  QSet<std::int32_t> timedOut_;
};
