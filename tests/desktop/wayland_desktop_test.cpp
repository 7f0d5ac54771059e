// `tonnix run --monitor` on a Wayland session without any X server
// (TONNIX_HEADLESS_WAYLAND=1 scripts/headless-session): our GTK 4 and Qt
// fixtures on their Wayland backends. Nothing can type into a headless
// compositor's windows, so the programs are driven through the
// accessibility bus's actions and GTK's application actions on the session
// bus; a window without keyboard focus lights no menu items.

#include <atspi/atspi.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <algorithm>
#include <functional>
#include <vector>

#include "atspi_tree.h"
#include "desktop_session.h"
#include "event_loop.h"
#include "platform/linux/atspi_connection.h"
#include "program.h"

namespace {

using tonnix_test::Application;
using tonnix_test::turnUntil;

constexpr int eventTimeout = 15'000;  // milliseconds

// The first object with that role and name at or below `object`.
TonnixAtspiObjectRef findObject(const TonnixAtspiObjectRef& object, const char* role,
                                const QString& name) {
  return tonnix_test::findAccessible(object.get(), [&](AtspiAccessible* candidate) {
    gchar* ownRole = atspi_accessible_get_role_name(candidate, nullptr);
    const bool found = qstrcmp(ownRole, role) == 0 && tonnix_test::nameOf(candidate) == name;
    g_free(ownRole);
    return found;
  });
}

// Does the first action (press, click, show menu) of the process's object.
bool act(std::int32_t pid, const char* role, const QString& name) {
  const auto application = TonnixAtspiConnection::shared()->application(pid);
  const auto object =
      application ? findObject(application->root, role, name) : TonnixAtspiObjectRef();
  if (!object) return false;
  AtspiAction* action = atspi_accessible_get_action_iface(object.get());
  const bool done = action && atspi_action_do_action(action, 0, nullptr);
  if (action) g_object_unref(action);
  return done;
}

// Activates one of a GtkApplication's actions over the session bus.
bool activateGtkAction(qint64 pid, const QString& path, const QString& name) {
  auto bus = QDBusConnection::sessionBus();
  const auto names = bus.interface()->registeredServiceNames().value();
  const auto owner = std::find_if(names.begin(), names.end(), [&](const QString& service) {
    return service.startsWith(u':') && bus.interface()->servicePid(service).value() == pid;
  });
  if (owner == names.end()) return false;
  auto call = QDBusMessage::createMethodCall(*owner, path, QStringLiteral("org.gtk.Actions"),
                                             QStringLiteral("Activate"));
  call << name << QVariantList{} << QVariantMap{};
  return bus.call(call).type() == QDBusMessage::ReplyMessage;
}

class WaylandDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || !qEnvironmentVariableIsEmpty("DISPLAY")) {
      GTEST_SKIP() << "needs TONNIX_HEADLESS_WAYLAND=1 scripts/headless-session";
    }
    ASSERT_NE(TonnixAtspiConnection::shared(), nullptr);
    tonnix_.setProcessChannelMode(QProcess::MergedChannels);
    tonnix_.setProcessEnvironment(home_.environment());
    QObject::connect(&tonnix_, &QProcess::readyReadStandardOutput, [this] {
      while (tonnix_.canReadLine()) {
        lines_.push_back(QString::fromUtf8(tonnix_.readLine()).trimmed());
        std::printf("  | %s\n", qPrintable(lines_.back()));
      }
    });
    tonnix_.start(tonnix_test::ScratchHome::executable(),
                  {QStringLiteral("run"), QStringLiteral("--monitor")});
    ASSERT_TRUE(tonnix_.waitForStarted(tonnix_test::applicationStartTimeout));
    waitUntilListening();
  }

  void TearDown() override {
    if (tonnix_.state() == QProcess::NotRunning) return;
    tonnix_.kill();
    tonnix_.waitForFinished(5000);
  }

  bool said(const QString& start, std::size_t from = 0) const {
    return std::any_of(lines_.begin() + static_cast<std::ptrdiff_t>(from), lines_.end(),
                       [&](const QString& line) { return line.startsWith(start); });
  }

  // Tonnix follows applications that join the bus once it is running.
  void waitUntilListening() {
    ASSERT_TRUE(
        turnUntil([&] { return said(QStringLiteral("TonnixMouseMonitor: ")); }, eventTimeout));
    turnUntil([] { return false; }, 500);
  }

  void start(Application& fixture) {
    ASSERT_TRUE(fixture.started());
    ASSERT_TRUE(
        turnUntil([&] { return said(QStringLiteral("Tonnix: App Launched")); }, eventTimeout));
  }

  // The notifications of the "Tonnix: " lines that follow `action`, in
  // order, once the last expected one is there; the action is tried again
  // while its object has not yet reached the accessibility bus.
  QStringList heardAfter(const std::function<bool()>& action, const QString& last) {
    const auto from = lines_.size();
    for (int waited = 0; waited < eventTimeout && !action(); waited += 100) {
      turnUntil([] { return false; }, 100);
    }
    turnUntil([&] { return said(QStringLiteral("Tonnix: ") + last + u' ', from); }, eventTimeout);
    turnUntil([] { return false; }, 300);  // anything doubled
    QStringList heard;
    for (auto line = lines_.begin() + static_cast<std::ptrdiff_t>(from); line != lines_.end();
         ++line) {
      if (!line->startsWith(QStringLiteral("Tonnix: "))) continue;
      const auto notification = line->section(u' ', 1, 1);
      if (!activatesWindows || !isActivation(notification)) heard << notification;
    }
    return heard;
  }

  // KWin activates each window as a desktop does (weston's headless
  // compositor has no seat and never does): heard, but no step's.
  static bool isActivation(const QString& notification) {
    return notification == QStringLiteral("AXFocusedWindowChanged") ||
           notification == QStringLiteral("AXMainWindowChanged") ||
           notification == QStringLiteral("AXApplicationActivated");
  }
  const bool activatesWindows =
      qEnvironmentVariable("TONNIX_HEADLESS_COMPOSITOR") == QStringLiteral("kwin");

  struct Step {
    std::function<bool()> action;
    QStringList heard;
  };
  void expectSteps(const std::vector<Step>& steps) {
    for (const auto& step : steps) {
      EXPECT_EQ(heardAfter(step.action, step.heard.back()), step.heard);
    }
  }

  void expectQuit(const Application& application) {
    const auto from = lines_.size();
    ::kill(application.pid(), SIGTERM);
    EXPECT_TRUE(
        turnUntil([&] { return said(QStringLiteral("Tonnix: App Quit"), from); }, eventTimeout));
  }

  tonnix_test::ScratchHome home_;
  QProcess tonnix_;
  std::vector<QString> lines_;
};

TEST_F(WaylandDesktopTest, HearsGtk4MenusDialogsWindowsAndQuitWithoutAnXServer) {
  if (QString(TONNIX_GTK4_FIXTURE).isEmpty()) GTEST_SKIP() << "needs libgtk-4-dev";
  Application fixture(QStringLiteral(TONNIX_GTK4_FIXTURE), {});
  start(fixture);
  const auto pid = fixture.pid();
  const auto gtk = [pid](const char* name) {
    return [=] { return activateGtkAction(pid, QStringLiteral("/org/tonnix/Gtk4Fixture"), name); };
  };
  const auto press = [pid](const char* name) {
    return [=] { return act(pid, "push button", QString::fromUtf8(name)); };
  };
  // Opened by the program before anything asked for the menu button: only
  // Tonnix has put the button on the bus by then, as it attached.
  turnUntil([] { return false; }, 2000);
  expectSteps({{gtk("menu"), {"AXMenuOpened"}},
               {press("Menu"), {"AXMenuClosed"}},
               {gtk("dialog"), {"AXWindowCreated"}},
               {press("OK"), {"AXUIElementDestroyed"}},
               {gtk("new-window"), {"AXWindowCreated"}},
               {gtk("close-window"), {"AXUIElementDestroyed"}}});
  expectQuit(fixture);
  // libatspi's own warnings are said in Tonnix's words, and the probes say
  // what a Wayland session keeps from them.
  EXPECT_FALSE(said(QStringLiteral("dbind-WARNING")));
  EXPECT_TRUE(said(QStringLiteral("TonnixSilenceProbe: a Wayland session without XWayland")));
}

// Choosing a menu item closes the menu.
TEST_F(WaylandDesktopTest, HearsQtMenusDialogsWindowsAndQuitOnItsWaylandPlatform) {
  Application fixture(QStringLiteral(TONNIX_QT_FIXTURE), {});
  start(fixture);
  const auto pid = fixture.pid();
  const auto choose = [pid](const char* role, const char* name) {
    return [=] { return act(pid, role, QString::fromUtf8(name)); };
  };
  expectSteps({{choose("menu item", "File"), {"AXMenuOpened"}},
               {choose("menu item", "Open Dialog…"), {"AXMenuClosed", "AXWindowCreated"}},
               {choose("push button", "OK"), {"AXUIElementDestroyed"}},
               {choose("menu item", "New Window"), {"AXWindowCreated"}},
               {choose("menu item", "Close Window"), {"AXUIElementDestroyed"}}});
  expectQuit(fixture);
}

}  // namespace
