# Benchmark of velastrin anonymize (not a test): a 24-hour 20-signal EDF+ recording of about
# 1.8 GB of real bytes, anonymized against cp of the same file on the same disk, in turns.
if(TARGET velastrin_cli)
  add_executable(anonymize_bench ${CMAKE_CURRENT_LIST_DIR}/anonymize_bench.cpp)
  target_link_libraries(anonymize_bench PRIVATE velastrin_cli velastrin_test_recording)
endif()
