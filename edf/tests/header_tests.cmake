# Tests of the header records and the identification sub-fields. Fixtures are raw headers
# built in code; no files are needed.
velastrin_add_test(edf_header_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/EDFIdentTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFGeneralHeaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFSignalHeaderTest.cpp
  LIBS velastrin_edf
)
