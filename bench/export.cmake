# Whole-process figures of the export against a plain reference exporter (not a test).
add_executable(export_reference ${CMAKE_CURRENT_LIST_DIR}/export_reference.cpp)
if(TARGET velastrin)
  add_executable(export_compare ${CMAKE_CURRENT_LIST_DIR}/export_compare.cpp)
  target_link_libraries(export_compare PRIVATE velastrin_test_recording)
  target_compile_definitions(export_compare PRIVATE VELASTRIN_EXE="$<TARGET_FILE:velastrin>"
    REFERENCE_EXE="$<TARGET_FILE:export_reference>")
  add_dependencies(export_compare velastrin export_reference)
endif()
# Physical values, the time column and --signal all against their yardsticks (not a test).
if(TARGET velastrin)
  add_executable(export_tables ${CMAKE_CURRENT_LIST_DIR}/export_tables.cpp)
  target_link_libraries(export_tables PRIVATE velastrin_test_recording)
  target_compile_definitions(export_tables PRIVATE VELASTRIN_EXE="$<TARGET_FILE:velastrin>")
  add_dependencies(export_tables velastrin)
endif()
