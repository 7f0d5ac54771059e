#include "platform/linux/atspi_elements.h"

#include "platform/linux/atspi_window_parts.h"

namespace {

using Kind = TonnixAtspiHandle::Kind;

// How far below a window's top edge its title bar's buttons may start, in
// pixels: a client-side frame's shadow and the header bar's padding.
constexpr int titleBarReach = 80;

std::size_t hashFor(TonnixAtspiHandle::Kind kind, std::int32_t pid, const QString& key) {
  if (kind == TonnixAtspiHandle::Kind::object) return qHash(key);
  return std::hash<std::int64_t>{}((static_cast<std::int64_t>(kind) << 32) + pid);
}

// Roles whose classic name depends on the parent: menus and their items,
// and whatever Qt may use for a bare top-level widget.
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

AtspiComponent* component(const TonnixAtspiTarget& target) {
  return ATSPI_COMPONENT(target.object.get());
}

}  // namespace

TonnixAtspiHandle::TonnixAtspiHandle(Kind handleKind, std::int32_t pid,
                                     TonnixAtspiObjectRef handleObject, QString handleKey)
    : TonnixAXElementHandle(hashFor(handleKind, pid, handleKey)),
      kind(handleKind),
      processIdentifier(pid),
      object(std::move(handleObject)),
      key(std::move(handleKey)) {}

bool TonnixAtspiHandle::isSameElement(const TonnixAXElementHandle& other) const {
  const auto* atspi = dynamic_cast<const TonnixAtspiHandle*>(&other);
  if (!atspi || atspi->kind != kind) return false;
  if (kind == Kind::application) return atspi->processIdentifier == processIdentifier;
  return atspi->key == key;
}

TonnixAXElement TonnixAtspiElements::wrap(const TonnixAtspiObjectRef& object,
                                          std::optional<std::int32_t> pid) {
  if (!pid) pid = connection_.processIdentifier(object);
  if (object.isApplicationRoot() && pid) {
    return TonnixAXElement(std::make_shared<TonnixAtspiHandle>(Kind::application, *pid, object,
                                                               object.busName() + object.path()));
  }
  return TonnixAXElement(std::make_shared<TonnixAtspiHandle>(Kind::object, pid.value_or(0), object,
                                                             object.busName() + object.path()));
}

TonnixAXElement TonnixAtspiElements::wrap(const TonnixAtspiTarget& target) {
  if (target.object.isApplicationRoot()) return wrap(target.object, target.processIdentifier);
  auto handle = std::make_shared<TonnixAtspiHandle>(TonnixAtspiHandle::Kind::object,
                                                    target.processIdentifier, target.object,
                                                    target.object.busName() + target.object.path());
  handle->coordinates = target.coordinates;
  handle->origin = target.origin;
  handle->window = target.window;
  return TonnixAXElement(std::move(handle));
}

TonnixAXResult<AtspiRole> TonnixAtspiElements::role(const TonnixAtspiTarget& target) {
  return connection_.role(target.processIdentifier, target.object);
}

TonnixAXResult<TonnixAtspiObjectRef> TonnixAtspiElements::parent(const TonnixAtspiTarget& target) {
  if (auto kept = TonnixAtspiConnection::keptParent(target.object)) return kept;
  return ask<TonnixAtspiObjectRef>(target, [&](GError** error) {
    return TonnixAtspiObjectRef::adopt(atspi_accessible_get_parent(target.object.get(), error));
  });
}

bool TonnixAtspiElements::hasState(const TonnixAtspiTarget& target, AtspiStateType state) {
  bool result = false;
  // An application that does not answer leaves the result false.
  (void)connection_.call(target.processIdentifier, [&](GError**) {
    auto* states = atspi_accessible_get_state_set(target.object.get());
    if (!states) return;
    result = atspi_state_set_contains(states, state);
    g_object_unref(states);
  });
  return result;
}

// Asked of the object directly: checking first whether it offers the
// component interface may itself wait on a hung application, unbounded.
TonnixAXResult<AtspiRect> TonnixAtspiElements::extents(const TonnixAtspiTarget& target) {
  return ask<AtspiRect>(target, [&](GError** error) {
    AtspiRect result{};
    if (auto* found = atspi_component_get_extents(component(target), target.coordinates, error)) {
      result = *found;
      g_free(found);
    }
    result.x += target.origin.x();
    result.y += target.origin.y();
    return result;
  });
}

TonnixAXResult<std::vector<TonnixAtspiTarget>> TonnixAtspiElements::windows(
    const TonnixAtspiTarget& application) {
  std::vector<TonnixAtspiTarget> windows;
  const auto keepVisibleWindow = [&](const TonnixAtspiObjectRef& child) {
    const TonnixAtspiTarget window{child, application.processIdentifier};
    const auto childRole = role(window);
    if (!childRole || *childRole == ATSPI_ROLE_TOOL_TIP || isAtspiMenuRole(*childRole)) {
      return true;
    }
    if (hasState(window, ATSPI_STATE_VISIBLE)) windows.push_back(window);
    return true;
  };
  TONNIX_TRY(listed, connection_.visitChildren(application.processIdentifier, application.object,
                                               keepVisibleWindow));
  return windows;
}

TonnixAXResult<TonnixAXValue> TonnixAtspiElements::attribute(const TonnixAtspiTarget& target,
                                                             const QString& name) {
  FrameCache frame;
  return attribute(target, name, frame);
}

TonnixAXResult<TonnixAXValue> TonnixAtspiElements::attribute(const TonnixAtspiTarget& target,
                                                             const QString& name,
                                                             FrameCache& frame) {
  namespace Attribute = TonnixAXAttribute;
  if (name == Attribute::role || name == Attribute::subrole) {
    TONNIX_TRY(names, roleNames(target));
    if (name == Attribute::role) return TonnixAXValue(names.role);
    if (const auto frameButton = frameButtonSubrole(target)) return TonnixAXValue(*frameButton);
    if (!names.subrole) return unexpected(TonnixAXError::noValue);
    return TonnixAXValue(*names.subrole);
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
  if (name == Attribute::window) return windowValue(target);
  if (name == Attribute::windows) return windowsValue(target);
  if (name == Attribute::parent) return parentValue(target);
  return unexpected(TonnixAXError::attributeUnsupported);
}

TonnixAXResult<TonnixAtspiRoleNames> TonnixAtspiElements::roleNames(
    const TonnixAtspiTarget& target) {
  TONNIX_TRY(ownRole, role(target));
  if (ownRole == ATSPI_ROLE_INVALID) return unexpected(TonnixAXError::invalidUIElement);
  TonnixAtspiRoleFacts facts;
  facts.role = ownRole;
  if (needsParentRole(facts.role)) {
    TONNIX_TRY(parentObject, parent(target));
    if (parentObject) {
      const auto parentRole = role({parentObject, target.processIdentifier});
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

TonnixAXResult<TonnixAXValue> TonnixAtspiElements::text(const TonnixAtspiTarget& target,
                                                        gchar* (*getter)(AtspiAccessible*,
                                                                         GError**)) {
  const auto read = [&](GError** error) {
    return atspiTakeString(getter(target.object.get(), error));
  };
  TONNIX_TRY(value, ask<QString>(target, read));
  if (value.isEmpty()) return unexpected(TonnixAXError::noValue);
  return TonnixAXValue(value);
}

// The top-level object holding the element: the one whose parent is its
// application.
TonnixAXResult<TonnixAXValue> TonnixAtspiElements::windowValue(const TonnixAtspiTarget& target) {
  if (target.object.isApplicationRoot()) return unexpected(TonnixAXError::noValue);
  if (target.window) {
    // A window is its own window.
    return TonnixAXValue(wrap(TonnixAtspiTarget{target.window, target.processIdentifier,
                                                ATSPI_COORD_TYPE_SCREEN, QPoint(), target.window}));
  }
  TonnixAtspiTarget current = target;
  for (int depth = 0; depth < maximumDepth; ++depth) {
    TONNIX_TRY(up, parent(current));
    if (!up) return unexpected(TonnixAXError::noValue);
    if (up.isApplicationRoot()) return TonnixAXValue(wrap(current.object));
    current.object = up;
  }
  return unexpected(TonnixAXError::noValue);
}

TonnixAXResult<TonnixAXValue> TonnixAtspiElements::windowsValue(const TonnixAtspiTarget& target) {
  if (!target.object.isApplicationRoot()) return unexpected(TonnixAXError::attributeUnsupported);
  TONNIX_TRY(found, windows(target));
  TonnixAXValue::Array values;
  for (const auto& window : found)
    values.emplace_back(wrap(window.object, window.processIdentifier));
  return TonnixAXValue(std::move(values));
}

TonnixAXResult<TonnixAXValue> TonnixAtspiElements::parentValue(const TonnixAtspiTarget& target) {
  if (target.object.isApplicationRoot()) return unexpected(TonnixAXError::noValue);
  TONNIX_TRY(up, parent(target));
  if (!up) return unexpected(TonnixAXError::noValue);
  return TonnixAXValue(wrap(up, target.processIdentifier));
}

TonnixAXResult<TonnixAXValue> TonnixAtspiElements::frameValue(const TonnixAtspiTarget& target,
                                                              const QString& name,
                                                              FrameCache& frame) {
  if (!frame) frame = extents(target);
  TONNIX_TRY(rect, *frame);
  if (name == TonnixAXAttribute::position) {
    return TonnixAXValue(TonnixAXPoint{1.0 * rect.x, 1.0 * rect.y});
  }
  return TonnixAXValue(TonnixAXSize{1.0 * rect.width, 1.0 * rect.height});
}

// A window's default button; any other element has none.
TonnixAXResult<TonnixAXValue> TonnixAtspiElements::defaultButton(const TonnixAtspiTarget& target) {
  if (target.window.get() != target.object.get()) {
    TONNIX_TRY(up, parent(target));
    if (!up || !up.isApplicationRoot()) return unexpected(TonnixAXError::attributeUnsupported);
  }
  TONNIX_TRY(button, findAtspiDefaultButton(connection_, target.processIdentifier, target.object));
  if (!button) return unexpected(TonnixAXError::noValue);
  return TonnixAXValue(wrap(button, target.processIdentifier));
}

// A push button in a title bar the application draws itself.
std::optional<QString> TonnixAtspiElements::frameButtonSubrole(const TonnixAtspiTarget& target) {
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
bool TonnixAtspiElements::isInTitleBar(const TonnixAtspiTarget& target) {
  const auto window = windowValue(target);
  if (!window || !window->as<TonnixAXElement>()) return false;
  const auto* handle = window->as<TonnixAXElement>()->handleAs<TonnixAtspiHandle>();
  if (!handle) return false;
  const auto button = extents(target);
  const auto frame =
      extents({handle->object, target.processIdentifier, target.coordinates, target.origin});
  return button && frame && button->y - frame->y < titleBarReach;
}

QString atspiTakeString(gchar* text) {
  auto result = QString::fromUtf8(text);
  g_free(text);
  return result;
}
