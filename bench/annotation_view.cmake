# Benchmark of the window with 10,000 annotations (not a test): the user-interface thread's
# longest busy stretch while the preview reads and draws them, against the bare reader.
if(TARGET velastrin_app)
  add_executable(annotation_view_bench ${CMAKE_CURRENT_LIST_DIR}/annotation_view_bench.cpp)
  target_link_libraries(annotation_view_bench PRIVATE velastrin_app velastrin_test_support)
endif()
