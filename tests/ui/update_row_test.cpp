// The General tab's update row: a build without a feed leaves updates to
// the package manager; one with a feed says what is missing, keeps the
// button off, and writes the switch through.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "settings_desktop.h"

using ui_test::named;
using ui_test::withText;

TEST(UpdateRow, WithoutAFeedUpdatesComeFromThePackageManager) {
  ui_test::SettingsDesktop desktop;
  desktop.updates.updater.start();
  auto tab = desktop.showGeneralTab();
  EXPECT_TRUE(named<QLabel>(*tab, "updateSource").isVisible());
  EXPECT_FALSE(withText<QPushButton>(*tab, QStringLiteral("Check for Updates…")).isVisible());
  EXPECT_FALSE(
      withText<QCheckBox>(*tab, QStringLiteral("Automatically check for updates")).isVisible());
  EXPECT_FALSE(named<QLabel>(*tab, "updateProblem").isVisible());
  EXPECT_FALSE(named<QLabel>(*tab, "lastUpdateCheck").isVisible());
}

TEST(UpdateRow, WithAFeedSaysWhatIsMissingAndWritesTheSwitch) {
  ui_test::SettingsDesktop desktop;
  auto& services = desktop.updates;
  TonnixUpdateConfiguration configuration;
  configuration.feedURL = QStringLiteral("https://updates.tonnix.org/feed.xml");
  TonnixUpdater updater(configuration, {services.preferences,
                                        services.network,
                                        services.notifications,
                                        TonnixUpdateInstallation("/usr"),
                                        {}});
  updater.start();
  TonnixGeneralTab tab({desktop.controller(), desktop.silence, desktop.accessibility.status(),
                        desktop.autostart, desktop.applications, updater});
  tab.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
  auto& automatic = withText<QCheckBox>(tab, QStringLiteral("Automatically check for updates"));

  EXPECT_FALSE(named<QLabel>(tab, "updateSource").isVisible());
  EXPECT_FALSE(withText<QPushButton>(tab, QStringLiteral("Check for Updates…")).isEnabled());
  EXPECT_EQ(named<QLabel>(tab, "updateProblem").text(),
            QStringLiteral("This build names an update feed but no update signing key, so no "
                           "update could be verified."));
  EXPECT_TRUE(automatic.isChecked());

  ui_test::click(automatic);
  EXPECT_FALSE(updater.checksAutomatically());
  EXPECT_EQ(services.preferences.value(QStringLiteral("SUEnableAutomaticChecks")), QVariant(false));
}
