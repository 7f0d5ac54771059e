// Starting and stopping, the attach cycle, launches and quits, time-outs,
// counts and the status text.

#include <gtest/gtest.h>

#include "controller_desktop.h"

using controller_test::ControllerDesktop;
using controller_test::turnFor;
using controller_test::turnUntil;

namespace {

QString appID(int pid) {
  return QStringLiteral("org.example.App%1").arg(pid);
}

void addApplications(ControllerDesktop& desktop, int first, int count) {
  for (int pid = first; pid < first + count; ++pid) {
    desktop.workspace.addApplication({pid, QStringLiteral("App %1").arg(pid), appID(pid)});
  }
}

// Every registration on the process's element is refused, as when
// accessibility access is denied.
void denyRegistrations(ControllerDesktop& desktop, std::int32_t pid) {
  const auto element = desktop.accessibility.applicationElement(pid);
  for (const auto& mapping : allNotificationMappings()) {
    desktop.accessibility.failRegistration(element, mapping.notification.rawValue,
                                           TonnixAXError::apiDisabled);
  }
}

TEST(ControllerAttach, AttachesEveryEligibleApplicationCountingUp) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 30);
  auto& controller = desktop.controller();
  std::vector<int> progress;
  QObject::connect(&controller, &TonnixController::applicationsAttachedChanged,
                   [&] { progress.push_back(controller.applicationsAttached()); });

  controller.start();
  EXPECT_TRUE(controller.isAttaching());
  EXPECT_EQ(controller.applicationsToAttach(), 30);
  EXPECT_EQ(controller.observedApplicationCount(), 0) << "attaching waits for the event loop";
  ASSERT_TRUE(turnUntil([&] { return !controller.isAttaching(); }));

  std::vector<int> expected(30);
  std::iota(expected.begin(), expected.end(), 1);
  EXPECT_EQ(progress, expected);
  EXPECT_EQ(controller.observedApplicationCount(), 30);
  const int namesPerApplication = static_cast<int>(defaultNotificationMappings().size()) - 1;
  EXPECT_EQ(controller.registeredNotificationCount(), 30 * namesPerApplication);
  EXPECT_EQ(desktop.accessibility.messagingTimeout(desktop.accessibility.applicationElement(100)),
            0.25);
  EXPECT_TRUE(desktop.console.isEmpty());
}

TEST(ControllerAttach, AttachesTheActiveApplicationFirstThenOrdinaryOnes) {
  ControllerDesktop desktop;
  TonnixRunningApplication panel{10, QStringLiteral("Panel"), appID(10)};
  panel.activationPolicy = TonnixActivationPolicy::accessory;
  TonnixRunningApplication active{12, QStringLiteral("Active"), appID(12)};
  active.isActive = true;
  desktop.workspace.addApplication(panel);
  desktop.workspace.addApplication({11, QStringLiteral("Ordinary"), appID(11)});
  desktop.workspace.addApplication(active);
  desktop.workspace.addApplication({13, QStringLiteral("Other"), appID(13)});
  auto& controller = desktop.controller();
  std::vector<int> order;
  QObject::connect(&controller, &TonnixController::applicationsAttachedChanged, [&] {
    for (int pid : {10, 11, 12, 13}) {
      if (controller.observer(pid) && std::find(order.begin(), order.end(), pid) == order.end()) {
        order.push_back(pid);
      }
    }
  });
  controller.start();
  ASSERT_TRUE(turnUntil([&] { return !controller.isAttaching(); }));
  EXPECT_EQ(order, std::vector<int>({12, 11, 13, 10}));
}

TEST(ControllerAttach, SkipsIneligibleProcesses) {
  ControllerDesktop desktop;
  TonnixRunningApplication daemon{20, QStringLiteral("Daemon"), appID(20)};
  daemon.activationPolicy = TonnixActivationPolicy::prohibited;
  TonnixRunningApplication gone{21, QStringLiteral("Gone"), appID(21)};
  gone.isTerminated = true;
  desktop.workspace.addApplication(daemon);
  desktop.workspace.addApplication(gone);
  desktop.workspace.addApplication({0, QStringLiteral("Kernel"), appID(0)});
  desktop.workspace.addApplication({ControllerDesktop::ownProcess, QStringLiteral("Tonnix"),
                                    QStringLiteral("org.tonnix.Tonnix")});
  desktop.workspace.addApplication({22, QStringLiteral("Excluded"), appID(22)});
  desktop.workspace.addApplication({23, QStringLiteral("Terminal"), std::nullopt});
  desktop.exclusions->exclude(appID(22));
  auto& controller = desktop.controller();
  controller.start();
  EXPECT_EQ(controller.applicationsToAttach(), 1);
  ASSERT_TRUE(turnUntil([&] { return !controller.isAttaching(); }));
  EXPECT_NE(controller.observer(23), nullptr) << "no application id is no reason to skip";
  EXPECT_EQ(controller.observedApplicationCount(), 1);
}

TEST(ControllerAttach, StopInTheMiddleLeavesNothingBehind) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 30);
  auto& controller = desktop.controller();
  controller.start();
  ASSERT_TRUE(turnUntil([&] { return controller.applicationsAttached() >= 3; }));
  controller.stop();

  EXPECT_FALSE(controller.isRunning());
  EXPECT_FALSE(controller.isAttaching());
  EXPECT_EQ(controller.applicationsAttached(), 0);
  EXPECT_EQ(controller.applicationsToAttach(), 0);
  EXPECT_EQ(controller.observedApplicationCount(), 0);
  EXPECT_EQ(controller.registeredNotificationCount(), 0);
  turnFor(50);
  for (int pid = 100; pid < 130; ++pid) {
    EXPECT_EQ(desktop.accessibility.observerCount(pid), 0) << pid;
  }
  EXPECT_EQ(controller.applicationsAttached(), 0) << "the cancelled task went on";
}

TEST(ControllerAttach, StopSilencesThePlayerAndEndsEveryObservation) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  controller.start();
  EXPECT_EQ(desktop.workspace.observerCount(), 4u);
  controller.handle(
      {.notificationName = QStringLiteral("AXMenuOpened"), .soundID = TonnixSoundID("mnuo")});
  EXPECT_EQ(desktop.audio.playingCount(), 1);
  controller.stop();
  EXPECT_EQ(desktop.audio.playingCount(), 0);
  EXPECT_EQ(desktop.workspace.observerCount(), 0u);
  controller.start();
  EXPECT_EQ(desktop.workspace.observerCount(), 4u) << "installed once per start";
}

TEST(ControllerAttach, RescanWhileStoppedOnlyClearsTheProgress) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 2);
  auto& controller = desktop.controller();
  controller.rescan();
  EXPECT_FALSE(controller.isAttaching());
  EXPECT_EQ(controller.applicationsToAttach(), 0);
  turnFor(20);
  EXPECT_EQ(desktop.accessibility.observerCount(100), 0);
  EXPECT_EQ(desktop.workspace.observerCount(), 0u);
}

TEST(ControllerAttach, RescanKeepsAttachedApplicationsAndAddsNewOnes) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 2);
  auto& controller = desktop.controller();
  controller.start();
  ASSERT_TRUE(turnUntil([&] { return !controller.isAttaching(); }));
  addApplications(desktop, 102, 1);
  controller.rescan();
  EXPECT_EQ(controller.applicationsToAttach(), 1);
  ASSERT_TRUE(turnUntil([&] { return !controller.isAttaching(); }));
  EXPECT_EQ(controller.observedApplicationCount(), 3);
  EXPECT_EQ(desktop.accessibility.observerCount(100), 1);
}

TEST(ControllerAttach, ALaunchedApplicationIsAttachedAtOnceAndOnceMoreASecondLater) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  controller.start();
  // Not ready at launch: its observer cannot be made yet.
  desktop.accessibility.failObserverCreation(40, TonnixAXError::failure);
  desktop.workspace.launch({40, QStringLiteral("Slow"), appID(40)});
  desktop.workspace.launch({41, QStringLiteral("Quick"), appID(41)});
  EXPECT_EQ(controller.failedObserverCount(), 1);
  EXPECT_EQ(controller.observer(40), nullptr);
  EXPECT_NE(controller.observer(41), nullptr) << "attached at once";
  EXPECT_EQ(desktop.played, QStringList({QStringLiteral("flap"), QStringLiteral("flap")}));

  desktop.accessibility.failObserverCreation(40, std::nullopt);
  ASSERT_TRUE(turnUntil([&] { return controller.observer(40) != nullptr; }));
  turnFor(100);
  EXPECT_EQ(desktop.accessibility.observerCount(41), 1) << "attached twice";
  EXPECT_EQ(controller.observedApplicationCount(), 2);
  EXPECT_EQ(controller.afflictedApplications().size(), 2u);
}

TEST(ControllerAttach, AnExcludedApplicationIsNeverAttachedEvenWhenLaunched) {
  ControllerDesktop desktop;
  desktop.exclusions->exclude(appID(45), QStringLiteral("Secret"));
  auto& controller = desktop.controller();
  controller.start();
  desktop.workspace.launch({45, QStringLiteral("Secret"), appID(45)});
  EXPECT_EQ(desktop.played, QStringList{QStringLiteral("flap")});
  turnFor(1100);
  EXPECT_EQ(desktop.accessibility.observerCount(45), 0);
  EXPECT_EQ(controller.failedObserverCount(), 0);
}

TEST(ControllerAttach, AQuitTearsTheObserverDownAndForgetsTheProcess) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  controller.setMonitoring(true);
  controller.start();
  desktop.workspace.launch({50, QStringLiteral("Editor"), appID(50)});
  ASSERT_NE(controller.observer(50), nullptr);
  const auto window = desktop.accessibility.addElement(50);
  desktop.accessibility.post(window, TonnixAXNotification::menuOpened);

  desktop.workspace.terminate(50);
  EXPECT_EQ(controller.observer(50), nullptr);
  EXPECT_EQ(desktop.accessibility.observerCount(50), 0);
  EXPECT_EQ(controller.observedApplicationCount(), 0);
  EXPECT_EQ(controller.registeredNotificationCount(), 0);
  EXPECT_TRUE(controller.afflictedApplications().empty());
  EXPECT_EQ(desktop.console.last(), QStringLiteral("Tonnix: App Quit -> !aqt (plays) from Editor"));

  // The id comes back as another application: the log gives it its own section.
  desktop.workspace.launch({50, QStringLiteral("Viewer"), appID(51)});
  desktop.accessibility.post(window, TonnixAXNotification::menuOpened);
  QStringList sections;
  for (const auto& section : controller.log().sections()) sections.append(section.name);
  EXPECT_TRUE(sections.contains(QStringLiteral("Viewer")))
      << qPrintable(sections.join(QLatin1Char(',')));
  EXPECT_TRUE(sections.contains(QStringLiteral("Editor")));
}

TEST(ControllerAttach, AnApplicationThatDoesNotAnswerIsNotedWithItsDuration) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 1);
  desktop.accessibility.setUnresponsive(100, true);
  auto& controller = desktop.controller();
  controller.start();
  ASSERT_TRUE(turnUntil([&] { return !controller.isAttaching(); }));
  EXPECT_EQ(controller.failedObserverCount(), 1);
  ASSERT_TRUE(controller.timeouts().contains(100));
  EXPECT_EQ(controller.timeouts().at(100).registeredNotificationCount, 0);
  ASSERT_EQ(controller.afflictedApplications().size(), 1u);
  EXPECT_TRUE(controller.afflictedApplications().front().timeout.has_value());

  desktop.accessibility.setUnresponsive(100, false);
  controller.rescan();
  ASSERT_TRUE(turnUntil([&] { return !controller.isAttaching(); }));
  EXPECT_FALSE(controller.timeouts().contains(100)) << "a later attach that answers clears it";
  EXPECT_FALSE(controller.afflictedApplications().front().timeout.has_value());
}

TEST(ControllerAttach, AnApplicationThatStopsAnsweringStaysPartlyObserved) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 1);
  const auto element = desktop.accessibility.applicationElement(100);
  const auto& names = defaultNotificationMappings();
  desktop.accessibility.failRegistration(element, names.at(2).notification.rawValue,
                                         TonnixAXError::cannotComplete);
  desktop.accessibility.failRegistration(element, names.at(3).notification.rawValue,
                                         TonnixAXError::cannotComplete);
  auto& controller = desktop.controller();
  controller.start();
  ASSERT_TRUE(turnUntil([&] { return !controller.isAttaching(); }));
  EXPECT_EQ(controller.observedApplicationCount(), 1);
  EXPECT_EQ(controller.registeredNotificationCount(), 2);
  ASSERT_TRUE(controller.timeouts().contains(100));
  EXPECT_EQ(controller.timeouts().at(100).registeredNotificationCount, 2);
}

TEST(ControllerAttach, DeniedRegistrationsAreReportedAfterTheCycle) {
  ControllerDesktop desktop;
  addApplications(desktop, 100, 2);
  denyRegistrations(desktop, 100);
  denyRegistrations(desktop, 101);
  auto& controller = desktop.controller();
  controller.start();
  ASSERT_TRUE(turnUntil([&] { return !controller.isAttaching(); }));
  EXPECT_EQ(desktop.console,
            QStringList{QStringLiteral("TonnixController: attached to 2 applications but "
                                       "registered 0 notifications. Accessibility access is "
                                       "denied.")});
  EXPECT_EQ(controller.failureDescription(),
            QStringLiteral("Attached to 2 applications but registered no notifications. "
                           "Accessibility access was probably revoked; try Rescan Apps."));
}

TEST(ControllerAttach, CountsArePublishedOnlyWhenTheyChange) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  int observedSignals = 0;
  int registeredSignals = 0;
  QObject::connect(&controller, &TonnixController::observedApplicationCountChanged,
                   [&] { ++observedSignals; });
  QObject::connect(&controller, &TonnixController::registeredNotificationCountChanged,
                   [&] { ++registeredSignals; });
  controller.start();
  desktop.workspace.launch({60, QStringLiteral("One"), appID(60)});
  denyRegistrations(desktop, 61);
  desktop.workspace.launch({61, QStringLiteral("Deaf"), appID(61)});
  EXPECT_EQ(observedSignals, 2);
  EXPECT_EQ(registeredSignals, 1) << "the second application registered nothing";
}

TEST(ControllerAttach, StatusTextNamesTheFirstProblem) {
  ControllerDesktop desktop({}, false);
  auto& controller = desktop.controller();
  EXPECT_EQ(controller.failureDescription(),
            QStringLiteral("No sound sets installed. Open the Sound Sets tab to import one."));

  desktop.mouse.setRefusesInstall(TonnixMouseEventKind::leftMouseDown, true);
  desktop.mouse.setRefusesInstall(TonnixMouseEventKind::leftMouseDragged, true);
  desktop.mouse.setRefusesInstall(TonnixMouseEventKind::leftMouseUp, true);
  controller.start();
  EXPECT_EQ(controller.failureDescription(),
            QStringLiteral("Clicks are switched on but no mouse monitor could be installed."));

  desktop.accessibility.setProcessTrusted(false);
  EXPECT_EQ(controller.failureDescription(),
            QStringLiteral("Accessibility access has not been granted."));

  desktop.workspace.setSandboxed(true);
  EXPECT_EQ(controller.failureDescription(),
            QStringLiteral("The app is sandboxed, so it cannot observe other applications. Set "
                           "ENABLE_APP_SANDBOX to NO and relaunch."));
  controller.rescan();
  EXPECT_EQ(desktop.console.value(0),
            QStringLiteral("TonnixController: running sandboxed, so no other application can be "
                           "observed. ENABLE_APP_SANDBOX must be NO."));
}

TEST(ControllerAttach, StatusTextChangesAreSignalled) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  ASSERT_EQ(controller.failureDescription(), std::nullopt);
  int changes = 0;
  QObject::connect(&controller, &TonnixController::failureDescriptionChanged, [&] { ++changes; });
  desktop.mouse.setRefusesInstall(TonnixMouseEventKind::leftMouseDown, true);
  desktop.mouse.setRefusesInstall(TonnixMouseEventKind::leftMouseDragged, true);
  desktop.mouse.setRefusesInstall(TonnixMouseEventKind::leftMouseUp, true);
  controller.start();
  EXPECT_EQ(changes, 1);
  controller.setPlaysClickSounds(false);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(controller.failureDescription(), std::nullopt);
}

}  // namespace
