// Clicks on real GTK 3 and Qt controls through the click monitor, AT-SPI and
// the X server's mouse monitor, driven by xdotool in scripts/headless-session.

#include <atspi/atspi.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <functional>
#include <memory>
#include <vector>

#include "atspi_tree.h"
#include "desktop_session.h"
#include "event_loop.h"
#include "events/click_monitor.h"
#include "platform/fake/fake_workspace.h"
#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_connection.h"
#include "platform/linux/mouse_monitor_factory.h"

// Last: Xlib's macros (Bool, Status, None) clash with Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

using tonnix_test::Application;
using tonnix_test::extentsOf;
using tonnix_test::findAccessible;
using tonnix_test::isShowing;
using tonnix_test::windowOf;
using tonnix_test::withRole;
using tonnix_test::xdotool;

constexpr int eventTimeout = 5'000;  // milliseconds
// How long a press that is to make no sound is watched.
constexpr int silentWait = 1'500;

bool waitFor(const std::function<bool()>& done, int milliseconds = eventTimeout) {
  return tonnix_test::turnUntil(done, milliseconds);
}

// The screen extents of the first showing object of that role (and name,
// when given) under `root`. GTK 4.8 says no object is showing; its hidden
// ones are empty.
std::optional<QRect> find(AtspiAccessible* root, AtspiRole role, const QString& name = {},
                          bool mustShow = true) {
  const auto object = findAccessible(root, [&](AtspiAccessible* candidate) {
    return withRole(role, name)(candidate) && (!mustShow || isShowing(candidate)) &&
           !extentsOf(candidate).isEmpty();
  });
  if (!object) return std::nullopt;
  return extentsOf(object.get());
}

using Phases = std::vector<std::string>;

class ClickDesktopTest : public testing::Test {
 protected:
  void SetUp() override {
    if (const QString missing = tonnix_test::missingDesktopSession(); !missing.isEmpty()) {
      GTEST_SKIP() << missing.toStdString();
    }
    accessibility_ = std::make_unique<TonnixAtspiAccessibility>();
    ASSERT_TRUE(accessibility_->status().isTrusted());
    ASSERT_NE(accessibility_->connection(), nullptr);
    mouse_ = makeMouseMonitor();
    auto resolver = std::make_unique<TonnixClickResolver>(*accessibility_, workspace_,
                                                          [](const QString&) { return false; });
    clicks_ =
        std::make_unique<TonnixClickMonitor>(*mouse_, std::move(resolver), [] { return true; });
    QObject::connect(clicks_.get(), &TonnixClickMonitor::eventOccurred,
                     [this](const TonnixEvent& event) {
                       heard_.push_back(event.notificationName.toStdString() + ' ' +
                                        event.soundID.description());
                     });
    clicks_->start();
    ASSERT_TRUE(clicks_->hasInstalledMonitors());
  }

  void TearDown() override {
    clicks_.reset();
    mouse_.reset();
    accessibility_.reset();
  }

  void launch(const QString& program, const QStringList& arguments, AtspiRole role,
              bool mustShow = true) {
    // GTK's overlay scroll bars are hidden until the pointer comes near.
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("GTK_OVERLAY_SCROLLING"), QStringLiteral("0"));
    application_ = std::make_unique<Application>(program, arguments, environment);
    ASSERT_TRUE(application_->started()) << program.toStdString();
    const auto pid = application_->pid();
    ASSERT_TRUE(waitFor(
        [&] {
          const auto found = accessibility_->connection()->application(pid);
          if (!found) return false;
          root_ = found->root;
          return find(root_.get(), role, {}, mustShow).has_value();
        },
        tonnix_test::applicationStartTimeout))
        << program.toStdString() << " never showed its controls on the accessibility bus";
  }

  // The widget factory is wider than the screen: brings its right edge in.
  void shiftLeft() {
    const auto before = find(root_.get(), ATSPI_ROLE_FRAME);
    ASSERT_TRUE(before);
    xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"), windowOf(application_->pid()),
             QStringLiteral("-120"), QStringLiteral("0")});
    ASSERT_TRUE(waitFor([&] {
      const auto now = find(root_.get(), ATSPI_ROLE_FRAME);
      return now && now->x() != before->x();
    }));
  }

  QPoint centreOf(AtspiRole role, const QString& name = {}, bool mustShow = true) {
    const auto rect = find(root_.get(), role, name, mustShow);
    EXPECT_TRUE(rect) << "no control of role " << role << " named " << name.toStdString();
    return rect ? rect->center() : QPoint();
  }

  static QStringList move(QPoint point) {
    return {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())};
  }

  // A full click; what it sounded like ("PHASE SOUND"), waited for up to `wait`.
  std::vector<std::string> click(QPoint point, int wait) {
    heard_.clear();
    xdotool(move(point) + QStringList{QStringLiteral("click"), QStringLiteral("1")});
    waitFor([&] { return !heard_.empty(); }, wait);
    return heard_;
  }

  // Press, drag out by `offset` and release there. The drag moves the pointer
  // relative to where it is: xdotool's absolute moves warp it, which no
  // device reports as motion.
  void pressAndReleaseOutside(QPoint inside, QPoint offset) {
    heard_.clear();
    xdotool(move(inside) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1")});
    waitFor([&] { return heard_.size() >= 1; });
    xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"),
             QString::number(offset.x()), QString::number(offset.y())});
    waitFor([&] { return heard_.size() >= 2; });
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    waitFor([&] { return heard_.size() >= 3U; }, silentWait);
  }

  // On a loaded machine an application may miss the 0.1 s time-out and the
  // press is rightly silent; missing it twice in a row gives it up for a
  // second, after which the press is tried again.
  std::string pressSoundAt(QPoint point) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      for (const auto& event : click(point, eventTimeout)) {
        if (event.starts_with("MouseDown ")) return event.substr(10);
      }
      waitFor([] { return false; }, 1'100);
    }
    return {};
  }

  bool isSilentAt(QPoint point) { return click(point, silentWait).empty(); }

  // A full click's press and release sounds, tried again as pressSoundAt.
  Phases clickSounds(QPoint point) {
    for (int attempt = 0; attempt < 3 && click(point, eventTimeout).empty(); ++attempt) {
      waitFor([] { return false; }, 1'100);
    }
    waitFor([&] { return heard_.size() >= 2; });
    return heard_;
  }

  std::unique_ptr<TonnixAtspiAccessibility> accessibility_;
  TonnixFakeWorkspace workspace_;
  std::unique_ptr<TonnixMouseMonitor> mouse_;
  std::unique_ptr<TonnixClickMonitor> clicks_;
  std::unique_ptr<Application> application_;
  TonnixAtspiObjectRef root_;
  std::vector<std::string> heard_;
};

// Plays the window manager's part: publishes a stacking order of client
// windows on the root window, and owns a window of this process's.
class StackingManager {
 public:
  StackingManager() : display_(XOpenDisplay(nullptr)) {
    own_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1280, 800, 0, 0, 0);
    const unsigned long pid = static_cast<unsigned long>(QCoreApplication::applicationPid());
    XChangeProperty(display_, own_, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    XMapWindow(display_, own_);
    XLowerWindow(display_, own_);
    XSync(display_, False);
  }
  ~StackingManager() {
    XDeleteProperty(display_, DefaultRootWindow(display_),
                    XInternAtom(display_, "_NET_CLIENT_LIST_STACKING", False));
    XDestroyWindow(display_, own_);
    XCloseDisplay(display_);
  }
  StackingManager(const StackingManager&) = delete;
  StackingManager& operator=(const StackingManager&) = delete;

  unsigned long ownWindow() const { return own_; }

  // Bottom to top, as the window manager lists them.
  void stack(const std::vector<unsigned long>& windows) {
    XChangeProperty(display_, DefaultRootWindow(display_),
                    XInternAtom(display_, "_NET_CLIENT_LIST_STACKING", False), XA_WINDOW, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(windows.data()),
                    static_cast<int>(windows.size()));
    XSync(display_, False);
  }

 private:
  Display* display_;
  Window own_;
};

// GTK draws its header bar's close button, so it is the window's. Where a
// window manager tells the stacking order, the window on top takes the press.
TEST_F(ClickDesktopTest, GtkControlsMakeTheirKindsSoundsOnlyOnTopAndAnswering) {
  launch(QStringLiteral("gtk3-widget-factory"), {}, ATSPI_ROLE_CHECK_BOX);
  ASSERT_FALSE(HasFailure());

  const QPoint checkBox = centreOf(ATSPI_ROLE_CHECK_BOX);
  EXPECT_EQ(pressSoundAt(checkBox), "chkp");
  const auto spin = find(root_.get(), ATSPI_ROLE_SPIN_BUTTON);
  ASSERT_TRUE(spin);
  EXPECT_EQ(pressSoundAt({spin->right() - 8, spin->center().y()}), "laup");

  EXPECT_EQ(pressSoundAt(centreOf(ATSPI_ROLE_TEXT)), "!mdo");
  // GTK 3 opens a combo box's menu over the box on the press itself, so a
  // later try would click the menu instead.
  const QPoint comboBox = centreOf(ATSPI_ROLE_COMBO_BOX, QStringLiteral("Left"));
  const auto heard = click(comboBox, eventTimeout);
  EXPECT_TRUE(!heard.empty() && heard.front() == "MouseDown popp");
  xdotool({QStringLiteral("key"), QStringLiteral("Escape")});

  {
    const unsigned long factory = windowOf(application_->pid()).toULong();
    ASSERT_NE(factory, 0U);
    StackingManager manager;
    manager.stack({manager.ownWindow(), factory});
    EXPECT_EQ(pressSoundAt(checkBox), "chkp");
    manager.stack({factory, manager.ownWindow()});
    EXPECT_TRUE(isSilentAt(checkBox));
  }

  shiftLeft();
  const QPoint close = centreOf(ATSPI_ROLE_PUSH_BUTTON, QStringLiteral("Close"));
  pressAndReleaseOutside(close, QPoint(-400, 300));
  EXPECT_EQ(heard_, (Phases{"MouseDown wclp", "MouseExit wclx"}));

  const QPoint shiftedBox = centreOf(ATSPI_ROLE_CHECK_BOX);
  ::kill(static_cast<pid_t>(application_->pid()), SIGSTOP);
  EXPECT_TRUE(isSilentAt(shiftedBox));
  ::kill(static_cast<pid_t>(application_->pid()), SIGCONT);
}

// GTK 4 answers nothing to a question about a point and knows no screen
// coordinates: its controls are found by each level's children's extents,
// in window coordinates from where the X server has the window, and make
// their own sounds as GTK 3's do, also once its layout changed.
TEST_F(ClickDesktopTest, Gtk4ControlsMakeTheirOwnPressAndReleaseSoundsWhereverTheWindowIs) {
#ifndef TONNIX_GTK4_FIXTURE
  GTEST_SKIP() << "needs libgtk-4-dev";
#else
  launch(QStringLiteral(TONNIX_GTK4_FIXTURE), {}, ATSPI_ROLE_CHECK_BOX, false);
  ASSERT_FALSE(HasFailure());
  const QString window = windowOf(application_->pid());
  const QPoint place(200, 150);
  xdotool({QStringLiteral("windowmove"), QStringLiteral("--sync"), window,
           QString::number(place.x()), QString::number(place.y())});
  const auto centre = [&](AtspiRole role, const QString& name) {
    return centreOf(role, name, false) + place;
  };
  EXPECT_EQ(clickSounds(centre(ATSPI_ROLE_PUSH_BUTTON, QStringLiteral("Press Me"))),
            (Phases{"MouseDown btnp", "MouseUp btnr"}));
  const QPoint checkBox = centre(ATSPI_ROLE_CHECK_BOX, QStringLiteral("Check Me"));
  EXPECT_EQ(clickSounds(checkBox), (Phases{"MouseDown chkp", "MouseUp chkr"}));
  EXPECT_EQ(clickSounds(checkBox), (Phases{"MouseDown chkp", "MouseUp chkr"}));

  // Hiding the button moves the check box up to where the button was.
  xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
  xdotool({QStringLiteral("key"), QStringLiteral("ctrl+h")});
  QPoint movedBox;
  ASSERT_TRUE(waitFor([&] {
    movedBox = centre(ATSPI_ROLE_CHECK_BOX, QStringLiteral("Check Me"));
    return movedBox != checkBox;
  }));
  EXPECT_EQ(pressSoundAt(movedBox), "chkp");
  EXPECT_EQ(pressSoundAt(centre(ATSPI_ROLE_COMBO_BOX, QStringLiteral("Pick Me"))), "popp");
#endif
}

TEST_F(ClickDesktopTest, QtControlsAndADialogsDefaultButtonSoundAndMenuBarItemsStaySilent) {
  launch(QStringLiteral(TONNIX_QT_FIXTURE), {}, ATSPI_ROLE_CHECK_BOX);
  ASSERT_FALSE(HasFailure());

  EXPECT_TRUE(isSilentAt(centreOf(ATSPI_ROLE_MENU_ITEM, QStringLiteral("File"))));
  xdotool({QStringLiteral("key"), QStringLiteral("Escape")});

  // Qt marks a dialog's default button, which has a sound of its own.
  xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), windowOf(application_->pid())});
  xdotool({QStringLiteral("key"), QStringLiteral("ctrl+d")});
  ASSERT_TRUE(waitFor([&] { return find(root_.get(), ATSPI_ROLE_DIALOG).has_value(); }));

  const QPoint ok = centreOf(ATSPI_ROLE_PUSH_BUTTON, QStringLiteral("OK"));
  pressAndReleaseOutside(ok, QPoint(0, 300));
  EXPECT_EQ(heard_, (Phases{"MouseDown dbtp", "MouseExit dbtx"}));
}

}  // namespace
