// From a left-button press sent to the X server to the click monitor's
// MouseDown event (what the controller's handle receives), on a real GTK
// window: the XInput 2 monitor, the hit test over AT-SPI and the resolver's
// attribute reads. Needs a desktop session with gtk3-widget-factory:
//
//   scripts/headless-session build/bin/click_latency_bench

#include <atspi/atspi.h>
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRect>
#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "events/click_monitor.h"
#include "platform/fake/fake_workspace.h"
#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_connection.h"
#include "platform/linux/mouse_monitor_factory.h"

// Last: Xlib's macros (Bool, Status, None) clash with Qt's headers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

using Clock = std::chrono::steady_clock;

bool waitFor(const std::function<bool()>& done, int milliseconds) {
  QDeadlineTimer deadline(milliseconds);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

// The centre of the first showing check box of the application.
std::optional<QPoint> buttonCentre(AtspiAccessible* root) {
  std::vector<AtspiAccessible*> queue{root};
  g_object_ref(root);
  std::optional<QPoint> found;
  for (std::size_t index = 0; index < queue.size() && !found && index < 3000; ++index) {
    AtspiAccessible* object = queue[index];
    AtspiStateSet* states = atspi_accessible_get_state_set(object);
    const bool showing = states && atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
    if (states) g_object_unref(states);
    if (atspi_accessible_get_role(object, nullptr) == ATSPI_ROLE_CHECK_BOX && showing) {
      if (AtspiRect* rect = atspi_component_get_extents(ATSPI_COMPONENT(object),
                                                        ATSPI_COORD_TYPE_SCREEN, nullptr)) {
        if (rect->y > 80) found = QRect(rect->x, rect->y, rect->width, rect->height).center();
        g_free(rect);
      }
    }
    const int count = atspi_accessible_get_child_count(object, nullptr);
    for (int child = 0; child < count; ++child) {
      if (auto* next = atspi_accessible_get_child_at_index(object, child, nullptr)) {
        queue.push_back(next);
      }
    }
  }
  for (auto* object : queue) g_object_unref(object);
  return found;
}

void pressToMouseDown(benchmark::State& state) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    state.SkipWithError("needs an X server (scripts/headless-session)");
    return;
  }
  QProcess factory;
  factory.start(QStringLiteral("gtk3-widget-factory"), {});
  TonnixAtspiAccessibility accessibility;
  std::optional<QPoint> button;
  waitFor(
      [&] {
        const auto application = accessibility.connection()
                                     ? accessibility.connection()->application(
                                           static_cast<std::int32_t>(factory.processId()))
                                     : std::nullopt;
        if (application) button = buttonCentre(application->root.get());
        return button.has_value();
      },
      30'000);
  TonnixFakeWorkspace workspace;
  auto mouse = makeMouseMonitor();
  TonnixClickMonitor clicks(*mouse,
                            std::make_unique<TonnixClickResolver>(
                                accessibility, workspace, [](const QString&) { return false; }),
                            [] { return true; });
  std::optional<Clock::time_point> handled;
  QObject::connect(&clicks, &TonnixClickMonitor::eventOccurred, [&](const TonnixEvent& event) {
    if (event.notificationName == QLatin1String("MouseDown")) handled = Clock::now();
  });
  clicks.start();
  if (!button || !clicks.hasInstalledMonitors()) {
    state.SkipWithError("gtk3-widget-factory showed no check box, or no mouse monitor");
    factory.kill();
    factory.waitForFinished();
    XCloseDisplay(display);
    return;
  }
  XTestFakeMotionEvent(display, -1, button->x(), button->y(), CurrentTime);
  XFlush(display);

  std::vector<double> samples;
  for (auto _ : state) {
    handled.reset();
    const auto pressed = Clock::now();
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XFlush(display);
    if (!waitFor([&] { return handled.has_value(); }, 1000)) {
      state.SkipWithError("a press made no MouseDown");
      break;
    }
    const std::chrono::duration<double> took = *handled - pressed;
    samples.push_back(took.count());
    state.SetIterationTime(took.count());
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XFlush(display);
    waitFor([] { return false; }, 20);
  }
  if (!samples.empty()) {
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2] * 1000;
    state.counters["worst_ms"] = samples.back() * 1000;
  }
  factory.kill();
  factory.waitForFinished();
  XCloseDisplay(display);
}
BENCHMARK(pressToMouseDown)->Iterations(100)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
