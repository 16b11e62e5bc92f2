# Benchmark of the findings engine and of velastrin check (not a test): a folder of 2,000
# recordings checked with 2 jobs against a plain header read of the same files, in one run.
if(TARGET velastrin_cli)
  add_executable(check_bench ${CMAKE_CURRENT_LIST_DIR}/check_bench.cpp)
  target_link_libraries(check_bench PRIVATE velastrin_cli velastrin_test_recording)
endif()
