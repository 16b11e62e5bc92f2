# Benchmark of the window's signal preview (not a test): the envelope of one signal of a
# 24-hour recording against a plain pread reference, and the user-interface thread's longest
# busy stretch while the preview widget computes it.
if(TARGET velastrin_app)
  add_executable(preview_bench ${CMAKE_CURRENT_LIST_DIR}/preview_bench.cpp)
  target_link_libraries(preview_bench PRIVATE velastrin_app velastrin_test_recording)
endif()
