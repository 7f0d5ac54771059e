#include "platform/linux/atspi_roles.h"

#include <QHash>

#include "platform/accessibility.h"

namespace {

struct Names {
  const char* role;
  const char* subrole = nullptr;
};

// AT-SPI roles whose classic name does not depend on where they sit. The
// rest (windows, menus, menu items, toggles, text) are decided in code.
const QHash<int, Names>& fixedNames() {
  static const QHash<int, Names> names{
      {ATSPI_ROLE_PUSH_BUTTON, {"AXButton"}},
      {ATSPI_ROLE_PUSH_BUTTON_MENU, {"AXMenuButton"}},
      {ATSPI_ROLE_CHECK_BOX, {"AXCheckBox"}},
      {ATSPI_ROLE_RADIO_BUTTON, {"AXRadioButton"}},
      // Tabs are radio buttons in a tab group, as the click rules expect.
      {ATSPI_ROLE_PAGE_TAB, {"AXRadioButton", "AXTabButton"}},
      {ATSPI_ROLE_PAGE_TAB_LIST, {"AXTabGroup"}},
      {ATSPI_ROLE_COMBO_BOX, {"AXPopUpButton"}},
      {ATSPI_ROLE_SPIN_BUTTON, {"AXIncrementor"}},
      {ATSPI_ROLE_SCROLL_BAR, {"AXScrollBar"}},
      {ATSPI_ROLE_SLIDER, {"AXSlider"}},
      {ATSPI_ROLE_DIAL, {"AXSlider"}},
      {ATSPI_ROLE_MENU_BAR, {"AXMenuBar"}},
      {ATSPI_ROLE_POPUP_MENU, {"AXMenu"}},
      {ATSPI_ROLE_TOOL_TIP, {"AXHelpTag"}},
      {ATSPI_ROLE_TABLE, {"AXTable"}},
      {ATSPI_ROLE_TREE_TABLE, {"AXOutline"}},
      {ATSPI_ROLE_TREE, {"AXOutline"}},
      {ATSPI_ROLE_LIST, {"AXList"}},
      {ATSPI_ROLE_LIST_BOX, {"AXList"}},
      {ATSPI_ROLE_TABLE_ROW, {"AXRow"}},
      {ATSPI_ROLE_TABLE_CELL, {"AXCell"}},
      {ATSPI_ROLE_TREE_ITEM, {"AXRow", "AXOutlineRow"}},
      {ATSPI_ROLE_LIST_ITEM, {"AXCell"}},
      {ATSPI_ROLE_TABLE_COLUMN_HEADER, {"AXButton", "AXSortButton"}},
      {ATSPI_ROLE_COLUMN_HEADER, {"AXButton", "AXSortButton"}},
      {ATSPI_ROLE_LABEL, {"AXStaticText"}},
      {ATSPI_ROLE_STATIC, {"AXStaticText"}},
      {ATSPI_ROLE_CAPTION, {"AXStaticText"}},
      {ATSPI_ROLE_PASSWORD_TEXT, {"AXTextField", "AXSecureTextField"}},
      {ATSPI_ROLE_IMAGE, {"AXImage"}},
      {ATSPI_ROLE_ICON, {"AXImage"}},
      {ATSPI_ROLE_DESKTOP_ICON, {"AXImage"}},
      {ATSPI_ROLE_PROGRESS_BAR, {"AXProgressIndicator"}},
      {ATSPI_ROLE_LEVEL_BAR, {"AXLevelIndicator"}},
      {ATSPI_ROLE_ANIMATION, {"AXBusyIndicator"}},
      {ATSPI_ROLE_LINK, {"AXLink"}},
      {ATSPI_ROLE_HEADING, {"AXHeading"}},
      {ATSPI_ROLE_SEPARATOR, {"AXSplitter"}},
      {ATSPI_ROLE_SCROLL_PANE, {"AXScrollArea"}},
      {ATSPI_ROLE_VIEWPORT, {"AXScrollArea"}},
      {ATSPI_ROLE_SPLIT_PANE, {"AXSplitGroup"}},
      {ATSPI_ROLE_TOOL_BAR, {"AXToolbar"}},
      {ATSPI_ROLE_DOCUMENT_WEB, {"AXWebArea"}},
      {ATSPI_ROLE_DOCUMENT_FRAME, {"AXGroup", "AXDocument"}},
      {ATSPI_ROLE_APPLICATION, {"AXApplication"}},
      {ATSPI_ROLE_DATE_EDITOR, {"AXDateField"}},
      {ATSPI_ROLE_COLOR_CHOOSER, {"AXColorWell"}},
      {ATSPI_ROLE_PANEL, {"AXGroup"}},
      {ATSPI_ROLE_FILLER, {"AXGroup"}},
      {ATSPI_ROLE_SECTION, {"AXGroup"}},
      {ATSPI_ROLE_GROUPING, {"AXGroup"}},
      {ATSPI_ROLE_FORM, {"AXGroup"}},
      {ATSPI_ROLE_LAYERED_PANE, {"AXGroup"}},
      {ATSPI_ROLE_ROOT_PANE, {"AXGroup"}},
      {ATSPI_ROLE_STATUS_BAR, {"AXGroup"}},
      {ATSPI_ROLE_INFO_BAR, {"AXGroup"}},
      {ATSPI_ROLE_CANVAS, {"AXGroup"}},
      {ATSPI_ROLE_DRAWING_AREA, {"AXGroup"}},
  };
  return names;
}

const QString windowRole = QStringLiteral("AXWindow");
const QString standardWindowSubrole = QStringLiteral("AXStandardWindow");

// A window's kind sets the sounds of its opening and closing: dialogs and
// choosers open as dialogs, alerts as system dialogs, bare pop-up windows
// as utility windows, everything else as a document window.
TonnixAtspiRoleNames windowNames(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_FILE_CHOOSER:
    case ATSPI_ROLE_COLOR_CHOOSER:
    case ATSPI_ROLE_FONT_CHOOSER:
      return {windowRole, TonnixAXSubrole::dialog};
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_NOTIFICATION:
      return {windowRole, TonnixAXSubrole::systemDialog};
    case ATSPI_ROLE_WINDOW:
      return {windowRole, TonnixAXSubrole::floatingWindow};
    default:
      return {windowRole, standardWindowSubrole};
  }
}

bool isWindowRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_FRAME:
    case ATSPI_ROLE_WINDOW:
    case ATSPI_ROLE_DIALOG:
    case ATSPI_ROLE_ALERT:
    case ATSPI_ROLE_FILE_CHOOSER:
    case ATSPI_ROLE_FONT_CHOOSER:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool isAtspiMenuItemRole(AtspiRole role) {
  switch (role) {
    case ATSPI_ROLE_MENU_ITEM:
    case ATSPI_ROLE_CHECK_MENU_ITEM:
    case ATSPI_ROLE_RADIO_MENU_ITEM:
    case ATSPI_ROLE_TEAROFF_MENU_ITEM:
      return true;
    default:
      return false;
  }
}

bool isAtspiMenuRole(AtspiRole role) {
  return role == ATSPI_ROLE_MENU || role == ATSPI_ROLE_POPUP_MENU;
}

TonnixAtspiRoleNames atspiRoleNames(const TonnixAtspiRoleFacts& facts) {
  const auto role = facts.role;
  const bool inMenuBar = facts.parentRole == ATSPI_ROLE_MENU_BAR;
  // A top-level tool tip or menu keeps its own role; any other top-level
  // element is a window.
  if (isWindowRole(role) || (facts.isTopLevel && role != ATSPI_ROLE_TOOL_TIP &&
                             !isAtspiMenuRole(role) && role != ATSPI_ROLE_APPLICATION)) {
    return windowNames(role);
  }
  // GTK gives a menu bar's titles the role "menu" and a submenu's title the
  // same; Qt gives the titles the role "menu item".
  if (role == ATSPI_ROLE_MENU) {
    if (inMenuBar) return {TonnixAXRole::menuBarItem, std::nullopt};
    if (isAtspiMenuRole(facts.parentRole)) return {TonnixAXRole::menuItem, std::nullopt};
    return {TonnixAXRole::menu, std::nullopt};
  }
  if (isAtspiMenuItemRole(role)) {
    return {inMenuBar ? TonnixAXRole::menuBarItem : TonnixAXRole::menuItem, std::nullopt};
  }
  if (role == ATSPI_ROLE_TOGGLE_BUTTON) {
    if (facts.isExpandable) return {TonnixAXRole::disclosureTriangle, std::nullopt};
    return {TonnixAXRole::button, TonnixAXSubrole::toggle};
  }
  if (role == ATSPI_ROLE_TEXT || role == ATSPI_ROLE_ENTRY) {
    return {facts.isMultiLine ? QStringLiteral("AXTextArea") : QStringLiteral("AXTextField"),
            std::nullopt};
  }
  const auto found = fixedNames().constFind(role);
  if (found == fixedNames().cend()) return {QStringLiteral("AXUnknown"), std::nullopt};
  std::optional<QString> subrole;
  if (found->subrole) subrole = QString::fromLatin1(found->subrole);
  return {QString::fromLatin1(found->role), subrole};
}
