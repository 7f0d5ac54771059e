# Needs a desktop session and PulseAudio:
#   scripts/headless-session build/bin/click_latency_bench
pkg_check_modules(XTST IMPORTED_TARGET xtst)
if(XTST_FOUND)
  tonnix_benchmark(click_latency_bench QT_MAIN SOURCES click_latency_bench.cpp
                   LIBS tonnix_platform_linux PkgConfig::ATSPI PkgConfig::XTST PkgConfig::X11)
  target_compile_definitions(click_latency_bench PRIVATE
                             TONNIX_EXECUTABLE="$<TARGET_FILE:tonnix>")
  add_dependencies(click_latency_bench tonnix)
endif()
