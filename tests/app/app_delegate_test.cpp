// The application shell as the user starts it, with the real settings window.

#include "app/app_delegate.h"

#include <gtest/gtest.h>

#include "app/single_instance.h"
#include "controller_desktop.h"
#include "ui/settings_view.h"

using controller_test::ControllerDesktop;
using tonnix_test::turnFor;
using tonnix_test::turnUntil;

namespace {

struct Shell {
  explicit Shell(bool playsNotificationSounds) {
    desktop.preferences.setBool(QString::fromLatin1(TonnixController::playsNotificationSoundsKey),
                                playsNotificationSounds);
  }
  ~Shell() { delegate.applicationWillTerminate(); }

  bool windowShows() const {
    return delegate.settingsWindow() && delegate.settingsWindow()->isVisible();
  }

  ControllerDesktop desktop;
  TonnixAppDelegate delegate{{desktop.controller(), desktop.silence, desktop.accessibility.status(),
                              desktop.autostart, desktop.applications, desktop.updates.updater}};
};

}  // namespace

TEST(AppDelegateTest, LaunchOpensTheWindowOnlyWhenSoundsAreOff) {
  Shell off(false);
  off.delegate.applicationDidFinishLaunching();
  EXPECT_FALSE(off.windowShows()) << "the window opens on the next turn of the loop";
  turnFor(20);
  EXPECT_TRUE(off.windowShows());
  EXPECT_FALSE(off.desktop.controller().isRunning());

  Shell on(true);
  on.desktop.silence.setEnabled(true, TonnixSilenceReason::focus);
  const int requests = on.desktop.silenceProbe->focusAuthorizationRequests();
  on.delegate.applicationDidFinishLaunching();
  turnFor(20);
  EXPECT_TRUE(on.desktop.controller().isRunning());
  EXPECT_FALSE(on.windowShows());
  EXPECT_GT(on.desktop.silenceProbe->focusAuthorizationRequests(), requests);
}

TEST(AppDelegateTest, StartingAgainOpensTheWindowOrBringsItBack) {
  Shell shell(true);
  shell.delegate.applicationDidFinishLaunching();
  TonnixSingleInstance instance{QDBusConnection(QString())};
  shell.delegate.serve(instance, false);

  emit instance.activated();
  ASSERT_TRUE(shell.windowShows());
  auto* window = shell.delegate.settingsWindow();
  EXPECT_TRUE(shell.delegate.applicationShouldHandleReopen(true));
  EXPECT_EQ(shell.delegate.settingsWindow(), window);

  // Closing the window leaves Tonnix listening; starting it again reopens it.
  window->close();
  EXPECT_TRUE(shell.desktop.controller().isRunning());
  emit instance.activated();
  EXPECT_TRUE(shell.windowShows());

  // Minimised, it is still shown: starting again brings it back and active.
  window->showMinimized();
  ASSERT_TRUE(window->windowState() & Qt::WindowMinimized);
  emit instance.activated();
  EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(turnUntil([&] { return window->isActiveWindow(); }));
}

TEST(AppDelegateTest, TheBusStartIsTheLaunchAndLaterRequestsAreServed) {
  Shell shell(true);
  shell.delegate.applicationDidFinishLaunching();
  TonnixSingleInstance instance{QDBusConnection(QString())};
  shell.delegate.serve(instance, true);

  // The launcher's own activation started this process: sounds are on, so
  // no window.
  emit instance.activated();
  EXPECT_FALSE(shell.windowShows());

  emit instance.openRequested({"/nonexistent/One.tonnixset", "/nonexistent/Two"});
  EXPECT_EQ(shell.desktop.controller().transfer().setsToImport(), 2);

  int quits = 0;
  QObject::connect(&shell.delegate, &TonnixAppDelegate::quitRequested, [&] { ++quits; });
  emit instance.actionRequested(QStringLiteral("quit"));
  EXPECT_EQ(quits, 1);
}
