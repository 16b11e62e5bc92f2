// samples/psg-sample.edf and psg-sample.bdf are promised to be reproducible: the tool writes
// each again, and the two must agree byte for byte. A change to the tool therefore comes with
// new sample files.
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace velastrin {
namespace {

class SampleRecording : public ::testing::TestWithParam<const char*> {};

TEST_P(SampleRecording, RegeneratesByteForByte) {
  const test::TTempDir Dir;
  const std::string Kept = test::ReadBytes(GetParam());
  const std::string Output = Dir.File(
      std::string("psg-sample") + (std::string(GetParam()).ends_with(".bdf") ? ".bdf" : ".edf"));
  const std::string Command = std::string("'") + VELASTRIN_MAKE_SAMPLE + "' '" + Output + "'";
  ASSERT_EQ(std::system(Command.c_str()), 0) << Command;
  const std::string Made = test::ReadBytes(Output);
  ASSERT_FALSE(Kept.empty());
  EXPECT_EQ(Made.size(), Kept.size());
  // The first differing byte says which header field or record is off.
  std::size_t First = 0;
  while (First < Made.size() && First < Kept.size() && Made[First] == Kept[First])
    ++First;
  EXPECT_EQ(First, Kept.size()) << "first difference at byte " << First;
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleRecording,
                         ::testing::Values(VELASTRIN_SAMPLE, VELASTRIN_BDF_SAMPLE),
                         [](const auto& Info) { return Info.index == 0 ? "Edf" : "Bdf"; });

} // namespace
} // namespace velastrin
