velastrin_add_test(velastrin_about_tests
  SOURCES
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/VersionRecordTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/verslabTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/BoxListTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/JpegImageTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/AboutTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/ElfFixture.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/tests/QtMain.cpp
  LIBS velastrin_about
  LABELS about)
set_target_properties(velastrin_about_tests PROPERTIES AUTOMOC ON)
add_dependencies(velastrin_about_tests velastrin_make_logo)
target_include_directories(velastrin_about_tests PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/include)
target_compile_definitions(velastrin_about_tests PRIVATE
  VELASTRIN_MAKE_LOGO="$<TARGET_FILE:velastrin_make_logo>"
  VELASTRIN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
  VELASTRIN_BUILD_NUMBER_TEXT="${VELASTRIN_BUILD_NUMBER}"
  VELASTRIN_PROJECT_VERSION="${PROJECT_VERSION}"
  VELASTRIN_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  VELASTRIN_VERSION_MINOR=${PROJECT_VERSION_MINOR})
