// The browsers' menus and windows, as Chromium and Firefox announce them
// (src/platform/linux/NOTES.md), through the whole event translator.

#include <gtest/gtest.h>

#include "platform/accessibility.h"
#include "platform/linux/atspi_event_mapping.h"

namespace {

namespace Note = TonnixAXNotification;

struct BrowserSource final : TonnixAtspiEventSource {
  BrowserSource(QString ownToolkit, AtspiRole ownRole, AtspiRole ownParentRole)
      : toolkit(std::move(ownToolkit)), sourceRole(ownRole), sourceParentRole(ownParentRole) {}
  AtspiRole role() override { return sourceRole; }
  AtspiRole parentRole() override { return sourceParentRole; }
  bool holdsMenu() override { return false; }
  bool ownsMenu() override { return false; }
  bool hasState(AtspiStateType) override { return false; }
  QString parentKey() override { return sourceParentKey; }
  bool isParentGone() override { return false; }
  std::optional<QStringList> topLevelKeys() override { return topLevels; }
  void reportFor(const QString&) override {}
  QString toolkitName() override { return toolkit; }
  AtspiRole firstChildRole() override { return firstChild; }
  QString toolkit;
  AtspiRole sourceRole;
  AtspiRole sourceParentRole;
  AtspiRole firstChild = ATSPI_ROLE_PANEL;
  QString sourceParentKey;
  QStringList topLevels;
};

const QString chromium = QStringLiteral("Chromium");
const QString gecko = QStringLiteral("Gecko");
const QString showingEvent = QStringLiteral("object:state-changed:showing");
const QString focusedEvent = QStringLiteral("object:state-changed:focused");
const QString activate = QStringLiteral("window:activate");
const QStringList focusChange{Note::focusedWindowChanged, Note::mainWindowChanged};

class AtspiBrowserEventsTest : public testing::Test {
 protected:
  QStringList translate(const QString& type, int detail1, const QString& element,
                        BrowserSource source, const QString& application = ":1.5") {
    return translator.translate({type, detail1, application, element}, source,
                                [](const QString&) { return true; });
  }
  TonnixAtspiEventTranslator translator;
};

// The frame holding the menu is no window, nor is activating the window
// again (even one whose activation came before Tonnix listened) when the menu
// closes; an item lit before the menu closed is lit again when it reopens.
TEST_F(AtspiBrowserEventsTest, ChromiumMenusOpenAndCloseInAFrameThatIsNoWindow) {
  BrowserSource frame(chromium, ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION);
  frame.topLevels = {"w"};
  const BrowserSource menu(chromium, ATSPI_ROLE_MENU, ATSPI_ROLE_PANEL);
  const BrowserSource item(chromium, ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_MENU);
  BrowserSource holder = frame;
  holder.firstChild = ATSPI_ROLE_MENU_BAR;
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(translate(showingEvent, 1, "m", menu), QStringList{Note::menuOpened});
    EXPECT_EQ(translate(activate, 0, "h", holder), QStringList{});
    EXPECT_EQ(translate("object:state-changed:selected", 1, "i", item),
              QStringList{Note::menuItemSelected});
    EXPECT_EQ(translate(showingEvent, 0, "m", menu), QStringList{Note::menuClosed});
    EXPECT_EQ(translate(activate, 0, "w", frame), QStringList{});
  }
  EXPECT_EQ(translate(activate, 0, "w", frame), QStringList{});
  // Other toolkits' menus keep their own rules.
  EXPECT_EQ(translate(showingEvent, 1, "g", BrowserSource("GTK", ATSPI_ROLE_MENU, ATSPI_ROLE_PANEL),
                      ":1.6"),
            QStringList{});
}

// The frames there at the first activation were open already.
TEST_F(AtspiBrowserEventsTest, ChromiumWindowsOpenWhenFirstActivatedAndCloseWhenLeftBehind) {
  BrowserSource frame(chromium, ATSPI_ROLE_FRAME, ATSPI_ROLE_APPLICATION);
  frame.topLevels = {"a", "b"};
  translate(activate, 0, "a", frame);
  EXPECT_EQ(translate(activate, 0, "b", frame), focusChange);
  frame.topLevels = {"a", "b", "c"};
  EXPECT_EQ(translate(activate, 0, "c", frame), QStringList{Note::windowCreated} + focusChange);
  EXPECT_TRUE(translator.takeReports().empty());
  frame.topLevels = {"a", "b"};
  EXPECT_EQ(translate(activate, 0, "a", frame), focusChange);
  const auto reports = translator.takeReports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports.front().elementKey, QStringLiteral("c"));
  EXPECT_EQ(reports.front().notification, Note::uiElementDestroyed);
}

// Alt alone focuses the title and opens nothing; a context menu shows.
TEST_F(AtspiBrowserEventsTest, FirefoxMenuBarMenusOpenWithTheFocusInsideAndCloseWhenItLeaves) {
  const BrowserSource title(gecko, ATSPI_ROLE_MENU, ATSPI_ROLE_MENU_BAR);
  BrowserSource item(gecko, ATSPI_ROLE_MENU_ITEM, ATSPI_ROLE_MENU);
  item.sourceParentKey = QStringLiteral("t");
  const BrowserSource field(gecko, ATSPI_ROLE_COMBO_BOX, ATSPI_ROLE_SECTION);
  const QStringList focus{Note::focusedUIElementChanged};
  EXPECT_EQ(translate(focusedEvent, 1, "t", title), focus);
  EXPECT_EQ(translate(focusedEvent, 1, "f", field), focus);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(translate(focusedEvent, 1, "t", title), focus);
    EXPECT_EQ(translate(focusedEvent, 1, "i", item),
              (QStringList{Note::menuOpened, Note::menuItemSelected} + focus));
    EXPECT_EQ(translate(focusedEvent, 1, "f", field), QStringList{Note::menuClosed} + focus);
  }
  const BrowserSource menu(gecko, ATSPI_ROLE_MENU, ATSPI_ROLE_SECTION);
  EXPECT_EQ(translate(showingEvent, 1, "c", menu), QStringList{Note::menuOpened});
  EXPECT_EQ(translate(showingEvent, 0, "c", menu), QStringList{Note::menuClosed});
}

}  // namespace
