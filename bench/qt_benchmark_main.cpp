// The main of the benchmarks whose code needs a Qt event loop (signals
// across objects, timers, the D-Bus and AT-SPI plumbing).

#include <benchmark/benchmark.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
