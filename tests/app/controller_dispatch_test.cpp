// The controller's event path: monitor lines, recent events, playing and
// logging, the switches, and the events made from workspace changes.

#include <gtest/gtest.h>

#include "controller_desktop.h"

using controller_test::ControllerDesktop;

namespace {

template <std::size_t N>
TonnixEvent event(const char (&code)[N], std::optional<QString> name = QStringLiteral("TextEdit"),
                  std::int32_t pid = 42) {
  return {.notificationName = QStringLiteral("AXMenuOpened"),
          .soundID = TonnixSoundID(code),
          .processIdentifier = pid,
          .applicationName = std::move(name)};
}

TEST(ControllerDispatch, MonitorLinesNameTheEventSoundStatusAndSource) {
  ControllerDesktop desktop({TonnixSoundID("wact")});
  auto& controller = desktop.controller();
  controller.dispatcher().setMonitoring(true);
  controller.dispatcher().handle(event("mnuo"));
  controller.dispatcher().handle(event("mnuc", std::nullopt, 4242));
  controller.dispatcher().handle(event("wact"));
  EXPECT_EQ(desktop.monitorLines,
            QStringList({QStringLiteral("Tonnix: AXMenuOpened -> mnuo (plays) from TextEdit"),
                         QStringLiteral("Tonnix: AXMenuOpened -> mnuc (plays) from pid 4242"),
                         QStringLiteral(
                             "Tonnix: AXMenuOpened -> wact (no sound assigned) from TextEdit")}));
  EXPECT_EQ(desktop.played(), QStringList({QStringLiteral("mnuo"), QStringLiteral("mnuc")}));
  EXPECT_EQ(controller.log().entryCount(), 2) << "an event without a sound is not logged";
}

TEST(ControllerDispatch, KeepsTheTwelveNewestEventsOldestFirstOnlyWhileMonitoring) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  controller.dispatcher().setMonitoring(true);
  for (int pid = 1; pid <= 13; ++pid)
    controller.dispatcher().handle(event("mnuo", std::nullopt, pid));
  ASSERT_EQ(controller.dispatcher().recentEvents().size(), 12u);
  EXPECT_EQ(controller.dispatcher().recentEvents().front().processIdentifier, 2);
  EXPECT_EQ(controller.dispatcher().recentEvents().back().processIdentifier, 13);

  controller.dispatcher().setMonitoring(false);
  controller.dispatcher().handle(event("mnuo", QStringLiteral("Quiet"), 14));
  EXPECT_EQ(controller.dispatcher().recentEvents().back().processIdentifier, 13)
      << "turning monitoring off leaves the list as it is";
  EXPECT_EQ(desktop.monitorLines.size(), 13) << "no line without monitoring";
  EXPECT_EQ(desktop.played().size(), 14);
  EXPECT_EQ(controller.log().sections().front().name, QStringLiteral("Quiet"));

  const int logged = controller.log().soundCount();
  controller.player().setEnabled(false);
  controller.dispatcher().handle(event("mnuo", QStringLiteral("Quiet"), 14));
  EXPECT_EQ(controller.log().soundCount(), logged) << "a declined sound is not logged";
}

TEST(ControllerDispatch, AFreshStorePlaysClicksButObservesNothingAndStoredSwitchesAreRead) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  EXPECT_TRUE(controller.playsClickSounds());
  EXPECT_TRUE(controller.playsGenericClickSound());
  EXPECT_TRUE(controller.clickMonitor().resolver().playsGenericClick());
  EXPECT_FALSE(controller.playsNotificationSounds());

  controller.startIfEnabled();
  EXPECT_FALSE(controller.isRunning());
  EXPECT_TRUE(desktop.mouse.installedKinds().empty()) << "clicks follow the controller";

  controller.setPlaysNotificationSounds(true);
  EXPECT_TRUE(controller.isRunning());
  EXPECT_EQ(desktop.mouse.installedKinds().size(), 3u);
  EXPECT_EQ(desktop.preferences.value(QStringLiteral("TonnixPlaysNotificationSounds")),
            QVariant(true));

  // The click switches are stored and take effect at once.
  controller.setPlaysClickSounds(false);
  EXPECT_TRUE(desktop.mouse.installedKinds().empty());
  EXPECT_EQ(desktop.preferences.value(QStringLiteral("TonnixPlaysClickSounds")), QVariant(false));
  controller.setPlaysClickSounds(true);
  EXPECT_EQ(desktop.mouse.installedKinds().size(), 3u);
  controller.setPlaysGenericClickSound(false);
  EXPECT_FALSE(controller.clickMonitor().resolver().playsGenericClick());
  EXPECT_EQ(desktop.preferences.value(QStringLiteral("TonnixPlaysGenericClickSound")),
            QVariant(false));

  controller.setPlaysNotificationSounds(false);
  EXPECT_FALSE(controller.isRunning());
  EXPECT_TRUE(desktop.mouse.installedKinds().empty());

  // A controller made on a store already written reads its switches.
  ControllerDesktop stored;
  stored.preferences.setBool(QStringLiteral("TonnixPlaysClickSounds"), false);
  stored.preferences.setBool(QStringLiteral("TonnixPlaysGenericClickSound"), false);
  stored.preferences.setBool(QStringLiteral("TonnixPlaysNotificationSounds"), true);
  stored.controller().startIfEnabled();
  EXPECT_FALSE(stored.controller().playsClickSounds());
  EXPECT_FALSE(stored.controller().clickMonitor().resolver().playsGenericClick());
  EXPECT_TRUE(stored.controller().isRunning());
  EXPECT_TRUE(stored.mouse.installedKinds().empty()) << "clicks are switched off";
}

// A volume is named by its localized name, else by its mount point.
TEST(ControllerDispatch, LaunchAndDiskEventsSoundOnlyWhileRunning) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  controller.dispatcher().setMonitoring(true);
  desktop.workspace.mount({QStringLiteral("Early"), std::nullopt});
  EXPECT_TRUE(desktop.played().isEmpty());

  controller.start();
  desktop.workspace.launch({60, QStringLiteral("Notes"), QStringLiteral("org.example.Notes")});
  desktop.workspace.mount({QStringLiteral("Photos"), std::filesystem::path("/media/me/DCIM")});
  desktop.workspace.mount({QString(), std::filesystem::path("/media/me/BACKUP/")});
  desktop.workspace.unmount({std::nullopt, std::filesystem::path("/")});
  EXPECT_EQ(desktop.monitorLines,
            QStringList({QStringLiteral("Tonnix: App Launched -> flap (plays) from Notes"),
                         QStringLiteral("Tonnix: Disk Mounted -> dski (plays) from Photos"),
                         QStringLiteral("Tonnix: Disk Mounted -> dski (plays) from BACKUP"),
                         QStringLiteral("Tonnix: Disk Ejected -> dske (plays) from pid 0")}));
  EXPECT_EQ(controller.dispatcher().recentEvents().at(1).detail, QStringLiteral("Photos"));
  EXPECT_EQ(controller.dispatcher().recentEvents().back().detail, std::nullopt);

  controller.stop();
  EXPECT_EQ(desktop.workspace.observerCount(), 0u);
  desktop.workspace.unmount({QStringLiteral("Photos"), std::nullopt});
  EXPECT_EQ(desktop.played().size(), 4);
}

// GTK 3 minimizes every top-level window of the application, and the window
// manager tells what the application told already.
TEST(ControllerDispatch, AWindowActionToldTwiceIsHeardOnceAndWindowManagerActionsAsMapped) {
  namespace Note = TonnixAXNotification;
  ControllerDesktop desktop;
  desktop.exclusions.exclude(QStringLiteral("org.example.Secret"));
  auto& controller = desktop.controller();
  controller.start();
  desktop.workspace.launch({60, QStringLiteral("Notes"), QStringLiteral("org.example.Notes")});
  desktop.workspace.launch({61, QStringLiteral("Secret"), QStringLiteral("org.example.Secret")});
  desktop.workspace.launch({62, QStringLiteral("Term"), std::nullopt});
  desktop.audio.clearCalls();
  desktop.accessibility.post(desktop.accessibility.addElement(60), Note::windowMiniaturized);
  desktop.accessibility.post(desktop.accessibility.addElement(60), Note::windowMiniaturized);
  desktop.workspace.changeWindow(60, Note::windowMiniaturized);
  desktop.workspace.changeWindow(60, Note::windowMoved);
  desktop.workspace.changeWindow(61, Note::windowMoved);
  desktop.workspace.changeWindow(62, Note::windowMiniaturized);
  desktop.workspace.changeWindow(62, Note::mainWindowChanged);
  EXPECT_EQ(desktop.played(),
            QStringList({QStringLiteral("wcol"), QStringLiteral("wmov"), QStringLiteral("wcol")}));
}

TEST(ControllerDispatch, SilencePeriodsAreRecordedInTheLog) {
  ControllerDesktop desktop;
  auto& controller = desktop.controller();
  desktop.silence.setFreshness(0);
  desktop.silence.setEnabled(true, TonnixSilenceReason::focus);
  desktop.silenceProbe->setAnswer(TonnixFakeSilenceProbe::Test::focus, true);
  controller.dispatcher().handle(event("mnuo"));
  EXPECT_EQ(controller.log().activeSilenceReason(), TonnixSilenceReason::focus);
  EXPECT_EQ(controller.log().entryCount(), 0);

  desktop.silenceProbe->setAnswer(TonnixFakeSilenceProbe::Test::focus, false);
  controller.dispatcher().handle(event("mnuo"));
  EXPECT_EQ(controller.log().activeSilenceReason(), std::nullopt);
  EXPECT_EQ(controller.log().entryCount(), 1);
}

// That a click is heard and logged is shown on the simulated desktop. The
// pointer moving or coming to rest wakes the output under the same terms.
TEST(ControllerDispatch, ClicksAreResolvedAndTheOutputWokenOnlyWhileRunningWithAnEnabledPlayer) {
  ControllerDesktop desktop;
  desktop.workspace.addApplication(
      {70, QStringLiteral("Form"), QStringLiteral("org.example.Form")});
  const auto button = desktop.accessibility.addElement(70);
  desktop.accessibility.setAttribute(button, TonnixAXAttribute::role, TonnixAXRole::button);
  desktop.accessibility.place(button, QRectF(10, 10, 80, 20));
  auto& controller = desktop.controller();
  const auto stir = [&] {
    desktop.mouse.post(TonnixMouseEventKind::pointerMoved, {});
    desktop.mouse.post(TonnixMouseEventKind::pointerRested, {20, 15});
  };
  stir();
  desktop.mouse.press({20, 15});
  EXPECT_TRUE(desktop.played().isEmpty());
  controller.start();

  controller.player().setEnabled(false);
  stir();
  desktop.mouse.press({20, 15});
  EXPECT_FALSE(controller.clickMonitor().tracker().target.has_value())
      << "a disabled player is not asked to resolve presses";
  EXPECT_EQ(desktop.audio.wakeCount(), 0);
  controller.player().setEnabled(true);
  stir();
  desktop.mouse.press({20, 15});
  EXPECT_EQ(desktop.played(), QStringList{QStringLiteral("btnp")});
  EXPECT_EQ(desktop.audio.wakeCount(), 2);
}

}  // namespace
