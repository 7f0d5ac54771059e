// The settings window: its tabs, files dropped on it, and asking to quit.

#include "ui/settings_view.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

#include "settings_desktop.h"

using ui_test::click;
using ui_test::SettingsDesktop;
using ui_test::withText;

TEST(SettingsView, ShowsItsTabsImportsWhatIsDroppedAndAsksToQuit) {
  SettingsDesktop desktop;
  auto& controller = desktop.controller();
  TonnixSettingsView view(desktop.model());
  view.show();
  view.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  QStringList tabs;
  for (int tab = 0; tab < view.tabs().count(); ++tab) tabs << view.tabs().tabText(tab);
  EXPECT_EQ(tabs,
            (QStringList{QStringLiteral("General"), QStringLiteral("Sound Sets"),
                         QStringLiteral("Afflicted Apps"), QStringLiteral("WTF Was That?!")}));

  EXPECT_TRUE(ui_test::dropFiles(
      view, {QStringLiteral("/nowhere/Chimes.tonnixset"), QStringLiteral("/nowhere/Loose Sounds"),
             QStringLiteral("/nowhere/Classic Set")}));
  EXPECT_EQ(controller.setsToImport(), 3);

  QSignalSpy quit(&view, &TonnixSettingsView::quitRequested);
  QTest::keyClick(&view, Qt::Key_Q, Qt::ControlModifier);
  click(withText<QPushButton>(view, QStringLiteral("Quit Tonnix")));
  EXPECT_EQ(quit.count(), 2);
  view.close();
  EXPECT_EQ(quit.count(), 2) << "closing the window is not quitting";
}
