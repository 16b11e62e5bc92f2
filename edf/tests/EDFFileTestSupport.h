// Helpers of the file object tests: the shared test-support library (EDF files built byte by
// byte, file bytes, temporary folders) under the names these tests use.
#pragma once

#include "testsupport/TestEDF.h"
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
