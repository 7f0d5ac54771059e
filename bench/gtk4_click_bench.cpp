// From a left-button press sent to the X server to the click event `handle`
// receives, on a GTK 4 check box, which is found by its window's children's
// extents: the first press on the application, a press after the window
// moved (what was read of the window is dropped), and a press that reuses
// what the last one read; and the hit test alone, after a move and reused. On the GTK 4 fixture
// (shallow) and GTK 4's widget factory (its check box lies a dozen levels down, behind stack
// pages):
//
//   scripts/headless-session build/test/bin/gtk4_click_bench

#include <atspi/atspi.h>
#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "atspi_tree.h"
#include "event_loop.h"
#include "events/click_monitor.h"
#include "platform/fake/fake_workspace.h"
#include "platform/linux/atspi_accessibility.h"
#include "platform/linux/atspi_connection.h"
#include "platform/linux/mouse_monitor_factory.h"

// Last: Xlib's macros (Bool, Status, None) clash with Qt's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr int kPresses = 15;

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The window-relative extents of the first check box of that name (GTK 4
// says no object is showing; hidden ones are empty).
std::optional<QRect> checkBox(AtspiAccessible* root, const char* name) {
  const auto box = tonnix_test::findAccessible(
      root,
      [&](AtspiAccessible* object) {
        return tonnix_test::withRole(ATSPI_ROLE_CHECK_BOX, QString::fromUtf8(name))(object) &&
               tonnix_test::extentsOf(object, ATSPI_COORD_TYPE_WINDOW).width() > 0;
      },
      5000);
  if (!box) return std::nullopt;
  return tonnix_test::extentsOf(box.get(), ATSPI_COORD_TYPE_WINDOW);
}

// The X window of the process, once mapped.
Window windowOf(Display* display, qint64 pid) {
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  Window found = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
  for (unsigned int index = 0; index < count && !found; ++index) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, children[index], pidAtom, 0, 1, False, XA_CARDINAL, &type,
                           &format, &items, &after, &data) == Success &&
        data && items == 1 &&
        *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid)) {
      found = children[index];
    }
    if (data) XFree(data);
  }
  if (children) XFree(children);
  return found;
}

void pressOnCheckBox(benchmark::State& state, const QString& program, const char* name) {
  if (!QFileInfo::exists(program) && QStandardPaths::findExecutable(program).isEmpty()) {
    state.SkipWithError("needs the GTK 4 fixture (libgtk-4-dev) and gtk-4-examples");
    return;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    state.SkipWithError("needs an X server (scripts/headless-session)");
    return;
  }
  TonnixAtspiAccessibility accessibility;
  QProcess application;
  application.start(program, {});
  std::optional<QRect> box;
  tonnix_test::turnUntil(
      [&] {
        const auto found = accessibility.connection()
                               ? accessibility.connection()->application(
                                     static_cast<std::int32_t>(application.processId()))
                               : std::nullopt;
        if (found) box = checkBox(found->root.get(), name);
        return box.has_value();
      },
      30'000);
  const Window window = windowOf(display, application.processId());
  TonnixFakeWorkspace workspace;
  auto mouse = makeMouseMonitor();
  TonnixClickMonitor clicks(*mouse,
                            std::make_unique<TonnixClickResolver>(
                                accessibility, workspace, [](const QString&) { return false; }),
                            [] { return true; });
  std::optional<Clock::time_point> handled;
  // Presses that did not find the check box.
  int wrong = 0;
  QObject::connect(&clicks, &TonnixClickMonitor::eventOccurred, [&](const TonnixEvent& event) {
    if (event.notificationName != QLatin1String("MouseDown")) return;
    handled = Clock::now();
    wrong += event.soundID != TonnixSoundID("chkp");
  });
  clicks.start();
  if (!box || !window || !clicks.hasInstalledMonitors()) {
    state.SkipWithError("no check box on the GTK 4 window, or no mouse monitor");
    return;
  }
  // Alternating places: each move drops what was read of the window.
  int place = 0;
  const auto moveWindow = [&] {
    place = 1 - place;
    XMoveWindow(display, window, 10 * place, 0);
    XSync(display, False);
    tonnix_test::turnFor(300);
  };
  const auto press = [&]() -> std::optional<double> {
    const QPoint at = box->center() + QPoint(10 * place, 0);
    XTestFakeMotionEvent(display, -1, at.x(), at.y(), CurrentTime);
    XSync(display, False);
    handled.reset();
    const auto pressed = Clock::now();
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XFlush(display);
    const bool heard = tonnix_test::turnUntil([&] { return handled.has_value(); }, 2000);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    tonnix_test::turnFor(150);
    if (!heard) return std::nullopt;
    return Milliseconds(*handled - pressed).count();
  };
  // The hit test alone, as the resolver asks it.
  const TonnixAXElement desktop = accessibility.systemWideElement();
  const auto hit = [&] {
    const QPoint at = box->center() + QPoint(10 * place, 0);
    const auto started = Clock::now();
    const auto found = accessibility.elementAtPosition(desktop, static_cast<float>(at.x()),
                                                       static_cast<float>(at.y()));
    const double took = Milliseconds(Clock::now() - started).count();
    bool isCheckBox = false;
    if (found) {
      const auto role = accessibility.attributeValue(*found, TonnixAXAttribute::role);
      isCheckBox =
          role && role->as<QString>() && *role->as<QString>() == QLatin1String("AXCheckBox");
    }
    wrong += !isCheckBox;
    return took;
  };
  std::vector<double> moved;
  std::vector<double> reused;
  std::vector<double> hitMoved;
  std::vector<double> hitReused;
  int missed = 0;
  for (auto _ : state) {
    if (const auto first = press()) state.counters["first_ms"] = *first;
    for (int round = 0; round < kPresses; ++round) {
      moveWindow();
      const auto cold = press();
      const auto warm = press();
      missed += !cold + !warm;
      if (cold) moved.push_back(*cold);
      if (warm) reused.push_back(*warm);
      moveWindow();
      hitMoved.push_back(hit());
      hitReused.push_back(hit());
    }
  }
  state.counters["after_move_ms"] = median(moved);
  state.counters["reused_ms"] = median(reused);
  state.counters["hit_after_move_ms"] = median(hitMoved);
  state.counters["hit_reused_ms"] = median(hitReused);
  state.counters["missed"] = missed;
  state.counters["wrong"] = wrong;
  application.kill();
  application.waitForFinished();
  XCloseDisplay(display);
}

void fixture(benchmark::State& state) {
  pressOnCheckBox(state, QStringLiteral(TONNIX_GTK4_FIXTURE), "Check Me");
}
BENCHMARK(fixture)->Iterations(1)->Unit(benchmark::kMillisecond);

void widgetFactory(benchmark::State& state) {
  pressOnCheckBox(state, QStringLiteral("gtk4-widget-factory"), "checkbutton");
}
BENCHMARK(widgetFactory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
