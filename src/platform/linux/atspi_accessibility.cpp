#include "platform/linux/atspi_accessibility.h"

#include <atspi/atspi.h>

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

#include "platform/linux/atspi_accessibility_status.h"
#include "platform/linux/atspi_connection.h"
#include "platform/linux/atspi_event_mapping.h"
#include "platform/linux/atspi_roles.h"
#include "platform/linux/atspi_window_parts.h"
#include "platform/linux/x11_window_stacking.h"

namespace {

using Clock = std::chrono::steady_clock;

// Parents walked up to a window, and steps down a hit test.
constexpr int maximumDepth = 64;

// How far below a window's top edge its title bar's buttons may start, in
// pixels: a client-side frame's shadow and the header bar's padding.
constexpr int titleBarReach = 80;

enum class Kind { systemWide, application, object };

// An element: the desktop as a whole, an application (known by its
// process, so that it stays the same element whether or not the
// application has reached the bus yet), or one object of an application.
struct AtspiHandle final : TonnixAXElementHandle {
  AtspiHandle(Kind handleKind, std::int32_t pid, TonnixAtspiObjectRef handleObject,
              QString handleKey)
      : TonnixAXElementHandle(hashFor(handleKind, pid, handleKey)),
        kind(handleKind),
        processIdentifier(pid),
        object(std::move(handleObject)),
        key(std::move(handleKey)) {}

  bool isSameElement(const TonnixAXElementHandle& other) const override {
    const auto* atspi = dynamic_cast<const AtspiHandle*>(&other);
    if (!atspi || atspi->kind != kind) return false;
    if (kind == Kind::application) return atspi->processIdentifier == processIdentifier;
    return atspi->key == key;
  }

  static std::size_t hashFor(Kind kind, std::int32_t pid, const QString& key) {
    if (kind == Kind::object) return qHash(key);
    return std::hash<std::int64_t>{}((static_cast<std::int64_t>(kind) << 32) + pid);
  }

  Kind kind;
  std::int32_t processIdentifier;
  TonnixAtspiObjectRef object;
  QString key;  // bus name and object path
};

const QSet<QString>& knownNotifications() {
  namespace Note = TonnixAXNotification;
  static const QSet<QString> names{Note::focusedWindowChanged,
                                   Note::mainWindowChanged,
                                   Note::focusedUIElementChanged,
                                   Note::applicationActivated,
                                   Note::applicationHidden,
                                   Note::applicationShown,
                                   Note::windowCreated,
                                   Note::windowMiniaturized,
                                   Note::windowDeminiaturized,
                                   Note::windowMoved,
                                   Note::windowResized,
                                   Note::drawerCreated,
                                   Note::sheetCreated,
                                   Note::helpTagCreated,
                                   Note::uiElementDestroyed,
                                   Note::valueChanged,
                                   Note::menuOpened,
                                   Note::menuClosed,
                                   Note::menuItemSelected,
                                   Note::rowExpanded,
                                   Note::rowCollapsed,
                                   Note::selectedCellsChanged,
                                   Note::selectedRowsChanged,
                                   Note::selectedColumnsChanged,
                                   Note::selectedChildrenChanged,
                                   Note::selectedTextChanged,
                                   Note::created,
                                   Note::resized,
                                   Note::moved};
  return names;
}

QString takeString(gchar* text) {
  auto result = QString::fromUtf8(text);
  g_free(text);
  return result;
}

// Roles whose classic name depends on the parent: menus and their items,
// and whatever Qt may use for a bare top-level widget.
// Controls whose children are only their content.
bool isControlRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_PUSH_BUTTON:
    case ATSPI_ROLE_TOGGLE_BUTTON:
    case ATSPI_ROLE_CHECK_BOX:
    case ATSPI_ROLE_RADIO_BUTTON:
    case ATSPI_ROLE_PAGE_TAB:
    case ATSPI_ROLE_PUSH_BUTTON_MENU:
      return true;
    default:
      return false;
  }
}

bool needsParentRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_MENU:
    case ATSPI_ROLE_FILLER:
    case ATSPI_ROLE_PANEL:
    case ATSPI_ROLE_UNKNOWN:
    case ATSPI_ROLE_REDUNDANT_OBJECT:
      return true;
    default:
      return isAtspiMenuItemRole(role);
  }
}

}  // namespace

class TonnixAtspiObserver;

class TonnixAtspiAccessibility::Private {
 public:
  ~Private() {
    if (connection_) connection_->removeSink(sink_);
  }

  TonnixAtspiConnection* connect() {
    if (connection_) return connection_.get();
    connection_ = TonnixAtspiConnection::shared();
    if (!connection_) return nullptr;
    if (defaultTimeout_) connection_->setTimeout(std::nullopt, *defaultTimeout_);
    for (auto timeout = timeouts_.cbegin(); timeout != timeouts_.cend(); ++timeout) {
      connection_->setTimeout(timeout.key(), timeout.value());
    }
    sink_ = connection_->addSink(
        [this](const std::vector<TonnixAtspiEventRecord>& batch) { deliver(batch); });
    return connection_.get();
  }

  const std::shared_ptr<TonnixAtspiConnection>& connection() const { return connection_; }

  void setTimeout(std::optional<std::int32_t> pid, double seconds) {
    if (pid) {
      timeouts_.insert(*pid, seconds);
    } else {
      defaultTimeout_ = seconds;
    }
    if (connection_) connection_->setTimeout(pid, seconds);
  }

  TonnixAXElement wrap(const TonnixAtspiObjectRef& object, std::optional<std::int32_t> pid = {}) {
    if (!pid && connection_) pid = connection_->processIdentifier(object);
    if (object.isApplicationRoot() && pid) {
      return TonnixAXElement(std::make_shared<AtspiHandle>(Kind::application, *pid, object,
                                                           object.busName() + object.path()));
    }
    return TonnixAXElement(std::make_shared<AtspiHandle>(Kind::object, pid.value_or(0), object,
                                                         object.busName() + object.path()));
  }

  // The libatspi object behind an element, with the process whose
  // time-out bounds requests to it.
  struct Target {
    TonnixAtspiObjectRef object;
    std::int32_t processIdentifier = 0;
  };

  TonnixExpected<Target, TonnixAXError> target(const TonnixAXElement& element) {
    const auto* handle = element.handleAs<AtspiHandle>();
    if (!handle) return unexpected(TonnixAXError::illegalArgument);
    if (!connect()) return unexpected(TonnixAXError::apiDisabled);
    if (handle->kind == Kind::systemWide) return unexpected(TonnixAXError::attributeUnsupported);
    if (handle->object) return Target{handle->object, handle->processIdentifier};
    const auto application = connection_->application(handle->processIdentifier);
    if (!application) return unexpected(TonnixAXError::invalidUIElement);
    return Target{application->root, handle->processIdentifier};
  }

  // One libatspi request under the process's time-out.
  template <typename T, typename Request>
  TonnixAXResult<T> ask(const Target& target, Request request) {
    T value{};
    const auto done = connection_->call(target.processIdentifier,
                                        [&](GError** error) { value = request(error); });
    if (!done) return unexpected(done.error());
    return value;
  }

  TonnixAXResult<AtspiRole> role(const Target& target) {
    return ask<AtspiRole>(target, [&](GError** error) {
      return atspi_accessible_get_role(target.object.get(), error);
    });
  }

  TonnixAXResult<TonnixAtspiObjectRef> parent(const Target& target) {
    return ask<TonnixAtspiObjectRef>(target, [&](GError** error) {
      return TonnixAtspiObjectRef::adopt(atspi_accessible_get_parent(target.object.get(), error));
    });
  }

  bool hasState(const Target& target, AtspiStateType state) {
    bool result = false;
    connection_->call(target.processIdentifier, [&](GError**) {
      auto* states = atspi_accessible_get_state_set(target.object.get());
      if (!states) return;
      result = atspi_state_set_contains(states, state);
      g_object_unref(states);
    });
    return result;
  }

  TonnixAXResult<TonnixAtspiRoleNames> roleNames(const Target& target) {
    const auto ownRole = role(target);
    if (!ownRole) return unexpected(ownRole.error());
    if (*ownRole == ATSPI_ROLE_INVALID) return unexpected(TonnixAXError::invalidUIElement);
    TonnixAtspiRoleFacts facts;
    facts.role = *ownRole;
    if (needsParentRole(facts.role)) {
      const auto parentObject = parent(target);
      if (!parentObject) return unexpected(parentObject.error());
      if (*parentObject) {
        const auto parentRole = role({*parentObject, target.processIdentifier});
        if (parentRole) facts.parentRole = *parentRole;
      }
      facts.isTopLevel = facts.parentRole == ATSPI_ROLE_APPLICATION;
    }
    if (facts.role == ATSPI_ROLE_TOGGLE_BUTTON) {
      facts.isExpandable = hasState(target, ATSPI_STATE_EXPANDABLE);
    }
    if (facts.role == ATSPI_ROLE_TEXT || facts.role == ATSPI_ROLE_ENTRY) {
      facts.isMultiLine = hasState(target, ATSPI_STATE_MULTI_LINE);
    }
    return atspiRoleNames(facts);
  }

  TonnixAXResult<TonnixAXValue> text(const Target& target,
                                     gchar* (*getter)(AtspiAccessible*, GError**)) {
    const auto value = ask<QString>(
        target, [&](GError** error) { return takeString(getter(target.object.get(), error)); });
    if (!value) return unexpected(value.error());
    if (value->isEmpty()) return unexpected(TonnixAXError::noValue);
    return TonnixAXValue(*value);
  }

  // Asked of the object directly: checking first whether it offers the
  // component interface may itself wait on a hung application, unbounded.
  TonnixAXResult<AtspiRect> extents(const Target& target) {
    return ask<AtspiRect>(target, [&](GError** error) {
      AtspiRect result{};
      if (auto* found =
              atspi_component_get_extents(component(target), ATSPI_COORD_TYPE_SCREEN, error)) {
        result = *found;
        g_free(found);
      }
      return result;
    });
  }

  static AtspiComponent* component(const Target& target) {
    return ATSPI_COMPONENT(target.object.get());
  }

  // The top-level object holding the element: the one whose parent is
  // its application.
  TonnixAXResult<TonnixAXValue> window(const Target& target) {
    if (target.object.isApplicationRoot()) return unexpected(TonnixAXError::noValue);
    Target current = target;
    for (int depth = 0; depth < maximumDepth; ++depth) {
      const auto up = parent(current);
      if (!up) return unexpected(up.error());
      if (!*up) return unexpected(TonnixAXError::noValue);
      if (up->isApplicationRoot()) return TonnixAXValue(wrap(current.object));
      current.object = *up;
    }
    return unexpected(TonnixAXError::noValue);
  }

  // The application's top-level objects that are windows and visible.
  TonnixAXResult<std::vector<Target>> windowTargets(const Target& application) {
    const auto count = ask<int>(application, [&](GError** error) {
      return atspi_accessible_get_child_count(application.object.get(), error);
    });
    if (!count) return unexpected(count.error());
    std::vector<Target> windows;
    for (int index = 0; index < *count; ++index) {
      const auto child = ask<TonnixAtspiObjectRef>(application, [&](GError** error) {
        return TonnixAtspiObjectRef::adopt(
            atspi_accessible_get_child_at_index(application.object.get(), index, error));
      });
      if (!child) return unexpected(child.error());
      if (!*child) continue;
      const Target window{*child, application.processIdentifier};
      const auto childRole = role(window);
      if (!childRole || *childRole == ATSPI_ROLE_TOOL_TIP || isAtspiMenuRole(*childRole)) continue;
      if (hasState(window, ATSPI_STATE_VISIBLE)) windows.push_back(window);
    }
    return windows;
  }

  TonnixAXResult<TonnixAXValue> windows(const Target& target) {
    if (!target.object.isApplicationRoot()) return unexpected(TonnixAXError::attributeUnsupported);
    const auto found = windowTargets(target);
    if (!found) return unexpected(found.error());
    TonnixAXValue::Array values;
    for (const auto& window : *found)
      values.emplace_back(wrap(window.object, window.processIdentifier));
    return TonnixAXValue(std::move(values));
  }

  TonnixAXResult<TonnixAXValue> parentValue(const Target& target) {
    if (target.object.isApplicationRoot()) return unexpected(TonnixAXError::noValue);
    const auto up = parent(target);
    if (!up) return unexpected(up.error());
    if (!*up) return unexpected(TonnixAXError::noValue);
    return TonnixAXValue(wrap(*up, target.processIdentifier));
  }

  // Position and size come from one extents request; `frame` keeps it for
  // the other of the two when both are read together.
  using FrameCache = std::optional<TonnixAXResult<AtspiRect>>;

  TonnixAXResult<TonnixAXValue> frameValue(const Target& target, const QString& name,
                                           FrameCache& frame) {
    if (!frame) frame = extents(target);
    const auto& rect = *frame;
    if (!rect) return unexpected(rect.error());
    if (name == TonnixAXAttribute::position) {
      return TonnixAXValue(TonnixAXPoint{1.0 * rect->x, 1.0 * rect->y});
    }
    return TonnixAXValue(TonnixAXSize{1.0 * rect->width, 1.0 * rect->height});
  }

  TonnixAXResult<TonnixAXValue> attribute(const Target& target, const QString& name) {
    FrameCache frame;
    return attribute(target, name, frame);
  }

  TonnixAXResult<TonnixAXValue> attribute(const Target& target, const QString& name,
                                          FrameCache& frame) {
    namespace Attribute = TonnixAXAttribute;
    if (name == Attribute::role || name == Attribute::subrole) {
      const auto names = roleNames(target);
      if (!names) return unexpected(names.error());
      if (name == Attribute::role) return TonnixAXValue(names->role);
      if (const auto frameButton = frameButtonSubrole(target)) return TonnixAXValue(*frameButton);
      if (!names->subrole) return unexpected(TonnixAXError::noValue);
      return TonnixAXValue(*names->subrole);
    }
    if (name == Attribute::defaultButton) return defaultButton(target);
    if (name == Attribute::roleDescription) {
      return text(target, atspi_accessible_get_localized_role_name);
    }
    if (name == Attribute::title) return text(target, atspi_accessible_get_name);
    if (name == Attribute::description) return text(target, atspi_accessible_get_description);
    if (name == Attribute::identifier) return text(target, atspi_accessible_get_accessible_id);
    if (name == Attribute::position || name == Attribute::size) {
      return frameValue(target, name, frame);
    }
    if (name == Attribute::window) return window(target);
    if (name == Attribute::windows) return windows(target);
    if (name == Attribute::parent) return parentValue(target);
    return unexpected(TonnixAXError::attributeUnsupported);
  }

  // Descends from `from` through the objects under the point, stopping at
  // a control: GTK exposes a button's icon and a tab's label as children,
  // and a press on them is a press on the control.
  TonnixAtspiObjectRef deepest(Target from, int x, int y) {
    for (int depth = 0; depth < maximumDepth; ++depth) {
      const auto ownRole = role(from);
      if (ownRole && isControlRole(*ownRole)) break;
      const auto child = ask<TonnixAtspiObjectRef>(from, [&](GError** error) {
        return TonnixAtspiObjectRef::adopt(atspi_component_get_accessible_at_point(
            component(from), x, y, ATSPI_COORD_TYPE_SCREEN, error));
      });
      if (!child || !*child || child->path() == from.object.path()) break;
      from.object = *child;
    }
    return from.object;
  }

  bool contains(const Target& target, int x, int y) {
    const auto rect = extents(target);
    return rect && x >= rect->x && y >= rect->y && x < rect->x + rect->width &&
           y < rect->y + rect->height;
  }

  // AT-SPI does not tell which window is in front: the X server's stacking
  // order names the application on top at the point where there is one;
  // among the candidates the active window is asked first.
  std::optional<TonnixAXElement> hit(const std::vector<Target>& applications, int x, int y,
                                     bool consultStacking = false) {
    std::optional<TonnixX11WindowAtPoint> onTop;
    if (consultStacking) onTop = stacking.windowAt(QPoint(x, y));
    if (onTop && onTop->kind == TonnixX11WindowAtPoint::Kind::none) return std::nullopt;
    const bool byProcess = onTop && onTop->processIdentifier != 0;
    std::vector<Target> windows;
    for (const auto& application : applications) {
      if (byProcess && application.processIdentifier != onTop->processIdentifier) continue;
      const auto found = windowTargets(application);
      if (found) windows.insert(windows.end(), found->begin(), found->end());
    }
    std::stable_partition(windows.begin(), windows.end(), [&](const Target& window) {
      return hasState(window, ATSPI_STATE_ACTIVE);
    });
    for (const auto& window : windows) {
      if (!contains(window, x, y)) continue;
      return wrap(deepest(window, x, y), window.processIdentifier);
    }
    return std::nullopt;
  }

  // A window's default button; any other element has none.
  TonnixAXResult<TonnixAXValue> defaultButton(const Target& target) {
    const auto up = parent(target);
    if (!up) return unexpected(up.error());
    if (!*up || !up->isApplicationRoot()) return unexpected(TonnixAXError::attributeUnsupported);
    const auto button =
        findAtspiDefaultButton(*connection_, target.processIdentifier, target.object);
    if (!button) return unexpected(button.error());
    if (!*button) return unexpected(TonnixAXError::noValue);
    return TonnixAXValue(wrap(*button, target.processIdentifier));
  }

  // A push button in a title bar the application draws itself.
  std::optional<QString> frameButtonSubrole(const Target& target) {
    const auto ownRole = role(target);
    if (!ownRole || *ownRole != ATSPI_ROLE_PUSH_BUTTON) return std::nullopt;
    const auto name = text(target, atspi_accessible_get_name);
    if (!name || !name->as<QString>()) return std::nullopt;
    const auto subrole = atspiFrameButtonSubrole(*name->as<QString>());
    if (!subrole || !isInTitleBar(target)) return std::nullopt;
    return subrole;
  }

  // Client-side title bars hold their frame buttons in a panel at the top of
  // the window; a "Close" button elsewhere in the window is an ordinary one.
  bool isInTitleBar(const Target& target) {
    const auto windowValue = window(target);
    if (!windowValue || !windowValue->as<TonnixAXElement>()) return false;
    const auto* handle = windowValue->as<TonnixAXElement>()->handleAs<AtspiHandle>();
    if (!handle) return false;
    const auto button = extents(target);
    const auto frame = extents({handle->object, target.processIdentifier});
    return button && frame && button->y - frame->y < titleBarReach;
  }

  void deliver(const std::vector<TonnixAtspiEventRecord>& batch);
  std::optional<std::int32_t> processOf(const TonnixAtspiEventRecord& record,
                                        std::optional<QHash<QString, std::int32_t>>& buses);

  std::map<int, TonnixAtspiObserver*> observers;
  TonnixX11WindowStacking stacking;
  int nextObserver = 1;
  TonnixAtspiAccessibilityStatus status;
  DeliveryStatistics statistics;

 private:
  std::shared_ptr<TonnixAtspiConnection> connection_;
  int sink_ = 0;
  std::optional<double> defaultTimeout_;
  QHash<std::int32_t, double> timeouts_;
  TonnixAtspiEventTranslator translator_;
};

// One application's registrations: notification names on the application
// (every element of it) and on single elements.
class TonnixAtspiObserver final : public TonnixAXObserver {
 public:
  TonnixAtspiObserver(TonnixAtspiAccessibility::Private& owner, int id,
                      std::int32_t processIdentifier, Callback callback)
      : owner_(owner),
        connection_(owner.connection()),
        id_(id),
        processIdentifier_(processIdentifier),
        callback_(std::move(callback)) {
    owner_.observers[id_] = this;
  }

  ~TonnixAtspiObserver() override {
    owner_.observers.erase(id_);
    for (const auto& name : std::as_const(applicationNames_)) unsubscribe(name);
    for (const auto& names : std::as_const(elementNames_)) {
      for (const auto& name : names) unsubscribe(name);
    }
  }

  TonnixAXResult<TonnixDone> addNotification(const TonnixAXElement& element,
                                             const QString& notification) override {
    auto* names = namesFor(element);
    if (!names) return unexpected(TonnixAXError::illegalArgument);
    if (!knownNotifications().contains(notification)) {
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
      elementNames_.remove(element.handleAs<AtspiHandle>()->key);
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
    const auto* handle = element.handleAs<AtspiHandle>();
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

  TonnixAtspiAccessibility::Private& owner_;
  std::shared_ptr<TonnixAtspiConnection> connection_;
  int id_;
  std::int32_t processIdentifier_;
  Callback callback_;
  QSet<QString> applicationNames_;
  QHash<QString, QSet<QString>> elementNames_;
};

namespace {

// What the translator asks about an event's source, each fact fetched
// once and only when a rule needs it.
class EventSource final : public TonnixAtspiEventSource {
 public:
  EventSource(TonnixAtspiAccessibility::Private& owner, TonnixAtspiObjectRef object,
              std::int32_t pid)
      : owner_(owner), target_{std::move(object), pid} {}

  AtspiRole role() override {
    if (role_) return *role_;
    const auto found = owner_.role(target_);
    role_ = found ? *found : ATSPI_ROLE_INVALID;
    return *role_;
  }

  AtspiRole parentRole() override {
    if (parentRole_) return *parentRole_;
    parentRole_ = ATSPI_ROLE_INVALID;
    const auto up = owner_.parent(target_);
    if (!up || !*up) return *parentRole_;
    const auto found = owner_.role({*up, target_.processIdentifier});
    if (found) parentRole_ = *found;
    return *parentRole_;
  }

  bool holdsMenu() override {
    const auto child = owner_.ask<TonnixAtspiObjectRef>(target_, [&](GError** error) {
      return TonnixAtspiObjectRef::adopt(
          atspi_accessible_get_child_at_index(target_.object.get(), 0, error));
    });
    if (!child || !*child) return false;
    const auto childRole = owner_.role({*child, target_.processIdentifier});
    return childRole && isAtspiMenuRole(*childRole);
  }

  bool hasState(AtspiStateType state) override { return owner_.hasState(target_, state); }

  bool ownsMenu() override {
    constexpr int childLimit = 8;
    const auto count = owner_.ask<int>(target_, [&](GError** error) {
      return atspi_accessible_get_child_count(target_.object.get(), error);
    });
    if (!count) return false;
    // The popover comes last.
    for (int index = *count - 1; index >= std::max(0, *count - childLimit); --index) {
      const auto child = owner_.ask<TonnixAtspiObjectRef>(target_, [&](GError** error) {
        return TonnixAtspiObjectRef::adopt(
            atspi_accessible_get_child_at_index(target_.object.get(), index, error));
      });
      if (!child) return false;
      if (!*child) continue;
      const auto childRole = owner_.role({*child, target_.processIdentifier});
      if (childRole && isAtspiMenuRole(*childRole)) return true;
    }
    return false;
  }

 private:
  TonnixAtspiAccessibility::Private& owner_;
  TonnixAtspiAccessibility::Private::Target target_;
  std::optional<AtspiRole> role_;
  std::optional<AtspiRole> parentRole_;
};

}  // namespace

std::optional<std::int32_t> TonnixAtspiAccessibility::Private::processOf(
    const TonnixAtspiEventRecord& record, std::optional<QHash<QString, std::int32_t>>& buses) {
  if (const auto pid = connection_->processIdentifier(record.source)) return pid;
  // libatspi lets go of the application of an object gone defunct before the
  // event is handed over; the bus name it arrived from still says whose it
  // was. The applications' bus names are listed once per batch.
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

void TonnixAtspiAccessibility::Private::deliver(const std::vector<TonnixAtspiEventRecord>& batch) {
  translator_.beginBatch();
  std::optional<QHash<QString, std::int32_t>> buses;
  for (const auto& record : batch) {
    if (observers.empty()) return;
    const auto pid = processOf(record, buses);
    if (!pid) continue;
    std::vector<int> ids;
    for (const auto& [id, observer] : observers) {
      if (observer->processIdentifier() == *pid) ids.push_back(id);
    }
    if (ids.empty()) continue;
    const auto& key = record.event.elementKey;
    const auto wants = [&](const QString& name) {
      return std::any_of(ids.begin(), ids.end(), [&](int id) {
        const auto observer = observers.find(id);
        return observer != observers.end() && observer->second->wants(key, name);
      });
    };
    EventSource source(*this, record.source, *pid);
    const auto names = translator_.translate(record.event, source, wants);
    if (names.isEmpty()) continue;
    // A defunct object keeps the key it arrived with.
    const auto element = record.source.busName().isEmpty()
                             ? TonnixAXElement(std::make_shared<AtspiHandle>(
                                   Kind::object, *pid, record.source, record.event.elementKey))
                             : wrap(record.source, *pid);
    for (const auto& name : names) {
      // Callbacks may destroy observers, this one included.
      for (const int id : ids) {
        const auto observer = observers.find(id);
        if (observer == observers.end() || !observer->second->wants(key, name)) continue;
        const auto callback = observer->second->callback();
        callback(element, name);
      }
    }
    const std::chrono::duration<double> took = Clock::now() - record.arrival;
    ++statistics.count;
    statistics.total += took;
    statistics.longest = std::max(statistics.longest, took);
  }
}

TonnixAtspiAccessibility::TonnixAtspiAccessibility() : d_(std::make_unique<Private>()) {}

TonnixAtspiAccessibility::~TonnixAtspiAccessibility() = default;

bool TonnixAtspiAccessibility::isProcessTrusted() {
  return d_->status.isSwitchedOn();
}

bool TonnixAtspiAccessibility::requestTrust() {
  const bool on = d_->status.switchOn();
  if (on) d_->connect();
  return on;
}

TonnixAXElement TonnixAtspiAccessibility::applicationElement(std::int32_t processIdentifier) {
  TonnixAtspiObjectRef root;
  if (auto* connection = d_->connect()) {
    if (auto application = connection->application(processIdentifier)) root = application->root;
  }
  auto key = root.busName() + root.path();
  return TonnixAXElement(std::make_shared<AtspiHandle>(Kind::application, processIdentifier,
                                                       std::move(root), std::move(key)));
}

TonnixAXElement TonnixAtspiAccessibility::systemWideElement() {
  return TonnixAXElement(
      std::make_shared<AtspiHandle>(Kind::systemWide, 0, TonnixAtspiObjectRef(), QString()));
}

TonnixAXResult<TonnixDone> TonnixAtspiAccessibility::setMessagingTimeout(
    const TonnixAXElement& element, double seconds) {
  const auto* handle = element.handleAs<AtspiHandle>();
  if (!handle || !std::isfinite(seconds) || seconds < 0) {
    return unexpected(TonnixAXError::illegalArgument);
  }
  if (handle->kind == Kind::systemWide) {
    d_->setTimeout(std::nullopt, seconds);
    return TonnixDone{};
  }
  auto pid = handle->processIdentifier;
  if (pid == 0 && d_->connect()) {
    pid = d_->connection()->processIdentifier(handle->object).value_or(0);
  }
  if (pid == 0) return unexpected(TonnixAXError::invalidUIElement);
  d_->setTimeout(pid, seconds);
  return TonnixDone{};
}

TonnixAXResult<std::int32_t> TonnixAtspiAccessibility::processIdentifier(
    const TonnixAXElement& element) {
  const auto* handle = element.handleAs<AtspiHandle>();
  if (!handle || handle->kind == Kind::systemWide) {
    return unexpected(TonnixAXError::illegalArgument);
  }
  if (handle->processIdentifier != 0) return handle->processIdentifier;
  if (!d_->connect()) return unexpected(TonnixAXError::apiDisabled);
  const auto pid = d_->connection()->processIdentifier(handle->object);
  if (!pid) return unexpected(TonnixAXError::invalidUIElement);
  return *pid;
}

TonnixAXResult<TonnixAXValue> TonnixAtspiAccessibility::attributeValue(
    const TonnixAXElement& element, const QString& attribute) {
  const auto target = d_->target(element);
  if (!target) return unexpected(target.error());
  return d_->attribute(*target, attribute);
}

// AT-SPI has no request for several attributes at once; they are read one
// by one, but an application that does not answer ends the whole request.
TonnixAXResult<std::vector<TonnixAXValue>> TonnixAtspiAccessibility::attributeValues(
    const TonnixAXElement& element, const QStringList& attributes) {
  const auto target = d_->target(element);
  if (!target) return unexpected(target.error());
  std::vector<TonnixAXValue> values;
  Private::FrameCache frame;
  for (const auto& attribute : attributes) {
    auto value = d_->attribute(*target, attribute, frame);
    if (value) {
      values.push_back(std::move(*value));
      continue;
    }
    switch (value.error()) {
      case TonnixAXError::cannotComplete:
      case TonnixAXError::invalidUIElement:
      case TonnixAXError::apiDisabled:
        return unexpected(value.error());
      case TonnixAXError::attributeUnsupported:
      case TonnixAXError::noValue:
        values.emplace_back();
        break;
      default:
        values.emplace_back(TonnixAXErrorValue{value.error()});
    }
  }
  return values;
}

TonnixAXResult<QStringList> TonnixAtspiAccessibility::parameterizedAttributeNames(
    const TonnixAXElement& element) {
  const auto target = d_->target(element);
  if (!target) return unexpected(target.error());
  return QStringList();
}

TonnixAXResult<TonnixAXElement> TonnixAtspiAccessibility::elementAtPosition(
    const TonnixAXElement& root, float x, float y) {
  const auto* handle = root.handleAs<AtspiHandle>();
  if (!handle) return unexpected(TonnixAXError::illegalArgument);
  auto* connection = d_->connect();
  if (!connection) return unexpected(TonnixAXError::apiDisabled);
  const int pointX = static_cast<int>(std::floor(x));
  const int pointY = static_cast<int>(std::floor(y));
  std::vector<Private::Target> applications;
  if (handle->kind == Kind::systemWide) {
    for (const auto& application : connection->applications()) {
      applications.push_back({application.root, application.processIdentifier});
    }
  } else {
    const auto target = d_->target(root);
    if (!target) return unexpected(target.error());
    if (handle->kind == Kind::object) {
      return d_->wrap(d_->deepest(*target, pointX, pointY), target->processIdentifier);
    }
    applications.push_back(*target);
  }
  auto found = d_->hit(applications, pointX, pointY, handle->kind == Kind::systemWide);
  if (!found) return unexpected(TonnixAXError::noValue);
  return std::move(*found);
}

TonnixAXResult<std::unique_ptr<TonnixAXObserver>> TonnixAtspiAccessibility::createObserver(
    std::int32_t processIdentifier, TonnixAXObserver::Callback callback) {
  if (processIdentifier <= 0 || !callback) return unexpected(TonnixAXError::illegalArgument);
  if (!d_->connect()) return unexpected(TonnixAXError::apiDisabled);
  return std::unique_ptr<TonnixAXObserver>(std::make_unique<TonnixAtspiObserver>(
      *d_, d_->nextObserver++, processIdentifier, std::move(callback)));
}

std::shared_ptr<TonnixAtspiConnection> TonnixAtspiAccessibility::connection() {
  d_->connect();
  return d_->connection();
}

TonnixAtspiAccessibility::DeliveryStatistics TonnixAtspiAccessibility::deliveryStatistics() const {
  return d_->statistics;
}
