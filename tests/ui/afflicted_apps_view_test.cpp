// The "Afflicted Apps" page over the controller's applications list.

#include "ui/afflicted_apps_view.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "settings_desktop.h"
#include "ui/application_chooser.h"

using ui_test::named;
using ui_test::SettingsDesktop;
using ui_test::withText;

TEST(AfflictedAppsView, SummaryCountsObservedExcludedAndTimedOutRows) {
  TonnixAfflictedApplications rows(10);
  for (int row = 0; row < 7; ++row) rows[std::size_t(row)].isObserved = true;
  rows[7].isExcluded = rows[8].isExcluded = true;
  rows[9].timeout = TonnixAttachTimeout{0.3, 2};
  EXPECT_EQ(TonnixAfflictedAppsView::summary(rows, true),
            QStringLiteral("Observing 7 of 8 apps, 2 excluded, 1 timed out."));
  rows[9].timeout.reset();
  EXPECT_EQ(TonnixAfflictedAppsView::summary(rows, true),
            QStringLiteral("Observing 7 of 8 apps, 2 excluded."));
  EXPECT_EQ(TonnixAfflictedAppsView::summary(rows, false),
            QStringLiteral("Sounds are switched off, so nothing is being observed. 2 excluded."));
}

TEST(AfflictedAppsView, RowsFollowTheListAndExcludeOnlyWhatHasAnIdentifier) {
  SettingsDesktop desktop;
  desktop.workspace.addApplication({.processIdentifier = 2101,
                                    .localizedName = QStringLiteral("Text Editor"),
                                    .bundleIdentifier = QStringLiteral("org.example.TextEditor")});
  desktop.workspace.addApplication(
      {.processIdentifier = 2102, .localizedName = QStringLiteral("helper")});
  auto& controller = desktop.controller();
  TonnixAfflictedAppsView view(desktop.model());
  EXPECT_TRUE(named<QLabel>(view, "noApplications").isVisibleTo(&view));

  controller.setPlaysNotificationSounds(true);
  ASSERT_TRUE(tonnix_test::turnUntil([&] { return !controller.attacher().isAttaching(); }));
  EXPECT_FALSE(named<QLabel>(view, "noApplications").isVisibleTo(&view));
  withText<QLabel>(view, QStringLiteral("no application ID"));
  QPushButton* enabled = nullptr;
  QPushButton* disabled = nullptr;
  for (auto* button : view.findChildren<QPushButton*>()) {
    if (button->text() == QStringLiteral("Exclude"))
      (button->isEnabled() ? enabled : disabled) = button;
  }
  ASSERT_TRUE(enabled && disabled);
  EXPECT_EQ(disabled->toolTip(),
            QStringLiteral("This process has no application ID, so Tonnix cannot tell it apart "
                           "to exclude it."));

  enabled->click();
  EXPECT_TRUE(desktop.exclusions.isExcluded(QStringLiteral("org.example.TextEditor")));
  withText<QPushButton>(view, QStringLiteral("Include"));
  EXPECT_EQ(named<QLabel>(view, "summary").text(),
            QStringLiteral("Observing 1 of 1 apps, 1 excluded."));
}

TEST(AfflictedAppsView, ExcludesAnApplicationChosenByNameAndSaysWhenOneIsGone) {
  SettingsDesktop desktop;
  desktop.workspace.installApplicationFile({.file = "/apps/org.example.Mail.desktop",
                                            .bundleIdentifier = QStringLiteral("org.example.Mail"),
                                            .displayName = QStringLiteral("Mail"),
                                            .icon = {}});
  desktop.applications.applications = {
      {QStringLiteral("Terminal"), "/apps/terminal.desktop", {}},
      {QStringLiteral("Mail"), "/apps/org.example.Mail.desktop", QStringLiteral("mail-client")}};
  TonnixAfflictedAppsView view(desktop.model());
  withText<QPushButton>(view, QStringLiteral("Exclude App…")).click();
  ASSERT_TRUE(view.isChoosingApplication());
  auto& chooser = *view.findChild<TonnixApplicationChooser*>();
  chooser.search(QStringLiteral("mai"));
  chooser.accept();
  EXPECT_FALSE(view.isChoosingApplication());
  EXPECT_TRUE(desktop.exclusions.isExcluded(QStringLiteral("org.example.Mail")));

  view.showInFileManager({.name = QStringLiteral("Mail"), .fileURL = "/apps/gone/Mail.desktop"});
  EXPECT_EQ(view.failureDescription(), QStringLiteral("Mail is no longer on disk where it was."));
  EXPECT_TRUE(named<QLabel>(view, "failure").isVisibleTo(&view));
  withText<QPushButton>(view, QStringLiteral("Dismiss")).click();
  EXPECT_FALSE(view.failureDescription());
}
