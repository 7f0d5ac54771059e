// The sound log and applications pages redrawn when full: a log at its caps
// (10 applications of 20 entries each, 20 silences) redrawn for one more
// sound, and a list of 60 applications redrawn for one change.

#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/fake/fake_desktop_session.h"
#include "catalogue/catalogue.h"
#include "ui/afflicted_apps_view.h"
#include "ui/sound_log_view.h"

namespace {

using namespace std::chrono_literals;

constexpr int applicationCount = 60;

// Tonnix on the fake desktop with 60 applications running.
struct Tonnix : TonnixFakeDesktopSession {
  Tonnix() {
    for (int process = 0; process < applicationCount; ++process) {
      workspace.addApplication(
          {.processIdentifier = 3000 + process,
           .localizedName = QStringLiteral("Application %1").arg(process),
           .bundleIdentifier = QStringLiteral("org.example.Application%1").arg(process),
           .icon = QStringLiteral("accessories-text-editor")});
    }
  }

  void fillLog() {
    auto& log = controller().log();
    const auto start = TonnixDate::clock::now() - 90min;
    const auto& entries = catalogue();
    for (int period = 0; period < int(TonnixSoundLog::maximumSilences); ++period) {
      log.silenceChanged(TonnixSilenceReason::microphoneInUse, start + period * 2min);
      log.silenceChanged(std::nullopt, start + period * 2min + 30s);
    }
    for (int entry = 0; entry < int(TonnixSoundLog::maximumEntries); ++entry) {
      for (int process = 0; process < int(TonnixSoundLog::maximumSections); ++process) {
        record(3000 + process, entries[std::size_t(entry)].soundID, start + entry * 1min);
      }
    }
  }

  void record(std::int32_t process, TonnixSoundID soundID, TonnixDate date) {
    controller().log().record(
        {.notificationName = QString::fromStdString(soundID.description()),
         .soundID = soundID,
         .processIdentifier = process,
         .applicationName = QStringLiteral("Application %1").arg(process),
         .element = TonnixEventElement::named(QStringLiteral("button “Save All Changes”"))},
        date);
  }

  TonnixSettingsModel model{controller(), silence,      accessibility.status(),
                            autostart,    applications, updates.updater};
};

void BM_FullSoundLogRedraw(benchmark::State& state) {
  Tonnix tonnix;
  tonnix.fillLog();
  TonnixSoundLogView view(tonnix.model);
  view.resize(660, 720);
  view.show();
  const TonnixSoundID soundID = catalogue()[0].soundID;
  for (auto _ : state) {
    tonnix.record(3000, soundID, TonnixDate::clock::now());
    view.repaint();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  state.counters["entries"] = tonnix.controller().log().entryCount();
}
BENCHMARK(BM_FullSoundLogRedraw)->Unit(benchmark::kMillisecond);

void BM_ApplicationsRedraw(benchmark::State& state) {
  Tonnix tonnix;
  tonnix.controller().setPlaysNotificationSounds(true);
  while (tonnix.controller().attacher().isAttaching()) QCoreApplication::processEvents();
  TonnixAfflictedAppsView view(tonnix.model);
  view.resize(660, 720);
  view.show();
  for (auto _ : state) {
    tonnix.controller().applications().rebuild();
    emit tonnix.controller().applications().afflictedApplicationsChanged();
    view.repaint();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  state.counters["rows"] = double(tonnix.controller().applications().afflictedApplications().size());
}
BENCHMARK(BM_ApplicationsRedraw)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
