# Needs an X server (scripts/headless-session gives one).
tonnix_benchmark(silence_probe_bench QT_MAIN SOURCES silence_probe_bench.cpp
                 LIBS tonnix_platform_linux PkgConfig::X11)
