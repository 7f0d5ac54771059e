// The AT-SPI seam watching our Qt fixture and GTK 3's demo, driven by
// xdotool inside scripts/headless-session; windows opening and closing are
// the run desktop test's part.

#include <signal.h>

#include <QElapsedTimer>

#include "accessibility_observation.h"

namespace {

namespace Note = TonnixAXNotification;
namespace Attribute = TonnixAXAttribute;
using tonnix_test::Application;
using tonnix_test::focusAndType;
using tonnix_test::windowNamed;
using tonnix_test::xdotool;

class AtspiDesktopTest : public tonnix_test::ObservationTest {};

TEST_F(AtspiDesktopTest, HearsTheWindowAndMenusOfAQtApplication) {
  Application fixture(QStringLiteral(TONNIX_QT_FIXTURE), {});
  ASSERT_TRUE(fixture.started());
  const auto window = windowNamed(QStringLiteral("^Tonnix Fixture$"));
  ASSERT_FALSE(window.isEmpty());
  observe(fixture.pid(), {Note::menuOpened, Note::menuClosed, Note::menuItemSelected,
                          Note::windowCreated, Note::uiElementDestroyed});

  const auto windows = accessibility_->attributeValue(*application_, Attribute::windows);
  ASSERT_TRUE(windows);
  ASSERT_EQ(windows->as<TonnixAXValue::Array>()->size(), 1u);
  const auto mainWindow = *windows->as<TonnixAXValue::Array>()->front().as<TonnixAXElement>();
  EXPECT_EQ(text(mainWindow, Attribute::role), QStringLiteral("AXWindow"));
  EXPECT_EQ(text(mainWindow, Attribute::title), QStringLiteral("Tonnix Fixture"));

  // Without a window manager Qt closes a menu opened from the keyboard at
  // once; a click on the menu bar's first title keeps it open.
  const auto menu = expect(Note::menuOpened, [&] {
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QStringLiteral("20"),
             QStringLiteral("10"), QStringLiteral("click"), QStringLiteral("1")});
  });
  ASSERT_TRUE(menu) << "no menu opened";
  EXPECT_EQ(text(*menu, Attribute::role), QStringLiteral("AXMenu"));
  const auto item = expect(Note::menuItemSelected, [&] {
    xdotool({QStringLiteral("key"), QStringLiteral("Down")});
  });
  ASSERT_TRUE(item) << "no menu item lit";
  EXPECT_EQ(text(*item, Attribute::role), QStringLiteral("AXMenuItem"));
  EXPECT_EQ(text(*item, Attribute::title), QStringLiteral("Open Dialog…"));
  EXPECT_TRUE(expect(Note::menuClosed, [&] {
                xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
              }) == menu);

  // A combo box's pop-up list is a menu, and the window Qt holds it in no
  // window; the item lit at its opening is the one it already shows.
  const auto list =
      expect(Note::menuOpened, [&] { focusAndType(window, {QStringLiteral("ctrl+p")}); });
  ASSERT_TRUE(list) << "no pop-up list opened";
  const auto listItem = expect(Note::menuItemSelected, [&] {
    xdotool({QStringLiteral("key"), QStringLiteral("Down")});
  });
  ASSERT_TRUE(listItem) << "no list item lit";
  EXPECT_EQ(text(*listItem, Attribute::title), QStringLiteral("Beta"));
  EXPECT_EQ(count(Note::menuItemSelected), 1);
  EXPECT_TRUE(expect(Note::menuClosed, [&] {
                xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
              }) == list);
  const auto second =
      expect(Note::windowCreated, [&] { focusAndType(window, {QStringLiteral("ctrl+n")}); });
  ASSERT_TRUE(second) << "no window opened";
  EXPECT_EQ(count(Note::windowCreated), 1);
  EXPECT_EQ(count(Note::uiElementDestroyed), 0);
  // Deleted rather than closed, Qt announces only its children hiding.
  EXPECT_TRUE(expect(Note::uiElementDestroyed,
                     [&] { focusAndType(window, {QStringLiteral("ctrl+e")}); }) == second);
}

// One time-out is a busy application, asked on; a second in a row a hung
// one, not waited for again.
TEST_F(AtspiDesktopTest, AHungApplicationCostsTwoTimeOuts) {
  Application fixture(QStringLiteral(TONNIX_QT_FIXTURE), {});
  ASSERT_TRUE(fixture.started());
  observe(fixture.pid(), {Note::windowCreated});
  const auto windows = accessibility_->attributeValue(*application_, Attribute::windows);
  ASSERT_TRUE(windows && !windows->as<TonnixAXValue::Array>()->empty());
  const auto window = *windows->as<TonnixAXValue::Array>()->front().as<TonnixAXElement>();
  ASSERT_EQ(::kill(static_cast<pid_t>(fixture.pid()), SIGSTOP), 0);
  // Extents are never cached by libatspi: each asks the application.
  for (const auto* attribute : {&Attribute::position, &Attribute::size}) {
    const auto waited = accessibility_->attributeValue(window, *attribute);
    ASSERT_FALSE(waited);
    EXPECT_EQ(waited.error(), TonnixAXError::cannotComplete);
  }
  QElapsedTimer timer;
  timer.start();
  const auto again = accessibility_->attributeValue(window, Attribute::position);
  ASSERT_FALSE(again);
  EXPECT_EQ(again.error(), TonnixAXError::cannotComplete);
  EXPECT_LT(timer.elapsed(), 100);
  ::kill(static_cast<pid_t>(fixture.pid()), SIGCONT);
}

TEST_F(AtspiDesktopTest, HearsAGtkTreeRowCollapseAndExpand) {
  Application demo(QStringLiteral("gtk3-demo"), {QStringLiteral("--run=tree_store")});
  ASSERT_TRUE(demo.started());
  const auto window = windowNamed(QStringLiteral("Tree Store"));
  ASSERT_FALSE(window.isEmpty());
  observe(demo.pid(), {Note::rowExpanded, Note::rowCollapsed});
  // GTK 3 makes a row's cells accessible objects only once something asks
  // for them; moving the keyboard focus onto the row does. A window that
  // has only just appeared may let the first keys go by.
  const auto collapsed = expect(
      Note::rowCollapsed,
      [&] {
        focusAndType(window,
                     {QStringLiteral("Down"), QStringLiteral("Up"), QStringLiteral("shift+Left")});
      },
      2000);
  ASSERT_TRUE(collapsed) << "no row collapsed";
  EXPECT_EQ(text(*collapsed, Attribute::role), QStringLiteral("AXCell"));
  EXPECT_TRUE(expect(Note::rowExpanded, [&] {
    xdotool({QStringLiteral("key"), QStringLiteral("shift+Right")});
  }));
}

}  // namespace
