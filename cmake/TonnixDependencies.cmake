# The system libraries Tonnix builds on; scripts/install-deps installs them.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET sndfile)

if(TONNIX_FUZZ)
  # The update feed reader reads its XML with Qt Core.
  find_package(Qt6 REQUIRED COMPONENTS Core)
  return()
endif()

set(CMAKE_AUTOMOC ON)
find_package(Qt6 REQUIRED COMPONENTS Core Concurrent DBus Gui Network Widgets)
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)
pkg_check_modules(ATSPI REQUIRED IMPORTED_TARGET atspi-2)
pkg_check_modules(GIO REQUIRED IMPORTED_TARGET gio-2.0)
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11 xi xrandr)
pkg_check_modules(PULSE REQUIRED IMPORTED_TARGET libpulse)
pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
find_package(GTest REQUIRED)
if(TONNIX_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()
