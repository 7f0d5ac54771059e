# Needs a desktop session: scripts/headless-session build/test/bin/atspi_role_bench
tonnix_benchmark(atspi_role_bench QT_MAIN SOURCES atspi_role_bench.cpp
                 LIBS tonnix_platform_linux tonnix_test_support PkgConfig::ATSPI)
target_compile_definitions(atspi_role_bench
                           PRIVATE TONNIX_QT_FIXTURE="$<TARGET_FILE:tonnix_qt_fixture>")
add_dependencies(atspi_role_bench tonnix_qt_fixture)
