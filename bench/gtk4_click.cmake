# Needs a desktop session: scripts/headless-session build/bin/gtk4_click_bench
pkg_check_modules(XTST IMPORTED_TARGET xtst)
if(XTST_FOUND AND TARGET tonnix_gtk4_fixture)
  tonnix_benchmark(gtk4_click_bench QT_MAIN SOURCES gtk4_click_bench.cpp
                   LIBS tonnix_events tonnix_atspi_test_support tonnix_platform_fake
                        PkgConfig::ATSPI PkgConfig::XTST PkgConfig::X11)
  target_compile_definitions(gtk4_click_bench PRIVATE
                             TONNIX_GTK4_FIXTURE="$<TARGET_FILE:tonnix_gtk4_fixture>")
  add_dependencies(gtk4_click_bench tonnix_gtk4_fixture)
endif()
