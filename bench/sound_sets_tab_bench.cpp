#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/autostart.h"
#include "app/controller.h"
#include "app/exclusions.h"
#include "catalogue/catalogue.h"
#include "library/assignments.h"
#include "library/bundle_writer.h"
#include "library/library.h"
#include "platform/fake/fake_accessibility.h"
#include "platform/fake/fake_application_directory.h"
#include "platform/fake/fake_audio.h"
#include "platform/fake/fake_mouse_monitor.h"
#include "platform/fake/fake_screens.h"
#include "platform/fake/fake_silence_probes.h"
#include "platform/fake/fake_updater.h"
#include "platform/fake/fake_workspace.h"
#include "platform/fake/memory_preferences_store.h"
#include "quiet/silence_monitor.h"
#include "ui/sound_sets_tab.h"

// What a change of the library or the assignments costs the Sound Sets tab
// with 50 sets installed: the change, the tab following it, and a full
// repaint of the tab at the settings window's size.
namespace {

namespace fs = std::filesystem;

constexpr int setCount = 50;

std::string identifierOf(int set) {
  return "org.tonnix.tonnixset.bench-" + std::to_string(set);
}

// Sets of (never decoded) files for every catalogue sound.
void writeSets(const fs::path& folder) {
  for (int set = 0; set < setCount; ++set) {
    TonnixBundleMetadata metadata;
    metadata.identifier = identifierOf(set);
    metadata.name = "Bench Set " + std::to_string(set);
    const fs::path bundle = folder / (metadata.name + ".tonnixset");
    if (!writeBundle(bundle, metadata)) std::abort();
    for (const auto& entry : catalogue()) {
      std::ofstream(bundle / "Contents" / "Resources" / entry.fileName) << "x";
    }
  }
}

struct Tonnix {
  Tonnix() {
    writeSets(scratch.path().toStdString());
    library = std::make_unique<TonnixLibrary>(scratch.path().toStdString(), std::nullopt);
    controller = std::make_unique<TonnixController>(
        *library, assignments, exclusions, preferences, silence,
        TonnixController::Desktop{accessibility, workspace, mouse, audio, screens});
    assignments.setBaselineIdentifier(identifierOf(0));
    tab = std::make_unique<TonnixSoundSetsTab>(TonnixSettingsModel{
        *controller, silence, accessibility.status(), autostart, applications, updates.updater});
    tab->resize(660, 720);
    tab->show();
    tab->repaint();
  }

  QTemporaryDir scratch;
  TonnixMemoryPreferencesStore preferences;
  std::unique_ptr<TonnixLibrary> library;
  TonnixAssignments assignments{preferences};
  TonnixExclusions exclusions{preferences};
  TonnixSilenceMonitor silence{preferences, std::make_unique<TonnixFakeSilenceProbe>()};
  TonnixFakeAccessibility accessibility;
  TonnixFakeWorkspace workspace;
  TonnixFakeMouseMonitor mouse;
  TonnixFakeAudioOutput audio;
  TonnixFakeScreens screens;
  TonnixFakeApplicationDirectory applications;
  TonnixFakeUpdater updates;
  TonnixAutostart autostart{(fs::path(scratch.path().toStdString()) / "autostart.desktop")};
  std::unique_ptr<TonnixController> controller;
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
    emit t.library->bundlesChanged();
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
