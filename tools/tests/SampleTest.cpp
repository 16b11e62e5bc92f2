// The bundled sample recording: the committed file is what the sample tool writes today, and
// its annotation signal holds the hypnogram with its record time-keeping.
#include "edf/uAnnotationTable.h"
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace velastrin {
namespace {

std::string ReadFile(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

TEST(Sample, CommittedFileIsWhatTheToolWrites) {
  const std::string Fresh =
      (std::filesystem::path(::testing::TempDir()) / "psg-sample-fresh.edf").string();
  const std::string Command = std::string(VELASTRIN_MAKE_SAMPLE) + " '" + Fresh + "'";
  ASSERT_EQ(std::system(Command.c_str()), 0);
  const std::string Written = ReadFile(Fresh);
  std::filesystem::remove(Fresh);
  EXPECT_FALSE(Written.empty());
  EXPECT_TRUE(Written == ReadFile(VELASTRIN_SAMPLE))
      << "regenerate: velastrin_make_sample samples/psg-sample.edf";
}

TEST(Sample, AnnotationSignalHoldsLightsAndSleepStages) {
  const TEDFPlusRecording Plus = ReadEDFPlus(VELASTRIN_SAMPLE);
  EXPECT_EQ(Plus.Kind, TEDFPlusKind::Continuous);
  ASSERT_TRUE(Plus.Readable);
  EXPECT_EQ(Plus.AnnotationSignals, (std::vector<int32_t>{6})); // after the six signals
  EXPECT_TRUE(Plus.Faults.empty());
  EXPECT_TRUE(Plus.RecordDeviations().empty());
  ASSERT_EQ(Plus.RecordOnsets.size(), 300u);
  const std::vector<TEDFAnnotation> List = Plus.InTimeOrder();
  ASSERT_EQ(List.size(), 12u);
  EXPECT_EQ(List.front().Text, "Lights off");
  EXPECT_EQ(List.back().Text, "Lights on");
  const std::string Table = AnnotationTable(List, Plus.StartDateTime, TAnnotationTableFormat{});
  EXPECT_NE(Table.find("120,2026-12-07T22:32:00,30,Sleep stage N1\r\n"), std::string::npos)
      << Table;

  // The file object sees one more signal, valid as before.
  TEDFFile File;
  File.SetFileName(VELASTRIN_SAMPLE);
  File.SetReadOnly(true);
  File.SetStrict(false);
  File.Open();
  EXPECT_TRUE(File.IsValid());
  EXPECT_EQ(File.SignalCount(), 7);
}

} // namespace
} // namespace velastrin
