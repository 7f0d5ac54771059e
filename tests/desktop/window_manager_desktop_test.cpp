// What a window manager does to windows, heard through the AT-SPI
// accessibility seam: minimizing, restoring and activating windows of GTK 3's
// demo and of our Qt fixture with xdotool. Runs inside scripts/headless-session
// with TONNIX_HEADLESS_WINDOW_MANAGER=1 (openbox); what each toolkit does not
// announce at all is written down in src/platform/linux/NOTES.md.

#include "accessibility_observation.h"

namespace {

namespace Note = TonnixAXNotification;
namespace Attribute = TonnixAXAttribute;
using tonnix_test::Application;
using tonnix_test::focusAndType;
using tonnix_test::windowNamed;
using tonnix_test::xdotool;

class WindowManagerDesktopTest : public tonnix_test::ObservationTest {
 protected:
  void SetUp() override {
    ObservationTest::SetUp();
    if (IsSkipped()) return;
    int status = -1;
    xdotool({QStringLiteral("get_num_desktops")}, &status);
    if (status != 0) GTEST_SKIP() << "needs TONNIX_HEADLESS_WINDOW_MANAGER=1";
  }
};

TEST_F(WindowManagerDesktopTest, HearsAGtk3WindowMinimizedAndRestored) {
  Application demo(QStringLiteral("gtk3-demo"), {QStringLiteral("--run=dialog")});
  ASSERT_TRUE(demo.started());
  const auto window = windowNamed(QStringLiteral("^Dialogs and Message Boxes$"));
  ASSERT_FALSE(window.isEmpty());
  observe(demo.pid(), {Note::windowMiniaturized, Note::windowDeminiaturized});
  const auto minimized = expect(Note::windowMiniaturized, [&] {
    xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), window});
  });
  ASSERT_TRUE(minimized) << "no window minimized";
  EXPECT_EQ(text(*minimized, Attribute::role), QStringLiteral("AXWindow"));
  const auto restored = expect(Note::windowDeminiaturized, [&] {
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
  });
  ASSERT_TRUE(restored) << "no window restored";
  EXPECT_EQ(text(*restored, Attribute::role), QStringLiteral("AXWindow"));
}

TEST_F(WindowManagerDesktopTest, HearsTheActiveQtWindowChange) {
  Application fixture(QStringLiteral(TONNIX_QT_FIXTURE), {});
  ASSERT_TRUE(fixture.started());
  const auto window = windowNamed(QStringLiteral("^Tonnix Fixture$"));
  ASSERT_FALSE(window.isEmpty());
  observe(fixture.pid(), {Note::focusedWindowChanged});
  // Focusing the first window to type may itself be heard first.
  EXPECT_TRUE(expect(
      Note::focusedWindowChanged, [&] { focusAndType(window, {QStringLiteral("ctrl+n")}); },
      tonnix_test::eventTimeout, QStringLiteral("Fixture Second Window")))
      << "the new window was not activated";
  EXPECT_TRUE(expect(
      Note::focusedWindowChanged,
      [&] {
        xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
      },
      tonnix_test::eventTimeout, QStringLiteral("Tonnix Fixture")))
      << "the first window was not activated again";
}

}  // namespace
