// What asking an object's role costs an AT-SPI event on its way to `handle`:
// a request to the application each time (libatspi without the object cache
// GTK 4 does not offer), against the role kept on libatspi's object after
// the first request. On the Qt fixture, idle; under load each request waits
// for the application's main loop. Run it inside a desktop session:
//
//   scripts/headless-session build/test/bin/atspi_role_bench
//   TONNIX_HEADLESS_WAYLAND=1 scripts/headless-session build/test/bin/atspi_role_bench

#include <atspi/atspi.h>
#include <benchmark/benchmark.h>

#include <QProcess>
#include <memory>

#include "event_loop.h"
#include "platform/linux/atspi_connection.h"

namespace {

struct Fixture {
  QProcess process;
  std::shared_ptr<TonnixAtspiConnection> connection = TonnixAtspiConnection::shared();
  std::int32_t pid = 0;
  TonnixAtspiObjectRef window;

  bool start() {
    if (!connection) return false;
    process.start(QStringLiteral(TONNIX_QT_FIXTURE), {});
    if (!process.waitForStarted()) return false;
    pid = static_cast<std::int32_t>(process.processId());
    return tonnix_test::turnUntil(
        [&] {
          const auto application = connection->application(pid);
          const auto first = application ? connection->child(pid, application->root, 0)
                                         : unexpected(TonnixAXError::failure);
          if (first) window = *first;
          return static_cast<bool>(window);
        },
        20'000);
  }
  ~Fixture() {
    process.kill();
    process.waitForFinished();
  }
};

void BM_RoleAskedEachTime(benchmark::State& state) {
  Fixture fixture;
  if (!fixture.start()) {
    state.SkipWithError("no application on the accessibility bus: run in scripts/headless-session");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(atspi_accessible_get_role(fixture.window.get(), nullptr));
  }
}
BENCHMARK(BM_RoleAskedEachTime)->Unit(benchmark::kMicrosecond);

void BM_RoleKept(benchmark::State& state) {
  Fixture fixture;
  if (!fixture.start()) {
    state.SkipWithError("no application on the accessibility bus: run in scripts/headless-session");
    return;
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(fixture.connection->role(fixture.pid, fixture.window));
}
BENCHMARK(BM_RoleKept)->Unit(benchmark::kMicrosecond);

}  // namespace
