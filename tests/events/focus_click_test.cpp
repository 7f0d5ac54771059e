#include <gtest/gtest.h>

#include "click_test_desktop.h"
#include "event_loop.h"
#include "events/click_monitor.h"
#include "platform/fake/fake_mouse_monitor.h"

namespace {

namespace Note = TonnixAXNotification;
constexpr std::int32_t kOther = 420;

// Presses as the pointer devices of a Wayland session tell them: no position.
class PositionlessMouse : public TonnixFakeMouseMonitor {
 public:
  bool locatesPresses() const override { return false; }
};

class FocusClickTest : public testing::Test {
 protected:
  FocusClickTest() {
    desktop.workspace.addApplication(
        {kOther, QStringLiteral("Files"), QStringLiteral("org.gnome.Nautilus")});
    QObject::connect(
        &monitor, &TonnixClickMonitor::eventOccurred, [this](const TonnixEvent& event) {
          heard.push_back(event.notificationName.toStdString() + ' ' + event.soundID.description());
        });
    monitor.start();
  }

  void announce(const QString& role, const QString& notification,
                std::int32_t process = ClickTestDesktop::kApplication) {
    desktop.accessibility.post(desktop.addControl(role, {}, {}, std::nullopt, process),
                               notification);
  }
  TonnixAXElement focusWindowOf(std::int32_t process) {
    const auto window = desktop.addWindow(process, QStringLiteral("AXStandardWindow"));
    desktop.accessibility.post(window, Note::focusedWindowChanged);
    return window;
  }
  void letTheWindowPass() {
    tonnix_test::turnFor(2 * static_cast<int>(TonnixFocusCorrelator::window.count()));
  }

  ClickTestDesktop desktop;
  PositionlessMouse mouse;
  TonnixClickMonitor monitor{mouse, desktop.makeResolver(), [] { return true; }};
  std::vector<std::string> heard;
};

}  // namespace

// A check box focused on the press; a button whose release came before its
// announcement; a check box checked on the release of a press held past
// the window: each sounds its press and release, in order.
TEST_F(FocusClickTest, TheAnnouncedControlSoundsItsPressAndRelease) {
  mouse.press({});
  announce(TonnixAXRole::checkBox, Note::focusedUIElementChanged);
  mouse.release({});
  mouse.press({});
  mouse.release({});
  announce(TonnixAXRole::button, Note::valueChanged);
  mouse.press({});
  letTheWindowPass();
  mouse.release({});
  announce(TonnixAXRole::checkBox, Note::valueChanged);
  EXPECT_EQ(heard, (std::vector<std::string>{"MouseDown chkp", "MouseUp chkr", "MouseDown btnp",
                                             "MouseUp btnr", "MouseDown chkp", "MouseUp chkr"}));
}

// Only the application owning the focused window counts; a press on
// another application's window focuses that window first, which is no
// control.
TEST_F(FocusClickTest, OnlyTheFocusedWindowsApplication) {
  focusWindowOf(ClickTestDesktop::kApplication);
  mouse.press({});
  announce(TonnixAXRole::button, Note::focusedUIElementChanged, kOther);
  EXPECT_TRUE(heard.empty());
  const auto window = focusWindowOf(kOther);
  desktop.accessibility.post(window, Note::focusedUIElementChanged);
  announce(TonnixAXRole::radioButton, Note::focusedUIElementChanged, kOther);
  announce(TonnixAXRole::button, Note::focusedUIElementChanged, kOther);
  EXPECT_EQ(heard, std::vector<std::string>{"MouseDown radp"});
}

// Menus sound through their own notifications; an excluded application
// stays silent; a press nothing answers is the generic click, if it is on.
TEST_F(FocusClickTest, SilentOrGeneric) {
  focusWindowOf(kOther);
  mouse.press({});
  announce(TonnixAXRole::menuItem, Note::focusedUIElementChanged, kOther);
  desktop.excluded.insert(QStringLiteral("org.gnome.Nautilus"));
  mouse.press({});
  mouse.release({});
  letTheWindowPass();
  EXPECT_TRUE(heard.empty());
  desktop.excluded.clear();
  mouse.press({});
  mouse.release({});
  letTheWindowPass();
  monitor.resolver().setPlaysGenericClick(false);
  mouse.press({});
  mouse.release({});
  letTheWindowPass();
  EXPECT_EQ(heard, std::vector<std::string>{"MouseDown !mdo"});
}
