# The repository's sample recording is what the sample tool writes today, byte for byte, and
# its annotation signal reads as written.
velastrin_add_test(tools_sample_tests
  SOURCES tests/MakeSampleTest.cpp tests/SampleAnnotationsTest.cpp
  LIBS velastrin_export velastrin_edflib
)
target_compile_definitions(tools_sample_tests PRIVATE
  VELASTRIN_MAKE_SAMPLE="$<TARGET_FILE:velastrin_make_sample>"
  VELASTRIN_SAMPLE="${PROJECT_SOURCE_DIR}/samples/psg-sample.edf"
  VELASTRIN_BDF_SAMPLE="${PROJECT_SOURCE_DIR}/samples/psg-sample.bdf")
add_dependencies(tools_sample_tests velastrin_make_sample)
