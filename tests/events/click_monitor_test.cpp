#include "events/click_monitor.h"

#include <gtest/gtest.h>

#include "click_test_desktop.h"
#include "event_loop.h"
#include "platform/fake/fake_mouse_monitor.h"

namespace {

const QRectF kButton(200, 100, 60, 20);
const QPointF kInsideButton = kButton.center();
const QPointF kOutsideButton(500, 500);

struct Heard {
  QString phase;
  TonnixSoundID sound;
  friend bool operator==(const Heard&, const Heard&) = default;
};

void PrintTo(const Heard& heard, std::ostream* out) {
  *out << heard.phase.toStdString() << " " << heard.sound.description();
}

class ClickMonitorTest : public testing::Test {
 protected:
  ClickMonitorTest() {
    QObject::connect(&monitor, &TonnixClickMonitor::eventOccurred,
                     [this](const TonnixEvent& event) { events.push_back(event); });
    monitor.start();
  }

  std::vector<Heard> heard() const {
    std::vector<Heard> phases;
    for (const TonnixEvent& event : events)
      phases.push_back({event.notificationName, event.soundID});
    return phases;
  }

  ClickTestDesktop desktop;
  TonnixFakeMouseMonitor mouse;
  bool resolves = true;
  int resolveQuestions = 0;
  TonnixClickMonitor monitor{mouse, desktop.makeResolver(), [this] {
                               ++resolveQuestions;
                               return resolves;
                             }};
  std::vector<TonnixEvent> events;
};

}  // namespace

TEST_F(ClickMonitorTest, PressExitEnterRelease) {
  desktop.addControl(QStringLiteral("AXButton"), {}, kButton);
  mouse.press(kInsideButton);
  mouse.drag(kInsideButton + QPointF(5, 2));
  mouse.drag(kInsideButton + QPointF(-5, -2));
  mouse.drag(kOutsideButton);
  mouse.drag(kOutsideButton + QPointF(10, 10));
  mouse.drag(kInsideButton);
  mouse.release(kInsideButton);
  EXPECT_EQ(heard(), (std::vector<Heard>{{"MouseDown", TonnixSoundID("btnp")},
                                         {"MouseExit", TonnixSoundID("btnx")},
                                         {"MouseEnter", TonnixSoundID("btne")},
                                         {"MouseUp", TonnixSoundID("btnr")}}));
  for (const TonnixEvent& event : events) {
    EXPECT_FALSE(event.detail);
    EXPECT_FALSE(event.element);
  }
  EXPECT_FALSE(monitor.tracker().target);
}

// A press the resolver turns down leaves the control pressed before alone.
TEST_F(ClickMonitorTest, ShouldResolveIsAskedOnlyAtThePress) {
  desktop.addControl(QStringLiteral("AXButton"), {}, kButton);
  resolves = false;
  mouse.press(kInsideButton);
  EXPECT_TRUE(events.empty());
  EXPECT_FALSE(monitor.tracker().target);

  resolves = true;
  mouse.press(kInsideButton);
  mouse.press(kOutsideButton);
  ASSERT_TRUE(monitor.tracker().target);
  resolves = false;
  mouse.drag(kOutsideButton);
  mouse.drag(kInsideButton);
  mouse.release(kInsideButton);
  EXPECT_EQ(events.size(), 4u);
  EXPECT_EQ(heard().back(), (Heard{"MouseUp", TonnixSoundID("btnr")}));
  EXPECT_EQ(resolveQuestions, 3);
}

TEST_F(ClickMonitorTest, APressWhileTrackingReplacesTheTarget) {
  desktop.addControl(QStringLiteral("AXButton"), {}, kButton);
  desktop.addControl(QStringLiteral("AXPopUpButton"), {}, {0, 0, 50, 50});
  mouse.press(kInsideButton);
  mouse.press({10, 10});
  mouse.release({10, 10});
  EXPECT_EQ(heard(), (std::vector<Heard>{{"MouseDown", TonnixSoundID("btnp")},
                                         {"MouseDown", TonnixSoundID("popp")},
                                         {"MouseUp", TonnixSoundID("popr")}}));
}

TEST_F(ClickMonitorTest, StartInstallsThreeMonitorsOnceAndTheRefusedAreMissing) {
  EXPECT_EQ(mouse.installedKinds(),
            (std::vector<TonnixMouseEventKind>{TonnixMouseEventKind::leftMouseDown,
                                               TonnixMouseEventKind::leftMouseDragged,
                                               TonnixMouseEventKind::leftMouseUp}));
  monitor.start();
  EXPECT_EQ(mouse.installAttempts(), 5) << "and moves, and rests as changes are followed";
  EXPECT_EQ(mouse.installedKinds().size(), 3u);
  EXPECT_TRUE(monitor.hasInstalledMonitors());

  monitor.stop();
  mouse.setRefusesInstall(TonnixMouseEventKind::leftMouseDragged, true);
  monitor.start();
  EXPECT_EQ(mouse.installedKinds(),
            (std::vector<TonnixMouseEventKind>{TonnixMouseEventKind::leftMouseDown,
                                               TonnixMouseEventKind::leftMouseUp}));
  monitor.stop();
  mouse.setRefusesInstall(TonnixMouseEventKind::leftMouseDown, true);
  mouse.setRefusesInstall(TonnixMouseEventKind::leftMouseUp, true);
  int changes = 0;
  QObject::connect(&monitor, &TonnixClickMonitor::installedMonitorsChanged,
                   [&changes] { ++changes; });
  monitor.start();
  EXPECT_FALSE(monitor.hasInstalledMonitors());
  EXPECT_EQ(changes, 0);
}

// A press exactly where the pointer rested asks no one, each request of the
// resolution bounded by the resolver's own time-out; a press anywhere else,
// after a change, or where the application did not answer at rest, is
// resolved afresh and never plays a stale control.
TEST_F(ClickMonitorTest, APressWhereThePointerRestedReusesItsResolutionUntilAChange) {
  const TonnixAXElement control = desktop.addControl(QStringLiteral("AXButton"), {}, kButton);
  desktop.accessibility.setUnresponsive(ClickTestDesktop::kApplication, true);
  mouse.post(TonnixMouseEventKind::pointerRested, kInsideButton);
  desktop.accessibility.setUnresponsive(ClickTestDesktop::kApplication, false);
  mouse.press(kInsideButton);
  mouse.release(kInsideButton);
  mouse.post(TonnixMouseEventKind::pointerRested, kOutsideButton);
  mouse.post(TonnixMouseEventKind::pointerRested, kInsideButton);
  EXPECT_EQ(desktop.accessibility.hitTestBound(), TonnixClickResolver::messagingTimeout);
  const int hitTests = desktop.accessibility.hitTestCount();
  const int reads =
      desktop.accessibility.singleReadCount() + desktop.accessibility.batchReadCount();
  mouse.press(kInsideButton);
  mouse.release(kInsideButton);
  EXPECT_EQ(desktop.accessibility.hitTestCount(), hitTests);
  EXPECT_EQ(desktop.accessibility.singleReadCount() + desktop.accessibility.batchReadCount(),
            reads);

  desktop.accessibility.setAttribute(control, TonnixAXAttribute::role,
                                     QStringLiteral("AXCheckBox"));
  mouse.press(kInsideButton + QPointF(1, 0));
  desktop.accessibility.changeLayout();
  mouse.press(kInsideButton);
  EXPECT_EQ(desktop.accessibility.hitTestCount(), hitTests + 2);
  EXPECT_EQ(heard(), (std::vector<Heard>{{"MouseDown", TonnixSoundID("btnp")},
                                         {"MouseUp", TonnixSoundID("btnr")},
                                         {"MouseDown", TonnixSoundID("btnp")},
                                         {"MouseUp", TonnixSoundID("btnr")},
                                         {"MouseDown", TonnixSoundID("chkp")},
                                         {"MouseDown", TonnixSoundID("chkp")}}));
}

// The pointer stays where it clicked, and no rest is told again: the place
// is resolved once each click's own changes have passed, so that press
// after press there asks no one.
TEST_F(ClickMonitorTest, PressAfterPressWhereThePointerStaysAsksNoOne) {
  desktop.addControl(QStringLiteral("AXButton"), {}, kButton);
  mouse.post(TonnixMouseEventKind::pointerRested, kInsideButton);
  for (int click = 0; click < 5; ++click) {
    const int hitTests = desktop.accessibility.hitTestCount();
    mouse.press(kInsideButton);
    EXPECT_EQ(desktop.accessibility.hitTestCount(), hitTests) << "click " << click;
    desktop.accessibility.changeLayout();
    mouse.release(kInsideButton);
    tonnix_test::turnFor(250);
  }
  EXPECT_EQ(heard().back(), (Heard{"MouseUp", TonnixSoundID("btnr")}));
}

TEST_F(ClickMonitorTest, ForgetDropsOneProcessAndStopRemovesResetsAndForgetsAll) {
  desktop.addControl(QStringLiteral("AXButton"), {}, kButton);
  mouse.press(kInsideButton);
  ASSERT_FALSE(monitor.resolver().identities().empty());
  monitor.forget(ClickTestDesktop::kApplication);
  EXPECT_TRUE(monitor.resolver().identities().empty());
  EXPECT_TRUE(monitor.tracker().target) << "forgetting a process does not end its click";
  mouse.press(kInsideButton);
  ASSERT_FALSE(monitor.resolver().identities().empty());
  int changes = 0;
  QObject::connect(&monitor, &TonnixClickMonitor::installedMonitorsChanged,
                   [&changes] { ++changes; });
  monitor.stop();
  monitor.stop();
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(mouse.installedKinds().empty());
  EXPECT_FALSE(monitor.hasInstalledMonitors());
  EXPECT_FALSE(monitor.tracker().target);
  EXPECT_TRUE(monitor.tracker().isInside);
  EXPECT_TRUE(monitor.resolver().identities().empty());

  // A release after stopping finds nothing to release, even once restarted.
  mouse.release(kInsideButton);
  monitor.start();
  mouse.release(kInsideButton);
  EXPECT_EQ(events.size(), 2u);
}
