velastrin_add_test(support_tests
  SOURCES
    tests/uSysUtilsTest.cpp
    tests/udStrTest.cpp
    tests/udrootTest.cpp
    tests/uLocaleTest.cpp
    tests/uOutputFilesTest.cpp
  LIBS velastrin_support)
