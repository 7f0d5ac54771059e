#include "events/click_resolver.h"

#include <QCoreApplication>
#include <QScopeGuard>

namespace {

const QStringList& elementAttributeNames() {
  static const QStringList names{TonnixAXAttribute::role, TonnixAXAttribute::subrole,
                                 TonnixAXAttribute::position, TonnixAXAttribute::size,
                                 TonnixAXAttribute::window};
  return names;
}

// Only a button can be its window's default or cancel button, and finding
// them may cost the application a search of the whole window.
const QStringList& windowAttributeNames(bool isButton) {
  static const QStringList buttonNames{TonnixAXAttribute::subrole, TonnixAXAttribute::defaultButton,
                                       TonnixAXAttribute::cancelButton};
  static const QStringList otherNames{TonnixAXAttribute::subrole};
  return isButton ? buttonNames : otherNames;
}

// Menus sound through their own notifications, so clicks on them never do.
bool isMenuRole(const QString& role) {
  return role == TonnixAXRole::menu || role == TonnixAXRole::menuItem ||
         role == TonnixAXRole::menuBar || role == TonnixAXRole::menuBarItem;
}

template <typename T>
std::optional<T> valueAs(const TonnixAXValue& value) {
  const T* typed = value.as<T>();
  if (!typed) return std::nullopt;
  return *typed;
}

// Only both together make a frame; either alone is no better than neither.
std::optional<QRectF> frameOf(const TonnixAXValue& position, const TonnixAXValue& size) {
  const auto* origin = position.as<TonnixAXPoint>();
  const auto* extent = size.as<TonnixAXSize>();
  if (!origin || !extent) return std::nullopt;
  return QRectF(origin->x, origin->y, extent->width, extent->height);
}

bool sameElement(const std::optional<TonnixAXElement>& candidate, const TonnixAXElement& element) {
  return candidate && *candidate == element;
}

struct ControlFacts {
  const QString& role;
  const std::optional<QString>& subrole;
  bool isDefault;
  bool isCancel;
  bool isTab;
  bool isUtilityWindow;
};

std::optional<TonnixControlKind> windowWidgetKind(const ControlFacts& facts) {
  if (!facts.subrole) return std::nullopt;
  const QString& subrole = *facts.subrole;
  const bool utility = facts.isUtilityWindow;
  if (subrole == TonnixAXSubrole::closeButton) {
    return utility ? TonnixControlKind::utilityWindowClose : TonnixControlKind::windowClose;
  }
  if (subrole == TonnixAXSubrole::zoomButton || subrole == TonnixAXSubrole::fullScreenButton) {
    return utility ? TonnixControlKind::utilityWindowZoom : TonnixControlKind::windowZoom;
  }
  if (subrole == TonnixAXSubrole::minimizeButton) {
    return utility ? TonnixControlKind::utilityWindowCollapse : TonnixControlKind::windowCollapse;
  }
  if (subrole == TonnixAXSubrole::incrementArrow) return TonnixControlKind::littleArrowUp;
  if (subrole == TonnixAXSubrole::decrementArrow) return TonnixControlKind::littleArrowDown;
  return std::nullopt;
}

TonnixControlKind buttonKind(const ControlFacts& facts) {
  if (facts.isDefault) return TonnixControlKind::defaultButton;
  if (facts.isCancel) return TonnixControlKind::cancelButton;
  if (facts.subrole && (*facts.subrole == TonnixAXSubrole::toggle ||
                        *facts.subrole == TonnixAXSubrole::switchSubrole)) {
    return TonnixControlKind::checkbox;
  }
  return TonnixControlKind::button;
}

// Subroles first, so a window widget is known by its subrole whatever its
// role; then roles. The first rule that applies wins.
TonnixControlKind classify(const ControlFacts& facts) {
  if (const auto widget = windowWidgetKind(facts)) return *widget;
  const QString& role = facts.role;
  if (role == TonnixAXRole::button) return buttonKind(facts);
  if (role == TonnixAXRole::checkBox) return TonnixControlKind::checkbox;
  if (role == TonnixAXRole::radioButton) {
    return facts.isTab ? TonnixControlKind::tab : TonnixControlKind::radio;
  }
  if (role == TonnixAXRole::popUpButton || role == TonnixAXRole::menuButton ||
      role == TonnixAXRole::comboBox) {
    return TonnixControlKind::popUp;
  }
  if (role == TonnixAXRole::disclosureTriangle) return TonnixControlKind::disclosure;
  if (role == TonnixAXRole::incrementor) return TonnixControlKind::littleArrowUp;
  if (role == TonnixAXRole::scrollBar) return TonnixControlKind::scrollTrack;
  if (role == TonnixAXRole::slider || role == TonnixAXRole::valueIndicator) {
    return TonnixControlKind::sliderTrack;
  }
  return TonnixControlKind::genericClick;
}

}  // namespace

TonnixClickResolver::TonnixClickResolver(TonnixAccessibility& accessibility,
                                         TonnixWorkspace& workspace, ExclusionTest isExcluded,
                                         std::int32_t hostProcessIdentifier)
    : accessibility_(accessibility),
      workspace_(workspace),
      isExcluded_(std::move(isExcluded)),
      systemWideElement_(accessibility.systemWideElement()),
      hostProcessIdentifier_(hostProcessIdentifier) {
  // Hit testing goes through the system-wide element, so its time-out bounds
  // how long a hung application can hold up the press. A positive time-out
  // on the system-wide element is never refused.
  (void)accessibility_.setMessagingTimeout(systemWideElement_, messagingTimeout);
}

std::int32_t TonnixClickResolver::currentProcessIdentifier() {
  return static_cast<std::int32_t>(QCoreApplication::applicationPid());
}

std::optional<TonnixClickResolver::Resolution> TonnixClickResolver::resolve(QPointF point) {
  accessibility_.setRequestBound(messagingTimeout);
  const auto unbound = qScopeGuard([this] { accessibility_.setRequestBound(std::nullopt); });
  wasUnanswered_ = false;
  auto element = accessibility_.elementAtPosition(systemWideElement_, static_cast<float>(point.x()),
                                                  static_cast<float>(point.y()));
  if (!element) return std::nullopt;
  const auto processIdentifier = accessibility_.processIdentifier(*element);
  if (!processIdentifier || *processIdentifier == hostProcessIdentifier_) return std::nullopt;
  const ProcessIdentity owner = identity(*processIdentifier);

  ElementAttributes attributes = elementAttributes(*element);
  if (attributes.role && isMenuRole(*attributes.role)) {
    const auto popUp = popUpUnderMenu(*element, point);
    if (!popUp) return std::nullopt;
    *element = *popUp;
    attributes = elementAttributes(*element);
  }
  if (!attributes.role) return std::nullopt;

  const WindowAttributes window = windowAttributes(attributes.window.value_or(*element),
                                                   *attributes.role == TonnixAXRole::button);
  const bool isUtilityWindow =
      window.subrole && (*window.subrole == TonnixAXSubrole::floatingWindow ||
                         *window.subrole == TonnixAXSubrole::systemFloatingWindow);
  const ControlFacts facts{*attributes.role,
                           attributes.subrole,
                           sameElement(window.defaultButton, *element),
                           sameElement(window.cancelButton, *element),
                           isTab(*element, attributes),
                           isUtilityWindow};
  return Resolution{
      TonnixClickTarget{classify(facts), attributes.frame, *processIdentifier, owner.name},
      owner.bundleIdentifier, !wasUnanswered_};
}

std::optional<TonnixClickTarget> TonnixClickResolver::accept(
    const std::optional<Resolution>& resolution) const {
  if (!resolution) return std::nullopt;
  const auto& bundleIdentifier = resolution->bundleIdentifier;
  if (bundleIdentifier && isExcluded_ && isExcluded_(*bundleIdentifier)) return std::nullopt;
  if (resolution->target.kind == TonnixControlKind::genericClick && !playsGenericClick_) {
    return std::nullopt;
  }
  return resolution->target;
}

TonnixClickResolver::ProcessIdentity TonnixClickResolver::identity(std::int32_t processIdentifier) {
  if (const auto cached = identities_.find(processIdentifier); cached != identities_.end()) {
    return cached->second;
  }
  ProcessIdentity identity;
  if (const auto application = workspace_.runningApplication(processIdentifier)) {
    identity = {application->localizedName, application->bundleIdentifier};
  }
  identities_.emplace(processIdentifier, identity);
  return identity;
}

std::vector<TonnixAXValue> TonnixClickResolver::readAttributes(const TonnixAXElement& element,
                                                               const QStringList& names) {
  auto batch = noted(accessibility_.attributeValues(element, names));
  if (batch && batch->size() == static_cast<std::size_t>(names.size())) return std::move(*batch);
  // The batch failed or lost track of which value is which: ask one by one.
  std::vector<TonnixAXValue> values;
  values.reserve(static_cast<std::size_t>(names.size()));
  for (const QString& name : names) {
    auto value = noted(accessibility_.attributeValue(element, name));
    values.push_back(value ? std::move(*value) : TonnixAXValue());
  }
  return values;
}

TonnixClickResolver::ElementAttributes TonnixClickResolver::elementAttributes(
    const TonnixAXElement& element) {
  const auto values = readAttributes(element, elementAttributeNames());
  return {valueAs<QString>(values[0]), valueAs<QString>(values[1]), frameOf(values[2], values[3]),
          valueAs<TonnixAXElement>(values[4])};
}

TonnixClickResolver::WindowAttributes TonnixClickResolver::windowAttributes(
    const TonnixAXElement& window, bool isButton) {
  const auto values = readAttributes(window, windowAttributeNames(isButton));
  if (!isButton) return {valueAs<QString>(values[0]), std::nullopt, std::nullopt};
  return {valueAs<QString>(values[0]), valueAs<TonnixAXElement>(values[1]),
          valueAs<TonnixAXElement>(values[2])};
}

// A menu item, its menu, then the menu's owner; a menu of a menu bar or of
// another menu has none that counts.
std::optional<TonnixAXElement> TonnixClickResolver::popUpUnderMenu(const TonnixAXElement& element,
                                                                   QPointF point) {
  constexpr int ancestorLimit = 3;
  TonnixAXElement current = element;
  for (int step = 0; step < ancestorLimit; ++step) {
    const auto parentValue =
        noted(accessibility_.attributeValue(current, TonnixAXAttribute::parent));
    if (!parentValue || !parentValue->as<TonnixAXElement>()) return std::nullopt;
    current = *parentValue->as<TonnixAXElement>();
    const ElementAttributes parent = elementAttributes(current);
    if (!parent.role || !isMenuRole(*parent.role)) {
      const bool isPopUp =
          parent.role == TonnixAXRole::popUpButton || parent.role == TonnixAXRole::comboBox;
      if (!isPopUp || !parent.frame || !parent.frame->contains(point)) return std::nullopt;
      return current;
    }
  }
  return std::nullopt;
}

// A radio button is a tab only directly inside a tab group; any failure on
// the way makes it a plain radio button.
bool TonnixClickResolver::isTab(const TonnixAXElement& element,
                                const ElementAttributes& attributes) {
  if (attributes.role != TonnixAXRole::radioButton) return false;
  const auto parentValue = noted(accessibility_.attributeValue(element, TonnixAXAttribute::parent));
  if (!parentValue) return false;
  const auto* parent = parentValue->as<TonnixAXElement>();
  if (!parent) return false;
  const auto parentRole = noted(accessibility_.attributeValue(*parent, TonnixAXAttribute::role));
  if (!parentRole) return false;
  const auto* role = parentRole->as<QString>();
  return role && *role == TonnixAXRole::tabGroup;
}

// Menus sound through their own notifications, so a focused menu item is
// no click either.
std::optional<TonnixClickTarget> TonnixClickResolver::target(const TonnixAXElement& element) {
  const auto processIdentifier = accessibility_.processIdentifier(element);
  if (!processIdentifier || *processIdentifier == hostProcessIdentifier_) return std::nullopt;
  const ProcessIdentity owner = identity(*processIdentifier);
  if (owner.bundleIdentifier && isExcluded_ && isExcluded_(*owner.bundleIdentifier)) {
    return std::nullopt;
  }
  const ElementAttributes attributes = elementAttributes(element);
  if (!attributes.role || isMenuRole(*attributes.role)) return std::nullopt;
  const WindowAttributes window = windowAttributes(attributes.window.value_or(element),
                                                   *attributes.role == TonnixAXRole::button);
  const bool isUtilityWindow =
      window.subrole && (*window.subrole == TonnixAXSubrole::floatingWindow ||
                         *window.subrole == TonnixAXSubrole::systemFloatingWindow);
  const TonnixControlKind kind = classify(
      {*attributes.role, attributes.subrole, sameElement(window.defaultButton, element),
       sameElement(window.cancelButton, element), isTab(element, attributes), isUtilityWindow});
  if (kind == TonnixControlKind::genericClick && !playsGenericClick_) return std::nullopt;
  return TonnixClickTarget{kind, std::nullopt, *processIdentifier, owner.name};
}

std::optional<TonnixClickTarget> TonnixClickResolver::unidentifiedTarget(
    std::int32_t processIdentifier) {
  if (!playsGenericClick_ || processIdentifier == hostProcessIdentifier_) return std::nullopt;
  if (processIdentifier < 1) return TonnixClickTarget{};
  const ProcessIdentity owner = identity(processIdentifier);
  if (owner.bundleIdentifier && isExcluded_ && isExcluded_(*owner.bundleIdentifier)) {
    return std::nullopt;
  }
  return TonnixClickTarget{TonnixControlKind::genericClick, std::nullopt, processIdentifier,
                           owner.name};
}
