#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "click_test_desktop.h"
#include "events/click_monitor.h"
#include "platform/fake/fake_mouse_monitor.h"

namespace {

// Presses as the pointer devices of a Wayland session give them: no position.
class PositionlessMouse : public TonnixFakeMouseMonitor {
 public:
  bool locatesPresses() const override { return false; }
  void press() { TonnixFakeMouseMonitor::press({}); }
  void release() { TonnixFakeMouseMonitor::release({}); }
};

constexpr std::int32_t kOther = 420;

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

  TonnixAXElement control(const QString& role,
                          std::int32_t process = ClickTestDesktop::kApplication) {
    return desktop.addControl(role, {}, {}, std::nullopt, process);
  }
  void focusWindowOf(std::int32_t process) {
    desktop.accessibility.post(desktop.addWindow(process, QStringLiteral("AXStandardWindow")),
                               TonnixAXNotification::focusedWindowChanged);
  }
  // Waits out the press's window, as the event loop does.
  void letTheWindowPass() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 2 * TonnixFocusCorrelator::window.count()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
  }

  ClickTestDesktop desktop;
  PositionlessMouse mouse;
  TonnixClickMonitor monitor{mouse, desktop.makeResolver(), [] { return true; }};
  std::vector<std::string> heard;
};

}  // namespace

// GTK focuses a check box on the press and checks it on the release; with
// the release first, both sounds follow the announcement, in order.
TEST_F(FocusClickTest, TheAnnouncedControlSoundsItsPressAndRelease) {
  const auto checkBox = control(TonnixAXRole::checkBox);
  mouse.press();
  desktop.accessibility.post(checkBox, TonnixAXNotification::focusedUIElementChanged);
  desktop.accessibility.post(checkBox, TonnixAXNotification::valueChanged);
  mouse.release();
  const auto button = control(TonnixAXRole::button);
  mouse.press();
  mouse.release();
  desktop.accessibility.post(button, TonnixAXNotification::valueChanged);
  EXPECT_EQ(heard, (std::vector<std::string>{"MouseDown chkp", "MouseUp chkr", "MouseDown btnp",
                                             "MouseUp btnr"}));
}

// Only the application owning the focused window counts; a press on
// another application's window focuses that window first.
TEST_F(FocusClickTest, OnlyTheFocusedWindowsApplication) {
  focusWindowOf(ClickTestDesktop::kApplication);
  mouse.press();
  desktop.accessibility.post(control(TonnixAXRole::button, kOther),
                             TonnixAXNotification::focusedUIElementChanged);
  EXPECT_TRUE(heard.empty());
  focusWindowOf(kOther);
  desktop.accessibility.post(control(TonnixAXRole::radioButton, kOther),
                             TonnixAXNotification::focusedUIElementChanged);
  EXPECT_EQ(heard, std::vector<std::string>{"MouseDown radp"});
  desktop.accessibility.post(control(TonnixAXRole::button, kOther),
                             TonnixAXNotification::focusedUIElementChanged);
  EXPECT_EQ(heard.size(), 1u) << "an announcement without a press";
}

// Menus sound through their own notifications; an excluded application
// stays silent; a press nothing answers is the generic click, if it is on.
TEST_F(FocusClickTest, SilentOrGeneric) {
  focusWindowOf(kOther);
  mouse.press();
  desktop.accessibility.post(control(TonnixAXRole::menuItem, kOther),
                             TonnixAXNotification::focusedUIElementChanged);
  desktop.excluded.insert(QStringLiteral("org.gnome.Nautilus"));
  mouse.press();
  letTheWindowPass();
  EXPECT_TRUE(heard.empty());
  desktop.excluded.clear();
  mouse.press();
  mouse.release();
  letTheWindowPass();
  EXPECT_EQ(heard, std::vector<std::string>{"MouseDown !mdo"});
  monitor.resolver().setPlaysGenericClick(false);
  mouse.press();
  letTheWindowPass();
  EXPECT_EQ(heard.size(), 1u);
}
