// Windows minimized and restored by openbox, heard through AT-SPI; how each
// toolkit announces activation is pinned by the event translator's tests.

#include "accessibility_observation.h"

namespace {

namespace Note = TonnixAXNotification;
namespace Attribute = TonnixAXAttribute;
using tonnix_test::Application;
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

}  // namespace
