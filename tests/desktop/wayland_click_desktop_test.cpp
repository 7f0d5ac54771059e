// Presses on real GTK 4 and Qt 6 controls in a Wayland session (weston's
// headless backend, TONNIX_HEADLESS_WAYLAND=1 scripts/headless-session),
// heard through the click monitor from what the applications announce.
// Nothing can move a pointer there: each press is told to the click monitor
// as the pointer devices would tell it, and the application is driven as a
// press drives it, through AT-SPI: the control takes the focus (the press),
// then is activated (the release).

#include <atspi/atspi.h>
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "desktop_session.h"
#include "event_loop.h"
#include "events/click_monitor.h"
#include "platform/fake/fake_mouse_monitor.h"
#include "platform/fake/fake_workspace.h"
#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_connection.h"

namespace {

using tonnix_test::Application;

// The pointer devices of a Wayland session: presses without a position.
class PositionlessMouse : public TonnixFakeMouseMonitor {
 public:
  bool locatesPresses() const override { return false; }
};

struct Control {
  const char* name;
  AtspiRole role;
  // The press sound it is to make.
  const char* press;
  // GTK activates a button by action as by a key: held down for a quarter
  // second, then released; its toggle comes with the release.
  int hold = 0;
};

// The first object of that role and name under `root`, breadth first.
AtspiAccessible* find(AtspiAccessible* root, AtspiRole role, const char* name) {
  std::vector<AtspiAccessible*> queue{static_cast<AtspiAccessible*>(g_object_ref(root))};
  AtspiAccessible* found = nullptr;
  for (std::size_t index = 0; index < queue.size() && !found && index < 3000; ++index) {
    AtspiAccessible* object = queue[index];
    gchar* objectName = atspi_accessible_get_name(object, nullptr);
    if (atspi_accessible_get_role(object, nullptr) == role && objectName &&
        g_strcmp0(objectName, name) == 0) {
      found = static_cast<AtspiAccessible*>(g_object_ref(object));
    }
    g_free(objectName);
    const int count = atspi_accessible_get_child_count(object, nullptr);
    for (int child = 0; child < count; ++child) {
      if (auto* next = atspi_accessible_get_child_at_index(object, child, nullptr)) {
        queue.push_back(next);
      }
    }
  }
  for (auto* object : queue) g_object_unref(object);
  return found;
}

class WaylandClickDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !qEnvironmentVariableIsEmpty("DISPLAY")) {
      GTEST_SKIP() << "needs TONNIX_HEADLESS_WAYLAND=1 scripts/headless-session";
    }
    accessibility_ = std::make_unique<TonnixAtspiAccessibility>();
    ASSERT_NE(accessibility_->connection(), nullptr);
    auto resolver = std::make_unique<TonnixClickResolver>(*accessibility_, workspace_,
                                                          [](const QString&) { return false; });
    clicks_ =
        std::make_unique<TonnixClickMonitor>(mouse_, std::move(resolver), [] { return true; });
    QObject::connect(clicks_.get(), &TonnixClickMonitor::eventOccurred,
                     [this](const TonnixEvent& event) {
                       if (!pressHeard_ && event.notificationName == u"MouseDown") {
                         pressHeard_ = event.soundID.description();
                         pressMilliseconds_ = clock_.nsecsElapsed() / 1e6;
                       }
                     });
    clicks_->start();
  }

  void TearDown() override {
    clicks_.reset();
    application_.reset();
    accessibility_.reset();
  }

  AtspiAccessible* launch(const QString& program) {
    application_ = std::make_unique<Application>(program, QStringList{});
    if (!application_->started()) return nullptr;
    const auto pid = application_->pid();
    AtspiAccessible* root = nullptr;
    tonnix_test::turnUntil(
        [&] {
          const auto found = accessibility_->connection()->application(pid);
          if (found) root = found->root.get();
          return root != nullptr && atspi_accessible_get_child_count(root, nullptr) > 0;
        },
        tonnix_test::applicationStartTimeout);
    // As the workspace tells it: once the application is on the bus.
    if (root) workspace_.launch({pid, program, std::nullopt});
    return root;
  }

  // Presses the control as a pointer would, through the application's own
  // accessibility interface, and gives the press sound heard. The clock
  // runs from the press, or from the release where the toolkit acts only
  // `hold` milliseconds after it is asked to.
  std::optional<std::string> press(AtspiAccessible* control, int hold) {
    pressHeard_.reset();
    clock_.start();
    mouse_.press({});
    atspi_component_grab_focus(ATSPI_COMPONENT(control), nullptr);
    atspi_action_do_action(ATSPI_ACTION(control), 0, nullptr);
    if (hold > 0) {
      tonnix_test::turnFor(hold);
      clock_.start();
    }
    mouse_.release({});
    tonnix_test::turnUntil([&] { return pressHeard_.has_value(); }, 2000);
    if (pressHeard_ && *pressHeard_ != "!mdo") latencies_.push_back(pressMilliseconds_);
    // The generic click's window passes before the next press.
    tonnix_test::turnFor(3 * static_cast<int>(TonnixFocusCorrelator::window.count()));
    return pressHeard_;
  }

  // Presses each control in turn, a few rounds; the focus moves each time,
  // as it does when the user clicks one control after another.
  void pressInTurn(AtspiAccessible* root, const std::vector<Control>& controls,
                   const char* toolkit) {
    constexpr int rounds = 3;
    int matched = 0;
    for (int round = 0; round < rounds; ++round) {
      for (const Control& control : controls) {
        AtspiAccessible* object = find(root, control.role, control.name);
        ASSERT_NE(object, nullptr) << control.name;
        const auto heard = press(object, control.hold);
        g_object_unref(object);
        EXPECT_EQ(heard.value_or("nothing"), control.press) << toolkit << " " << control.name;
        if (heard == control.press) ++matched;
      }
    }
    std::sort(latencies_.begin(), latencies_.end());
    std::printf(
        "%s: %d of %zu presses heard as expected; to the sound of an announced control "
        "(from the press, or from the release after a hold): median %.1f ms, max %.1f ms\n",
        toolkit, matched, rounds * controls.size(),
        latencies_.empty() ? 0.0 : latencies_[latencies_.size() / 2],
        latencies_.empty() ? 0.0 : latencies_.back());
  }

  std::unique_ptr<TonnixAtspiAccessibility> accessibility_;
  TonnixFakeWorkspace workspace_;
  PositionlessMouse mouse_;
  std::unique_ptr<TonnixClickMonitor> clicks_;
  std::unique_ptr<Application> application_;
  QElapsedTimer clock_;
  std::optional<std::string> pressHeard_;
  double pressMilliseconds_ = 0;
  std::vector<double> latencies_;
};

// Without a seat, no window of the headless compositor is ever active, so
// neither toolkit announces a focus there: a push button's press is heard
// as the generic click, as on any press nothing is announced for. A
// toggle's change is announced whatever has the focus.
TEST_F(WaylandClickDesktopTest, Gtk4ControlsByWhatTheyAnnounce) {
#ifndef TONNIX_GTK4_FIXTURE
  GTEST_SKIP() << "needs libgtk-4-dev";
#else
  AtspiAccessible* root = launch(QStringLiteral(TONNIX_GTK4_FIXTURE));
  ASSERT_NE(root, nullptr) << "the GTK 4 fixture never reached the accessibility bus";
  // GTK 4.8's check buttons offer no action to press them by, and its
  // toggle button says it is a push button (one that is pressed or not).
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
