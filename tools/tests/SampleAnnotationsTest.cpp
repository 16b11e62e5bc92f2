// The bundled sample recording's annotation signal: the hypnogram with lights off and on, and
// each record's time-keeping list.
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"
#include "export/AnnotationTable.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

// The BDF+ sample: its first minute, the same annotations up to then, and 24-bit samples that
// edflib reads as ours do.
TEST(SampleRecording, BDFSampleIsBDFPlusThatEdflibReads) {
  const TEDFPlusRecording Plus = ReadEDFPlus(VELASTRIN_BDF_SAMPLE);
  EXPECT_EQ(Plus.Kind, TEDFPlusKind::Continuous);
  ASSERT_TRUE(Plus.Readable);
  EXPECT_EQ(Plus.AnnotationSignals, (std::vector<int32_t>{6}));
  EXPECT_TRUE(Plus.Faults.empty());
  ASSERT_EQ(Plus.RecordOnsets.size(), 60u);
  const std::vector<TEDFAnnotation> List = Plus.InTimeOrder();
  ASSERT_EQ(List.size(), 4u);
  EXPECT_EQ(List[1].Text, "Sleep stage W");

  TEDFFile File;
  File.SetFileName(VELASTRIN_BDF_SAMPLE);
  File.SetReadOnly(true);
  File.SetAcceptBDF(true);
  File.Open();
  ASSERT_TRUE(File.IsValid());
  const TDynArray<int32_t> Buffer = File.GetWideDataBuffer();
  File.ReadRecord(59);
  const TCustomEDFSignalInfo& Eeg = *File.GetSignal(0);
  std::vector<int> Ours(Buffer.begin() + Eeg.BufferOffset(),
                        Buffer.begin() + Eeg.BufferOffset() + Eeg.NrSamples());
  // Beyond 16 bits: the sample uses BDF's resolution.
  EXPECT_TRUE(std::any_of(Ours.begin(), Ours.end(), [](int V) { return V % 256 != 0; }));

  edf_hdr_struct Header{};
  ASSERT_EQ(edfopen_file_readonly(VELASTRIN_BDF_SAMPLE, &Header, EDFLIB_READ_ALL_ANNOTATIONS), 0)
      << "edflib error " << Header.filetype;
  EXPECT_EQ(Header.filetype, EDFLIB_FILETYPE_BDFPLUS);
  EXPECT_EQ(Header.annotations_in_file, 4);
  std::vector<int> Theirs(Ours.size());
  edfseek(Header.handle, 0, 59LL * Eeg.NrSamples(), EDFSEEK_SET);
  EXPECT_EQ(
      edfread_digital_samples(Header.handle, 0, static_cast<int>(Theirs.size()), Theirs.data()),
      static_cast<int>(Theirs.size()));
  edfclose_file(Header.handle);
  EXPECT_EQ(Theirs, Ours);
}

} // namespace
} // namespace velastrin
