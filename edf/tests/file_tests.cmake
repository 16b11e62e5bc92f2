# Tests of the file object. EDF fixtures are built in code: byte by byte, by our own writer,
# or by edflib (Debian libedf-dev) as an independent peer.
velastrin_add_test(edf_file_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/EDFFileReadTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFFileWriteTest.cpp
  LIBS velastrin_edf
)

# edflib is a static C library without a CMake package.
find_library(VELASTRIN_EDFLIB edf)
find_path(VELASTRIN_EDFLIB_INCLUDE edflib.h)
if(VELASTRIN_EDFLIB AND VELASTRIN_EDFLIB_INCLUDE)
  velastrin_add_test(edf_file_interop_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EDFFileInteropTest.cpp
    LIBS velastrin_edf ${VELASTRIN_EDFLIB}
  )
  target_include_directories(edf_file_interop_tests PRIVATE ${VELASTRIN_EDFLIB_INCLUDE})
else()
  message(STATUS "edflib (libedf-dev) not found: interoperability tests skipped")
endif()

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
