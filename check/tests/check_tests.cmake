# Tests of the check and repair engines. Fixtures are files our writer made with single header
# bytes patched, or byte sequences built in code.
find_package(nlohmann_json REQUIRED)
velastrin_add_test(check_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/EDFFindingsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EDFPlusFindingsTest.cpp
  LIBS velastrin_check velastrin_test_recording nlohmann_json::nlohmann_json
)

# The fault table repairs every lenient row and has edflib read the copy; generated EDF+ and
# BDF+ variants are judged against edflib's reading.
velastrin_add_test(check_fault_table_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/EDFFaultTableTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/EDFPlusOracleTest.cpp
  LIBS velastrin_check velastrin_test_recording velastrin_edflib
)
