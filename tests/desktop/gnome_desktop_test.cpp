// GNOME's own applications, Text Editor and Files (nautilus), heard by
// `tonnix run --monitor` on the desktop the session was made with: GNOME
// Shell or KWin (TONNIX_HEADLESS_COMPOSITOR=gnome-shell or kwin) or X11
// under a window manager (TONNIX_HEADLESS_WINDOW_MANAGER=1). Both are driven as a user's
// assistive technology would drive them, through the accessibility bus's
// actions and GTK's application actions on the session bus: a headless
// compositor has no input devices. An application that is not installed is
// skipped.

#include <atspi/atspi.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <algorithm>
#include <functional>
#include <vector>

#include "event_loop.h"
#include "platform/linux/atspi_connection.h"
#include "program.h"

namespace {

using tonnix_test::turnUntil;

constexpr int eventTimeout = 15'000;  // milliseconds
constexpr int startTimeout = 30'000;  // milliseconds
// How long a menu is given to be heard while Tonnix may not yet follow the
// application.
constexpr int warmUpTimeout = 3000;  // milliseconds
// How long a step waits after its last sound for anything more.
constexpr int settleTime = 400;

QString text(gchar* owned) {
  const auto value = QString::fromUtf8(owned ? owned : "");
  g_free(owned);
  return value;
}

// The first object at or below `object` with that role whose name or
// description (an icon button's tool tip) starts with `label` and that is
// visible and has an action (GTK 4 nests a menu button's own button inside
// it, and keeps the header bars of pages not shown).
TonnixAtspiObjectRef findActionable(const TonnixAtspiObjectRef& object, const QString& role,
                                    const QString& label, int depth = 0) {
  auto* accessible = object.get();
  if (text(atspi_accessible_get_role_name(accessible, nullptr)) == role &&
      (text(atspi_accessible_get_name(accessible, nullptr)).startsWith(label) ||
       text(atspi_accessible_get_description(accessible, nullptr)).startsWith(label))) {
    AtspiAction* action = atspi_accessible_get_action_iface(accessible);
    AtspiStateSet* states = atspi_accessible_get_state_set(accessible);
    const bool actionable = action && atspi_action_get_n_actions(action, nullptr) > 0 &&
                            atspi_state_set_contains(states, ATSPI_STATE_VISIBLE);
    g_object_unref(states);
    if (action) g_object_unref(action);
    if (actionable) return object;
  }
  const int count = depth < 40 ? atspi_accessible_get_child_count(accessible, nullptr) : 0;
  for (int index = 0; index < count; ++index) {
    const auto child = TonnixAtspiObjectRef::adopt(
        atspi_accessible_get_child_at_index(accessible, index, nullptr));
    if (auto inside = child ? findActionable(child, role, label, depth + 1) : child) return inside;
  }
  return {};
}

// Does the first action (click) of the object in the process's last
// top-level window, or in any window.
bool act(std::int32_t pid, const QString& role, const QString& label, bool lastWindow = false) {
  const auto application = TonnixAtspiConnection::shared()->application(pid);
  if (!application) return false;
  auto root = application->root;
  if (lastWindow) {
    const int count = atspi_accessible_get_child_count(root.get(), nullptr);
    root = TonnixAtspiObjectRef::adopt(
        atspi_accessible_get_child_at_index(root.get(), count - 1, nullptr));
    if (!root) return false;
  }
  const auto object = findActionable(root, role, label);
  if (!object) return false;
  AtspiAction* action = atspi_accessible_get_action_iface(object.get());
  const bool done = action && atspi_action_do_action(action, 0, nullptr);
  if (action) g_object_unref(action);
  return done;
}

// Activates one of a GtkApplication's own actions over the session bus.
bool activateGtkAction(const QString& applicationId, const QString& name) {
  const auto path = u'/' + QString(applicationId).replace(u'.', u'/');
  auto call = QDBusMessage::createMethodCall(applicationId, path, QStringLiteral("org.gtk.Actions"),
                                             QStringLiteral("Activate"));
  call << name << QVariantList{} << QVariantMap{};
  return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
}

// The notifications a window manager adds around windows opening and
// closing: heard, but not what a step is about.
bool isActivation(const QString& notification) {
  return notification == QStringLiteral("AXFocusedWindowChanged") ||
         notification == QStringLiteral("AXMainWindowChanged") ||
         notification == QStringLiteral("AXApplicationActivated");
}

struct Step {
  QString what;
  std::function<bool()> action;
  QStringList heard;  // in order
};

class GnomeDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("DISPLAY")) {
      GTEST_SKIP() << "needs scripts/headless-session";
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
    ASSERT_TRUE(tonnix_.waitForStarted(startTimeout));
    ASSERT_TRUE(
        turnUntil([&] { return heardSince(0, QStringLiteral("TonnixMouseMonitor: "), false) > 0; },
                  eventTimeout));
  }

  void TearDown() override {
    for (auto* process : {&application_, &tonnix_}) {
      if (process->state() == QProcess::NotRunning) continue;
      process->kill();
      process->waitForFinished(5000);
    }
  }

  int heardSince(std::size_t from, const QString& start, bool isNotification = true) const {
    const auto prefix = isNotification ? QStringLiteral("Tonnix: ") + start + u' ' : start;
    return static_cast<int>(
        std::count_if(lines_.begin() + static_cast<std::ptrdiff_t>(from), lines_.end(),
                      [&](const QString& line) { return line.startsWith(prefix); }));
  }

  // The notifications heard since line `from`, but lit menu items, and
  // window activations unless `withActivations`.
  QStringList notificationsSince(std::size_t from, bool withActivations) const {
    QStringList heard;
    for (auto line = lines_.begin() + static_cast<std::ptrdiff_t>(from); line != lines_.end();
         ++line) {
      if (!line->startsWith(QStringLiteral("Tonnix: "))) continue;
      const auto notification = line->mid(8).section(QStringLiteral(" -> "), 0, 0);
      if (notification == QStringLiteral("AXMenuItemSelected")) continue;
      if (withActivations || !isActivation(notification)) heard << notification;
    }
    return heard;
  }

  // Does the step's action, tried again while its object has not yet
  // reached the accessibility bus, and gives the notifications heard once
  // the last one expected is there.
  QStringList heardAfter(const Step& step, bool withActivations, int timeout = eventTimeout) {
    std::printf("%s\n", qPrintable(step.what));
    const auto from = lines_.size();
    bool done = false;
    for (int waited = 0; !(done = step.action()) && waited < eventTimeout; waited += 200) {
      turnUntil([] { return false; }, 200);
    }
    EXPECT_TRUE(done) << step.what.toStdString() << ": could not be done";
    turnUntil([&] { return notificationsSince(from, true).contains(step.heard.back()); }, timeout);
    turnUntil([] { return false; }, settleTime);
    return notificationsSince(from, withActivations);
  }

  // Launches the application, runs the steps, each heard exactly as
  // expected, and quits it. A menu's steps hear nothing but menus, a window
  // activation included; lit items are no step's. The first two steps open
  // and close a menu: Tonnix follows an application a little after it has
  // joined the bus, so they are done until heard before the steps count.
  void drive(const QString& program, const QStringList& arguments, const std::vector<Step>& steps,
             const std::function<bool()>& quit) {
    if (QStandardPaths::findExecutable(program).isEmpty()) {
      GTEST_SKIP() << "needs " << program.toStdString();
    }
    application_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The session has no disks: GIO's remote volume monitors would only hold
    // up the application's first file chooser while they start and fail.
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GVFS_REMOTE_VOLUME_MONITOR_IGNORE"), QStringLiteral("1"));
    application_.setProcessEnvironment(environment);
    application_.start(program, arguments);
    ASSERT_TRUE(application_.waitForStarted(startTimeout));
    ASSERT_TRUE(
        turnUntil([&] { return heardSince(0, QStringLiteral("App Launched")) > 0; }, startTimeout));
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (heardAfter(steps[0], true, warmUpTimeout).contains(steps[0].heard.back())) break;
      heardAfter(steps[1], true, warmUpTimeout);
    }
    heardAfter(steps[1], true, warmUpTimeout);
    for (const auto& step : steps) {
      const bool isMenu = std::all_of(
          step.heard.begin(), step.heard.end(),
          [](const QString& name) { return name.startsWith(QStringLiteral("AXMenu")); });
      EXPECT_EQ(heardAfter(step, isMenu).join(u' ').toStdString(),
                step.heard.join(u' ').toStdString())
          << step.what.toStdString();
    }
    // Quitting closes what is still open; the quit is heard last, once.
    EXPECT_TRUE(quit());
    turnUntil([&] { return heardSince(0, QStringLiteral("App Quit")) > 0; }, eventTimeout);
    turnUntil([] { return false; }, settleTime);
    EXPECT_EQ(heardSince(0, QStringLiteral("App Launched")), 1);
    EXPECT_EQ(heardSince(0, QStringLiteral("App Quit")), 1);
    EXPECT_EQ(notificationsSince(0, true).last(), QStringLiteral("App Quit"));
  }

  // Presses a button or chooses a menu item of the application, in its
  // last window if `lastWindow`.
  std::function<bool()> press(const char* role, const char* label, bool lastWindow = false) {
    return [=, this] {
      return act(static_cast<std::int32_t>(application_.processId()), QString::fromUtf8(role),
                 QString::fromUtf8(label), lastWindow);
    };
  }

  static std::function<bool()> gtkAction(const char* applicationId, const char* name) {
    return [=] {
      return activateGtkAction(QString::fromUtf8(applicationId), QString::fromUtf8(name));
    };
  }

  tonnix_test::ScratchHome home_;
  QProcess tonnix_;
  QProcess application_;
  std::vector<QString> lines_;
};

// Text Editor's Open button has no dialog behind it on Debian 12 (its
// popover fails to build), and its window offers its actions to no one
// over D-Bus: its file chooser is the main menu's Save As.
TEST_F(GnomeDesktopTest, TextEditor) {
  const auto app = [](const char* name) { return gtkAction("org.gnome.TextEditor", name); };
  drive(QStringLiteral("gnome-text-editor"), {QStringLiteral("--ignore-session")},
        {{"menu opened", press("push button", "Menu"), {"AXMenuOpened"}},
         {"menu closed", press("push button", "Menu"), {"AXMenuClosed"}},
         {"menu opened again", press("push button", "Menu"), {"AXMenuOpened"}},
         {"Save As chosen", press("menu item", "Save As"), {"AXMenuClosed", "AXWindowCreated"}},
         {"Save As cancelled", press("push button", "Cancel", true), {"AXUIElementDestroyed"}},
         {"second window opened", app("new-window"), {"AXWindowCreated"}},
         {"second window closed", press("push button", "Close", true), {"AXUIElementDestroyed"}}},
        app("quit"));
}

TEST_F(GnomeDesktopTest, Files) {
  const auto app = [](const char* name) { return gtkAction("org.gnome.Nautilus", name); };
  drive(
      QStringLiteral("nautilus"), {QStringLiteral("--new-window")},
      {{"menu opened", press("push button", "Main Menu"), {"AXMenuOpened"}},
       {"menu closed", press("push button", "Main Menu"), {"AXMenuClosed"}},
       {"folder menu opened", press("push button", "Current Folder Menu"), {"AXMenuOpened"}},
       {"New Folder chosen", press("menu item", "New Folder"), {"AXMenuClosed", "AXWindowCreated"}},
       {"New Folder cancelled", press("push button", "Cancel"), {"AXUIElementDestroyed"}},
       {"second window opened", app("new-window"), {"AXWindowCreated"}},
       {"second window closed", press("push button", "Close", true), {"AXUIElementDestroyed"}}},
      app("quit"));
}

}  // namespace
