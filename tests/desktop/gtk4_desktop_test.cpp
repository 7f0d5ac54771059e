// The AT-SPI accessibility seam watching GTK 4 (4.8) applications from
// gtk-4-examples, driven by synthetic keys and clicks. GTK 4 announces
// windows and menus differently from GTK 3 (src/platform/linux/NOTES.md).

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
    if (QStandardPaths::findExecutable(QStringLiteral("gtk4-demo")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("gtk4-widget-factory")).isEmpty()) {
      GTEST_SKIP() << "needs gtk-4-examples";
    }
  }
};

TEST_F(Gtk4DesktopTest, HearsADialogOpenAndClose) {
  Application demo(QStringLiteral("gtk4-demo"), {QStringLiteral("--run=dialog")});
  ASSERT_TRUE(demo.started());
  const auto window = windowNamed(QStringLiteral("^Dialogs$"));
  ASSERT_FALSE(window.isEmpty());
  observe(demo.pid(), {Note::windowCreated});
  // The focused button is "Message Dialog". A window that has only just
  // appeared may let the first key go by.
  const auto dialog = expect(
      Note::windowCreated, [&] { focusAndType(window, {QStringLiteral("space")}); }, 2000);
  ASSERT_TRUE(dialog) << "no dialog opened";
  EXPECT_EQ(count(Note::windowCreated), 1);
  EXPECT_EQ(text(*dialog, Attribute::role), QStringLiteral("AXWindow"));
  EXPECT_EQ(text(*dialog, Attribute::subrole), QStringLiteral("AXDialog"));
  ASSERT_TRUE(observer_->addNotification(*dialog, Note::uiElementDestroyed));
  // The dialog may take the keyboard a moment after it was announced.
  EXPECT_TRUE(expect(
                  Note::uiElementDestroyed,
                  [&] {
                    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
                  },
                  2000) == dialog);
  EXPECT_EQ(count(Note::windowCreated), 0);
}

TEST_F(Gtk4DesktopTest, HearsAMenuBarMenuOpenLightItsItemsAndClose) {
  Application demo(QStringLiteral("gtk4-demo"), {QStringLiteral("--run=application_demo")});
  ASSERT_TRUE(demo.started());
  const auto window = windowNamed(QStringLiteral("^Application Class$"));
  ASSERT_FALSE(window.isEmpty());
  // The demo runs in a program of its own, which ends with the session.
  const auto pid = tonnix_test::windowProcess(window);
  ASSERT_GT(pid, 0);
  observe(pid, {Note::menuOpened, Note::menuClosed, Note::menuItemSelected});
  const auto title = expect(
      Note::menuOpened, [&] { focusAndType(window, {QStringLiteral("F10")}); }, 2000);
  ASSERT_TRUE(title) << "no menu opened";
  EXPECT_EQ(count(Note::menuOpened), 1);
  EXPECT_EQ(text(*title, Attribute::role), QStringLiteral("AXMenuBarItem"));
  EXPECT_EQ(text(*title, Attribute::title), QStringLiteral("Application"));
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

TEST_F(Gtk4DesktopTest, HearsAMenuButtonsPopoverOpenAndClose) {
  Application factory(QStringLiteral("gtk4-widget-factory"), {});
  ASSERT_TRUE(factory.started());
  const auto window = windowNamed(QStringLiteral("^GTK Widget Factory$"));
  ASSERT_FALSE(window.isEmpty());
  observe(factory.pid(), {Note::menuOpened, Note::menuClosed});
  // The primary menu's button in the header bar, at the top right of the
  // window that Xvfb places at the origin.
  const auto button = expect(
      Note::menuOpened,
      [&] {
        xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                 QStringLiteral("1182"), QStringLiteral("22"), QStringLiteral("click"),
                 QStringLiteral("1")});
      },
      2000);
  ASSERT_TRUE(button) << "no menu opened";
  EXPECT_EQ(text(*button, Attribute::role), QStringLiteral("AXButton"));
  EXPECT_TRUE(expect(Note::menuClosed, [&] {
                xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
              }) == button);
}

}  // namespace
