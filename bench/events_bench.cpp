#include <benchmark/benchmark.h>

#include "events/application_observer.h"
#include "platform/fake/fake_accessibility.h"

// One notification from the platform's callback through an attached
// observer to the connected handler, per resolution kind.

namespace {

namespace A = TonnixAXAttribute;
namespace N = TonnixAXNotification;

constexpr std::int32_t pid = 42;

class Scene {
 public:
  Scene()
      : observer_(fake_, pid, QStringLiteral("Editor"), QStringLiteral("org.example.Editor"),
                  fake_.applicationElement(pid),
                  TonnixMappingsByRawName(defaultNotificationMappings())) {
    QObject::connect(&observer_, &TonnixApplicationObserver::eventOccurred,
                     [this](const TonnixEvent& event) { handled_ += event.soundID.rawValue != 0; });
    // An observer that cannot attach shows as events lost.
    (void)observer_.attach();
  }

  TonnixAXElement window() {
    auto element = fake_.addElement(pid);
    fake_.setAttribute(element, A::role, "AXWindow");
    fake_.setAttribute(element, A::subrole, "AXStandardWindow");
    fake_.setAttribute(element, A::title, "Untitled 3");
    return element;
  }

  TonnixFakeAccessibility& fake() { return fake_; }
  std::int64_t handled() const { return handled_; }

 private:
  TonnixFakeAccessibility fake_;
  TonnixApplicationObserver observer_;
  std::int64_t handled_ = 0;
};

// A pool larger than the tracking limit, so every creation also drops and
// unregisters the oldest tracked element, as in a long session.
std::vector<TonnixAXElement> windows(Scene& scene, std::size_t count) {
  std::vector<TonnixAXElement> pool;
  for (std::size_t i = 0; i < count; ++i) pool.push_back(scene.window());
  return pool;
}

void finish(benchmark::State& state, const Scene& scene, std::int64_t perIteration = 1) {
  if (scene.handled() < state.iterations() * perIteration) state.SkipWithError("events lost");
  state.SetItemsProcessed(state.iterations() * perIteration);
}

}  // namespace

static void BM_FixedNotification(benchmark::State& state) {
  Scene scene;
  const auto menu = scene.fake().addElement(pid);
  for (auto _ : state) scene.fake().post(menu, N::menuOpened);
  finish(state, scene);
}
BENCHMARK(BM_FixedNotification);

static void BM_TrackedNotification(benchmark::State& state) {
  Scene scene;
  const auto sheets = windows(scene, 256);
  std::size_t next = 0;
  for (auto _ : state) scene.fake().post(sheets[next++ % sheets.size()], N::sheetCreated);
  finish(state, scene);
}
BENCHMARK(BM_TrackedNotification);

static void BM_CreatedWindowNotification(benchmark::State& state) {
  Scene scene;
  const auto pool = windows(scene, 256);
  std::size_t next = 0;
  for (auto _ : state) scene.fake().post(pool[next++ % pool.size()], N::windowCreated);
  finish(state, scene);
}
BENCHMARK(BM_CreatedWindowNotification);

// Destroying 128 tracked windows newest first (each one the last found),
// then tracking them again while the clock is stopped.
static void BM_DestroyedElementNotification(benchmark::State& state) {
  Scene scene;
  const auto pool = windows(scene, 128);
  for (const auto& window : pool) scene.fake().post(window, N::windowCreated);
  constexpr std::int64_t batch = 128;
  std::int64_t destroyed = 0;
  for (auto _ : state) {
    for (auto window = pool.rbegin(); window != pool.rend(); ++window) {
      scene.fake().post(*window, N::uiElementDestroyed);
    }
    state.PauseTiming();
    for (const auto& window : pool) scene.fake().post(window, N::windowCreated);
    destroyed += batch;
    state.ResumeTiming();
  }
  state.SetItemsProcessed(destroyed);
  state.counters["ns_per_notification"] = benchmark::Counter(
      static_cast<double>(destroyed), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DestroyedElementNotification);

BENCHMARK_MAIN();
