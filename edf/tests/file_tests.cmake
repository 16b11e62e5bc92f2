# Tests of the file object. EDF fixtures are built in code: byte by byte, by our own writer,
# or by edflib (Debian libedf-dev) as an independent peer.
velastrin_add_test(edf_file_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/EDFFileReadTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFFileWriteTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFFileStreamTest.cpp
  LIBS velastrin_edf
)

velastrin_add_test(edf_file_interop_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EDFFileInteropTest.cpp
  LIBS velastrin_edf velastrin_edflib
)

# A sparse file beyond 2 GiB; slow on file systems without holes.
velastrin_add_test(edf_file_big_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EDFFileBigTest.cpp
  LIBS velastrin_edf
  LABELS big
)

# Why a file cannot be exported, and outputs that would overwrite the input.
velastrin_add_test(edf_export_check_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EDFExportCheckTest.cpp
  LIBS velastrin_edf
)

# The envelope of one signal, as the window's preview draws it.
velastrin_add_test(edf_envelope_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/SignalEnvelopeTest.cpp
  LIBS velastrin_edf
)
