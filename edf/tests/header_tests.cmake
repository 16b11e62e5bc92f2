# Tests of the header records and the identification sub-fields. Fixtures are raw headers
# built in code; no files are needed.
velastrin_add_test(edf_header_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/EDFIdentTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFGeneralHeaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFSignalHeaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFFieldKindTest.cpp
  LIBS velastrin_edf
)

# Randomised header texts; quick enough to run always, labelled so a long run can pick them.
velastrin_add_test(edf_header_random_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EDFHeaderRandomTest.cpp
  LIBS velastrin_edf
  LABELS fuzz
)
