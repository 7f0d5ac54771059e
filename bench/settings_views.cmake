tonnix_benchmark(settings_views_bench SOURCES settings_views_bench.cpp
                 LIBS tonnix_ui tonnix_app_fake)
