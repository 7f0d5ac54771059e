// Presses on real GTK 4 and Qt 6 controls in a Wayland session (weston's
// headless backend: TONNIX_HEADLESS_WAYLAND=1 scripts/headless-session),
// heard from what the applications announce. No pointer can be moved
// there: the click monitor is told each press as the pointer devices tell
// it, while the application is asked through AT-SPI to do what a press
// does (focus the control, then activate it).

#include <atspi/atspi.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

#include "atspi_tree.h"
#include "desktop_session.h"
#include "event_loop.h"
#include "events/click_monitor.h"
#include "platform/fake/fake_mouse_monitor.h"
#include "platform/fake/fake_workspace.h"
#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_connection.h"

namespace {

class PositionlessMouse : public TonnixFakeMouseMonitor {
 public:
  bool locatesPresses() const override { return false; }
};

struct Control {
  const char* name;
  AtspiRole role;
  const char* pressSound;
  // GTK activates a button by action as by a key: held a quarter second,
  // then let go; a toggle changes on the release.
  int hold = 0;
};

class WaylandClickDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !qEnvironmentVariableIsEmpty("DISPLAY")) {
      GTEST_SKIP() << "needs TONNIX_HEADLESS_WAYLAND=1 scripts/headless-session";
    }
    accessibility_ = std::make_unique<TonnixAtspiAccessibility>();
    ASSERT_NE(accessibility_->connection(), nullptr);
    clicks_ = std::make_unique<TonnixClickMonitor>(
        mouse_,
        std::make_unique<TonnixClickResolver>(*accessibility_, workspace_,
                                              [](const QString&) { return false; }),
        [] { return true; });
    QObject::connect(clicks_.get(), &TonnixClickMonitor::eventOccurred,
                     [this](const TonnixEvent& event) {
                       if (heard_ || event.notificationName != u"MouseDown") return;
                       heard_ = event.soundID.description();
                       milliseconds_ = clock_.nsecsElapsed() / 1e6;
                     });
    clicks_->start();
  }

  // Starts the program and tells its launch as the workspace does: once it
  // is on the accessibility bus.
  AtspiAccessible* launch(const QString& program) {
    application_ = std::make_unique<tonnix_test::Application>(program, QStringList{});
    const auto pid = application_->pid();
    AtspiAccessible* root = nullptr;
    tonnix_test::turnUntil(
        [&] {
          const auto found = accessibility_->connection()->application(pid);
          root = found ? found->root.get() : nullptr;
          return root && atspi_accessible_get_child_count(root, nullptr) > 0;
        },
        tonnix_test::applicationStartTimeout);
    if (root) workspace_.launch({pid, program, std::nullopt});
    return root;
  }

  // Presses each control in turn, three rounds, so that the focus moves
  // each time as it does when one clicks one control after another. The
  // clock runs from the press, or from the release after a hold.
  void pressInTurn(AtspiAccessible* root, const std::vector<Control>& controls,
                   const char* toolkit) {
    int expected = 0;
    std::vector<double> announced;
    for (int round = 0; round < 3; ++round) {
      for (const Control& control : controls) {
        const auto object = tonnix_test::findAccessible(
            root, tonnix_test::withRole(control.role, QString::fromUtf8(control.name)));
        ASSERT_TRUE(object) << control.name;
        heard_.reset();
        clock_.start();
        mouse_.press({});
        atspi_component_grab_focus(ATSPI_COMPONENT(object.get()), nullptr);
        atspi_action_do_action(ATSPI_ACTION(object.get()), 0, nullptr);
        tonnix_test::turnFor(control.hold);
        if (control.hold > 0) clock_.start();
        mouse_.release({});
        tonnix_test::turnUntil([&] { return heard_.has_value(); }, 2000);
        EXPECT_EQ(heard_.value_or("nothing"), control.pressSound) << toolkit << control.name;
        if (heard_ == control.pressSound) ++expected;
        if (heard_ && *heard_ != "!mdo") announced.push_back(milliseconds_);
        tonnix_test::turnFor(3 * static_cast<int>(TonnixFocusCorrelator::window.count()));
      }
    }
    std::sort(announced.begin(), announced.end());
    if (announced.empty()) announced.push_back(0);
    std::printf(
        "%s: %d of %zu presses heard as expected; to an announced control's sound: "
        "median %.1f ms, max %.1f ms\n",
        toolkit, expected, 3 * controls.size(), announced[announced.size() / 2], announced.back());
  }

  std::unique_ptr<TonnixAtspiAccessibility> accessibility_;
  TonnixFakeWorkspace workspace_;
  PositionlessMouse mouse_;
  std::unique_ptr<TonnixClickMonitor> clicks_;
  std::unique_ptr<tonnix_test::Application> application_;
  QElapsedTimer clock_;
  std::optional<std::string> heard_;
  double milliseconds_ = 0;
};

// No window of a headless compositor without a seat is ever active, so
// neither toolkit announces a focus there: a push button is heard as the
// generic click, as any press nothing is announced for. A toggle's change
// is announced whatever has the focus. GTK 4.8's check buttons have no
// action, and its toggle button says it is a push button.
TEST_F(WaylandClickDesktopTest, Gtk4ControlsByWhatTheyAnnounce) {
#ifndef TONNIX_GTK4_FIXTURE
  GTEST_SKIP() << "needs libgtk-4-dev";
#else
  AtspiAccessible* root = launch(QStringLiteral(TONNIX_GTK4_FIXTURE));
  ASSERT_NE(root, nullptr) << "the GTK 4 fixture never reached the accessibility bus";
  pressInTurn(root,
              {{"Toggle Me", ATSPI_ROLE_PUSH_BUTTON, "btnp", 250},
               {"Press Me", ATSPI_ROLE_PUSH_BUTTON, "!mdo", 250}},
              "GTK 4");
#endif
}

TEST_F(WaylandClickDesktopTest, Qt6ControlsByWhatTheyAnnounce) {
  AtspiAccessible* root = launch(QStringLiteral(TONNIX_QT_FIXTURE));
  ASSERT_NE(root, nullptr) << "the Qt fixture never reached the accessibility bus";
  pressInTurn(
      root,
      {{"Check Me", ATSPI_ROLE_CHECK_BOX, "chkp"}, {"Press Me", ATSPI_ROLE_PUSH_BUTTON, "!mdo"}},
      "Qt 6");
}

}  // namespace
