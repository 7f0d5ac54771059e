// The controller's event path: handle() for a steady stream of events from
// many applications, through the real player (on the recording fake audio
// output, recording switched off) and the real sound log.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "app/fake/fake_desktop_session.h"
#include "catalogue/catalogue.h"

namespace {

constexpr int applicationCount = 40;

// The resident memory of the process, in kilobytes.
double residentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6));
  }
  return 0;
}

// Sounds that play every time they are asked for: no loops, no sounds that
// wait for themselves to end, no end-of-track blocking.
std::vector<TonnixSoundID> everyTimeSounds() {
  std::vector<TonnixSoundID> sounds;
  for (const auto& entry : allEntries()) {
    if (entry.flags.contains(TonnixSoundFlags::loops)) continue;
    if (entry.flags.contains(TonnixSoundFlags::exclusive)) continue;
    if (entry.soundID == TonnixSoundID("sbte")) continue;
    sounds.push_back(entry.soundID);
  }
  return sounds;
}

// Tonnix on the fake desktop with a set that has a file for every sound,
// and 40 applications running.
struct Desktop : TonnixFakeDesktopSession {
  Desktop() {
    const std::string identifier = "org.tonnix.tonnixset.bench";
    if (!writeSet(identifier, "Bench")) std::abort();  // nothing to measure without the set
    assignments.setBaselineIdentifier(identifier);
    audio.setRecordsCalls(false);
    for (int pid = 1; pid <= applicationCount; ++pid) {
      workspace.addApplication({pid + 100, QStringLiteral("App %1").arg(pid),
                                QStringLiteral("org.example.App%1").arg(pid)});
    }
  }
};

// The stream: runs of 50 events from each of 40 applications in turn, names
// and sounds varying so that the log keeps merging entries and evicting
// entries and sections.
std::vector<TonnixEvent> eventStream() {
  const auto sounds = everyTimeSounds();
  std::vector<TonnixEvent> events;
  for (std::size_t i = 0; i < 4096; ++i) {
    const int pid = 101 + static_cast<int>((i / 50) % applicationCount);
    events.push_back({.notificationName = QStringLiteral("AXEvent%1").arg(i % 29),
                      .soundID = sounds[(i * 13) % sounds.size()],
                      .processIdentifier = pid,
                      .applicationName = QStringLiteral("App %1").arg(pid - 100)});
  }
  return events;
}

void handleEventStream(benchmark::State& state) {
  Desktop desktop;
  auto& controller = desktop.controller();
  const auto events = eventStream();
  // Every voice made before measuring: the first play of a sound opens its file.
  for (const auto& event : events) controller.dispatcher().handle(event);
  const double before = residentKilobytes();

  std::size_t next = 0;
  for (auto _ : state) {
    controller.dispatcher().handle(events[next]);
    next = (next + 1) % events.size();
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["rss_growth_kB"] = residentKilobytes() - before;
  state.counters["rss_kB"] = residentKilobytes();
  state.counters["log_sections"] = static_cast<double>(controller.log().sections().size());
  state.counters["log_entries"] = controller.log().entryCount();
}

void BM_HandleEventStream(benchmark::State& state) {
  handleEventStream(state);
}
BENCHMARK(BM_HandleEventStream);

// Memory after a million events: bounded by the log's caps.
void BM_HandleMillionEvents(benchmark::State& state) {
  handleEventStream(state);
}
BENCHMARK(BM_HandleMillionEvents)->Iterations(1'000'000);

// The same stream while the monitor prints its line and keeps recent events
// (the line goes nowhere here).
void BM_HandleEventStreamMonitoring(benchmark::State& state) {
  Desktop desktop;
  auto& controller = desktop.controller();
  QObject::connect(&controller.dispatcher(), &TonnixEventDispatcher::monitorLine,
                   [](const QString& line) { benchmark::DoNotOptimize(line.size()); });
  controller.dispatcher().setMonitoring(true);
  const auto events = eventStream();
  for (const auto& event : events) controller.dispatcher().handle(event);
  std::size_t next = 0;
  for (auto _ : state) {
    controller.dispatcher().handle(events[next]);
    next = (next + 1) % events.size();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HandleEventStreamMonitoring);

}  // namespace
