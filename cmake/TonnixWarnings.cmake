# Applies the project's warning policy to a target (and keeps its files that
# include Xlib out of a unity build's batches).
function(tonnix_warnings target)
  tonnix_unity_exclusions(${target})
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wcast-align)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor
                                           -Wold-style-cast -Woverloaded-virtual>)
  # GCC 12 at -O3 reports overlapping copies inside libstdc++'s own string
  # concatenation ("." + name), a known false positive (GCC bug 105651).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
     AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  # GCC takes every file of a unity batch for a header, where a class built
  # on a type of the file's anonymous namespace (a test's fixture) is a
  # fault; in a file of its own it is none.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_UNITY_BUILD)
    target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-Wno-subobject-linkage>)
  endif()
  if(TONNIX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Declares one subsystem library: tonnix_library(NAME SOURCES ... [DEPS ...] [QT])
function(tonnix_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(tonnix_${name} STATIC ${ARG_SOURCES})
  target_include_directories(tonnix_${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(tonnix_${name} PUBLIC ${ARG_DEPS})
  tonnix_warnings(tonnix_${name})
endfunction()
