tonnix_benchmark(playback_bench SOURCES playback_bench.cpp
                 LIBS tonnix_playback tonnix_platform_fake tonnix_platform_linux PkgConfig::SNDFILE)
tonnix_benchmark(quiet_bench SOURCES quiet_bench.cpp LIBS tonnix_quiet tonnix_platform_fake)
