# Tests of the application; GUI tests run on the offscreen platform (velastrin_add_test).
find_package(Qt6 REQUIRED COMPONENTS Test)
set(APP_TEST_SUPPORT tests/AppTestSupport.cpp)
set(APP_TEST_LIBS velastrin_app velastrin_export_test_support)

velastrin_add_test(app_window_tests
  SOURCES tests/MainWindowTest.cpp tests/CommandLineTest.cpp tests/ExportRunTest.cpp
          ${APP_TEST_SUPPORT}
  LIBS ${APP_TEST_LIBS} Qt6::Test)
velastrin_add_test(app_batch_tests
  SOURCES tests/BatchTest.cpp ${APP_TEST_SUPPORT}
  LIBS ${APP_TEST_LIBS})
# The batch tests run the built program itself.
target_compile_definitions(app_batch_tests PRIVATE VELASTRIN_EXE="$<TARGET_FILE:velastrin>"
  VELASTRIN_SAMPLE="${PROJECT_SOURCE_DIR}/samples/psg-sample.edf")
add_dependencies(app_batch_tests velastrin)
velastrin_add_test(app_preview_tests
  SOURCES tests/SignalPreviewTest.cpp ${APP_TEST_SUPPORT}
  LIBS ${APP_TEST_LIBS})
velastrin_add_test(app_findings_tests
  SOURCES tests/FileFindingsTest.cpp ${APP_TEST_SUPPORT}
  LIBS ${APP_TEST_LIBS})
velastrin_add_test(app_annotation_tests
  SOURCES tests/AnnotationViewTest.cpp ${APP_TEST_SUPPORT}
  LIBS ${APP_TEST_LIBS} Qt6::Test)
target_compile_definitions(app_annotation_tests PRIVATE
  VELASTRIN_SAMPLE="${PROJECT_SOURCE_DIR}/samples/psg-sample.edf")
