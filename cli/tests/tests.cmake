velastrin_add_test(cli_tests
  SOURCES tests/CliTestSupport.cpp tests/InputsTest.cpp
          tests/JobRunnerTest.cpp tests/ExportCommandTest.cpp
          tests/AnnotationExportTest.cpp tests/ExportTablesTest.cpp
  LIBS velastrin_cli velastrin_export_test_support velastrin_test_recording)
# velastrin check and velastrin repair, in-process; the JSON Lines are read back with nlohmann.
find_package(nlohmann_json REQUIRED)
velastrin_add_test(cli_check_tests
  SOURCES tests/CliTestSupport.cpp tests/CheckCommandTest.cpp tests/CheckPlusTest.cpp
          tests/ParallelJobsTest.cpp tests/CheckExportAgreeTest.cpp tests/FrameTest.cpp
          tests/AnonymizeCommandTest.cpp
  LIBS velastrin_cli velastrin_export_test_support velastrin_test_recording
       velastrin_edflib nlohmann_json::nlohmann_json)
if(VELASTRIN_BUILD_GUI)
  # One run of the built program without a display as well.
  target_compile_definitions(cli_check_tests PRIVATE VELASTRIN_EXE="$<TARGET_FILE:velastrin>")
  add_dependencies(cli_check_tests velastrin)
endif()
# The built program: dispatch before Qt, no display, signals.
if(VELASTRIN_BUILD_GUI)
  velastrin_add_test(cli_program_tests
    SOURCES tests/CliTestSupport.cpp tests/ProgramTest.cpp
    LIBS velastrin_cli velastrin_export_test_support)
  velastrin_add_test(cli_program_big_tests
    SOURCES tests/CliTestSupport.cpp tests/ProgramBigTest.cpp
    LIBS velastrin_cli velastrin_export_test_support
    LABELS big)
  foreach(test cli_program_tests cli_program_big_tests)
    target_compile_definitions(${test} PRIVATE VELASTRIN_EXE="$<TARGET_FILE:velastrin>")
    add_dependencies(${test} velastrin)
  endforeach()
endif()
