// The General tab's update row on an unconfigured build: it says what is
// missing, keeps the button off, and writes the switch through.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "settings_desktop.h"

using ui_test::named;
using ui_test::withText;

TEST(UpdateRow, SaysWhatIsMissingAndWritesTheSwitch) {
  ui_test::SettingsDesktop desktop;
  desktop.updates.updater.start();
  auto tab = desktop.showGeneralTab();
  auto& automatic = withText<QCheckBox>(*tab, QStringLiteral("Automatically check for updates"));

  EXPECT_FALSE(withText<QPushButton>(*tab, QStringLiteral("Check for Updates…")).isEnabled());
  EXPECT_EQ(named<QLabel>(*tab, "updateProblem").text(),
            QStringLiteral("No appcast URL is set, so there is nothing to check against."));
  EXPECT_FALSE(named<QLabel>(*tab, "lastUpdateCheck").isVisible());
  EXPECT_TRUE(automatic.isChecked());

  ui_test::click(automatic);
  EXPECT_FALSE(desktop.updates.updater.checksAutomatically());
  EXPECT_EQ(desktop.updates.preferences.value(QStringLiteral("SUEnableAutomaticChecks")),
            QVariant(false));
}
