# Tests of the date-time library.
velastrin_add_test(datetime_tests
  SOURCES
    tests/TokenizerTest.cpp
    tests/DateTimeTest.cpp
    tests/HPDateTimeTest.cpp
  LIBS velastrin_datetime
)
# Random formats and texts, seeded; kept apart from the quick tests.
velastrin_add_test(datetime_fuzz_tests
  SOURCES tests/DateTimeFuzzTest.cpp
  LIBS velastrin_datetime
  LABELS fuzz
)
