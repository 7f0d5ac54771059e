#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <vector>

#include "platform/linux/linux_silence_probe.h"

// After Qt's headers, which Xlib's macros would break.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

// What one decision of the silence monitor costs the main thread with every
// reason chosen and none holding: the front application's windows and the
// displays from the X server, then the seven questions. The screen holds a
// number of other windows, as a desktop does. Run it inside
// scripts/headless-session.

namespace {

void setCardinal(Display* display, Window window, const char* name, Atom type,
                 unsigned long value) {
  XChangeProperty(display, window, XInternAtom(display, name, False), type, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&value), 1);
}

Window makeWindow(Display* display, int offset, unsigned long owner) {
  const Window window =
      XCreateSimpleWindow(display, DefaultRootWindow(display), offset, offset, 400, 300, 0, 0, 0);
  setCardinal(display, window, "_NET_WM_PID", XA_CARDINAL, owner);
  XMapWindow(display, window);
  return window;
}

void BM_SilenceDecision(benchmark::State& state) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    state.SkipWithError("no X server: run inside scripts/headless-session");
    return;
  }
  std::vector<Window> windows;
  for (int i = 0; i < state.range(0); ++i) windows.push_back(makeWindow(display, i * 10, 1));
  const Window front = makeWindow(display, 0, static_cast<unsigned long>(::getpid()));
  setCardinal(display, DefaultRootWindow(display), "_NET_ACTIVE_WINDOW", XA_WINDOW, front);
  XSync(display, False);

  TonnixLinuxSilenceProbe probe;
  for (auto _ : state) {
    const auto described = probe.windowDescriptions();
    const auto displays = probe.displayBounds();
    benchmark::DoNotOptimize(probe.isAudioHeldBack() || probe.isDisplayShared() ||
                             probe.isGameModeActive(described, displays) ||
                             probe.isMicrophoneInUse() || probe.isVideoPlaying() ||
                             probe.isFocusActive() ||
                             probe.isApplicationFullscreen(described, displays));
  }
  XDeleteProperty(display, DefaultRootWindow(display),
                  XInternAtom(display, "_NET_ACTIVE_WINDOW", False));
  XDestroyWindow(display, front);
  for (Window window : windows) XDestroyWindow(display, window);
  XCloseDisplay(display);
}
BENCHMARK(BM_SilenceDecision)->Arg(0)->Arg(30)->Unit(benchmark::kMicrosecond);

}  // namespace
