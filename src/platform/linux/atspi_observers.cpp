#include "platform/linux/atspi_observers.h"

#include <QSet>
#include <QTimer>
#include <algorithm>
#include <array>

#include "platform/linux/atspi_object_realization.h"
#include "platform/linux/atspi_request_batch.h"

namespace {

// The most objects of one window or application put on the bus at once.
constexpr int realizationLimit = 2000;
// Milliseconds after a window opened or an application was attached.
constexpr int realizationDelay = 500;

GQuark parentRoleQuark() {
  static const GQuark quark = g_quark_from_static_string("tonnix-atspi-parent-role");
  return quark;
}

// Marks an object once seen owning a popover menu: a menu button stays one.
GQuark menuOwnerQuark() {
  static const GQuark quark = g_quark_from_static_string("tonnix-atspi-menu-owner");
  return quark;
}

using Clock = std::chrono::steady_clock;
using Kind = TonnixAtspiHandle::Kind;

// The value of a method's answer, or of a property's in its variant.
std::optional<DBusMessageIter> valueIn(DBusMessage* answer) {
  DBusMessageIter top;
  if (!answer || dbus_message_get_type(answer) != DBUS_MESSAGE_TYPE_METHOD_RETURN ||
      !dbus_message_iter_init(answer, &top)) {
    return std::nullopt;
  }
  if (dbus_message_iter_get_arg_type(&top) != DBUS_TYPE_VARIANT) return top;
  DBusMessageIter inner;
  dbus_message_iter_recurse(&top, &inner);
  return inner;
}

std::optional<AtspiRole> roleIn(DBusMessage* answer) {
  auto value = valueIn(answer);
  if (!value || dbus_message_iter_get_arg_type(&*value) != DBUS_TYPE_UINT32) return std::nullopt;
  dbus_uint32_t role = 0;
  dbus_message_iter_get_basic(&*value, &role);
  if (role == ATSPI_ROLE_INVALID || role >= ATSPI_ROLE_LAST_DEFINED) return std::nullopt;
  return static_cast<AtspiRole>(role);
}

// The path of a Parent property's (so); empty when unreadable.
QString parentPathIn(DBusMessage* answer) {
  auto value = valueIn(answer);
  if (!value || dbus_message_iter_get_arg_type(&*value) != DBUS_TYPE_STRUCT) return {};
  DBusMessageIter fields;
  dbus_message_iter_recurse(&*value, &fields);
  if (!dbus_message_iter_next(&fields) ||
      dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_OBJECT_PATH) {
    return {};
  }
  const char* path = nullptr;
  dbus_message_iter_get_basic(&fields, &path);
  return QString::fromUtf8(path);
}

// GetState's two words of state bits.
std::optional<std::array<quint32, 2>> statesIn(DBusMessage* answer) {
  auto value = valueIn(answer);
  if (!value || dbus_message_iter_get_arg_type(&*value) != DBUS_TYPE_ARRAY) return std::nullopt;
  DBusMessageIter words;
  dbus_message_iter_recurse(&*value, &words);
  std::array<quint32, 2> states{};
  for (auto& word : states) {
    if (dbus_message_iter_get_arg_type(&words) != DBUS_TYPE_UINT32) return std::nullopt;
    dbus_uint32_t bits = 0;
    dbus_message_iter_get_basic(&words, &bits);
    word = bits;
    dbus_message_iter_next(&words);
  }
  return states;
}

// What the translator asks about an event's source, each fact fetched
// once and only when a rule needs it.
class EventSource final : public TonnixAtspiEventSource {
 public:
  // `isGtk4`: of a GTK 4 application.
  EventSource(TonnixAtspiElements& elements, TonnixAtspiObjectRef object, std::int32_t pid,
              bool isGtk4)
      : elements_(elements), target_{std::move(object), pid}, isGtk4_(isGtk4) {}

  bool announcesEveryMenu() override { return isGtk4_; }
  bool announcesEveryClosing() override { return isGtk4_; }
  bool isShownWindow() override { return isShownWindow_; }

  // Told by its application's root as it showed the window: the root is
  // its parent, kept for the one question its sound still asks (its role
  // picks a dialog's or a window's sound).
  void knowShownWindow() {
    isShownWindow_ = true;
    const auto root = target_.object.applicationRoot();
    if (!root) return;
    parent_.emplace(root);
    TonnixAtspiConnection::keepParent(target_.object, root);
  }

  // A GTK 4 window showing is asked its role, parent and state in one round
  // trip: the application answers only once it has drawn the window.
  void askWindowFacts() {
    if (TonnixAtspiConnection::isRoleKnown(target_.object)) return;
    const auto root = target_.object.applicationRoot();
    const auto timeout = elements_.connection().timeout(target_.processIdentifier);
    TonnixAtspiRequestBatch batch(target_.object, static_cast<int>(timeout * 1000.0));
    if (!root || !batch.isValid()) return;
    (void)elements_.connection().call(target_.processIdentifier, [&](GError** error) {
      const auto role = batch.method("GetRole");
      const auto parent = batch.property("Parent");
      const auto states = batch.method("GetState");
      // Unanswered, the role is not asked again: a second time-out in a
      // row would give the application up before its parent is asked.
      role_ = ATSPI_ROLE_INVALID;
      if (!batch.wait(error)) return;
      if (const auto found = roleIn(batch.answer(role))) {
        role_ = *found;
        TonnixAtspiConnection::keepRole(target_.object, *found);
      }
      if (parentPathIn(batch.answer(parent)) == root.path()) parent_.emplace(root);
      states_ = statesIn(batch.answer(states));
    });
  }

  AtspiRole role() override {
    if (role_) return *role_;
    const auto found = elements_.role(target_);
    role_ = found ? *found : ATSPI_ROLE_INVALID;
    return *role_;
  }

  // Kept on libatspi's object once known, as its role is: an object stays
  // where it was put, and GTK 4 answers each question slowly under load.
  AtspiRole parentRole() override {
    if (parentRole_) return *parentRole_;
    auto* object = G_OBJECT(target_.object.get());
    if (const auto kept = object ? g_object_get_qdata(object, parentRoleQuark()) : nullptr) {
      return *(parentRole_ = static_cast<AtspiRole>(GPOINTER_TO_INT(kept) - 1));
    }
    parentRole_ = ATSPI_ROLE_INVALID;
    const auto up = parent();
    if (!up) return *parentRole_;
    const auto found = elements_.role({*up, target_.processIdentifier});
    if (!found || *found == ATSPI_ROLE_INVALID) return *parentRole_;
    parentRole_ = *found;
    g_object_set_qdata(object, parentRoleQuark(), GINT_TO_POINTER(static_cast<int>(*found) + 1));
    return *parentRole_;
  }

  QString parentKey() override {
    const auto up = parent();
    return up ? up->busName() + up->path() : QString();
  }

  // libatspi remembers the parent it was told; the count of its children is
  // asked of the application.
  bool isParentGone() override {
    const auto up = parent();
    if (!up) return false;
    const auto counted = elements_.connection().visitChildren(
        target_.processIdentifier, *up, [](const TonnixAtspiObjectRef&) { return false; },
        TonnixAtspiConnection::ChildOrder::fromFirst, 0);
    return !counted && counted.error() != TonnixAXError::cannotComplete;
  }

  std::optional<QStringList> topLevelKeys() override {
    const auto own = ownApplication();
    if (!own) return std::nullopt;
    QStringList keys;
    const auto listed = elements_.connection().visitChildren(
        target_.processIdentifier, own->root, [&](const TonnixAtspiObjectRef& child) {
          keys.append(child.busName() + child.path());
          return true;
        });
    if (!listed) return std::nullopt;
    return keys;
  }

  void reportFor(const QString& key) override { reportedKey_ = key; }

  // The key of the element the event's notifications are about, and the
  // element: one gone keeps only its key.
  QString reportedKey(const QString& eventKey) const {
    return reportedKey_.isEmpty() ? eventKey : reportedKey_;
  }
  TonnixAtspiObjectRef reported() const {
    return reportedKey_.isEmpty() ? target_.object : TonnixAtspiObjectRef();
  }

  // Qt's window for a combo box's list holds the list first, though the
  // list names the combo box as its parent.
  bool holdsMenu() override {
    const auto child = elements_.connection().child(target_.processIdentifier, target_.object, 0);
    if (!child || !*child) return false;
    const TonnixAtspiTarget first{*child, target_.processIdentifier};
    const auto firstRole = elements_.role(first);
    if (firstRole && isAtspiMenuRole(*firstRole)) return true;
    if (!firstRole || *firstRole != ATSPI_ROLE_LIST) return false;
    const auto up = elements_.parent(first);
    if (!up || !*up) return false;
    const auto upRole = elements_.role({*up, target_.processIdentifier});
    return upRole && *upRole == ATSPI_ROLE_COMBO_BOX;
  }

  bool hasState(AtspiStateType state) override {
    if (!states_) return elements_.hasState(target_, state);
    const auto bit = static_cast<unsigned>(state);
    return bit < 64 && ((*states_)[bit / 32] >> (bit % 32)) & 1U;
  }

  // Asked of the application's root, which answers for the application;
  // libatspi keeps the name once read.
  QString toolkitName() override {
    const auto own = ownApplication();
    if (!own) return {};
    const auto name = elements_.ask<gchar*>(
        {own->root, target_.processIdentifier},
        [&](GError** error) { return atspi_accessible_get_toolkit_name(own->root.get(), error); });
    if (!name || !*name) return {};
    QString text = QString::fromUtf8(*name);
    g_free(*name);
    return text;
  }

  AtspiRole firstChildRole() override {
    const auto child = elements_.connection().child(target_.processIdentifier, target_.object, 0);
    if (!child || !*child) return ATSPI_ROLE_INVALID;
    const auto childRole = elements_.role({*child, target_.processIdentifier});
    return childRole ? *childRole : ATSPI_ROLE_INVALID;
  }

  // Announced with its menu (GTK 4 announces a popover before its owner
  // expands), else asked: the popover comes last.
  bool ownsMenu() override {
    constexpr int childLimit = 8;
    auto* object = G_OBJECT(target_.object.get());
    if (object && g_object_get_qdata(object, menuOwnerQuark())) return true;
    if (elements_.connection().isAnnouncedMenuOwner(target_.object.busName() +
                                                    target_.object.path())) {
      return true;
    }
    bool found = false;
    // A child that cannot be read leaves the menu unfound, as the rest would.
    (void)elements_.connection().visitChildren(
        target_.processIdentifier, target_.object,
        [&](const TonnixAtspiObjectRef& child) {
          found = isMenu(child);
          return !found;
        },
        TonnixAtspiConnection::ChildOrder::fromLast, childLimit);
    if (found && object) g_object_set_qdata(object, menuOwnerQuark(), GINT_TO_POINTER(1));
    return found;
  }

 private:
  // The application the source's bus has on the desktop: a process may have
  // several on the accessibility bus.
  std::optional<TonnixAtspiApplication> ownApplication() {
    if (auto root = target_.object.applicationRoot()) {
      return TonnixAtspiApplication{target_.processIdentifier, root.busName(), std::move(root)};
    }
    auto applications = elements_.connection().applications();
    const auto own = std::find_if(applications.begin(), applications.end(), [&](const auto& app) {
      return app.busName == target_.object.busName();
    });
    if (own == applications.end()) return std::nullopt;
    return std::move(*own);
  }

  bool isMenu(const TonnixAtspiObjectRef& object) {
    const auto objectRole = elements_.role({object, target_.processIdentifier});
    return objectRole && isAtspiMenuRole(*objectRole);
  }

  // GTK 4 announces each object with its parent, which libatspi keeps.
  const std::optional<TonnixAtspiObjectRef>& parent() {
    if (parent_) return *parent_;
    parent_.emplace();
    auto* object = target_.object.get();
    if (isGtk4_ && object && (object->cached_properties & ATSPI_CACHE_PARENT) &&
        object->accessible_parent) {
      parent_->emplace(object->accessible_parent);
      return *parent_;
    }
    const auto up = elements_.parent(target_);
    if (up && *up) parent_->emplace(*up);
    return *parent_;
  }

  TonnixAtspiElements& elements_;
  TonnixAtspiTarget target_;
  std::optional<AtspiRole> role_;
  std::optional<AtspiRole> parentRole_;
  std::optional<std::optional<TonnixAtspiObjectRef>> parent_;
  std::optional<std::array<quint32, 2>> states_;
  QString reportedKey_;
  bool isGtk4_;
  bool isShownWindow_ = false;
};

}  // namespace

// One application's registrations: notification names on the application
// (every element of it) and on single elements.
class TonnixAtspiObserver final : public TonnixAXObserver {
 public:
  TonnixAtspiObserver(TonnixAtspiObservers& owner, int id, std::int32_t processIdentifier,
                      Callback callback)
      : owner_(owner),
        connection_(owner.connection_),
        id_(id),
        processIdentifier_(processIdentifier),
        callback_(std::move(callback)) {
    owner_.observers_[id_] = this;
  }

  ~TonnixAtspiObserver() override {
    owner_.observers_.erase(id_);
    for (const auto& name : std::as_const(applicationNames_)) unsubscribe(name);
    for (const auto& names : std::as_const(elementNames_)) {
      for (const auto& name : names) unsubscribe(name);
    }
  }

  TonnixAXResult<TonnixDone> addNotification(const TonnixAXElement& element,
                                             const QString& notification) override {
    auto* names = namesFor(element);
    if (!names) return unexpected(TonnixAXError::illegalArgument);
    if (!TonnixAXNotification::all.contains(notification)) {
      return unexpected(TonnixAXError::notificationUnsupported);
    }
    if (names->contains(notification)) {
      return unexpected(TonnixAXError::notificationAlreadyRegistered);
    }
    const auto subscribed = subscribe(notification);
    if (!subscribed) return subscribed;
    names->insert(notification);
    return TonnixDone{};
  }

  TonnixAXResult<TonnixDone> removeNotification(const TonnixAXElement& element,
                                                const QString& notification) override {
    auto* names = namesFor(element);
    if (!names) return unexpected(TonnixAXError::illegalArgument);
    if (!names->remove(notification)) return unexpected(TonnixAXError::notificationNotRegistered);
    unsubscribe(notification);
    if (names != &applicationNames_ && names->isEmpty()) {
      elementNames_.remove(element.handleAs<TonnixAtspiHandle>()->key);
    }
    return TonnixDone{};
  }

  bool wants(const QString& elementKey, const QString& notification) const {
    if (applicationNames_.contains(notification)) return true;
    const auto names = elementNames_.constFind(elementKey);
    return names != elementNames_.cend() && names->contains(notification);
  }

  std::int32_t processIdentifier() const { return processIdentifier_; }
  const Callback& callback() const { return callback_; }

 private:
  // The names registered on the element; null for an element of another
  // process or of another implementation.
  QSet<QString>* namesFor(const TonnixAXElement& element) {
    const auto* handle = element.handleAs<TonnixAtspiHandle>();
    if (!handle || handle->kind == Kind::systemWide) return nullptr;
    if (handle->kind == Kind::application) {
      return handle->processIdentifier == processIdentifier_ ? &applicationNames_ : nullptr;
    }
    auto pid = handle->processIdentifier;
    if (pid == 0) pid = connection_->processIdentifier(handle->object).value_or(0);
    if (pid != processIdentifier_) return nullptr;
    return &elementNames_[handle->key];
  }

  TonnixAXResult<TonnixDone> subscribe(const QString& notification) {
    QStringList done;
    for (const auto& type : TonnixAtspiEventTranslator::atspiEventTypes(notification)) {
      const auto subscribed = connection_->subscribe(type);
      if (!subscribed) {
        for (const auto& undone : done) connection_->unsubscribe(undone);
        return subscribed;
      }
      done.append(type);
    }
    return TonnixDone{};
  }

  void unsubscribe(const QString& notification) {
    for (const auto& type : TonnixAtspiEventTranslator::atspiEventTypes(notification)) {
      connection_->unsubscribe(type);
    }
  }

  TonnixAtspiObservers& owner_;
  std::shared_ptr<TonnixAtspiConnection> connection_;
  int id_;
  std::int32_t processIdentifier_;
  Callback callback_;
  QSet<QString> applicationNames_;
  QHash<QString, QSet<QString>> elementNames_;
};

TonnixAtspiObservers::TonnixAtspiObservers(std::shared_ptr<TonnixAtspiConnection> connection,
                                           TonnixAtspiElements& elements)
    : connection_(std::move(connection)), elements_(elements) {
  sink_ = connection_->addSink(
      [this](const std::vector<TonnixAtspiEventRecord>& batch) { deliver(batch); });
}

TonnixAtspiObservers::~TonnixAtspiObservers() {
  connection_->removeSink(sink_);
}

std::unique_ptr<TonnixAXObserver> TonnixAtspiObservers::create(
    std::int32_t processIdentifier, TonnixAXObserver::Callback callback) {
  for (const auto& application : connection_->applications()) {
    if (application.processIdentifier == processIdentifier) {
      realizeGtk4Objects({application.root, processIdentifier});
    }
  }
  return std::make_unique<TonnixAtspiObserver>(*this, nextObserver_++, processIdentifier,
                                               std::move(callback));
}

void TonnixAtspiObservers::realizeGtk4Objects(const TonnixAtspiTarget& object) {
  const QString busName = object.object.busName();
  auto known = isGtk4_.find(busName);
  if (known == isGtk4_.end()) {
    QString name;
    QString version;
    const auto read = connection_->call(object.processIdentifier, [&](GError** error) {
      auto* application = atspi_accessible_get_application(object.object.get(), error);
      if (!application) return;
      gchar* text = atspi_accessible_get_toolkit_name(application, error);
      name = QString::fromUtf8(text);
      g_free(text);
      if (!*error) {
        text = atspi_accessible_get_toolkit_version(application, error);
        version = QString::fromUtf8(text);
        g_free(text);
      }
      g_object_unref(application);
    });
    if (!read) return;
    known = isGtk4_.insert(busName,
                           name == QLatin1String("GTK") && version.startsWith(QLatin1String("4.")));
  }
  if (!*known) return;
  // Later, so that the application answers the questions about the window's
  // own events first.
  QTimer::singleShot(realizationDelay,
                     [busName = busName.toUtf8(), path = object.object.path().toUtf8()] {
                       realizeAtspiObjects(busName, path, realizationLimit);
                     });
}

std::optional<std::int32_t> TonnixAtspiObservers::processOf(
    const TonnixAtspiEventRecord& record, std::optional<QHash<QString, std::int32_t>>& buses) {
  if (const auto pid = connection_->processIdentifier(record.source)) return pid;
  // libatspi lets go of the application of an object gone defunct before the
  // event is handed over; the bus name it arrived from still says whose it
  // was. Where it is not known yet, the applications' bus names are listed,
  // once per batch.
  if (const auto pid = connection_->knownProcessIdentifier(record.event.applicationKey)) {
    return pid;
  }
  if (!buses) {
    buses.emplace();
    for (const auto& application : connection_->applications()) {
      buses->insert(application.busName, application.processIdentifier);
    }
  }
  const auto found = buses->constFind(record.event.applicationKey);
  if (found == buses->cend()) return std::nullopt;
  return *found;
}

void TonnixAtspiObservers::deliver(const std::vector<TonnixAtspiEventRecord>& batch) {
  translator_.beginBatch();
  std::optional<QHash<QString, std::int32_t>> buses;
  for (const auto& record : batch) {
    if (observers_.empty()) return;
    const auto pid = processOf(record, buses);
    if (!pid) {
      translator_.noteActivation(record.event);
      continue;
    }
    std::vector<int> ids;
    for (const auto& [id, observer] : observers_) {
      if (observer->processIdentifier() == *pid) ids.push_back(id);
    }
    if (ids.empty()) {
      translator_.noteActivation(record.event);
      continue;
    }
    const bool isGtk4 = isGtk4_.value(record.source.busName());
    EventSource source(elements_, record.source, *pid, isGtk4);
    if (isGtk4 && record.event.type == QLatin1String("object:state-changed:showing")) {
      if (connection_->takeShownWindow(record.event.elementKey)) {
        source.knowShownWindow();
      } else {
        source.askWindowFacts();
      }
    }
    const auto wants = [&](const QString& name) {
      const auto key = source.reportedKey(record.event.elementKey);
      return std::any_of(ids.begin(), ids.end(), [&](int id) {
        const auto observer = observers_.find(id);
        return observer != observers_.end() && observer->second->wants(key, name);
      });
    };
    // Callbacks may destroy observers, this one included.
    const auto tell = [&](const TonnixAXElement& element, const QString& key, const QString& name) {
      for (const int id : ids) {
        const auto observer = observers_.find(id);
        if (observer == observers_.end() || !observer->second->wants(key, name)) continue;
        const auto callback = observer->second->callback();
        callback(element, name);
      }
    };
    // The span the monitor's closing line tells: from the event's arrival
    // to its sounds started (the callbacks play, and leave describing for
    // later), or to the decision that nothing plays.
    const auto handled = [&] {
      const std::chrono::duration<double> took = Clock::now() - record.arrival;
      ++statistics_.count;
      statistics_.total += took;
      statistics_.longest = std::max(statistics_.longest, took);
    };
    const auto names = translator_.translate(record.event, source, wants);
    // Elements told of by another's event are gone: only their keys are left.
    for (const auto& [otherKey, name] : translator_.takeReports()) {
      tell(TonnixAXElement(std::make_shared<TonnixAtspiHandle>(Kind::object, *pid,
                                                               TonnixAtspiObjectRef(), otherKey)),
           otherKey, name);
    }
    if (names.isEmpty()) {
      handled();
      continue;
    }
    const auto key = source.reportedKey(record.event.elementKey);
    const auto reported = source.reported();
    // A defunct object keeps the key it arrived with.
    const auto element = reported.busName().isEmpty()
                             ? TonnixAXElement(std::make_shared<TonnixAtspiHandle>(
                                   Kind::object, *pid, reported, key))
                             : elements_.wrap(reported, *pid);
    for (const auto& name : names) tell(element, key, name);
    handled();
    if (names.contains(TonnixAXNotification::windowCreated)) {
      realizeGtk4Objects({record.source, *pid});
    }
  }
}
