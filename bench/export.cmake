tonnix_benchmark(export_bench SOURCES export_bench.cpp LIBS tonnix_library)
