#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/fake/fake_desktop_session.h"
#include "ui/sound_sets_tab.h"

// What a change of the library or the assignments costs the Sound Sets tab
// with 50 sets installed: the change, the tab following it, and a full
// repaint of the tab at the settings window's size.
namespace {

constexpr int setCount = 50;

std::string identifierOf(int set) {
  return "org.tonnix.tonnixset.bench-" + std::to_string(set);
}

// Tonnix on the fake desktop with 50 sets of (never decoded) files for every
// sound, and the tab shown.
struct Tonnix : TonnixFakeDesktopSession {
  Tonnix() {
    for (int set = 0; set < setCount; ++set) {
      if (!writeSet(identifierOf(set), "Bench Set " + std::to_string(set))) std::abort();
    }
    assignments.setBaselineIdentifier(identifierOf(0));
    tab = std::make_unique<TonnixSoundSetsTab>(TonnixSettingsModel{
        controller(), silence, accessibility.status(), autostart, applications, updates.updater});
    tab->resize(660, 720);
    tab->show();
    tab->repaint();
  }

  std::unique_ptr<TonnixSoundSetsTab> tab;
};

Tonnix& tonnix() {
  static Tonnix shared;
  return shared;
}

void BM_BaselineChange(benchmark::State& state) {
  auto& t = tonnix();
  int turn = 0;
  for (auto _ : state) {
    t.assignments.setBaselineIdentifier(identifierOf(++turn % 2));
    t.tab->repaint();
  }
}
BENCHMARK(BM_BaselineChange)->Unit(benchmark::kMillisecond);

void BM_EventOverride(benchmark::State& state) {
  auto& t = tonnix();
  const TonnixSoundID soundID("wopn");
  int turn = 0;
  for (auto _ : state) {
    t.assignments.setSelection(
        ++turn % 2 ? TonnixSelection::set(identifierOf(7)) : TonnixSelection::baseline(), soundID);
    t.tab->repaint();
  }
}
BENCHMARK(BM_EventOverride)->Unit(benchmark::kMillisecond);

// The sets read again from disk is the library's own cost, measured in its
// benchmark; here, only what the tab does when the sets are said to change.
void BM_SetsChanged(benchmark::State& state) {
  auto& t = tonnix();
  for (auto _ : state) {
    emit t.library().bundlesChanged();
    t.tab->repaint();
  }
}
BENCHMARK(BM_SetsChanged)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
