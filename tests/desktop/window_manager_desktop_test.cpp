// What a window manager does to windows, heard through the AT-SPI
// accessibility seam: minimizing, restoring and activating windows of GTK 3's
// demo and of our Qt fixture with xdotool. Runs inside scripts/headless-session
// with TONNIX_HEADLESS_WINDOW_MANAGER=1 (openbox); what each toolkit does not
// announce at all is written down in src/platform/linux/README.md.

#include "desktop_observation.h"

namespace {

namespace Note = TonnixAXNotification;
namespace Attribute = TonnixAXAttribute;
using desktop::Application;
using desktop::windowNamed;
using desktop::xdotool;

class WindowManagerDesktopTest : public desktop::ObservationTest {
 protected:
  void SetUp() override {
    ObservationTest::SetUp();
    if (IsSkipped()) return;
    QProcess desktops;
    desktops.start(QStringLiteral("xdotool"), {QStringLiteral("get_num_desktops")});
    desktops.waitForFinished(desktop::startTimeout);
    if (desktops.exitCode() != 0) GTEST_SKIP() << "needs TONNIX_HEADLESS_WINDOW_MANAGER=1";
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
  const auto second =
      expect(Note::focusedWindowChanged, [&] { focusAndType(window, {QStringLiteral("ctrl+n")}); });
  ASSERT_TRUE(second) << "the new window was not activated";
  EXPECT_EQ(text(*second, Attribute::title), QStringLiteral("Fixture Second Window"));
  const auto first = expect(Note::focusedWindowChanged, [&] {
    xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), window});
  });
  ASSERT_TRUE(first) << "the first window was not activated again";
  EXPECT_EQ(text(*first, Attribute::title), QStringLiteral("Tonnix Fixture"));
}

}  // namespace
