# The readers of classic sound set files: fork containers, the resource map,
# the 'snd ' decoder and the set reader.
include("${PROJECT_SOURCE_DIR}/tests/classic/support/support.cmake")

tonnix_fuzzer(fork_container_fuzzer SOURCES fork_container_fuzzer.cpp LIBS tonnix_classic)
tonnix_fuzzer(resource_map_fuzzer SOURCES resource_map_fuzzer.cpp LIBS tonnix_classic)
tonnix_fuzzer(sound_resource_fuzzer SOURCES sound_resource_fuzzer.cpp LIBS tonnix_classic)
tonnix_fuzzer(classic_sound_set_fuzzer SOURCES classic_sound_set_fuzzer.cpp LIBS tonnix_classic)

# Regenerates the seed corpora above from the test fixture builders.
add_executable(classic_fuzz_seeds classic_fuzz_seeds.cpp)
target_link_libraries(classic_fuzz_seeds PRIVATE classic_test_support)
