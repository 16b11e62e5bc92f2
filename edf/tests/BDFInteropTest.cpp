// BDF+ files written by edflib, and plain BDF made from them by rewriting the reserved field,
// read back by us: every 24-bit sample and every annotation equal to what edflib was given.
// The file object left to its EDF default still refuses them.
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"

#include "EDFFileTestSupport.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace velastrin {
namespace {

// Samples per 1-second record of each signal, records, and the 24-bit range of each.
constexpr int Rate = 16, Records = 7, Digimin = -8388608, Digimax = 8388607;

// Sample k of signal s in record r: both ends of the range, then spread over it.
int PeerSample(int s, int r, int k) {
  return k == 0   ? Digimin
         : k == 1 ? Digimax
                  : static_cast<int>(Digimin + (r * 7919LL + s * 613LL + k * 104729LL) % (1 << 24));
}

const std::vector<std::pair<long long, std::string>> PeerAnnotations = {
    {0, "Lights off"}, {15000, "Sleep stage N1"}, {20001, "Arousal \xE2\x80\x93 short"}};

// edflib's BDF+ file; a reserved field given is written over its "BDF+C".
std::string WritePeerBDF(const test::TTempDir& Dir, const std::string& Reserved) {
  const std::string Path = Dir.File("peer.bdf");
  const int Handle = edfopen_file_writeonly(Path.c_str(), EDFLIB_FILETYPE_BDFPLUS, 2);
  EXPECT_GE(Handle, 0);
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(edf_set_samplefrequency(Handle, s, Rate), 0);
    EXPECT_EQ(edf_set_digital_minimum(Handle, s, Digimin), 0);
    EXPECT_EQ(edf_set_digital_maximum(Handle, s, Digimax), 0);
    EXPECT_EQ(edf_set_physical_minimum(Handle, s, -1000.0), 0);
    EXPECT_EQ(edf_set_physical_maximum(Handle, s, 1000.0), 0);
    EXPECT_EQ(edf_set_label(Handle, s, s == 0 ? "EEG Fpz-Cz" : "EEG Pz-Oz"), 0);
  }
  std::vector<int> Samples(Rate);
  for (int r = 0; r < Records; ++r)
    for (int s = 0; s < 2; ++s) {
      for (int k = 0; k < Rate; ++k)
        Samples[static_cast<std::size_t>(k)] = PeerSample(s, r, k);
      EXPECT_EQ(edfwrite_digital_samples(Handle, Samples.data()), 0);
    }
  for (const auto& [Onset, Text] : PeerAnnotations)
    EXPECT_EQ(edfwrite_annotation_utf8(Handle, Onset, -1, Text.c_str()), 0);
  EXPECT_EQ(edfclose_file(Handle), 0);
  if (!Reserved.empty())
    test::PatchBytes(Path, 192, Reserved + std::string(44 - Reserved.size(), ' '));
  return Path;
}

// Rows: the reserved field written over edflib's; empty: kept.
class PeerBDF : public ::testing::TestWithParam<std::string> {};

TEST_P(PeerBDF, EverySampleAndAnnotationReadsBackEqual) {
  test::TTempDir Dir;
  const std::string Path = WritePeerBDF(Dir, GetParam());
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetAcceptBDF(true); // strict reading, as check judges a file valid
  File.Open();
  ASSERT_TRUE(File.IsValid()) << "status " << int{File.Status()};
  EXPECT_EQ(File.Format(), TEDFFormat::BDF);
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), Records);
  ASSERT_EQ(File.SignalCount(), 3); // edflib adds the annotation signal
  const TDynArray<int32_t> Buffer = File.GetWideDataBuffer();
  for (int r = 0; r < Records; ++r) {
    File.ReadRecord(r);
    for (int s = 0; s < 2; ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
      ASSERT_EQ(Signal.NrSamples(), Rate);
      EXPECT_EQ(std::pair(Signal.Digimin(), Signal.Digimax()), std::pair(Digimin, Digimax));
      for (int k = 0; k < Rate; ++k)
        ASSERT_EQ(Buffer[static_cast<std::size_t>(Signal.BufferOffset() + k)], PeerSample(s, r, k))
            << "record " << r << ", signal " << s << ", sample " << k;
    }
  }
  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  if (!GetParam().empty()) { // "24BIT": plain BDF, its annotation signal an ordinary one
    EXPECT_EQ(Plus.Kind, TEDFPlusKind::None);
    EXPECT_TRUE(Plus.Annotations.empty());
  } else {
    EXPECT_EQ(Plus.Kind, TEDFPlusKind::Continuous);
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

INSTANTIATE_TEST_SUITE_P(Rows, PeerBDF, ::testing::Values("", "24BIT"), [](const auto& Info) {
  return std::string(Info.param.empty() ? "BdfPlusFullRange" : "PlainBdf");
});

} // namespace
} // namespace velastrin
