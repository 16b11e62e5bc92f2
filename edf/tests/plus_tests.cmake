# Tests of the EDF+ annotation reader: the TAL grammar row by row and files made by our writer,
# byte by byte, and by edflib.
velastrin_add_test(edf_plus_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EDFPlusTest.cpp
  LIBS velastrin_edf
)

velastrin_add_test(edf_plus_interop_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EDFPlusInteropTest.cpp
  LIBS velastrin_edf velastrin_edflib
)

velastrin_add_test(edf_bdf_interop_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/BDFInteropTest.cpp
  LIBS velastrin_edf velastrin_edflib
)
