// The settings window: a frame with its tabs, files dropped on them, the
// keyboard, and asking to quit.

#include "ui/settings_view.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

#include "settings_desktop.h"

using ui_test::click;
using ui_test::SettingsDesktop;
using ui_test::withText;

namespace {

struct ShownWindow {
  ShownWindow() : view(desktop.model()) {
    view.show();
    view.activateWindow();
    if (!QTest::qWaitForWindowActive(&view)) throw std::runtime_error("window not active");
  }

  SettingsDesktop desktop;
  TonnixSettingsView view;
};

}  // namespace

TEST(SettingsView, AFrameWhoseSetsTabImportsWhatIsDroppedOnItThatClosesAndAsksToQuit) {
  ShownWindow shown;
  auto& view = shown.view;
  EXPECT_EQ(QAccessible::queryAccessibleInterface(&view)->role(), QAccessible::Window)
      << "a frame to screen readers";
  QStringList tabs;
  for (int tab = 0; tab < view.tabs().count(); ++tab) tabs << view.tabs().tabText(tab);
  EXPECT_EQ(tabs,
            (QStringList{QStringLiteral("General"), QStringLiteral("Sound Sets"),
                         QStringLiteral("Afflicted Apps"), QStringLiteral("WTF Was That?!")}));

  const QStringList sets{QStringLiteral("/nowhere/Chimes.tonnixset"),
                         QStringLiteral("/nowhere/Loose Sounds"),
                         QStringLiteral("/nowhere/Classic Set")};
  EXPECT_FALSE(ui_test::dropFiles(*view.tabs().widget(0), sets));
  EXPECT_FALSE(ui_test::dropFiles(*view.tabs().widget(2), sets)) << "applications go there";
  EXPECT_TRUE(ui_test::dropFiles(*view.tabs().widget(1), sets));
  EXPECT_EQ(shown.desktop.controller().transfer().setsToImport(), 3);

  QSignalSpy quit(&view, &TonnixSettingsView::quitRequested);
  QTest::keyClick(&view, Qt::Key_Q, Qt::ControlModifier);
  click(withText<QPushButton>(view, QStringLiteral("Quit Tonnix")));
  EXPECT_EQ(quit.count(), 2);
  QTest::keyClick(&view, Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(view.isVisible());
  EXPECT_EQ(quit.count(), 2) << "closing the window is not quitting";
}

TEST(SettingsView, EveryControlTheKeyboardReachesHasAName) {
  ShownWindow shown;
  auto& view = shown.view;
  for (int tab = 0; tab < view.tabs().count(); ++tab) {
    view.tabs().setCurrentIndex(tab);
    for (auto* widget : view.tabs().currentWidget()->findChildren<QWidget*>()) {
      if (!widget->isVisible() || !(widget->focusPolicy() & Qt::TabFocus)) continue;
      const auto* accessible = QAccessible::queryAccessibleInterface(widget);
      EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
          << view.tabs().tabText(tab).toStdString() << ": " << widget->metaObject()->className()
          << " " << widget->objectName().toStdString();
    }
  }
}
