#include "platform/linux/atspi_event_mapping.h"

#include <gtest/gtest.h>

#include "platform/accessibility.h"
#include "platform/linux/atspi_roles.h"

namespace {

namespace Note = TonnixAXNotification;

struct FakeSource final : TonnixAtspiEventSource {
  FakeSource(AtspiRole ownRole, AtspiRole ownParentRole, bool menuHolder = false)
      : sourceRole(ownRole), sourceParentRole(ownParentRole), isMenuHolder(menuHolder) {}
  template <typename T>
  T answer(T value) {
    ++questions;
    return value;
  }
  AtspiRole role() override { return answer(sourceRole); }
  AtspiRole parentRole() override { return answer(sourceParentRole); }
  bool holdsMenu() override { return answer(isMenuHolder); }
  bool ownsMenu() override { return answer(isMenuOwner); }
  bool hasState(AtspiStateType state) override { return answer(states.contains(state)); }
  QString parentKey() override { return answer(sourceParentKey); }
  bool isParentGone() override { return answer(isOrphan); }
  std::optional<QStringList> topLevelKeys() override { return answer(presentKeys); }
  void reportFor(const QString& key) override { reportedKey = key; }
  bool announcesEveryMenu() override { return isGtk4; }
  bool isShownWindow() override { return isShown; }
  bool announcesEveryClosing() override { return isGtk4; }
  AtspiRole sourceRole;
  AtspiRole sourceParentRole;
  bool isMenuHolder;
  bool isMenuOwner = false;
  QList<AtspiStateType> states;
  QString sourceParentKey;
  bool isOrphan = false;
  std::optional<QStringList> presentKeys;
  QString reportedKey;
  bool isGtk4 = false;
  bool isShown = false;
  int questions = 0;
};

const auto everything = [](const QString&) { return true; };
const auto nothing = [](const QString&) { return false; };

TonnixAtspiEvent event(const QString& type, int detail1, const QString& element = "w") {
  return {type, detail1, QStringLiteral(":1.2"), QStringLiteral(":1.2/") + element};
}

const QString showing = QStringLiteral("object:state-changed:showing");
const QString selected = QStringLiteral("object:state-changed:selected");
const QString expanded = QStringLiteral("object:state-changed:expanded");
const QString focused = QStringLiteral("object:state-changed:focused");
const QString removed = QStringLiteral("object:children-changed:remove");

// One event on an element of `source` and the notifications it should give.
struct Step {
  QString type;
  int detail1;
  QString element;
  QStringList notes;
};

FakeSource owningMenu(FakeSource source) {
  source.isMenuOwner = true;
  return source;
}

class AtspiEventTranslatorTest : public testing::Test {
 protected:
  QStringList translate(const TonnixAtspiEvent& atspiEvent, FakeSource source,
                        const TonnixAtspiEventTranslator::Wants& wants = everything) {
    return translator.translate(atspiEvent, source, wants);
  }
  void expectSteps(const FakeSource& source, const std::vector<Step>& steps,
                   const TonnixAtspiEventTranslator::Wants& wants = everything) {
    for (const auto& [type, detail1, element, notes] : steps) {
      EXPECT_EQ(translate(event(type, detail1, element), source, wants), notes)
          << type.toStdString() << " " << detail1 << " on " << element.toStdString();
    }
  }
  TonnixAtspiEventTranslator translator;
};

// Shown again after hiding, it opens again.
TEST_F(AtspiEventTranslatorTest, AGtkDialogAnnouncedTwiceOpensOnceAndClosesOnce) {
  expectSteps(FakeSource(ATSPI_ROLE_ALERT, ATSPI_ROLE_APPLICATION),
              {{showing, 1, "w", {Note::windowCreated}},
               {"window:create", 0, "w", {}},
               {showing, 0, "w", {Note::uiElementDestroyed}},
               {"window:destroy", 0, "w", {Note::uiElementDestroyed}},
               {showing, 1, "w", {Note::windowCreated}}});
}

// A help tag shows and hides too.
TEST_F(AtspiEventTranslatorTest, AQtTopLevelWidgetShowingIsAWindowButAChildShowingIsNot) {
  expectSteps(FakeSource(ATSPI_ROLE_FILLER, ATSPI_ROLE_APPLICATION),
              {{showing, 1, "w", {Note::windowCreated}}});
  expectSteps(FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_FILLER), {{showing, 1, "button", {}}});
  expectSteps(FakeSource(ATSPI_ROLE_TOOL_TIP, ATSPI_ROLE_APPLICATION),
              {{showing, 1, "tip", {Note::helpTagCreated}},
               {showing, 0, "tip", {Note::uiElementDestroyed}}});
}

// GTK 3 selects a menu bar title while its menu is open, and puts a context
// menu in a window of its own, which is no window to the ear.
TEST_F(AtspiEventTranslatorTest, MenusOpenAndCloseAsEachToolkitShowsThem) {
  expectSteps(FakeSource(ATSPI_ROLE_MENU, ATSPI_ROLE_MENU_BAR),
              {{selected, 0, "t", {}},
               {selected, 1, "t", {Note::menuOpened}},
               {selected, 0, "t", {Note::menuClosed}}});
  expectSteps(FakeSource(ATSPI_ROLE_WINDOW, ATSPI_ROLE_INVALID, true),
              {{"window:create", 0, "h", {Note::menuOpened}},
               {"window:activate", 0, "h", {}},
               {"window:destroy", 0, "h", {Note::menuClosed}}});
}

// Qt's combo box list opens before the window holding it, and holds the
// keyboard; a window it deletes closes with a child hiding whose parent no
// longer answers, or that names none when the window has left the
// application, or, with no children to tell, by the activation of the
// window left behind.
TEST_F(AtspiEventTranslatorTest, QtComboBoxListsAreMenusAndDeletedWindowsClose) {
  const FakeSource item(ATSPI_ROLE_LIST_ITEM, ATSPI_ROLE_LIST);
  expectSteps(FakeSource(ATSPI_ROLE_LIST, ATSPI_ROLE_COMBO_BOX),
              {{showing, 1, "l", {Note::menuOpened}}});
  expectSteps(FakeSource(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION, true), {{showing, 1, "h", {}}});
  expectSteps(item, {{selected, 1, "b", {Note::menuItemSelected}}});
  expectSteps(FakeSource(ATSPI_ROLE_LIST, ATSPI_ROLE_COMBO_BOX),
              {{showing, 0, "l", {Note::menuClosed}}});
  expectSteps(FakeSource(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION, true), {{showing, 0, "h", {}}});
  expectSteps(item, {{selected, 1, "c", {}}});

  expectSteps(FakeSource(ATSPI_ROLE_FILLER, ATSPI_ROLE_APPLICATION),
              {{showing, 1, "v", {Note::windowCreated}}, {showing, 1, "w", {Note::windowCreated}}});
  FakeSource label(ATSPI_ROLE_LABEL, ATSPI_ROLE_FILLER);
  label.sourceParentKey = QStringLiteral(":1.2/w");
  label.isOrphan = true;
  EXPECT_EQ(translator.translate(event(showing, 0, "l"), label, everything),
            QStringList{Note::uiElementDestroyed});
  EXPECT_EQ(label.reportedKey, QStringLiteral(":1.2/w"));
  expectSteps(label, {{showing, 0, "m", {}}});
  label.sourceParentKey.clear();
  label.presentKeys = QStringList{};
  expectSteps(label, {{showing, 0, "n", {Note::uiElementDestroyed}}});

  // A window without children is gone when the one left is activated.
  expectSteps(FakeSource(ATSPI_ROLE_FILLER, ATSPI_ROLE_APPLICATION),
              {{showing, 1, "p", {Note::windowCreated}}});
  FakeSource main(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION);
  main.presentKeys = QStringList{QStringLiteral(":1.2/main"), QStringLiteral(":1.2/v")};
  EXPECT_EQ(translator.translate(event("window:activate", 0, "main"), main, everything),
            QStringList{Note::uiElementDestroyed});
  EXPECT_EQ(main.reportedKey, QStringLiteral(":1.2/p"));
  expectSteps(main,
              {{"window:activate", 0, "p", {Note::focusedWindowChanged, Note::mainWindowChanged}}});
}

// GTK 4's drop-down holds its button pressed while its list is open.
TEST_F(AtspiEventTranslatorTest, Gtk4DropDownListsAreMenus) {
  const QString pressed = QStringLiteral("object:state-changed:pressed");
  const FakeSource button(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_COMBO_BOX);
  const FakeSource item(ATSPI_ROLE_LIST_ITEM, ATSPI_ROLE_LIST);
  expectSteps(button, {{pressed, 1, "d", {Note::menuOpened, Note::valueChanged}}});
  expectSteps(item, {{focused, 1, "a", {Note::menuItemSelected, Note::focusedUIElementChanged}},
                     {focused, 1, "a", {Note::focusedUIElementChanged}},
                     {selected, 1, "b", {Note::menuItemSelected}}});
  expectSteps(button, {{pressed, 0, "d", {Note::menuClosed, Note::valueChanged}},
                       {pressed, 0, "d", {Note::valueChanged}}});
  expectSteps(item, {{focused, 1, "c", {Note::focusedUIElementChanged}}});
  expectSteps(FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL),
              {{pressed, 1, "t", {Note::valueChanged}}});
}

// A window no longer visible that was never seen opening is closing. One
// its application told it has just shown opens, and it and the window left
// behind are activated, without a question: the application answers only
// once it has built the window, and tells each window's closing itself.
TEST_F(AtspiEventTranslatorTest, AGtk4WindowOpensWithShowingSwitchedOffAndClosesAsDefunct) {
  FakeSource dialog(ATSPI_ROLE_DIALOG, ATSPI_ROLE_APPLICATION);
  dialog.states = {ATSPI_STATE_VISIBLE};
  expectSteps(dialog, {{showing, 0, "w", {Note::windowCreated}},
                       {"object:state-changed:defunct", 1, "w", {Note::uiElementDestroyed}}});
  expectSteps(FakeSource(ATSPI_ROLE_DIALOG, ATSPI_ROLE_APPLICATION),
              {{showing, 0, "other", {Note::uiElementDestroyed}}});

  FakeSource shown(ATSPI_ROLE_INVALID, ATSPI_ROLE_INVALID);
  shown.isGtk4 = shown.isShown = true;
  const QStringList activated{Note::focusedWindowChanged, Note::mainWindowChanged};
  expectSteps(shown,
              {{showing, 0, "s", {Note::windowCreated}},
               {"window:activate", 0, "s", activated + QStringList{Note::applicationActivated}},
               {"window:activate", 0, "main", activated}});
  EXPECT_EQ(shown.questions, 0);
}

// A menu button only loses its popover; an expander owns no menu: no menu,
// and no row either.
TEST_F(AtspiEventTranslatorTest, Gtk4PopoverMenusOpenWithTheirOwnerExpandedAndCloseEitherWay) {
  expectSteps(owningMenu(FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL)),
              {{expanded, 1, "b", {Note::menuOpened}}, {removed, 1, "b", {Note::menuClosed}}});
  expectSteps(owningMenu(FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL)),
              {{expanded, 1, "b", {Note::menuOpened}},
               {"object:state-changed:expandable", 0, "b", {Note::menuClosed}},
               {removed, 1, "b", {}}});
  expectSteps(FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL), {{expanded, 1, "x", {}}});
}

// GTK 4 activates the window of a popover it has opened (on X11 after the
// popover took the keyboard): the same window, perhaps first heard then.
TEST_F(AtspiEventTranslatorTest, Gtk4ActivatingTheWindowOfAnOpenPopoverIsNoChange) {
  const auto button = owningMenu(FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL));
  const FakeSource frame(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION);
  translate(event(expanded, 1, "b"), button);
  expectSteps(frame, {{"window:activate", 0, "w", {}}});
  translate(event(removed, 1, "b"), button);
  expectSteps(
      frame,
      {{"window:activate", 0, "w", {}},
       {"window:activate", 0, "other", {Note::focusedWindowChanged, Note::mainWindowChanged}}});
}

// GTK 4 focuses the item before the menu opens, and again when its window
// is activated again, before and after the menu closes. Its application,
// busy drawing the menu then, is asked nothing about an item while no menu
// of it is open.
TEST_F(AtspiEventTranslatorTest, Gtk4PopoverItemsInPanelsAreLitOnlyWhileTheMenuIsOpen) {
  const auto button = owningMenu(FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL));
  FakeSource item(ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_PANEL);
  item.isGtk4 = true;
  const auto wantsItems = [](const QString& name) { return name != Note::focusedUIElementChanged; };
  EXPECT_TRUE(translator.translate(event(focused, 1, "i"), item, wantsItems).isEmpty());
  EXPECT_TRUE(translator.translate(event(selected, 1, "i"), item, wantsItems).isEmpty());
  EXPECT_EQ(item.questions, 0);
  translate(event(expanded, 1, "b"), button);
  expectSteps(item, {{focused, 1, "i", {Note::menuItemSelected}}, {focused, 1, "i", {}}},
              wantsItems);
  translate(event(removed, 1, "b"), button);
  expectSteps(item, {{focused, 1, "i", {}}}, wantsItems);
  translate(event(expanded, 1, "b"), button);
  expectSteps(item, {{focused, 1, "i", {Note::menuItemSelected}}}, wantsItems);
}

// A menu bar title taking the focus is no item of an open menu.
TEST_F(AtspiEventTranslatorTest, AMenuItemLitTwiceInARowIsHeardOnce) {
  expectSteps(FakeSource(ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_MENU),
              {{selected, 1, "i", {Note::menuItemSelected}},
               {focused, 1, "i", {Note::focusedUIElementChanged}},
               {selected, 1, "j", {Note::menuItemSelected}}});
  expectSteps(FakeSource(ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_MENU_BAR), {{focused, 1, "t", {}}},
              [](const QString& name) { return name == Note::menuItemSelected; });
}

TEST_F(AtspiEventTranslatorTest, QtActivatingTheSameWindowAgainIsNoChange) {
  expectSteps(
      FakeSource(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION),
      {{"window:activate",
        0,
        "w",
        {Note::focusedWindowChanged, Note::mainWindowChanged, Note::applicationActivated}},
       {"window:activate", 0, "w", {}},
       {"window:activate", 0, "other", {Note::focusedWindowChanged, Note::mainWindowChanged}}});
  // Back from an application nobody observes, or an excluded one.
  translator.noteActivation({"window:activate", 0, ":1.9", ":1.9/w"});
  expectSteps(
      FakeSource(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION),
      {{"window:activate",
        0,
        "other",
        {Note::focusedWindowChanged, Note::mainWindowChanged, Note::applicationActivated}}});
}

TEST_F(AtspiEventTranslatorTest, OneExpansionAnnouncedOnEveryCellOfARowIsHeardOnce) {
  const FakeSource cell(ATSPI_ROLE_TABLE_CELL, ATSPI_ROLE_TREE_TABLE);
  translator.beginBatch();
  expectSteps(cell, {{expanded, 1, "c1", {Note::rowExpanded}}, {expanded, 1, "c2", {}}});
  translator.beginBatch();
  expectSteps(cell, {{expanded, 0, "c1", {Note::rowCollapsed}}});
  expectSteps(FakeSource(ATSPI_ROLE_TOGGLE_BUTTON, ATSPI_ROLE_FILLER), {{expanded, 1, "b", {}}});
}

TEST_F(AtspiEventTranslatorTest, MinimizingIsHeardOnceWhicheverWayItIsAnnounced) {
  expectSteps(FakeSource(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION),
              {{"object:state-changed:iconified", 0, "w", {}},
               {"window:minimize", 0, "w", {Note::windowMiniaturized}},
               {"object:state-changed:iconified", 1, "w", {}},
               {"window:restore", 0, "w", {Note::windowDeminiaturized}}});
}

TEST_F(AtspiEventTranslatorTest, SelectionsInTablesAreRowsAndInMenusNothing) {
  const QString changed = QStringLiteral("object:selection-changed");
  expectSteps(FakeSource(ATSPI_ROLE_TREE_TABLE, ATSPI_ROLE_SCROLL_PANE),
              {{changed, 0, "w", {Note::selectedRowsChanged}}});
  expectSteps(FakeSource(ATSPI_ROLE_LIST_BOX, ATSPI_ROLE_FILLER),
              {{changed, 0, "w", {Note::selectedChildrenChanged}}});
  expectSteps(FakeSource(ATSPI_ROLE_MENU, ATSPI_ROLE_MENU_BAR), {{changed, 0, "w", {}}});
}

TEST_F(AtspiEventTranslatorTest, NobodyListeningMeansNoQuestionsAsked) {
  FakeSource frame(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION);
  EXPECT_TRUE(
      translator.translate(event("object:state-changed:showing", 1), frame, nothing).isEmpty());
  EXPECT_TRUE(translator.translate(event("object:bounds-changed", 0), frame, everything).isEmpty());
  EXPECT_EQ(frame.questions, 0);
}

TEST_F(AtspiEventTranslatorTest, WhatIsRememberedStaysBounded) {
  const FakeSource dialog(ATSPI_ROLE_DIALOG, ATSPI_ROLE_APPLICATION);
  for (int index = 0; index < 1000; ++index) {
    translate(event("window:create", 0, QString::number(index)), dialog);
  }
  // The oldest were forgotten, so the first window opens again.
  EXPECT_EQ(translate(event("window:create", 0, "0"), dialog), QStringList{Note::windowCreated});
}

// "role/subrole" (no slash without a subrole) of each of `roles` in `parentRole`.
std::string names(std::initializer_list<AtspiRole> roles, AtspiRole parentRole = ATSPI_ROLE_FILLER,
                  bool isExpandable = false) {
  std::string result;
  for (const AtspiRole role : roles) {
    const TonnixAtspiRoleNames named =
        atspiRoleNames({.role = role,
                        .parentRole = parentRole,
                        .isTopLevel = parentRole == ATSPI_ROLE_APPLICATION,
                        .isExpandable = isExpandable});
    result += (result.empty() ? "" : " ") + named.role.toStdString() +
              (named.subrole ? "/" + named.subrole->toStdString() : "");
  }
  return result;
}

TEST(AtspiRoleNamesTest, ControlsGetTheNamesTheClickRulesExpect) {
  EXPECT_EQ(
      names({ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_TOGGLE_BUTTON, ATSPI_ROLE_CHECK_BOX,
             ATSPI_ROLE_RADIO_BUTTON, ATSPI_ROLE_PAGE_TAB, ATSPI_ROLE_PAGE_TAB_LIST,
             ATSPI_ROLE_COMBO_BOX, ATSPI_ROLE_SPIN_BUTTON, ATSPI_ROLE_SCROLL_BAR, ATSPI_ROLE_SLIDER,
             ATSPI_ROLE_REDUNDANT_OBJECT}),
      "AXButton AXButton/AXToggle AXCheckBox AXRadioButton AXRadioButton/AXTabButton AXTabGroup "
      "AXPopUpButton AXIncrementor AXScrollBar AXSlider AXUnknown");
  EXPECT_EQ(names({ATSPI_ROLE_TOGGLE_BUTTON}, ATSPI_ROLE_FILLER, true), "AXDisclosureTriangle");
  EXPECT_EQ(names({ATSPI_ROLE_MENU}, ATSPI_ROLE_COMBO_BOX), "AXMenu");
}

// Qt's bare top-level widget is a window too.
TEST(AtspiRoleNamesTest, WindowKindsGiveTheSubrolesOfTheirSounds) {
  EXPECT_EQ(names({ATSPI_ROLE_FRAME, ATSPI_ROLE_DIALOG, ATSPI_ROLE_FILE_CHOOSER, ATSPI_ROLE_ALERT,
                   ATSPI_ROLE_WINDOW, ATSPI_ROLE_FILLER, ATSPI_ROLE_TOOL_TIP},
                  ATSPI_ROLE_APPLICATION),
            "AXWindow/AXStandardWindow AXWindow/AXDialog AXWindow/AXDialog AXWindow/AXSystemDialog "
            "AXWindow/AXFloatingWindow AXWindow/AXStandardWindow AXHelpTag");
  EXPECT_EQ(names({ATSPI_ROLE_FILLER}, ATSPI_ROLE_PANEL), "AXGroup");
}

}  // namespace
