// The AT-SPI seam watching GTK 4's demo, whose menus are popovers
// (src/platform/linux/NOTES.md), and our GTK 4 fixture's drop-down; its
// windows are the event translator's tests'.

#include <QStandardPaths>

#include "accessibility_observation.h"

namespace {

namespace Note = TonnixAXNotification;
namespace Attribute = TonnixAXAttribute;
using tonnix_test::Application;
using tonnix_test::focusAndType;
using tonnix_test::windowNamed;
using tonnix_test::xdotool;

class Gtk4DesktopTest : public tonnix_test::ObservationTest {
 protected:
  void SetUp() override {
    ObservationTest::SetUp();
    if (IsSkipped()) return;
    if (QStandardPaths::findExecutable(QStringLiteral("gtk4-demo")).isEmpty()) {
      GTEST_SKIP() << "needs gtk-4-examples";
    }
  }
};

TEST_F(Gtk4DesktopTest, HearsAMenuBarMenuOpenLightItsItemsAndClose) {
  Application demo(QStringLiteral("gtk4-demo"), {QStringLiteral("--run=application_demo")});
  ASSERT_TRUE(demo.started());
  const auto window = windowNamed(QStringLiteral("^Application Class$"));
  ASSERT_FALSE(window.isEmpty());
  // The demo runs in a program of its own, which ends with the session.
  const auto pid = xdotool({QStringLiteral("getwindowpid"), window}).toInt();
  ASSERT_GT(pid, 0);
  observe(pid, {Note::menuOpened, Note::menuClosed, Note::menuItemSelected});
  const auto title = expect(
      Note::menuOpened, [&] { focusAndType(window, {QStringLiteral("F10")}); }, 2000);
  ASSERT_TRUE(title) << "no menu opened";
  EXPECT_EQ(count(Note::menuOpened), 1);
  EXPECT_EQ(text(*title, Attribute::role), QStringLiteral("AXMenuBarItem"));
  EXPECT_EQ(text(*title, Attribute::title), QStringLiteral("Application"));
  // GTK 4 moves the keyboard into the popover after it announced it open,
  // focusing its first item again (heard as lit when that comes after the
  // opening): a key sent before would light that item instead of the next.
  tonnix_test::turnUntil([&] { return count(Note::menuItemSelected) > 0; }, 3000);
  const auto item = expect(Note::menuItemSelected, [&] {
    xdotool({QStringLiteral("key"), QStringLiteral("Down")});
  });
  ASSERT_TRUE(item) << "no menu item lit";
  EXPECT_EQ(text(*item, Attribute::role), QStringLiteral("AXMenuItem"));
  EXPECT_EQ(text(*item, Attribute::title), QStringLiteral("Open"));
  EXPECT_TRUE(expect(Note::menuClosed, [&] {
                xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
              }) == title);
  EXPECT_EQ(count(Note::menuClosed), 1);
}

#ifdef TONNIX_GTK4_FIXTURE
// The drop-down's list opens and closes as a menu, its items lit by the keys.
TEST_F(Gtk4DesktopTest, HearsADropDownListAsAMenu) {
  Application fixture(QStringLiteral(TONNIX_GTK4_FIXTURE), {});
  ASSERT_TRUE(fixture.started());
  const auto window = windowNamed(QStringLiteral("^Tonnix GTK 4 Fixture$"));
  ASSERT_FALSE(window.isEmpty());
  observe(fixture.pid(), {Note::menuOpened, Note::menuClosed, Note::menuItemSelected});
  // The sixth control after the push button, which has the focus.
  const auto list = expect(Note::menuOpened, [&] {
    focusAndType(window, {QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                          QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"),
                          QStringLiteral("space")});
  });
  ASSERT_TRUE(list) << "the drop-down's list was not heard opening";
  EXPECT_TRUE(expect(Note::menuItemSelected, [&] {
    xdotool({QStringLiteral("key"), QStringLiteral("Down")});
  })) << "no item lit";
  EXPECT_TRUE(expect(Note::menuClosed, [&] {
                xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
              }) == list);
  EXPECT_EQ(count(Note::menuClosed), 1);
  EXPECT_EQ(count(Note::menuOpened), 0);
}
#endif

}  // namespace
