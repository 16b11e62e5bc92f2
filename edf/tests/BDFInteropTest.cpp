// BDF+ files written by edflib, and plain BDF made from them by rewriting the reserved field,
// read back by us: every 24-bit sample and every annotation equal to what edflib was given.
// The file object left to its EDF default still refuses them.
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"

#include "EDFFileTestSupport.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velastrin {
namespace {

struct TBDFRow {
  const char* Name;
  const char* Reserved; // written over edflib's "BDF+C"; empty: kept
  int Records;
  int Digimin;
  int Digimax;
  TEDFPlusKind Kind; // what the reserved field then declares
};

void PrintTo(const TBDFRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

const TBDFRow BDFRows[] = {
    {"BdfPlusFullRange", "", 7, -8388608, 8388607, TEDFPlusKind::Continuous},
    {"BdfPlusNarrowRange", "", 3, -100000, 99999, TEDFPlusKind::Continuous},
    {"PlainBdf", "24BIT", 5, -8388608, 8388607, TEDFPlusKind::None},
};

constexpr int Rate = 16; // samples per 1-second record of each signal

// Samples of signal s in record r: spread over the signal's range, both ends included.
int PeerSample(const TBDFRow& Row, int s, int r, int k) {
  const long long Span = static_cast<long long>(Row.Digimax) - Row.Digimin;
  if (k == 0)
    return Row.Digimin;
  if (k == 1)
    return Row.Digimax;
  return static_cast<int>(Row.Digimin + (r * 7919LL + s * 613LL + k * 104729LL) % (Span + 1));
}

const std::vector<std::pair<long long, std::string>> PeerAnnotations = {
    {0, "Lights off"}, {15000, "Sleep stage N1"}, {20001, "Arousal \xE2\x80\x93 short"}};

std::string WritePeerBDF(const test::TTempDir& Dir, const TBDFRow& Row) {
  const std::string Path = Dir.File(std::string(Row.Name) + ".bdf");
  const int Handle = edfopen_file_writeonly(Path.c_str(), EDFLIB_FILETYPE_BDFPLUS, 2);
  EXPECT_GE(Handle, 0);
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(edf_set_samplefrequency(Handle, s, Rate), 0);
    EXPECT_EQ(edf_set_digital_minimum(Handle, s, Row.Digimin), 0);
    EXPECT_EQ(edf_set_digital_maximum(Handle, s, Row.Digimax), 0);
    EXPECT_EQ(edf_set_physical_minimum(Handle, s, -1000.0), 0);
    EXPECT_EQ(edf_set_physical_maximum(Handle, s, 1000.0), 0);
    EXPECT_EQ(edf_set_label(Handle, s, s == 0 ? "EEG Fpz-Cz" : "EEG Pz-Oz"), 0);
  }
  std::vector<int> Samples(Rate);
  for (int r = 0; r < Row.Records; ++r)
    for (int s = 0; s < 2; ++s) {
      for (int k = 0; k < Rate; ++k)
        Samples[static_cast<std::size_t>(k)] = PeerSample(Row, s, r, k);
      EXPECT_EQ(edfwrite_digital_samples(Handle, Samples.data()), 0);
    }
  for (const auto& [Onset, Text] : PeerAnnotations)
    EXPECT_EQ(edfwrite_annotation_utf8(Handle, Onset, -1, Text.c_str()), 0);
  EXPECT_EQ(edfclose_file(Handle), 0);
  if (*Row.Reserved) {
    std::string Reserved = Row.Reserved;
    Reserved.resize(44, ' ');
    test::PatchBytes(Path, 192, Reserved);
  }
  return Path;
}

class PeerBDF : public ::testing::TestWithParam<TBDFRow> {};

TEST_P(PeerBDF, EverySampleAndAnnotationReadsBackEqual) {
  const TBDFRow& Row = GetParam();
  test::TTempDir Dir;
  const std::string Path = WritePeerBDF(Dir, Row);

  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetAcceptBDF(true); // strict reading, as check judges a file valid
  File.Open();
  ASSERT_TRUE(File.IsValid()) << "status " << int{File.Status()};
  EXPECT_EQ(File.Format(), TEDFFormat::BDF);
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), Row.Records);
  ASSERT_EQ(File.SignalCount(), 3); // edflib adds the annotation signal
  const TDynArray<int32_t> Buffer = File.GetWideDataBuffer();
  for (int r = 0; r < Row.Records; ++r) {
    File.ReadRecord(r);
    for (int s = 0; s < 2; ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
      ASSERT_EQ(Signal.NrSamples(), Rate);
      EXPECT_EQ(Signal.Digimin(), Row.Digimin);
      EXPECT_EQ(Signal.Digimax(), Row.Digimax);
      for (int k = 0; k < Rate; ++k)
        ASSERT_EQ(Buffer[static_cast<std::size_t>(Signal.BufferOffset() + k)],
                  PeerSample(Row, s, r, k))
            << "record " << r << ", signal " << s << ", sample " << k;
    }
  }

  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  EXPECT_EQ(Plus.Kind, Row.Kind);
  if (Row.Kind == TEDFPlusKind::None) {
    EXPECT_TRUE(Plus.Annotations.empty());
  } else {
    EXPECT_EQ(Plus.AnnotationSignals, (std::vector<int32_t>{2}));
    EXPECT_TRUE(Plus.Faults.empty()) << Plus.Faults.front().Message();
    ASSERT_EQ(Plus.Annotations.size(), PeerAnnotations.size());
    for (std::size_t i = 0; i < PeerAnnotations.size(); ++i) {
      EXPECT_EQ(Plus.Annotations[i].Text, PeerAnnotations[i].second);
      EXPECT_DOUBLE_EQ(static_cast<double>(Plus.Annotations[i].Onset.Value),
                       static_cast<double>(PeerAnnotations[i].first) / 10000.0);
    }
  }

  // Left to its EDF default, the file object refuses BDF: the single export never sees it.
  TEDFFile AsEDF;
  AsEDF.SetFileName(Path);
  AsEDF.SetReadOnly(true);
  AsEDF.SetStrict(false);
  AsEDF.Open();
  EXPECT_FALSE(AsEDF.Valid());
  EXPECT_EQ(AsEDF.Format(), TEDFFormat::EDF);
}

INSTANTIATE_TEST_SUITE_P(Rows, PeerBDF, ::testing::ValuesIn(BDFRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace velastrin
