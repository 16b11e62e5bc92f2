# Benchmark of the batch export (not a test): the built program against a plain reference
# exporter over the same 24-hour recording, in one run.
if(TARGET velastrin)
  add_executable(export_bench ${CMAKE_CURRENT_LIST_DIR}/export_bench.cpp)
  target_link_libraries(export_bench PRIVATE velastrin_edf benchmark::benchmark)
  target_compile_definitions(export_bench PRIVATE VELASTRIN_EXE="$<TARGET_FILE:velastrin>")
  add_dependencies(export_bench velastrin)
endif()
