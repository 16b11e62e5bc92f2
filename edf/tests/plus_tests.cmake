# Tests of the EDF+ annotation reader: the TAL grammar row by row and files made by our writer,
# byte by byte, and by edflib.
velastrin_add_test(edf_plus_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/EDFPlusTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AnnotationTableTest.cpp
  LIBS velastrin_edf
)

find_library(VELASTRIN_EDFLIB edf)
find_path(VELASTRIN_EDFLIB_INCLUDE edflib.h)
if(VELASTRIN_EDFLIB AND VELASTRIN_EDFLIB_INCLUDE)
  velastrin_add_test(edf_plus_interop_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EDFPlusInteropTest.cpp
    LIBS velastrin_edf ${VELASTRIN_EDFLIB}
  )
  target_include_directories(edf_plus_interop_tests PRIVATE ${VELASTRIN_EDFLIB_INCLUDE})
endif()
