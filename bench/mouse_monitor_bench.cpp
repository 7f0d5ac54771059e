#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "platform/linux/xinput_mouse_monitor.h"

// After Qt's headers, which Xlib's macros would break.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

// How long a press takes from the X server to our handler: the press is
// made with XTest, as xdotool makes it, on a connection of its own, and
// the event loop waits for the handler. Run it inside
// scripts/headless-session (or on a desktop, where it presses the button
// wherever the pointer is).

namespace {

using Clock = std::chrono::steady_clock;

constexpr int waitLimit = 2000;  // milliseconds

// Presses and releases the button, and waits for the monitor's handlers.
class Presser {
 public:
  explicit Presser(Display* display) : display_(display) {
    timeout_.setSingleShot(true);
    QObject::connect(&timeout_, &QTimer::timeout, &loop_, &QEventLoop::quit);
  }

  void heard() {
    heardAt_ = Clock::now();
    loop_.quit();
  }

  // The time from sending the press or release until a handler ran, or
  // nothing when none ran in time.
  std::optional<Clock::duration> send(bool down) {
    heardAt_.reset();
    timeout_.start(waitLimit);
    XTestFakeButtonEvent(display_, 1, down ? True : False, CurrentTime);
    const auto sent = Clock::now();
    XFlush(display_);
    if (!heardAt_) loop_.exec();
    timeout_.stop();
    if (!heardAt_) return std::nullopt;
    return *heardAt_ - sent;
  }

 private:
  Display* display_;
  QEventLoop loop_;
  QTimer timeout_;
  std::optional<Clock::time_point> heardAt_;
};

void BM_PressToHandler(benchmark::State& state) {
  auto monitor = TonnixXInputMouseMonitor::connect();
  Display* display = XOpenDisplay(nullptr);
  if (!monitor || !display) {
    state.SkipWithError("needs an X server with XInput 2 (run in scripts/headless-session)");
    if (display) XCloseDisplay(display);
    return;
  }
  {
    Presser presser(display);
    (*monitor)->watch(TonnixMouseEventKind::leftMouseDown);
    (*monitor)->watch(TonnixMouseEventKind::leftMouseUp);
    QObject::connect(monitor->get(), &TonnixMouseMonitor::occurred,
                     [&presser](TonnixMouseEventKind, QPointF) { presser.heard(); });

    std::vector<double> latencies;
    for (auto _ : state) {
      const auto pressed = presser.send(true);
      presser.send(false);
      if (!pressed) {
        state.SkipWithError("a press never reached the handler");
        break;
      }
      const double seconds = std::chrono::duration<double>(*pressed).count();
      state.SetIterationTime(seconds);
      latencies.push_back(seconds * 1e6);
    }
    if (!latencies.empty()) {
      std::sort(latencies.begin(), latencies.end());
      state.counters["median_us"] = latencies[latencies.size() / 2];
      state.counters["worst_us"] = latencies.back();
    }
  }
  monitor->reset();
  XCloseDisplay(display);
}
BENCHMARK(BM_PressToHandler)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);

}  // namespace
