#include "platform/linux/atspi_event_mapping.h"

#include <utility>
#include <vector>

#include "platform/accessibility.h"
#include "platform/linux/atspi_roles.h"

namespace {

namespace Note = TonnixAXNotification;

// Remembered elements per set, and applications remembered at once.
constexpr std::size_t keyLimit = 256;

const QString windowCreate = QStringLiteral("window:create");
const QString windowDestroy = QStringLiteral("window:destroy");
const QString windowActivate = QStringLiteral("window:activate");
const QString windowMinimize = QStringLiteral("window:minimize");
const QString windowRestore = QStringLiteral("window:restore");
const QString windowMove = QStringLiteral("window:move");
const QString windowResize = QStringLiteral("window:resize");
const QString showing = QStringLiteral("object:state-changed:showing");
const QString visible = QStringLiteral("object:state-changed:visible");
const QString defunct = QStringLiteral("object:state-changed:defunct");
const QString iconified = QStringLiteral("object:state-changed:iconified");
const QString selectedState = QStringLiteral("object:state-changed:selected");
const QString focusedState = QStringLiteral("object:state-changed:focused");
const QString expandedState = QStringLiteral("object:state-changed:expanded");
const QString checkedState = QStringLiteral("object:state-changed:checked");
const QString pressedState = QStringLiteral("object:state-changed:pressed");
const QString selectionChangedType = QStringLiteral("object:selection-changed");
const QString valueChanged = QStringLiteral("object:value-changed");
const QString valueProperty = QStringLiteral("object:property-change:accessible-value");
const QString textSelectionChanged = QStringLiteral("object:text-selection-changed");
const QString childAdded = QStringLiteral("object:children-changed:add");
const QString childRemoved = QStringLiteral("object:children-changed:remove");
const QString expandableState = QStringLiteral("object:state-changed:expandable");

// Which notifications each AT-SPI event type can produce. The translation
// rules below decide which of them one event does produce.
const std::vector<std::pair<QString, QStringList>>& candidatesByType() {
  static const std::vector<std::pair<QString, QStringList>> table{
      {windowCreate, {Note::windowCreated, Note::helpTagCreated, Note::menuOpened}},
      {windowDestroy, {Note::uiElementDestroyed, Note::menuClosed}},
      {windowActivate,
       {Note::focusedWindowChanged, Note::mainWindowChanged, Note::applicationActivated,
        Note::windowCreated, Note::uiElementDestroyed}},
      {windowMinimize, {Note::windowMiniaturized}},
      {windowRestore, {Note::windowDeminiaturized}},
      {windowMove, {Note::windowMoved}},
      {windowResize, {Note::windowResized}},
      {showing,
       {Note::windowCreated, Note::helpTagCreated, Note::menuOpened, Note::menuClosed,
        Note::uiElementDestroyed}},
      {visible, {Note::uiElementDestroyed}},
      {defunct, {Note::uiElementDestroyed}},
      {iconified, {Note::windowMiniaturized, Note::windowDeminiaturized}},
      {selectedState, {Note::menuOpened, Note::menuClosed, Note::menuItemSelected}},
      {focusedState,
       {Note::menuItemSelected, Note::focusedUIElementChanged, Note::menuOpened, Note::menuClosed}},
      {expandedState, {Note::rowExpanded, Note::rowCollapsed, Note::menuOpened, Note::menuClosed}},
      {selectionChangedType, {Note::selectedRowsChanged, Note::selectedChildrenChanged}},
      {valueChanged, {Note::valueChanged}},
      // A check box's value is whether it is checked, a toggle button's
      // (GTK 4) whether it is pressed; GTK 4's drop-down holds its button
      // pressed while its list is open.
      {checkedState, {Note::valueChanged}},
      {pressedState, {Note::valueChanged, Note::menuOpened, Note::menuClosed}},
      {valueProperty, {Note::valueChanged}},
      {textSelectionChanged, {Note::selectedTextChanged}},
      {childAdded, {Note::created}},
      {childRemoved, {Note::menuClosed}},
      {expandableState, {Note::menuClosed}},
  };
  return table;
}

const QStringList* candidatesFor(const QString& type) {
  for (const auto& [eventType, candidates] : candidatesByType()) {
    if (eventType == type) return &candidates;
  }
  return nullptr;
}

bool anyWanted(const QStringList& names, const TonnixAtspiEventTranslator::Wants& wants) {
  for (const auto& name : names) {
    if (wants(name)) return true;
  }
  return false;
}

bool isRowRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_TABLE_CELL:
    case ATSPI_ROLE_TABLE_ROW:
    case ATSPI_ROLE_TREE_ITEM:
    case ATSPI_ROLE_LIST_ITEM:
      return true;
    default:
      return false;
  }
}

bool isTableRole(AtspiRole role) {
  return role == ATSPI_ROLE_TABLE || role == ATSPI_ROLE_TREE_TABLE || role == ATSPI_ROLE_TREE;
}

// An item inside an open menu: a menu item anywhere but in a menu bar (GTK 4
// puts a popover menu's items in panels), or the title of a submenu. The
// parent is asked only of menus and their items.
bool isItemInMenu(TonnixAtspiEventSource& source) {
  const auto role = source.role();
  if (isAtspiMenuItemRole(role)) return source.parentRole() != ATSPI_ROLE_MENU_BAR;
  return role == ATSPI_ROLE_MENU && isAtspiMenuRole(source.parentRole());
}

}  // namespace

bool TonnixAtspiEventTranslator::KeySet::insert(const QString& key) {
  if (keys_.contains(key)) return false;
  if (order_.size() >= keyLimit) {
    keys_.remove(order_.front());
    order_.pop_front();
  }
  keys_.insert(key, 0);
  order_.push_back(key);
  return true;
}

QString TonnixAtspiEventTranslator::KeySet::firstMissing(const QStringList& present) const {
  for (const auto& key : order_) {
    if (!present.contains(key)) return key;
  }
  return {};
}

bool TonnixAtspiEventTranslator::KeySet::remove(const QString& key) {
  if (!keys_.remove(key)) return false;
  std::erase(order_, key);
  return true;
}

QStringList TonnixAtspiEventTranslator::atspiEventTypes(const QString& notification) {
  QStringList types;
  for (const auto& [eventType, candidates] : candidatesByType()) {
    if (candidates.contains(notification)) types.append(eventType);
  }
  return types;
}

QStringList TonnixAtspiEventTranslator::producedNotifications() {
  QStringList names;
  for (const auto& [eventType, candidates] : candidatesByType()) {
    for (const auto& name : candidates) {
      if (!names.contains(name)) names.append(name);
    }
  }
  return names;
}

void TonnixAtspiEventTranslator::beginBatch() {
  batchRowNotifications_.clear();
}

void TonnixAtspiEventTranslator::forgetApplication(const QString& applicationKey) {
  browsers_.forgetApplication(applicationKey);
  applications_.remove(applicationKey);
}

QStringList TonnixAtspiEventTranslator::translate(const TonnixAtspiEvent& event,
                                                  TonnixAtspiEventSource& source,
                                                  const Wants& wants) {
  const auto* candidates = candidatesFor(event.type);
  if (!candidates) return {};
  if (!anyWanted(*candidates, wants)) {
    noteActivation(event);
    return {};
  }
  auto browser = browsers_.translate(event, source);
  if (browser.names.contains(Note::menuClosed)) {
    application(event.applicationKey).litMenuItem.clear();
  }
  if (browser.isQuietActivation) noteActivation(event);
  if (browser.isWhole) return browser.names;
  return browser.names + translateOrdinary(event, source, wants);
}

QStringList TonnixAtspiEventTranslator::translateOrdinary(const TonnixAtspiEvent& event,
                                                          TonnixAtspiEventSource& source,
                                                          const Wants& wants) {
  const auto& type = event.type;
  const bool on = event.detail1 != 0;
  if (type == windowCreate || (type == showing && on)) return shown(event, source, wants);
  if (type == windowDestroy || type == showing || (type == visible && !on) ||
      (type == defunct && on)) {
    return hidden(event, source, wants);
  }
  if (type == windowActivate) return activated(event, source, wants);
  if (type == windowMinimize || (type == iconified && on)) return minimized(event, true);
  if (type == windowRestore || type == iconified) return minimized(event, false);
  if (type == windowMove) return {Note::windowMoved};
  if (type == windowResize) return {Note::windowResized};
  if (type == selectedState) return selected(event, source);
  if (type == focusedState && on) return focused(event, source, wants);
  if (type == expandedState) return expanded(event, source, wants);
  if (type == selectionChangedType) return selectionChanged(source);
  if (type == pressedState) return pressed(event, source);
  if (type == valueChanged || type == valueProperty || type == checkedState) {
    return {Note::valueChanged};
  }
  if (type == textSelectionChanged) return {Note::selectedTextChanged};
  if (type == childAdded) return {Note::created};
  if (type == childRemoved || (type == expandableState && !on)) return popoverHidden(event);
  return {};
}

// Something appeared: a window (GTK says window:create, Qt only that a
// top-level object is showing), a help tag, or a pop-up menu.
QStringList TonnixAtspiEventTranslator::shown(const TonnixAtspiEvent& event,
                                              TonnixAtspiEventSource& source, const Wants& wants) {
  auto& app = application(event.applicationKey);
  const auto role = source.role();
  if (role == ATSPI_ROLE_TOOL_TIP) {
    if (!app.openHelpTags.insert(event.elementKey)) return {};
    return {Note::helpTagCreated};
  }
  // Qt's pop-up menus show themselves; menus inside windows show with them.
  if (role == ATSPI_ROLE_POPUP_MENU) {
    if (!app.openMenus.insert(event.elementKey)) return {};
    return {Note::menuOpened};
  }
  const bool isCreate = event.type == windowCreate;
  if (isCreate && role == ATSPI_ROLE_WINDOW && source.holdsMenu()) {
    if (!app.openMenus.insert(event.elementKey)) return {};
    return {Note::menuOpened};
  }
  if (isAtspiMenuRole(role) || role == ATSPI_ROLE_APPLICATION) return {};
  const auto parentRole = source.parentRole();
  // Qt shows a combo box's list (its parent the combo box), then the window
  // holding it.
  if (role == ATSPI_ROLE_LIST && parentRole == ATSPI_ROLE_COMBO_BOX) {
    app.openPopUpList = event.elementKey;
    if (!app.openMenus.insert(event.elementKey)) return {};
    return {Note::menuOpened};
  }
  if (!isCreate && parentRole != ATSPI_ROLE_APPLICATION) return {};
  if (!wants(Note::windowCreated) || app.popUpWindows.contains(event.elementKey)) return {};
  if (!isCreate && source.holdsMenu()) {
    app.popUpWindows.insert(event.elementKey);
    return {};
  }
  if (!app.openWindows.insert(event.elementKey)) return {};
  return {Note::windowCreated};
}

// Something went away. A window or help tag that hides counts as
// destroyed: toolkits hide and reuse them (Qt keeps a closed dialog until
// its owner goes), and the close sound belongs to the closing.
QStringList TonnixAtspiEventTranslator::hidden(const TonnixAtspiEvent& event,
                                               TonnixAtspiEventSource& source, const Wants& wants) {
  auto& app = application(event.applicationKey);
  const auto& key = event.elementKey;
  if (wants(Note::windowCreated) && isOpening(event, source)) {
    if (!app.openWindows.insert(key)) return {};
    return {Note::windowCreated};
  }
  if (app.popUpWindows.contains(key)) return {};
  QStringList names;
  const bool wasMenu = app.openMenus.remove(key);
  if (wasMenu && event.type != visible && event.type != defunct) names.append(Note::menuClosed);
  if (wasMenu) app.litMenuItem.clear();
  if (app.openPopUpList == key) app.openPopUpList.clear();
  const bool wasWindow = app.openWindows.remove(key);
  const bool wasHelpTag = app.openHelpTags.remove(key);
  app.minimizedWindows.remove(key);
  app.menuOwners.remove(key);
  if (app.litMenuItem == key) app.litMenuItem.clear();
  if (!wasMenu && !wasWindow && !wasHelpTag && event.type == showing) {
    if (auto around = closedAround(app, source, wants); !around.isEmpty()) return around;
  }
  if (wasMenu || !wants(Note::uiElementDestroyed)) return names;
  const bool isGone = event.type == windowDestroy || event.type == defunct;
  if (isGone || wasWindow || wasHelpTag) {
    names.append(Note::uiElementDestroyed);
    return names;
  }
  // A window remembered before it was seen opening.
  const auto role = source.role();
  if (role == ATSPI_ROLE_TOOL_TIP ||
      (!isAtspiMenuRole(role) && source.parentRole() == ATSPI_ROLE_APPLICATION)) {
    names.append(Note::uiElementDestroyed);
  }
  return names;
}

// Qt announces its window again after every menu; only a change of window
// is heard. GTK 4 activates the window holding a popover menu it has just
// opened (again, on X11, where the popover took the keyboard first): the
// window a person is in did not change, it may only be the first time its
// activation is heard.
QStringList TonnixAtspiEventTranslator::activated(const TonnixAtspiEvent& event,
                                                  TonnixAtspiEventSource& source,
                                                  const Wants& wants) {
  // GTK 4 opens its menus in popovers, never in windows of their own.
  if (!source.announcesEveryMenu() && source.role() == ATSPI_ROLE_WINDOW && source.holdsMenu()) {
    return {};
  }
  if (!application(event.applicationKey).menuOwners.isEmpty()) {
    noteActivation(event);
    return {};
  }
  if (event.elementKey == activeWindow_) return {};
  activeWindow_ = event.elementKey;
  if (auto closed = closedBefore(event, source, wants); !closed.isEmpty()) {
    activeApplication_ = event.applicationKey;
    return closed;
  }
  QStringList names{Note::focusedWindowChanged, Note::mainWindowChanged};
  if (event.applicationKey != activeApplication_) names.append(Note::applicationActivated);
  activeApplication_ = event.applicationKey;
  return names;
}

void TonnixAtspiEventTranslator::noteActivation(const TonnixAtspiEvent& event) {
  if (event.type != windowActivate) return;
  activeWindow_ = event.elementKey;
  activeApplication_ = event.applicationKey;
}

QStringList TonnixAtspiEventTranslator::minimized(const TonnixAtspiEvent& event, bool isMinimized) {
  auto& windows = application(event.applicationKey).minimizedWindows;
  if (isMinimized) {
    if (!windows.insert(event.elementKey)) return {};
    return {Note::windowMiniaturized};
  }
  if (!windows.remove(event.elementKey)) return {};
  return {Note::windowDeminiaturized};
}

// GTK 3 selects a menu bar title while its menu is open, and selects the
// items of an open menu as the pointer or the keys move over them. Where
// every menu is announced, nothing selected is in a menu while none is open.
QStringList TonnixAtspiEventTranslator::selected(const TonnixAtspiEvent& event,
                                                 TonnixAtspiEventSource& source) {
  if (!mayLightItem(event, source)) return {};
  auto& app = application(event.applicationKey);
  const auto role = source.role();
  if (role == ATSPI_ROLE_MENU && source.parentRole() == ATSPI_ROLE_MENU_BAR) {
    if (event.detail1 != 0) {
      if (!app.openMenus.insert(event.elementKey)) return {};
      return {Note::menuOpened};
    }
    if (!app.openMenus.remove(event.elementKey)) return {};
    return {Note::menuClosed};
  }
  if (event.detail1 == 0) {
    if (app.litMenuItem == event.elementKey) app.litMenuItem.clear();
    return {};
  }
  if (!isItemInMenu(source) && !isPopUpListItem(event, role)) return {};
  return menuItemLit(event, source);
}

// A top-level window Qt deletes (rather than closes) announces nothing
// itself, only its children hiding: either they still name it as their
// parent and it no longer answers, or, gone with it by the time their event
// is handled, they name no parent and it has left the application.
QStringList TonnixAtspiEventTranslator::closedAround(Application& app,
                                                     TonnixAtspiEventSource& source,
                                                     const Wants& wants) {
  if (app.openWindows.isEmpty()) return {};
  QString closed;
  if (const auto parent = source.parentKey(); !parent.isEmpty()) {
    if (app.openWindows.contains(parent) && source.isParentGone()) closed = parent;
  } else if (const auto present = source.topLevelKeys()) {
    closed = app.openWindows.firstMissing(*present);
  }
  if (closed.isEmpty()) return {};
  app.openWindows.remove(closed);
  source.reportFor(closed);
  if (!wants(Note::uiElementDestroyed)) return {};
  return {Note::uiElementDestroyed};
}

// Qt 6 deletes a window that has no parent and no children without a word:
// the window it leaves active is activated next, and the deleted one has
// left the application. That activation is the closing, heard as such.
QStringList TonnixAtspiEventTranslator::closedBefore(const TonnixAtspiEvent& event,
                                                     TonnixAtspiEventSource& source,
                                                     const Wants& wants) {
  auto& app = application(event.applicationKey);
  if (source.announcesEveryClosing() || app.openWindows.isEmpty() ||
      (app.openWindows.size() == 1 && app.openWindows.contains(event.elementKey))) {
    return {};
  }
  const auto present = source.topLevelKeys();
  if (!present) return {};
  const auto closed = app.openWindows.firstMissing(*present);
  if (closed.isEmpty()) return {};
  app.openWindows.remove(closed);
  source.reportFor(closed);
  if (!wants(Note::uiElementDestroyed)) return {};
  return {Note::uiElementDestroyed};
}

// Qt moves the focus through an open menu's items; GTK 3 focuses the item
// it has just selected, which is heard once.
QStringList TonnixAtspiEventTranslator::focused(const TonnixAtspiEvent& event,
                                                TonnixAtspiEventSource& source,
                                                const Wants& wants) {
  QStringList names;
  if (wants(Note::menuItemSelected) && mayLightItem(event, source) &&
      (isPopUpListItem(event, source.role()) || isItemInMenu(source))) {
    names += menuItemLit(event, source);
  }
  if (wants(Note::focusedUIElementChanged)) names.append(Note::focusedUIElementChanged);
  return names;
}

// Qt's pop-up list holds the keyboard while it is open: a list item focused
// or selected in its application then is one of its items.
bool TonnixAtspiEventTranslator::isPopUpListItem(const TonnixAtspiEvent& event, AtspiRole role) {
  if (role != ATSPI_ROLE_LIST_ITEM) return false;
  return !application(event.applicationKey).openPopUpList.isEmpty();
}

QStringList TonnixAtspiEventTranslator::menuItemLit(const TonnixAtspiEvent& event,
                                                    TonnixAtspiEventSource& source) {
  auto& app = application(event.applicationKey);
  // GTK 4 focuses a popover's item before it tells that the menu opened,
  // and again as its window is activated after the menu closed: an item of
  // a popover while no menu of its application is open is no lit item.
  if (app.menuOwners.isEmpty() && app.openMenus.isEmpty() &&
      !isAtspiMenuRole(source.parentRole())) {
    return {};
  }
  if (app.litMenuItem == event.elementKey) return {};
  app.litMenuItem = event.elementKey;
  return {Note::menuItemSelected};
}

// Whether an item focused or selected now may be a lit menu item: not
// where every menu is announced and none of the application's is open.
bool TonnixAtspiEventTranslator::mayLightItem(const TonnixAtspiEvent& event,
                                              TonnixAtspiEventSource& source) {
  const auto& app = application(event.applicationKey);
  return !app.menuOwners.isEmpty() || !app.openMenus.isEmpty() || !app.openPopUpList.isEmpty() ||
         !source.announcesEveryMenu();
}

// GTK 4.8 announces a top-level window it shows as "showing" switched off,
// with the window still visible: the window is opening, not closing.
bool TonnixAtspiEventTranslator::isOpening(const TonnixAtspiEvent& event,
                                           TonnixAtspiEventSource& source) {
  if (event.type != showing || event.detail1 != 0) return false;
  const auto& app = application(event.applicationKey);
  const auto& key = event.elementKey;
  if (app.openWindows.contains(key) || app.openMenus.contains(key) ||
      app.openHelpTags.contains(key)) {
    return false;
  }
  if (source.isShownWindow()) return true;
  const auto role = source.role();
  if (role == ATSPI_ROLE_TOOL_TIP || isAtspiMenuRole(role) || role == ATSPI_ROLE_APPLICATION) {
    return false;
  }
  return source.parentRole() == ATSPI_ROLE_APPLICATION && source.hasState(ATSPI_STATE_VISIBLE);
}

QStringList TonnixAtspiEventTranslator::expanded(const TonnixAtspiEvent& event,
                                                 TonnixAtspiEventSource& source,
                                                 const Wants& wants) {
  if (event.detail1 == 0 &&
      application(event.applicationKey).menuOwners.contains(event.elementKey)) {
    return popoverHidden(event);
  }
  if (!isRowRole(source.role())) {
    if (event.detail1 == 0 || !wants(Note::menuOpened)) return {};
    return popoverShown(event, source);
  }
  if (!wants(Note::rowExpanded) && !wants(Note::rowCollapsed)) return {};
  const auto& name = event.detail1 != 0 ? Note::rowExpanded : Note::rowCollapsed;
  const auto batchKey = event.applicationKey + u'\n' + name;
  if (batchRowNotifications_.contains(batchKey)) return {};
  batchRowNotifications_.append(batchKey);
  return {name};
}

// GTK 4 expands the owner of a popover menu while the menu is open: a menu
// button or a menu bar title, with the menu among its children. GTK 4.8
// sets no has-popup state, and calls both an expander and a menu button
// expandable.
QStringList TonnixAtspiEventTranslator::popoverShown(const TonnixAtspiEvent& event,
                                                     TonnixAtspiEventSource& source) {
  const auto role = source.role();
  if (role != ATSPI_ROLE_PUSH_BUTTON && role != ATSPI_ROLE_MENU_ITEM) return {};
  if (!source.ownsMenu()) return {};
  auto& app = application(event.applicationKey);
  if (!app.menuOwners.insert(event.elementKey)) return {};
  return {Note::menuOpened};
}

// GTK 4.8 collapses a menu bar title when its menu closes, but a menu
// button only loses the popover from its children, and is no longer
// expandable at all (sometimes only that).
QStringList TonnixAtspiEventTranslator::popoverHidden(const TonnixAtspiEvent& event) {
  auto& app = application(event.applicationKey);
  if (!app.menuOwners.remove(event.elementKey)) return {};
  app.litMenuItem.clear();
  return {Note::menuClosed};
}

// GTK 4's drop-down announces its list only by holding its own button
// pressed while the list is open: the list is a menu, as every toolkit's
// pop-up list is, and it holds the keyboard as Qt's does.
QStringList TonnixAtspiEventTranslator::pressed(const TonnixAtspiEvent& event,
                                                TonnixAtspiEventSource& source) {
  QStringList names{Note::valueChanged};
  if (source.role() != ATSPI_ROLE_PUSH_BUTTON && source.role() != ATSPI_ROLE_TOGGLE_BUTTON) {
    return names;
  }
  if (source.parentRole() != ATSPI_ROLE_COMBO_BOX) return names;
  auto& app = application(event.applicationKey);
  const auto& key = event.elementKey;
  if (event.detail1 != 0) {
    app.openPopUpList = key;
    if (app.openMenus.insert(key)) names.prepend(Note::menuOpened);
    return names;
  }
  if (app.openPopUpList == key) app.openPopUpList.clear();
  if (app.openMenus.remove(key)) {
    app.litMenuItem.clear();
    names.prepend(Note::menuClosed);
  }
  return names;
}

// Selection inside menus is heard as lit menu items instead.
QStringList TonnixAtspiEventTranslator::selectionChanged(TonnixAtspiEventSource& source) {
  const auto role = source.role();
  if (isTableRole(role)) return {Note::selectedRowsChanged};
  if (isAtspiMenuRole(role) || role == ATSPI_ROLE_MENU_BAR) return {};
  return {Note::selectedChildrenChanged};
}
