// The General tab as a user sees and uses it.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <fstream>

#include "settings_desktop.h"

using tonnix_test::turnUntil;
using ui_test::click;
using ui_test::named;
using ui_test::SettingsDesktop;
using ui_test::withText;

TEST(GeneralTab, StatusLineAndTestSoundFollowWhatPlays) {
  SettingsDesktop desktop;
  auto& controller = desktop.controller();
  auto tab = desktop.showGeneralTab();
  auto& status = named<QLabel>(*tab, "status");
  auto& testSound = withText<QPushButton>(*tab, QStringLiteral("Test Sound"));
  EXPECT_EQ(status.text(), QString::number(controller.player().audibleEventCount()) +
                               QStringLiteral(" events will play, from Test"));
  click(testSound);
  ASSERT_EQ(desktop.audio.plays().size(), 1u);
  EXPECT_EQ(desktop.audio.plays()[0].file.filename(), "MenuOpen.aiff");

  desktop.assignments.setSelection(TonnixSelection::silent(), TonnixSoundID("mnuo"));
  EXPECT_FALSE(testSound.isEnabled());
  desktop.assignments.setBaselineIdentifier(std::nullopt);
  EXPECT_EQ(status.text(), QStringLiteral("0 events will play, from None"));

  controller.transfer().importSets({"/nowhere/Missing.tonnixset"});
  ASSERT_TRUE(turnUntil([&] { return !controller.transfer().isImportingSets(); }));
  EXPECT_EQ(status.text(), controller.transfer().lastFailureDescription().value_or(QString()));
}

TEST(GeneralTab, SwitchesAndVolumeWriteThroughAndFollowTheirState) {
  SettingsDesktop desktop;
  auto& controller = desktop.controller();
  auto& player = controller.player();
  auto tab = desktop.showGeneralTab();

  click(withText<QCheckBox>(*tab, QStringLiteral("Play sounds for accessibility notifications")));
  EXPECT_TRUE(controller.playsNotificationSounds());
  click(withText<QCheckBox>(*tab, QStringLiteral("Play sounds for clicks on controls")));
  EXPECT_FALSE(controller.playsClickSounds());
  click(withText<QCheckBox>(*tab, QStringLiteral("Play sounds for all clicks")));
  EXPECT_FALSE(controller.playsGenericClickSound());
  click(withText<QCheckBox>(*tab, QStringLiteral("Auto-pan with the pointer")));
  EXPECT_TRUE(desktop.preferences.values().value(TonnixPlayer::autoPanKey).toBool());
  click(withText<QCheckBox>(*tab, QStringLiteral("Log notifications from other apps")));
  EXPECT_TRUE(controller.dispatcher().isMonitoring());

  auto& volume = *tab->findChild<QSlider*>();
  QTest::keyClick(&volume, Qt::Key_PageDown);
  EXPECT_DOUBLE_EQ(desktop.preferences.values().value(TonnixPlayer::masterVolumeKey).toDouble(),
                   0.9);

  controller.setPlaysClickSounds(true);
  player.setMasterVolume(0.25);
  EXPECT_TRUE(
      withText<QCheckBox>(*tab, QStringLiteral("Play sounds for clicks on controls")).isChecked());
  EXPECT_EQ(volume.value(), 25);
}

TEST(GeneralTab, SilenceSummaryFollowsTheChosenReasonsAndTheActiveOne) {
  SettingsDesktop desktop;
  for (const auto reason : allSilenceReasons) desktop.silence.setEnabled(false, reason);
  auto tab = desktop.showGeneralTab();
  auto& summary = named<QToolButton>(*tab, "silenceSummary");
  EXPECT_EQ(summary.text(), QStringLiteral("Never go quiet on their own"));
  auto& focus = withText<QCheckBox>(*tab, title(TonnixSilenceReason::focus));
  EXPECT_FALSE(focus.isVisible()) << "the reasons start collapsed";

  click(summary);
  ASSERT_TRUE(focus.isVisible());
  EXPECT_TRUE(withText<QLabel>(*tab, explanation(TonnixSilenceReason::focus)).isVisible());
  click(focus);
  EXPECT_EQ(summary.text(), QStringLiteral("Go quiet for 1 reason"));
  EXPECT_TRUE(
      desktop.preferences.values().value(preferenceKey(TonnixSilenceReason::focus)).toBool());
  for (const auto reason : allSilenceReasons) {
    if (reason != TonnixSilenceReason::focus) click(withText<QCheckBox>(*tab, title(reason)));
  }
  EXPECT_EQ(summary.text(), QStringLiteral("Go quiet for 7 reasons"));

  // The monitor does not announce a new reason; the summary looks again.
  desktop.silenceProbe->setAnswer(TonnixFakeSilenceProbe::Test::focus, true);
  const QString silent = QStringLiteral("Silent: ") + title(TonnixSilenceReason::focus);
  EXPECT_TRUE(turnUntil([&] { return summary.text() == silent; })) << summary.text().toStdString();
}

TEST(GeneralTab, LoginSwitchWritesTheEntryOrRevertsAndSaysWhy) {
  SettingsDesktop desktop;
  auto tab = desktop.showGeneralTab();
  auto& login = withText<QCheckBox>(*tab, QStringLiteral("Start Tonnix when you log in"));
  auto& failure = named<QLabel>(*tab, "autostartFailure");
  const auto entry = desktop.autostartFolder() / "org.tonnix.Tonnix.desktop";

  click(login);
  EXPECT_TRUE(login.isChecked());
  EXPECT_TRUE(std::filesystem::exists(entry));
  click(login);
  EXPECT_FALSE(std::filesystem::exists(entry));

  std::filesystem::remove_all(desktop.autostartFolder());
  std::ofstream(desktop.autostartFolder()) << "a file where the folder belongs";
  click(login);
  EXPECT_FALSE(login.isChecked());
  EXPECT_TRUE(failure.isVisible());
  EXPECT_TRUE(failure.text().startsWith(QStringLiteral("Could not change ")))
      << failure.text().toStdString();
}

// What screen readers and automation do: the check box's own toggle action,
// which sends no click.
TEST(GeneralTab, AnAccessibleToggleWritesThePreference) {
  SettingsDesktop desktop;
  auto& controller = desktop.controller();
  auto tab = desktop.showGeneralTab();
  auto& clicks = withText<QCheckBox>(*tab, QStringLiteral("Play sounds for clicks on controls"));
  auto* button = QAccessible::queryAccessibleInterface(&clicks);
  ASSERT_TRUE(button && button->actionInterface());
  button->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
  EXPECT_FALSE(clicks.isChecked());
  EXPECT_FALSE(controller.playsClickSounds());
  EXPECT_EQ(desktop.preferences.values().value(TonnixController::playsClickSoundsKey),
            QVariant(false));
}

TEST(GeneralTab, SaysWhatKeepsSoundsFromWorking) {
  SettingsDesktop desktop;
  auto& controller = desktop.controller();
  desktop.accessibility.status().trusted = false;
  auto tab = desktop.showGeneralTab();
  auto& status = named<QLabel>(*tab, "status");
  EXPECT_TRUE(
      status.text().startsWith(QStringLiteral("Accessibility access has not been granted")));

  // Granting switches on the one status the controller reads too.
  click(withText<QPushButton>(*tab, QStringLiteral("Grant…")));
  EXPECT_EQ(desktop.accessibility.status().requests, 1);
  EXPECT_FALSE(named<QWidget>(*tab, "accessibilityWarning").isVisible());
  EXPECT_FALSE(status.text().startsWith(QStringLiteral("Accessibility access")))
      << status.text().toStdString();

  auto& pointerAccess = named<QLabel>(*tab, "pointerAccess");
  EXPECT_FALSE(pointerAccess.isVisible());
  desktop.mouse.setAccessProblem(QStringLiteral("Install tonnix-pointer-access."));
  EXPECT_TRUE(pointerAccess.isVisible());
  EXPECT_EQ(pointerAccess.text(), QStringLiteral("Install tonnix-pointer-access."));
  controller.setPlaysClickSounds(false);
  EXPECT_FALSE(pointerAccess.isVisible()) << "said only while clicks are to sound";

  click(named<QToolButton>(*tab, "silenceSummary"));
  auto& focusUnknown = named<QLabel>(*tab, "focusUnknown");
  EXPECT_FALSE(focusUnknown.isVisible());
  desktop.silenceProbe->setCanTellFocus(false);
  EXPECT_TRUE(turnUntil([&] { return focusUnknown.isVisible(); }));
}
