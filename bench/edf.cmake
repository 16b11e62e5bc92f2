# Benchmarks of the EDF file object (not tests): opening a 512-signal header, and reading one
# signal of a 20-signal file against a plain pread loop over the same bytes.
add_executable(edf_bench ${CMAKE_CURRENT_LIST_DIR}/edf_bench.cpp)
target_link_libraries(edf_bench PRIVATE velastrin_test_recording benchmark::benchmark)
