#include <benchmark/benchmark.h>

#include "events/click_monitor.h"
#include "platform/fake/fake_accessibility.h"
#include "platform/fake/fake_mouse_monitor.h"
#include "platform/fake/fake_workspace.h"

// Everything a press does before a sound can start runs synchronously in the
// mouse-down handler, so it bounds how late a click is heard.

namespace {

constexpr std::int32_t kApplication = 310;
const QRectF kButton(200, 100, 60, 20);

// A window with a row of buttons, the last one being the window's default.
struct Desktop {
  Desktop() {
    TonnixRunningApplication editor;
    editor.processIdentifier = kApplication;
    editor.localizedName = QStringLiteral("Text Editor");
    editor.bundleIdentifier = QStringLiteral("org.gnome.TextEditor");
    workspace.addApplication(editor);
    const TonnixAXElement window = accessibility.addElement(kApplication);
    accessibility.setAttribute(window, TonnixAXAttribute::role, QStringLiteral("AXWindow"));
    accessibility.setAttribute(window, TonnixAXAttribute::subrole,
                               QStringLiteral("AXStandardWindow"));
    for (int i = 0; i < 8; ++i) {
      const QRectF frame = kButton.translated(-70.0 * i, 0);
      const TonnixAXElement button = accessibility.addElement(kApplication);
      accessibility.setAttribute(button, TonnixAXAttribute::role, QStringLiteral("AXButton"));
      accessibility.setAttribute(button, TonnixAXAttribute::position,
                                 TonnixAXPoint{frame.x(), frame.y()});
      accessibility.setAttribute(button, TonnixAXAttribute::size,
                                 TonnixAXSize{frame.width(), frame.height()});
      accessibility.setAttribute(button, TonnixAXAttribute::window, window);
      accessibility.place(button, frame);
      if (i == 0) accessibility.setAttribute(window, TonnixAXAttribute::defaultButton, button);
    }
  }

  std::unique_ptr<TonnixClickResolver> makeResolver() {
    return std::make_unique<TonnixClickResolver>(
        accessibility, workspace, [](const QString&) { return false; }, 1);
  }

  TonnixFakeAccessibility accessibility;
  TonnixFakeWorkspace workspace;
};

}  // namespace

// Element at the point, process identity from the cache, one batch for the
// element and one for its window, classification.
static void BM_ResolvePress(benchmark::State& state) {
  Desktop desktop;
  auto resolver = desktop.makeResolver();
  const QPointF point = kButton.center();
  for (auto _ : state) benchmark::DoNotOptimize(resolver->target(point));
  if (resolver->target(point)->kind != TonnixControlKind::defaultButton) {
    state.SkipWithError("resolved the wrong kind");
  }
}
BENCHMARK(BM_ResolvePress);

// A whole click through the monitor: press, drag out, drag in, release,
// with the four events emitted.
static void BM_ClickThroughMonitor(benchmark::State& state) {
  Desktop desktop;
  TonnixFakeMouseMonitor mouse;
  TonnixClickMonitor monitor(mouse, desktop.makeResolver(), [] { return true; });
  int events = 0;
  QObject::connect(&monitor, &TonnixClickMonitor::eventOccurred,
                   [&events](const TonnixEvent&) { ++events; });
  monitor.start();
  const QPointF inside = kButton.center();
  const QPointF outside(900, 900);
  for (auto _ : state) {
    mouse.press(inside);
    mouse.drag(outside);
    mouse.drag(inside);
    mouse.release(inside);
  }
  state.counters["events"] = benchmark::Counter(events, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ClickThroughMonitor);

BENCHMARK_MAIN();
