include("${PROJECT_SOURCE_DIR}/tests/classic/support/support.cmake")
tonnix_benchmark(classic_bench SOURCES classic_bench.cpp
                 LIBS tonnix_classic_import classic_test_support tonnix_platform_linux)
