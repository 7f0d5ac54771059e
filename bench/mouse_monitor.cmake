# Needs an X server with XTest (scripts/headless-session gives one);
# libxtst-dev comes with libatspi2.0-dev.
pkg_check_modules(XTST IMPORTED_TARGET xtst)
if(XTST_FOUND)
  tonnix_benchmark(mouse_monitor_bench QT_MAIN SOURCES mouse_monitor_bench.cpp
                   LIBS tonnix_platform_linux PkgConfig::X11 PkgConfig::XTST)
endif()
