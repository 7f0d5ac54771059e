#include "platform/linux/atspi_roles.h"

#include <gtest/gtest.h>

namespace {

TonnixAtspiRoleNames names(AtspiRole role, AtspiRole parentRole = ATSPI_ROLE_FILLER,
                           bool isExpandable = false) {
  TonnixAtspiRoleFacts facts;
  facts.role = role;
  facts.parentRole = parentRole;
  facts.isTopLevel = parentRole == ATSPI_ROLE_APPLICATION;
  facts.isExpandable = isExpandable;
  return atspiRoleNames(facts);
}

TEST(AtspiRoleNamesTest, ControlsGetTheNamesTheClickRulesExpect) {
  EXPECT_EQ(names(ATSPI_ROLE_PUSH_BUTTON).role, "AXButton");
  EXPECT_EQ(names(ATSPI_ROLE_PUSH_BUTTON).subrole, std::nullopt);
  EXPECT_EQ(names(ATSPI_ROLE_TOGGLE_BUTTON).role, "AXButton");
  EXPECT_EQ(names(ATSPI_ROLE_TOGGLE_BUTTON).subrole, "AXToggle");
  EXPECT_EQ(names(ATSPI_ROLE_TOGGLE_BUTTON, ATSPI_ROLE_FILLER, true).role, "AXDisclosureTriangle");
  EXPECT_EQ(names(ATSPI_ROLE_CHECK_BOX).role, "AXCheckBox");
  EXPECT_EQ(names(ATSPI_ROLE_RADIO_BUTTON).role, "AXRadioButton");
  EXPECT_EQ(names(ATSPI_ROLE_PAGE_TAB).role, "AXRadioButton");
  EXPECT_EQ(names(ATSPI_ROLE_PAGE_TAB_LIST).role, "AXTabGroup");
  EXPECT_EQ(names(ATSPI_ROLE_COMBO_BOX).role, "AXPopUpButton");
  EXPECT_EQ(names(ATSPI_ROLE_SPIN_BUTTON).role, "AXIncrementor");
  EXPECT_EQ(names(ATSPI_ROLE_SCROLL_BAR).role, "AXScrollBar");
  EXPECT_EQ(names(ATSPI_ROLE_SLIDER).role, "AXSlider");
  EXPECT_EQ(names(ATSPI_ROLE_REDUNDANT_OBJECT).role, "AXUnknown");
}

TEST(AtspiRoleNamesTest, WindowKindsGiveTheSubrolesOfTheirSounds) {
  EXPECT_EQ(names(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION).subrole, "AXStandardWindow");
  EXPECT_EQ(names(ATSPI_ROLE_DIALOG, ATSPI_ROLE_APPLICATION).subrole, "AXDialog");
  EXPECT_EQ(names(ATSPI_ROLE_FILE_CHOOSER, ATSPI_ROLE_APPLICATION).subrole, "AXDialog");
  EXPECT_EQ(names(ATSPI_ROLE_ALERT, ATSPI_ROLE_APPLICATION).subrole, "AXSystemDialog");
  EXPECT_EQ(names(ATSPI_ROLE_WINDOW, ATSPI_ROLE_APPLICATION).subrole, "AXFloatingWindow");
  // Qt's bare top-level widget.
  EXPECT_EQ(names(ATSPI_ROLE_FILLER, ATSPI_ROLE_APPLICATION).role, "AXWindow");
  EXPECT_EQ(names(ATSPI_ROLE_FILLER, ATSPI_ROLE_PANEL).role, "AXGroup");
  EXPECT_EQ(names(ATSPI_ROLE_TOOL_TIP, ATSPI_ROLE_APPLICATION).role, "AXHelpTag");
}

TEST(AtspiRoleNamesTest, MenusAreTitlesInAMenuBarAndItemsInAMenu) {
  EXPECT_EQ(names(ATSPI_ROLE_MENU, ATSPI_ROLE_MENU_BAR).role, "AXMenuBarItem");
  EXPECT_EQ(names(ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_MENU_BAR).role, "AXMenuBarItem");
  EXPECT_EQ(names(ATSPI_ROLE_MENU, ATSPI_ROLE_MENU).role, "AXMenuItem");
  EXPECT_EQ(names(ATSPI_ROLE_CHECK_MENU_ITEM, ATSPI_ROLE_MENU).role, "AXMenuItem");
  EXPECT_EQ(names(ATSPI_ROLE_POPUP_MENU, ATSPI_ROLE_MENU_ITEM).role, "AXMenu");
  EXPECT_EQ(names(ATSPI_ROLE_MENU, ATSPI_ROLE_COMBO_BOX).role, "AXMenu");
  EXPECT_EQ(names(ATSPI_ROLE_MENU_BAR).role, "AXMenuBar");
}

}  // namespace
