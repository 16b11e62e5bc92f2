// The bundled sample recording's annotation signal: the hypnogram with lights off and on, and
// each record's time-keeping list.
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"
#include "export/AnnotationTable.h"

#include <gtest/gtest.h>

#include <string>

namespace velastrin {
namespace {

TEST(SampleRecording, AnnotationSignalHoldsLightsAndSleepStages) {
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
