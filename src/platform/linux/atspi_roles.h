#pragma once

#include <atspi/atspi-constants.h>

#include <QString>
#include <optional>

// What decides an element's role and subrole names besides its AT-SPI role.
struct TonnixAtspiRoleFacts {
  AtspiRole role = ATSPI_ROLE_INVALID;
  AtspiRole parentRole = ATSPI_ROLE_INVALID;
  // A direct child of its application: a window, whatever its role says
  // (Qt gives a bare top-level widget the role "filler").
  bool isTopLevel = false;
  // The element can be expanded (a disclosure toggle, an outline row).
  bool isExpandable = false;
  bool isMultiLine = false;
};

// The classic role and subrole names an AT-SPI element stands for, so that
// the rules written for them (click kinds, window sounds, menus) apply on
// Linux unchanged. Every role has a name; an unknown one is "AXUnknown".
struct TonnixAtspiRoleNames {
  QString role;
  std::optional<QString> subrole;
};

TonnixAtspiRoleNames atspiRoleNames(const TonnixAtspiRoleFacts& facts);

// Roles of the objects that stand for a menu item while a menu is open.
bool isAtspiMenuItemRole(AtspiRole role);
// Roles of menus, whether they pop up or drop from a menu bar.
bool isAtspiMenuRole(AtspiRole role);
