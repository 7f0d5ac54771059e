# Needs a desktop session: scripts/headless-session build/bin/click_latency_bench
pkg_check_modules(XTST IMPORTED_TARGET xtst)
if(XTST_FOUND)
  tonnix_benchmark(click_latency_bench SOURCES click_latency_bench.cpp
                   LIBS tonnix_events tonnix_platform_linux tonnix_platform_fake PkgConfig::ATSPI
                        PkgConfig::XTST PkgConfig::X11)
endif()
