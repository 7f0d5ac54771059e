#include "platform/linux/atspi_event_mapping.h"

#include <gtest/gtest.h>

#include "platform/accessibility.h"

namespace {

namespace Note = TonnixAXNotification;

// An event's source that counts the questions asked of it.
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
  AtspiRole sourceRole;
  AtspiRole sourceParentRole;
  bool isMenuHolder;
  bool isMenuOwner = false;
  QList<AtspiStateType> states;
  int questions = 0;
};

const auto everything = [](const QString&) { return true; };
const auto nothing = [](const QString&) { return false; };

TonnixAtspiEvent event(const QString& type, int detail1, const QString& element = "w") {
  return {type, detail1, QStringLiteral(":1.2"), QStringLiteral(":1.2/") + element};
}

class AtspiEventTranslatorTest : public testing::Test {
 protected:
  QStringList translate(const TonnixAtspiEvent& atspiEvent, FakeSource source,
                        const TonnixAtspiEventTranslator::Wants& wants = everything) {
    return translator.translate(atspiEvent, source, wants);
  }
  TonnixAtspiEventTranslator translator;
};

TEST_F(AtspiEventTranslatorTest, AGtkDialogAnnouncedTwiceOpensOnceAndClosesOnce) {
  const FakeSource alert(ATSPI_ROLE_ALERT, ATSPI_ROLE_APPLICATION);
  EXPECT_EQ(translate(event("object:state-changed:showing", 1), alert),
            QStringList{Note::windowCreated});
  EXPECT_TRUE(translate(event("window:create", 0), alert).isEmpty());
  EXPECT_EQ(translate(event("object:state-changed:showing", 0), alert),
            QStringList{Note::uiElementDestroyed});
  EXPECT_EQ(translate(event("window:destroy", 0), alert), QStringList{Note::uiElementDestroyed});
  // Shown again after hiding, it opens again.
  EXPECT_EQ(translate(event("object:state-changed:showing", 1), alert),
            QStringList{Note::windowCreated});
}

TEST_F(AtspiEventTranslatorTest, AQtTopLevelWidgetShowingIsAWindowButAChildShowingIsNot) {
  EXPECT_EQ(translate(event("object:state-changed:showing", 1),
                      FakeSource(ATSPI_ROLE_FILLER, ATSPI_ROLE_APPLICATION)),
            QStringList{Note::windowCreated});
  EXPECT_TRUE(translate(event("object:state-changed:showing", 1, "button"),
                        FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_FILLER))
                  .isEmpty());
  // A help tag showing and hiding.
  const FakeSource tip(ATSPI_ROLE_TOOL_TIP, ATSPI_ROLE_APPLICATION);
  EXPECT_EQ(translate(event("object:state-changed:showing", 1, "tip"), tip),
            QStringList{Note::helpTagCreated});
  EXPECT_EQ(translate(event("object:state-changed:showing", 0, "tip"), tip),
            QStringList{Note::uiElementDestroyed});
}

TEST_F(AtspiEventTranslatorTest, MenusOpenAndCloseAsEachToolkitShowsThem) {
  // Qt: a pop-up menu shows and hides.
  const FakeSource qtMenu(ATSPI_ROLE_POPUP_MENU, ATSPI_ROLE_MENU_ITEM);
  EXPECT_EQ(translate(event("object:state-changed:showing", 1, "m"), qtMenu),
            QStringList{Note::menuOpened});
  EXPECT_EQ(translate(event("object:state-changed:showing", 0, "m"), qtMenu),
            QStringList{Note::menuClosed});
  // GTK 3: a menu bar title is selected while its menu is open.
  const FakeSource gtkTitle(ATSPI_ROLE_MENU, ATSPI_ROLE_MENU_BAR);
  EXPECT_TRUE(translate(event("object:state-changed:selected", 0, "t"), gtkTitle).isEmpty());
  EXPECT_EQ(translate(event("object:state-changed:selected", 1, "t"), gtkTitle),
            QStringList{Note::menuOpened});
  EXPECT_EQ(translate(event("object:state-changed:selected", 0, "t"), gtkTitle),
            QStringList{Note::menuClosed});
  // GTK 3: a context menu comes in a window of its own, which is no window
  // to the ear.
  const FakeSource holder(ATSPI_ROLE_WINDOW, ATSPI_ROLE_INVALID, true);
  EXPECT_EQ(translate(event("window:create", 0, "h"), holder), QStringList{Note::menuOpened});
  EXPECT_TRUE(translate(event("window:activate", 0, "h"), holder).isEmpty());
  EXPECT_EQ(translate(event("window:destroy", 0, "h"), holder), QStringList{Note::menuClosed});
}

FakeSource owningMenu(FakeSource source) {
  source.isMenuOwner = true;
  return source;
}

TEST_F(AtspiEventTranslatorTest, AGtk4WindowOpensWithShowingSwitchedOffAndClosesAsDefunct) {
  FakeSource dialog(ATSPI_ROLE_DIALOG, ATSPI_ROLE_APPLICATION);
  dialog.states = {ATSPI_STATE_VISIBLE};
  EXPECT_EQ(translate(event("object:state-changed:showing", 0), dialog),
            QStringList{Note::windowCreated});
  EXPECT_EQ(translate(event("object:state-changed:defunct", 1), dialog),
            QStringList{Note::uiElementDestroyed});
  // A window no longer visible that was never seen opening is closing.
  EXPECT_EQ(translate(event("object:state-changed:showing", 0, "other"),
                      FakeSource(ATSPI_ROLE_DIALOG, ATSPI_ROLE_APPLICATION)),
            QStringList{Note::uiElementDestroyed});
}

TEST_F(AtspiEventTranslatorTest, Gtk4PopoverMenusOpenWithTheirOwnerExpandedAndCloseEitherWay) {
  // A menu bar title collapses again.
  const auto title = owningMenu(FakeSource(ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_MENU_BAR));
  EXPECT_EQ(translate(event("object:state-changed:expanded", 1, "t"), title),
            QStringList{Note::menuOpened});
  EXPECT_TRUE(translate(event("object:state-changed:expanded", 1, "t"), title).isEmpty());
  EXPECT_EQ(translate(event("object:state-changed:expanded", 0, "t"), title),
            QStringList{Note::menuClosed});
  EXPECT_TRUE(translate(event("object:children-changed:remove", 1, "t"), title).isEmpty());
  // A menu button only loses its popover.
  const auto button = owningMenu(FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL));
  EXPECT_EQ(translate(event("object:state-changed:expanded", 1, "b"), button),
            QStringList{Note::menuOpened});
  EXPECT_EQ(translate(event("object:children-changed:remove", 1, "b"), button),
            QStringList{Note::menuClosed});
  // An expander owns no menu: no menu, and no row either.
  EXPECT_TRUE(translate(event("object:state-changed:expanded", 1, "x"),
                        FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL))
                  .isEmpty());
}

TEST_F(AtspiEventTranslatorTest, Gtk4PopoverItemsInPanelsAreLitAgainAfterTheMenuReopens) {
  const auto button = owningMenu(FakeSource(ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_PANEL));
  const FakeSource item(ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_PANEL);
  const auto wantsItems = [](const QString& name) { return name != Note::focusedUIElementChanged; };
  EXPECT_EQ(translate(event("object:state-changed:focused", 1, "i"), item, wantsItems),
            QStringList{Note::menuItemSelected});
  translate(event("object:state-changed:expanded", 1, "b"), button);
  // GTK 4 focuses the item again when its window is activated again.
  EXPECT_TRUE(translate(event("object:state-changed:focused", 1, "i"), item, wantsItems).isEmpty());
  translate(event("object:children-changed:remove", 1, "b"), button);
  translate(event("object:state-changed:expanded", 1, "b"), button);
  EXPECT_EQ(translate(event("object:state-changed:focused", 1, "i"), item, wantsItems),
            QStringList{Note::menuItemSelected});
}

TEST_F(AtspiEventTranslatorTest, AMenuItemLitTwiceInARowIsHeardOnce) {
  const FakeSource item(ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_MENU);
  EXPECT_EQ(translate(event("object:state-changed:selected", 1, "i"), item),
            QStringList{Note::menuItemSelected});
  EXPECT_EQ(translate(event("object:state-changed:focused", 1, "i"), item),
            QStringList{Note::focusedUIElementChanged});
  EXPECT_EQ(translate(event("object:state-changed:selected", 1, "j"), item),
            QStringList{Note::menuItemSelected});
  // A menu bar title taking the focus is no item of an open menu.
  EXPECT_TRUE(translate(event("object:state-changed:focused", 1, "t"),
                        FakeSource(ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_MENU_BAR),
                        [](const QString& name) { return name == Note::menuItemSelected; })
                  .isEmpty());
}

TEST_F(AtspiEventTranslatorTest, QtActivatingTheSameWindowAgainIsNoChange) {
  const FakeSource frame(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION);
  EXPECT_EQ(translate(event("window:activate", 0), frame),
            (QStringList{Note::focusedWindowChanged, Note::mainWindowChanged,
                         Note::applicationActivated}));
  EXPECT_TRUE(translate(event("window:activate", 0), frame).isEmpty());
  EXPECT_EQ(translate(event("window:activate", 0, "other"), frame),
            (QStringList{Note::focusedWindowChanged, Note::mainWindowChanged}));
}

TEST_F(AtspiEventTranslatorTest, OneExpansionAnnouncedOnEveryCellOfARowIsHeardOnce) {
  const FakeSource cell(ATSPI_ROLE_TABLE_CELL, ATSPI_ROLE_TREE_TABLE);
  translator.beginBatch();
  EXPECT_EQ(translate(event("object:state-changed:expanded", 1, "c1"), cell),
            QStringList{Note::rowExpanded});
  EXPECT_TRUE(translate(event("object:state-changed:expanded", 1, "c2"), cell).isEmpty());
  translator.beginBatch();
  EXPECT_EQ(translate(event("object:state-changed:expanded", 0, "c1"), cell),
            QStringList{Note::rowCollapsed});
  EXPECT_TRUE(translate(event("object:state-changed:expanded", 1, "b"),
                        FakeSource(ATSPI_ROLE_TOGGLE_BUTTON, ATSPI_ROLE_FILLER))
                  .isEmpty());
}

TEST_F(AtspiEventTranslatorTest, MinimizingIsHeardOnceWhicheverWayItIsAnnounced) {
  const FakeSource frame(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION);
  EXPECT_TRUE(translate(event("object:state-changed:iconified", 0), frame).isEmpty());
  EXPECT_EQ(translate(event("window:minimize", 0), frame), QStringList{Note::windowMiniaturized});
  EXPECT_TRUE(translate(event("object:state-changed:iconified", 1), frame).isEmpty());
  EXPECT_EQ(translate(event("window:restore", 0), frame), QStringList{Note::windowDeminiaturized});
}

TEST_F(AtspiEventTranslatorTest, SelectionsInTablesAreRowsAndInMenusNothing) {
  EXPECT_EQ(translate(event("object:selection-changed", 0),
                      FakeSource(ATSPI_ROLE_TREE_TABLE, ATSPI_ROLE_SCROLL_PANE)),
            QStringList{Note::selectedRowsChanged});
  EXPECT_EQ(translate(event("object:selection-changed", 0),
                      FakeSource(ATSPI_ROLE_LIST_BOX, ATSPI_ROLE_FILLER)),
            QStringList{Note::selectedChildrenChanged});
  EXPECT_TRUE(translate(event("object:selection-changed", 0),
                        FakeSource(ATSPI_ROLE_MENU, ATSPI_ROLE_MENU_BAR))
                  .isEmpty());
}

TEST_F(AtspiEventTranslatorTest, NobodyListeningMeansNoQuestionsAsked) {
  FakeSource frame(ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION);
  EXPECT_TRUE(
      translator.translate(event("object:state-changed:showing", 1), frame, nothing).isEmpty());
  EXPECT_TRUE(translator.translate(event("object:bounds-changed", 0), frame, everything).isEmpty());
  EXPECT_EQ(frame.questions, 0);
}

TEST_F(AtspiEventTranslatorTest, RegistrationsAskForTheEventTypesThatProduceThem) {
  EXPECT_TRUE(TonnixAtspiEventTranslator::atspiEventTypes(Note::windowCreated)
                  .contains(QStringLiteral("window:create")));
  EXPECT_TRUE(TonnixAtspiEventTranslator::atspiEventTypes(Note::uiElementDestroyed)
                  .contains(QStringLiteral("object:state-changed:defunct")));
  EXPECT_TRUE(TonnixAtspiEventTranslator::atspiEventTypes(Note::sheetCreated).isEmpty());
  EXPECT_FALSE(TonnixAtspiEventTranslator::producedNotifications().contains(Note::drawerCreated));
}

TEST_F(AtspiEventTranslatorTest, WhatIsRememberedStaysBounded) {
  const FakeSource dialog(ATSPI_ROLE_DIALOG, ATSPI_ROLE_APPLICATION);
  for (int index = 0; index < 1000; ++index) {
    translate(event("window:create", 0, QString::number(index)), dialog);
  }
  // The oldest were forgotten, so the first window opens again.
  EXPECT_EQ(translate(event("window:create", 0, "0"), dialog), QStringList{Note::windowCreated});
}

}  // namespace
