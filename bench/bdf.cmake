# BDF against EDF (not a test): whole-process exports of the same samples in both formats, and
# the preview's envelope of a BDF signal.
if(TARGET velastrin)
  add_executable(bdf_bench ${CMAKE_CURRENT_LIST_DIR}/bdf_bench.cpp)
  target_link_libraries(bdf_bench PRIVATE velastrin_edf velastrin_test_recording)
  target_compile_definitions(bdf_bench PRIVATE VELASTRIN_EXE="$<TARGET_FILE:velastrin>")
  add_dependencies(bdf_bench velastrin)
endif()
