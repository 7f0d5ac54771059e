tonnix_benchmark(sound_sets_tab_bench SOURCES sound_sets_tab_bench.cpp
                 LIBS tonnix_ui tonnix_app_fake)
