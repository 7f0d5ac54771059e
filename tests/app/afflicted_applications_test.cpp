// The applications list: its rows, their names and texts, and excluding
// and including applications through the controller.

#include <gtest/gtest.h>

#include "controller_desktop.h"

using controller_test::ControllerDesktop;
using tonnix_test::turnUntil;

namespace {

const QString editorID = QStringLiteral("org.example.Editor");

QStringList names(const TonnixAfflictedApplications& applications) {
  QStringList list;
  for (const auto& application : applications) list.append(application.name);
  return list;
}

const TonnixAfflictedApplication* row(TonnixController& controller, const QString& id) {
  for (const auto& application : controller.applications().afflictedApplications()) {
    if (application.identity() == id) return &application;
  }
  return nullptr;
}

TEST(AfflictedApplication, TimeoutTextUsesTheLocalesNotationWithOneFractionDigit) {
  TonnixAfflictedApplication application;
  EXPECT_EQ(application.timeoutText(), std::nullopt);
  application.timeout = TonnixAttachTimeout{2, 3};
  EXPECT_EQ(application.timeoutText(QLocale(QLocale::English)),
            QStringLiteral("Did not answer in time. The attach was abandoned after 2.0 s, with 3 "
                           "of its notifications registered, so this app is only partly wired "
                           "up. Rescan to try again."));
  application.timeout = TonnixAttachTimeout{0.26, 0};
  EXPECT_TRUE(application.timeoutText(QLocale(QLocale::German))->contains(QStringLiteral("0,3 s")));
}

TEST(AfflictedApplication, DisplayNameTakesTheFirstNonEmptySource) {
  using Path = std::optional<std::filesystem::path>;
  const Path desktopFile("/usr/share/applications/org.example.Editor.desktop");
  const std::tuple<std::optional<QString>, Path, std::optional<QString>, QString> cases[] = {
      {QStringLiteral("  Editor\n"), desktopFile, editorID, QStringLiteral("Editor")},
      {QStringLiteral(" \n"), desktopFile, editorID, editorID},
      {std::nullopt, Path("/opt/Old.APP"), editorID, QStringLiteral("Old")},
      {std::nullopt, Path("/usr/bin/xterm.real"), std::nullopt, QStringLiteral("xterm.real")},
      {std::nullopt, std::nullopt, editorID, editorID},
      {std::nullopt, std::nullopt, std::nullopt, QStringLiteral("pid 3")},
  };
  for (const auto& [name, file, id, shown] : cases) {
    EXPECT_EQ(afflictedDisplayName(name, file, id, 3), shown);
  }
}

TEST(AfflictedApplications, ListRunningApplicationsWithAnInterfaceAndExcludedOnes) {
  ControllerDesktop desktop;
  TonnixRunningApplication editor{30, QStringLiteral("Editor"), editorID};
  editor.bundleURL = std::filesystem::path("/apps/org.example.Editor.desktop");
  editor.executableURL = std::filesystem::path("/usr/bin/editor");
  editor.icon = QStringLiteral("accessories-text-editor");
  TonnixRunningApplication shell{31, std::nullopt, std::nullopt};
  shell.executableURL = std::filesystem::path("/usr/bin/shell");
  TonnixRunningApplication daemon{32, QStringLiteral("Daemon"), QStringLiteral("org.example.D")};
  daemon.activationPolicy = TonnixActivationPolicy::prohibited;
  desktop.workspace.addApplication(editor);
  desktop.workspace.addApplication(shell);
  desktop.workspace.addApplication(daemon);
  // An exclusion without a name is named by its application file.
  desktop.workspace.installApplicationFile(
      {std::filesystem::path("/apps/gone-app.desktop"), QStringLiteral("org.example.Gone"),
       QStringLiteral("Gone Program"), QStringLiteral("gone-icon")});
  desktop.exclusions.exclude(QStringLiteral("org.example.Gone"), QString());
  desktop.exclusions.exclude(QStringLiteral("org.example.Missing"), QStringLiteral("Missing"));
  // Names are in natural order.
  desktop.exclusions.exclude(QStringLiteral("org.example.A10"), QStringLiteral("app 10"));
  desktop.exclusions.exclude(QStringLiteral("org.example.A9"), QStringLiteral("app 9"));
  desktop.workspace.addApplication({40, QStringLiteral("App 2"), QStringLiteral("org.example.A2")});
  auto& controller = desktop.controller();
  controller.applications().rebuild();

  EXPECT_EQ(names(controller.applications().afflictedApplications()),
            QStringList({QStringLiteral("App 2"), QStringLiteral("app 9"), QStringLiteral("app 10"),
                         QStringLiteral("Editor"), QStringLiteral("gone-app"),
                         QStringLiteral("Missing"), QStringLiteral("shell")}));
  const auto* editorRow = row(controller, editorID);
  ASSERT_NE(editorRow, nullptr);
  EXPECT_EQ(editorRow->fileURL, editor.bundleURL);
  EXPECT_EQ(editorRow->icon, editor.icon);
  EXPECT_EQ(editorRow->statusText(), QStringLiteral("Not observed"));
  const auto* gone = row(controller, QStringLiteral("org.example.Gone"));
  ASSERT_NE(gone, nullptr);
  EXPECT_EQ(gone->statusText(), QStringLiteral("Excluded, not running"));
  EXPECT_EQ(gone->icon, QStringLiteral("gone-icon"));
  const auto* missing = row(controller, QStringLiteral("org.example.Missing"));
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->fileURL, std::nullopt);
  EXPECT_EQ(row(controller, QStringLiteral("pid:31"))->fileURL, shell.executableURL);
}

TEST(AfflictedApplications, ExcludingARunningApplicationStopsObservingItAtOnce) {
  ControllerDesktop desktop;
  desktop.workspace.addApplication({30, QStringLiteral("Editor"), editorID});
  desktop.workspace.addApplication({31, QStringLiteral("Editor 2"), editorID});
  auto& controller = desktop.controller();
  controller.start();
  ASSERT_TRUE(turnUntil([&] { return !controller.attacher().isAttaching(); }));
  ASSERT_EQ(controller.attacher().observedApplicationCount(), 2);
  int listSignals = 0;
  QObject::connect(&controller.applications(),
                   &TonnixApplicationsList::afflictedApplicationsChanged, [&] { ++listSignals; });

  controller.applications().exclude(editorID, QStringLiteral("Editor"));
  EXPECT_EQ(controller.attacher().observedApplicationCount(), 0);
  EXPECT_EQ(controller.attacher().registeredNotificationCount(), 0);
  EXPECT_EQ(desktop.accessibility.observerCount(30), 0);
  EXPECT_EQ(controller.applications().afflictedApplications().front().statusText(),
            QStringLiteral("Excluded"));
  EXPECT_EQ(listSignals, 1);

  controller.applications().include(editorID);
  ASSERT_TRUE(turnUntil([&] { return !controller.attacher().isAttaching(); }));
  EXPECT_EQ(controller.attacher().observedApplicationCount(), 2);
  EXPECT_EQ(controller.applications().afflictedApplications().front().statusText(),
            QStringLiteral("20 notifications"));
}

TEST(AfflictedApplications, ExcludingAnApplicationFile) {
  ControllerDesktop desktop;
  const std::filesystem::path paint("/apps/org.example.Paint.desktop");
  desktop.workspace.installApplicationFile(
      {paint, QStringLiteral("org.example.Paint"), QStringLiteral("Paint"), std::nullopt});
  auto& controller = desktop.controller();

  EXPECT_FALSE(
      controller.applications().exclude(std::filesystem::path("/home/me/notes.txt")).hasValue());
  EXPECT_TRUE(desktop.exclusions.exclusions().isEmpty());

  ASSERT_TRUE(controller.applications().exclude(paint).hasValue());
  EXPECT_EQ(
      desktop.exclusions.exclusions(),
      QList<TonnixExclusion>({{QStringLiteral("org.example.Paint"), QStringLiteral("Paint")}}));
  EXPECT_EQ(names(controller.applications().afflictedApplications()),
            QStringList{QStringLiteral("Paint")});
}

TEST(AfflictedApplications, ToggleExcludesAndIncludesRowsWithABundleIdentifier) {
  ControllerDesktop desktop;
  desktop.workspace.addApplication({30, QStringLiteral("Editor"), editorID});
  desktop.workspace.addApplication({31, QStringLiteral("Shell"), std::nullopt});
  auto& controller = desktop.controller();
  controller.applications().rebuild();

  controller.applications().toggleExclusion(*row(controller, QStringLiteral("pid:31")));
  EXPECT_TRUE(desktop.exclusions.exclusions().isEmpty());

  controller.applications().toggleExclusion(*row(controller, editorID));
  EXPECT_EQ(desktop.exclusions.exclusions().value(0).name, QStringLiteral("Editor"));
  EXPECT_TRUE(row(controller, editorID)->isExcluded);
  controller.applications().toggleExclusion(*row(controller, editorID));
  EXPECT_TRUE(desktop.exclusions.exclusions().isEmpty());
  EXPECT_FALSE(row(controller, editorID)->isExcluded);
}

}  // namespace
