velastrin_add_test(cli_tests
  SOURCES tests/CliTestSupport.cpp tests/InputsTest.cpp tests/AtomicOutputTest.cpp
          tests/JobRunnerTest.cpp tests/ExportCommandTest.cpp
          tests/AnnotationExportTest.cpp
  LIBS velastrin_cli velastrin_export_test_support)
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
