// Starting and stopping, the attach cycle, launches and quits, time-outs,
// counts and the status text.

#include <gtest/gtest.h>

#include "controller_desktop.h"

using controller_test::ControllerDesktop;
using tonnix_test::turnFor;
using tonnix_test::turnUntil;

namespace {

QString appID(int pid) {
  return QStringLiteral("org.example.App%1").arg(pid);
}

void addApplications(ControllerDesktop& desktop, int first, int count) {
  for (int pid = first; pid < first + count; ++pid) {
    desktop.workspace.addApplication({pid, QStringLiteral("App %1").arg(pid), appID(pid)});
  }
}

bool attachDone(ControllerDesktop& desktop) {
  return turnUntil([&] { return !desktop.controller().attacher().isAttaching(); });
}

TEST(ControllerAttach, AttachesEligibleApplicationsActiveFirstCountingUp) {
  ControllerDesktop desktop;
  TonnixRunningApplication panel{10, QStringLiteral("Panel"), appID(10)};
  panel.activationPolicy = TonnixActivationPolicy::accessory;
  TonnixRunningApplication active{12, QStringLiteral("Active"), appID(12)};
  active.isActive = true;
  TonnixRunningApplication daemon{20, QStringLiteral("Daemon"), appID(20)};
  daemon.activationPolicy = TonnixActivationPolicy::prohibited;
  TonnixRunningApplication gone{21, QStringLiteral("Gone"), appID(21)};
  gone.isTerminated = true;
  for (const auto& application :
       {panel, TonnixRunningApplication{11, QStringLiteral("Ordinary"), appID(11)}, active,
        TonnixRunningApplication{13, QStringLiteral("Terminal"), std::nullopt}, daemon, gone,
        TonnixRunningApplication{0, QStringLiteral("Kernel"), appID(0)},
        TonnixRunningApplication{ControllerDesktop::ownProcess, QStringLiteral("Tonnix"),
                                 QStringLiteral("org.tonnix.Tonnix")},
        TonnixRunningApplication{22, QStringLiteral("Excluded"), appID(22)}}) {
    desktop.workspace.addApplication(application);
  }
  addApplications(desktop, 100, 26);
  desktop.exclusions.exclude(appID(22));
  auto& controller = desktop.controller();
  std::vector<int> progress;
  std::vector<int> order;
  QObject::connect(&controller.attacher(), &TonnixApplicationAttacher::applicationsAttachedChanged,
                   [&] {
                     progress.push_back(controller.attacher().applicationsAttached());
                     for (int pid : {10, 11, 12, 13}) {
                       if (controller.attacher().observer(pid) &&
                           std::find(order.begin(), order.end(), pid) == order.end()) {
                         order.push_back(pid);
                       }
                     }
                   });

  testing::internal::CaptureStderr();
  controller.start();
  EXPECT_TRUE(controller.attacher().isAttaching());
  EXPECT_EQ(controller.attacher().applicationsToAttach(), 30);
  EXPECT_EQ(controller.attacher().observedApplicationCount(), 0)
      << "attaching waits for the event loop";
  ASSERT_TRUE(attachDone(desktop));

  std::vector<int> expected(30);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(order, std::vector<int>({12, 11, 13, 10}));
  EXPECT_EQ(controller.attacher().observedApplicationCount(), 30);
  const int namesPerApplication = static_cast<int>(defaultNotificationMappings().size()) - 1;
  EXPECT_EQ(controller.attacher().registeredNotificationCount(), 30 * namesPerApplication);
  EXPECT_EQ(desktop.accessibility.messagingTimeout(desktop.accessibility.applicationElement(100)),
            0.25);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no diagnostic";
  EXPECT_EQ(controller.failureDescription(), std::nullopt);
}

TEST(ControllerAttach, StopInTheMiddleSilencesThePlayerAndLeavesNothingBehind) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 30);
  auto& controller = desktop.controller();
  controller.start();
  EXPECT_EQ(desktop.workspace.observerCount(), 5u);
  controller.dispatcher().handle(
      {.notificationName = QStringLiteral("AXMenuOpened"), .soundID = TonnixSoundID("mnuo")});
  EXPECT_EQ(desktop.audio.playingCount(), 1);
  ASSERT_TRUE(turnUntil([&] { return controller.attacher().applicationsAttached() >= 3; }));
  controller.stop();

  EXPECT_EQ(desktop.audio.playingCount(), 0);
  EXPECT_EQ(desktop.workspace.observerCount(), 0u);
  EXPECT_FALSE(controller.isRunning());
  EXPECT_FALSE(controller.attacher().isAttaching());
  EXPECT_EQ(controller.attacher().applicationsAttached(), 0);
  EXPECT_EQ(controller.attacher().applicationsToAttach(), 0);
  EXPECT_EQ(controller.attacher().observedApplicationCount(), 0);
  EXPECT_EQ(controller.attacher().registeredNotificationCount(), 0);
  turnFor(50);
  for (int pid = 100; pid < 130; ++pid) {
    EXPECT_EQ(desktop.accessibility.observerCount(pid), 0) << pid;
  }
  EXPECT_EQ(controller.attacher().applicationsAttached(), 0) << "the cancelled task went on";

  // A rescan while stopped only clears the progress.
  controller.rescan();
  EXPECT_FALSE(controller.attacher().isAttaching());
  turnFor(20);
  EXPECT_EQ(desktop.accessibility.observerCount(100), 0);
  controller.start();
  EXPECT_EQ(desktop.workspace.observerCount(), 5u) << "installed once per start";
}

TEST(ControllerAttach, ALaunchIsAttachedAtOnceAndASecondLaterButNeverWhenExcluded) {
  ControllerDesktop desktop;
  desktop.exclusions.exclude(appID(45), QStringLiteral("Secret"));
  auto& controller = desktop.controller();
  controller.start();
  // Not ready at launch: its observer cannot be made yet.
  desktop.accessibility.failObserverCreation(40, TonnixAXError::failure);
  desktop.workspace.launch({40, QStringLiteral("Slow"), appID(40)});
  desktop.workspace.launch({41, QStringLiteral("Quick"), appID(41)});
  desktop.workspace.launch({45, QStringLiteral("Secret"), appID(45)});
  EXPECT_EQ(controller.attacher().failedObserverCount(), 1);
  EXPECT_EQ(controller.attacher().observer(40), nullptr);
  EXPECT_NE(controller.attacher().observer(41), nullptr) << "attached at once";
  EXPECT_EQ(desktop.played(), QStringList(3, QStringLiteral("flap")));

  desktop.accessibility.failObserverCreation(40, std::nullopt);
  ASSERT_TRUE(turnUntil([&] { return controller.attacher().observer(40) != nullptr; }));
  turnFor(100);
  EXPECT_EQ(desktop.accessibility.observerCount(41), 1) << "attached twice";
  EXPECT_EQ(desktop.accessibility.observerCount(45), 0);
  EXPECT_EQ(controller.attacher().observedApplicationCount(), 2);
  EXPECT_EQ(controller.applications().afflictedApplications().size(), 3u);
}

// A quit within the second leaves no observer behind under the old name for
// whoever gets the process id next, and an application still starting up
// is attached properly the second time.
TEST(ControllerAttach, TheSecondAttachFollowsWhatRunsThen) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  controller.start();
  desktop.workspace.launch({60, QStringLiteral("Brief"), appID(60)});
  desktop.workspace.terminate(60);
  const auto slow = desktop.accessibility.applicationElement(61);
  desktop.accessibility.setAttributeError(slow, TonnixAXAttribute::windows,
                                          TonnixAXError::cannotComplete);
  desktop.workspace.launch({61, QStringLiteral("Slow"), appID(61)});
  ASSERT_TRUE(controller.attacher().timeouts().contains(61));
  const auto window = desktop.accessibility.addElement(61);
  desktop.accessibility.setAttribute(slow, TonnixAXAttribute::windows,
                                     TonnixAXValue::Array{TonnixAXValue(window)});

  ASSERT_TRUE(turnUntil([&] { return !controller.attacher().timeouts().contains(61); }));
  ASSERT_NE(controller.attacher().observer(61), nullptr);
  EXPECT_EQ(controller.attacher().observer(61)->trackedElements().size(), 1u);
  EXPECT_EQ(controller.attacher().observer(60), nullptr);
  desktop.workspace.launch({60, QStringLiteral("Other"), appID(62)});
  controller.applications().exclude(appID(62));
  EXPECT_EQ(controller.attacher().observer(60), nullptr);
  EXPECT_EQ(controller.attacher().observedApplicationCount(), 1);
}

TEST(ControllerAttach, AQuitSoundsTearsTheObserverDownAndForgetsTheProcess) {
  ControllerDesktop desktop;
  desktop.exclusions.exclude(QStringLiteral("org.example.Hidden"), QStringLiteral("Hidden"));
  desktop.workspace.addApplication(
      {51, QStringLiteral("Hidden"), QStringLiteral("org.example.Hidden")});
  auto& controller = desktop.controller();
  controller.dispatcher().setMonitoring(true);
  controller.start();
  desktop.workspace.launch({50, QStringLiteral("Editor"), appID(50)});
  ASSERT_NE(controller.attacher().observer(50), nullptr);
  const auto window = desktop.accessibility.addElement(50);
  desktop.accessibility.post(window, TonnixAXNotification::menuOpened);

  desktop.workspace.terminate(50);
  EXPECT_EQ(controller.attacher().observer(50), nullptr);
  EXPECT_EQ(desktop.accessibility.observerCount(50), 0);
  EXPECT_EQ(controller.attacher().observedApplicationCount(), 0);
  EXPECT_EQ(controller.attacher().registeredNotificationCount(), 0);
  // An application never observed sounds its quit too.
  desktop.workspace.terminate(51);
  EXPECT_EQ(desktop.monitorLines.last(),
            QStringLiteral("Tonnix: App Quit -> !aqt (plays) from Hidden"));
  const TonnixEvent& quit = controller.dispatcher().recentEvents().back();
  EXPECT_EQ(quit.origin, TonnixEventOrigin::system);
  EXPECT_EQ(quit.detail, QStringLiteral("Hidden"));
  EXPECT_EQ(controller.applications().afflictedApplications().size(), 1u)
      << "only the exclusion is left";

  // The id comes back as another application: the log gives it its own section.
  desktop.workspace.launch({50, QStringLiteral("Viewer"), appID(52)});
  desktop.accessibility.post(window, TonnixAXNotification::menuOpened);
  QStringList sections;
  for (const auto& section : controller.log().sections()) sections.append(section.name);
  EXPECT_TRUE(sections.contains(QStringLiteral("Viewer"))) << qPrintable(sections.join(u','));
  EXPECT_TRUE(sections.contains(QStringLiteral("Editor")));
}

TEST(ControllerAttach, AnApplicationThatDoesNotAnswerIsNotedWithItsDuration) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 1);
  desktop.accessibility.setUnresponsive(100, true);
  auto& controller = desktop.controller();
  controller.start();
  ASSERT_TRUE(attachDone(desktop));
  EXPECT_EQ(controller.attacher().failedObserverCount(), 1);
  ASSERT_TRUE(controller.attacher().timeouts().contains(100));
  EXPECT_EQ(controller.attacher().timeouts().at(100).registeredNotificationCount, 0);
  ASSERT_EQ(controller.applications().afflictedApplications().size(), 1u);
  EXPECT_TRUE(controller.applications().afflictedApplications().front().timeout.has_value());

  desktop.accessibility.setUnresponsive(100, false);
  controller.rescan();
  ASSERT_TRUE(attachDone(desktop));
  EXPECT_FALSE(controller.attacher().timeouts().contains(100))
      << "a later attach that answers clears it";
  EXPECT_FALSE(controller.applications().afflictedApplications().front().timeout.has_value());
}

TEST(ControllerAttach, DeniedRegistrationsAreReportedAfterTheCycle) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 2);
  desktop.denyRegistrations(100);
  desktop.denyRegistrations(101);
  auto& controller = desktop.controller();
  testing::internal::CaptureStderr();
  controller.start();
  ASSERT_TRUE(attachDone(desktop));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "TonnixController: attached to 2 applications but registered 0 notifications. "
            "Accessibility access is denied.\n");
  EXPECT_EQ(controller.failureDescription(),
            QStringLiteral("Attached to 2 applications but registered no notifications. "
                           "Accessibility access was probably revoked; try Rescan Apps."));
}

TEST(ControllerAttach, StatusTextNamesTheFirstProblemAndSignalsItsChanges) {
  ControllerDesktop desktop({}, false);
  auto& controller = desktop.controller();
  EXPECT_EQ(
      controller.failureDescription(),
      QStringLiteral(
          "No sound sets installed. Import one in the Sound Sets tab, or with tonnix import."));
  int changes = 0;
  QObject::connect(&controller, &TonnixController::failureDescriptionChanged, [&] { ++changes; });

  for (const auto kind :
       {TonnixMouseEventKind::leftMouseDown, TonnixMouseEventKind::leftMouseDragged,
        TonnixMouseEventKind::leftMouseUp}) {
    desktop.mouse.setRefusesInstall(kind, true);
  }
  controller.start();
  EXPECT_EQ(controller.failureDescription(),
            QStringLiteral("Clicks are switched on but no mouse monitor could be installed."));
  EXPECT_EQ(changes, 1);
  controller.setPlaysClickSounds(false);
  EXPECT_EQ(changes, 2);
  controller.setPlaysClickSounds(true);

  desktop.accessibility.status().trusted = false;
  EXPECT_TRUE(controller.failureDescription().value_or(QString()).startsWith(
      QStringLiteral("Accessibility access has not been granted. Switch it on with Grant…")));

  desktop.workspace.setSandboxed(true);
  EXPECT_EQ(controller.failureDescription(),
            QStringLiteral("The app is sandboxed, so it cannot observe other applications. Give "
                           "its Flatpak access to the accessibility bus "
                           "(--talk-name=org.a11y.Bus) and relaunch."));
  testing::internal::CaptureStderr();
  controller.rescan();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "TonnixController: running sandboxed, so no other application can be observed. The "
            "Flatpak needs --talk-name=org.a11y.Bus.\n");
}

}  // namespace
