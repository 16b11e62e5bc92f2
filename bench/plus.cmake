# Benchmark of the EDF+ annotation reader (not a test) against the file object reading the same
# annotation bytes.
add_executable(plus_bench ${CMAKE_CURRENT_LIST_DIR}/plus_bench.cpp)
target_link_libraries(plus_bench PRIVATE velastrin_test_recording benchmark::benchmark)
