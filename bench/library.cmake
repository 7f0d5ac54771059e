tonnix_benchmark(library_bench SOURCES library_bench.cpp LIBS tonnix_library)
