# EDF fixtures and files, shared with the tests of the application and the command line.
add_library(velastrin_export_test_support STATIC tests/ExportTestSupport.cpp)
target_link_libraries(velastrin_export_test_support PUBLIC velastrin_export velastrin_edflib
                      velastrin_test_support GTest::gtest)

velastrin_add_test(export_tests
  SOURCES tests/ExportTextTest.cpp tests/SampleTextTest.cpp tests/SignalExportTest.cpp
          tests/AnnotationTableTest.cpp tests/PhysicalTextTest.cpp
  LIBS velastrin_export_test_support)
