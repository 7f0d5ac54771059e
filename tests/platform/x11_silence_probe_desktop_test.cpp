#include <gtest/gtest.h>
#include <unistd.h>

#include <QRect>
#include <algorithm>

#include "platform/linux/display_to_itself.h"
#include "platform/linux/linux_silence_probe.h"
#include "platform/linux/x11_connection.h"
#include "platform/linux/x11_window_list.h"
#include "platform/linux/x11_window_watcher.h"

// After Qt's and GoogleTest's headers, which Xlib's macros would break.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

// Run inside scripts/headless-session: an Xvfb of 1280x800 without a window
// manager, so the test itself plays the window manager's part where it
// needs one, writing the EWMH hints the probes read. This test program is
// no installed game.

namespace {

const QRect screen(0, 0, 1280, 800);

class X11SilenceProbeTest : public testing::Test {
 protected:
  X11SilenceProbeTest() : display_(XOpenDisplay(nullptr)) {}
  ~X11SilenceProbeTest() override {
    if (!display_) return;
    for (const char* hint : {"_NET_CLIENT_LIST_STACKING", "_NET_ACTIVE_WINDOW"}) {
      XDeleteProperty(display_, root(), atom(hint));
    }
    for (Window window : windows_) XDestroyWindow(display_, window);
    XCloseDisplay(display_);
  }

  void SetUp() override {
    if (!display_) GTEST_SKIP() << "no X server: run inside scripts/headless-session";
  }

  Window root() const { return DefaultRootWindow(display_); }
  Atom atom(const char* name) const { return XInternAtom(display_, name, False); }

  void setProperty(Window window, const char* name, Atom type,
                   const std::vector<unsigned long>& values) {
    XChangeProperty(display_, window, atom(name), type, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(values.data()),
                    static_cast<int>(values.size()));
    XSync(display_, False);
  }

  void setStates(Window window, std::initializer_list<const char*> states) {
    std::vector<unsigned long> atoms;
    for (const char* state : states) atoms.push_back(atom(state));
    setProperty(window, "_NET_WM_STATE", XA_ATOM, atoms);
  }

  Window makeWindow(QRect bounds, bool overrideRedirect = false, bool maps = true) {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = overrideRedirect ? True : False;
    const Window window =
        XCreateWindow(display_, root(), bounds.x(), bounds.y(),
                      static_cast<unsigned>(bounds.width()), static_cast<unsigned>(bounds.height()),
                      0, CopyFromParent, InputOutput, nullptr, CWOverrideRedirect, &attributes);
    windows_.push_back(window);
    setProperty(window, "_NET_WM_PID", XA_CARDINAL, {static_cast<unsigned long>(::getpid())});
    if (maps) XMapWindow(display_, window);
    XSync(display_, False);
    return window;
  }

  static std::optional<std::size_t> find(const std::vector<TonnixWindowDescription>& windows,
                                         QRect bounds) {
    const auto found = std::ranges::find(windows, QRectF(bounds), &TonnixWindowDescription::bounds);
    if (found == windows.end()) return std::nullopt;
    return static_cast<std::size_t>(found - windows.begin());
  }

  Display* display_;
  std::vector<Window> windows_;
};

}  // namespace

TEST_F(X11SilenceProbeTest, TopLevelWindowsAreListedFrontFirstOrInTheWindowManagersStackingOrder) {
  const QRect clear(10, 10, 100, 100);
  const QRect menu(20, 20, 50, 50);
  const QRect hidden(30, 30, 60, 60);
  makeWindow(screen);
  setProperty(makeWindow(clear), "_NET_WM_WINDOW_OPACITY", XA_CARDINAL, {0});
  makeWindow(menu, true);
  makeWindow(hidden, false, false);

  TonnixX11WindowWatcher watcher;
  const TonnixX11WindowList list(watcher);
  const auto windows = list.windows();
  const auto screenAt = find(windows, screen);
  const auto clearAt = find(windows, clear);
  const auto menuAt = find(windows, menu);
  ASSERT_TRUE(screenAt && clearAt && menuAt);
  EXPECT_FALSE(find(windows, hidden));
  EXPECT_LT(*menuAt, *clearAt);
  EXPECT_LT(*clearAt, *screenAt);
  EXPECT_EQ(windows[*screenAt],
            (TonnixWindowDescription{::getpid(), TonnixWindowLayer::normal, QRectF(screen), 1.0}));
  EXPECT_EQ(windows[*clearAt].alpha, 0.0);
  EXPECT_EQ(windows[*menuAt].layer, TonnixWindowLayer::popUp);

  EXPECT_EQ(list.windows(::getpid()).size(), 3U);
  EXPECT_TRUE(list.windows(::getpid() + 1).empty());
  // With a window manager, its stacking order, window types and states decide.

  const QRect bottom(0, 0, 200, 200);
  const QRect top(100, 100, 200, 200);
  const QRect panel(0, 0, 1280, 30);
  const Window topWindow = makeWindow(top);
  const Window bottomWindow = makeWindow(bottom);
  const Window panelWindow = makeWindow(panel);
  const Window minimizedWindow = makeWindow(QRect(300, 300, 50, 50));
  setStates(topWindow, {"_NET_WM_STATE_ABOVE"});
  setProperty(panelWindow, "_NET_WM_WINDOW_TYPE", XA_ATOM, {atom("_NET_WM_WINDOW_TYPE_DOCK")});
  setStates(minimizedWindow, {"_NET_WM_STATE_HIDDEN"});
  setProperty(root(), "_NET_CLIENT_LIST_STACKING", XA_WINDOW,
              {bottomWindow, minimizedWindow, topWindow, panelWindow});
  watcher.synchronize();
  const auto stacked = list.windows();
  ASSERT_EQ(stacked.size(), 3U);
  EXPECT_EQ(stacked[0],
            (TonnixWindowDescription{::getpid(), TonnixWindowLayer::dock, QRectF(panel), 1.0}));
  EXPECT_EQ(stacked[1],
            (TonnixWindowDescription{::getpid(), TonnixWindowLayer::floating, QRectF(top), 1.0}));
  EXPECT_EQ(stacked[2].bounds, QRectF(bottom));
}

// Full-screen when the window manager says so or the window covers the
// display; this test program is no game, so never in Game Mode.
TEST_F(X11SilenceProbeTest, TheFrontApplicationIsFullScreenOrAGameWhenItCoversTheDisplay) {
  TonnixLinuxSilenceProbe probe;
  TonnixX11WindowWatcher& watcher = probe.windowWatcher();
  const TonnixX11WindowList list(watcher);
  const auto fullScreen = [&probe] {
    return probe.isApplicationFullscreen(probe.windowDescriptions(), probe.displayBounds());
  };
  const auto gameMode = [&probe] {
    return probe.isGameModeActive(probe.windowDescriptions(), probe.displayBounds());
  };
  EXPECT_FALSE(list.activeWindow());
  EXPECT_FALSE(fullScreen()) << "no active window";

  const Window small = makeWindow(QRect(0, 0, 640, 480));
  setProperty(root(), "_NET_ACTIVE_WINDOW", XA_WINDOW, {small});
  watcher.synchronize();
  auto active = list.activeWindow();
  ASSERT_TRUE(active);
  EXPECT_EQ(active->processIdentifier, ::getpid());
  EXPECT_FALSE(active->isFullscreen);
  EXPECT_FALSE(fullScreen());

  setStates(small, {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_FULLSCREEN"});
  watcher.synchronize();
  active = list.activeWindow();
  ASSERT_TRUE(active);
  EXPECT_TRUE(active->isFullscreen);
  EXPECT_TRUE(fullScreen()) << "the window manager's full-screen state counts";

  const Window covering = makeWindow(screen.adjusted(1, 1, -1, -1));
  setProperty(root(), "_NET_ACTIVE_WINDOW", XA_WINDOW, {covering});
  watcher.synchronize();
  EXPECT_TRUE(fullScreen());
  EXPECT_FALSE(gameMode());
}

// The watcher's signals, which window sounds follow, as the X server's
// events bring the changes.
TEST_F(X11SilenceProbeTest, TheWatcherSignalsWindowsComingMovingChangingStateAndGoing) {
  TonnixX11WindowWatcher watcher;
  std::vector<std::string> seen;
  const auto note = [&seen](const char* what) {
    return [&seen, what](quint64, std::int32_t processIdentifier) {
      if (processIdentifier == ::getpid()) seen.emplace_back(what);
    };
  };
  QObject::connect(&watcher, &TonnixX11WindowWatcher::windowAdded, note("added"));
  QObject::connect(&watcher, &TonnixX11WindowWatcher::windowRemoved, note("removed"));
  QObject::connect(&watcher, &TonnixX11WindowWatcher::activeWindowChanged, note("active"));
  QObject::connect(&watcher, &TonnixX11WindowWatcher::windowGeometryChanged,
                   [&seen](quint64, std::int32_t, QRect frame) {
                     seen.push_back("moved to " + std::to_string(frame.x()));
                   });
  QObject::connect(&watcher, &TonnixX11WindowWatcher::windowStateChanged,
                   [&seen](quint64, std::int32_t, bool isHidden, bool) {
                     seen.emplace_back(isHidden ? "hidden" : "shown");
                   });

  const Window window = makeWindow(QRect(10, 10, 100, 100));
  watcher.synchronize();
  setProperty(root(), "_NET_ACTIVE_WINDOW", XA_WINDOW, {window});
  XMoveWindow(display_, window, 50, 10);
  XSync(display_, False);
  watcher.synchronize();
  setStates(window, {"_NET_WM_STATE_HIDDEN"});
  watcher.synchronize();
  ASSERT_NE(watcher.window(window), nullptr);
  EXPECT_EQ(watcher.windowAt(QPoint(60, 20)), nullptr) << "hidden windows are not hit";
  XDestroyWindow(display_, window);
  windows_.clear();
  XSync(display_, False);
  watcher.synchronize();

  EXPECT_EQ(seen,
            (std::vector<std::string>{"added", "active", "moved to 50", "hidden", "removed"}));
}
