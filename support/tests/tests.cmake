velastrin_add_test(support_tests
  SOURCES
    tests/uSysUtilsTest.cpp
    tests/udStrTest.cpp
  LIBS velastrin_support)
