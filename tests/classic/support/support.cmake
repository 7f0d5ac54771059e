# Fixture builders for classic files, shared by the tests, the fuzz seed
# writer and the benchmark. Pure C++ like the code it feeds.
if(NOT TARGET classic_test_support)
  set(support_dir "${PROJECT_SOURCE_DIR}/tests/classic/support")
  add_library(classic_test_support STATIC "${support_dir}/resource_fork_writer.cpp"
                                          "${support_dir}/fork_containers.cpp"
                                          "${support_dir}/sound_resources.cpp"
                                          "${support_dir}/aiff_file.cpp"
                                          "${support_dir}/archive_files.cpp")
  target_include_directories(classic_test_support PUBLIC "${support_dir}")
  target_link_libraries(classic_test_support PUBLIC tonnix_classic)
  tonnix_warnings(classic_test_support)
endif()
