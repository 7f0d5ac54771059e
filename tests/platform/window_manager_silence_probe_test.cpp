#include <gtest/gtest.h>
#include <unistd.h>

#include <QRect>

#include "event_loop.h"
#include "platform/linux/linux_silence_probe.h"

// After Qt's and GoogleTest's headers, which Xlib's macros would break.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

// The full-screen reason under a real window manager: run inside
// scripts/headless-session with TONNIX_HEADLESS_WINDOW_MANAGER=1, where
// openbox manages an Xvfb screen of 1280x800 and publishes the stacking
// order, the active window and the full-screen state.

namespace {

const QRect screen(0, 0, 1280, 800);

class WindowManagerTest : public testing::Test {
 protected:
  WindowManagerTest() : display_(XOpenDisplay(nullptr)) {}
  ~WindowManagerTest() override {
    if (!display_) return;
    if (window_ != None) XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

  void SetUp() override {
    if (!display_) GTEST_SKIP() << "no X server: run inside scripts/headless-session";
    if (!hasWindowManager()) GTEST_SKIP() << "no window manager: TONNIX_HEADLESS_WINDOW_MANAGER=1";
  }

  Atom atom(const char* name) const { return XInternAtom(display_, name, False); }

  bool hasWindowManager() const {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display_, DefaultRootWindow(display_), atom("_NET_SUPPORTING_WM_CHECK"), 0,
                       1, False, XA_WINDOW, &type, &format, &count, &remaining, &data);
    if (data) XFree(data);
    return count == 1;
  }

  // A managed window of this process, shown and given the focus.
  void showWindow() {
    window_ =
        XCreateSimpleWindow(display_, DefaultRootWindow(display_), 100, 100, 300, 200, 0, 0, 0);
    const auto pid = static_cast<unsigned long>(::getpid());
    XChangeProperty(display_, window_, atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XMapWindow(display_, window_);
    XSync(display_, False);
  }

  // Asks the window manager, as EWMH has clients do, to make the window
  // full-screen or to activate it.
  void ask(const char* message, long first, long second = 0) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window_;
    event.xclient.message_type = atom(message);
    event.xclient.format = 32;
    event.xclient.data.l[0] = first;
    event.xclient.data.l[1] = second;
    XSendEvent(display_, DefaultRootWindow(display_), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display_, False);
  }

  Display* display_;
  Window window_ = None;
};

}  // namespace

TEST_F(WindowManagerTest, TheActiveWindowMadeFullScreenIsAFullScreenApplication) {
  TonnixLinuxSilenceProbe probe;
  const auto fullScreen = [&probe] {
    return probe.isApplicationFullscreen(probe.windowDescriptions(), probe.displayBounds());
  };
  showWindow();
  ask("_NET_ACTIVE_WINDOW", 2);
  ASSERT_TRUE(tonnix_test::turnUntil([&] {
    const auto windows = probe.windowDescriptions();
    return windows.size() == 1 && windows.front().bounds.size() == QSizeF(300, 200);
  })) << "the window manager shows the window and makes it active";
  EXPECT_FALSE(fullScreen());

  constexpr long add = 1;
  ask("_NET_WM_STATE", add, static_cast<long>(atom("_NET_WM_STATE_FULLSCREEN")));
  EXPECT_TRUE(tonnix_test::turnUntil(fullScreen));
  EXPECT_TRUE(tonnix_test::turnUntil([&] {
    const auto windows = probe.windowDescriptions();
    return windows.size() == 1 && windows.front().bounds == QRectF(screen);
  })) << "the full-screen window covers the display";
}
