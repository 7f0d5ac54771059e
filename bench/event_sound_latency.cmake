# Needs a desktop session:
#   scripts/headless-session build/test/bin/event_sound_latency_bench
tonnix_benchmark(event_sound_latency_bench QT_MAIN SOURCES event_sound_latency_bench.cpp
                 LIBS tonnix_test_support)
set(latency_gtk4_fixture "")
if(TARGET tonnix_gtk4_fixture)
  set(latency_gtk4_fixture "$<TARGET_FILE:tonnix_gtk4_fixture>")
  add_dependencies(event_sound_latency_bench tonnix_gtk4_fixture)
endif()
target_compile_definitions(event_sound_latency_bench
                           PRIVATE TONNIX_QT_FIXTURE="$<TARGET_FILE:tonnix_qt_fixture>"
                                   TONNIX_GTK4_FIXTURE="${latency_gtk4_fixture}")
add_dependencies(event_sound_latency_bench tonnix tonnix_qt_fixture tonnix_default_set)
