# A unity build (-DCMAKE_UNITY_BUILD=ON) compiles several files of a target
# as one, so the headers every file includes are read once: the suite and
# the package build that way, in less than half the time. Xlib's macros
# (None, Bool, Status, ...) would then rename what the files after one that
# includes Xlib call so: such a file is compiled alone. File-local names
# (anonymous namespaces, constants) must differ between the files of one
# target, as they share one scope.
function(tonnix_unity_exclusions target)
  if(NOT CMAKE_UNITY_BUILD)
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  get_target_property(directory ${target} SOURCE_DIR)
  foreach(source IN LISTS sources)
    if(NOT source MATCHES "\\.cpp$")
      continue()
    endif()
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${directory}" OUTPUT_VARIABLE path)
    file(STRINGS "${path}" xlib REGEX "#include [<\"](X11/|platform/linux/x11_properties\\.h)"
         LIMIT_COUNT 1)
    if(xlib)
      set_source_files_properties("${source}" PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
    endif()
  endforeach()
endfunction()
