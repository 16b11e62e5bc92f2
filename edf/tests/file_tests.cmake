# Tests of the file object. EDF fixtures are built in code: byte by byte, by our own writer,
# or by edflib (Debian libedf-dev) as an independent peer.
velastrin_add_test(edf_file_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/EDFFileReadTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFFileWriteTest.cpp
  LIBS velastrin_edf
)
