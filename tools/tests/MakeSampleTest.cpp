// samples/psg-sample.edf is promised to be reproducible: the tool writes it again, and the two
// must agree byte for byte. A change to the tool therefore comes with a new sample file.
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace velastrin {
namespace {

TEST(SampleRecording, RegeneratesByteForByte) {
  const test::TTempDir Dir;
  const std::string Output = Dir.File("psg-sample.edf");
  const std::string Command = std::string("'") + VELASTRIN_MAKE_SAMPLE + "' '" + Output + "'";
  ASSERT_EQ(std::system(Command.c_str()), 0) << Command;
  const std::string Made = test::ReadBytes(Output);
  const std::string Kept = test::ReadBytes(VELASTRIN_SAMPLE);
  ASSERT_FALSE(Kept.empty());
  EXPECT_EQ(Made.size(), Kept.size());
  // The first differing byte says which header field or record is off.
  std::size_t First = 0;
  while (First < Made.size() && First < Kept.size() && Made[First] == Kept[First])
    ++First;
  EXPECT_EQ(First, Kept.size()) << "first difference at byte " << First;
}

} // namespace
} // namespace velastrin
