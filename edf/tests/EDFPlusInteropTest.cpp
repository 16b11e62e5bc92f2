// EDF+ annotations written by edflib, an EDF library nobody here wrote, read back by us: every
// annotation with its onset, duration and text, in both annotation signals, and each record's
// time-keeping onset. edflib's own reading of the same file is the second witness.
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"

#include "EDFFileTestSupport.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace velastrin {
namespace {

struct TPeerAnnotation {
  long long Onset;    // units of 100 microseconds, as edflib takes them
  long long Duration; // likewise; negative: none
  std::string Text;
};

const std::vector<TPeerAnnotation> PeerAnnotations = {
    {0, -1, "Lights off"},
    {300000, 300000, "Sleep stage W"},
    {12345, 0, "Marker, zero duration"},
    {600001, 5000, "Stadium N2 \xE2\x80\x93 \"Spindel\""},
    {899999, -1, "Sleep stage N1"},
    {300000, -1, "Same onset as W, written later"},
    {1000000, 1, "Last"},
};

constexpr int PeerRecords = 120;

// Writes an EDF+C file of one EEG signal and two annotation signals (edflib spreads its
// annotations over them).
std::string WritePeerFile(const test::TTempDir& Dir, int SubsecondStart) {
  const std::string Path = Dir.File("peer-plus.edf");
  const int Handle = edfopen_file_writeonly(Path.c_str(), EDFLIB_FILETYPE_EDFPLUS, 1);
  EXPECT_GE(Handle, 0);
  EXPECT_EQ(edf_set_samplefrequency(Handle, 0, 10), 0);
  EXPECT_EQ(edf_set_digital_minimum(Handle, 0, -2048), 0);
  EXPECT_EQ(edf_set_digital_maximum(Handle, 0, 2047), 0);
  EXPECT_EQ(edf_set_physical_minimum(Handle, 0, -200.0), 0);
  EXPECT_EQ(edf_set_physical_maximum(Handle, 0, 200.0), 0);
  EXPECT_EQ(edf_set_label(Handle, 0, "EEG Fpz-Cz"), 0);
  EXPECT_EQ(edf_set_startdatetime(Handle, 2026, 12, 7, 22, 30, 0), 0);
  EXPECT_EQ(edf_set_number_of_annotation_signals(Handle, 2), 0);
  EXPECT_EQ(edf_set_subsecond_starttime(Handle, SubsecondStart), 0);
  std::vector<short> Samples(10);
  for (int r = 0; r < PeerRecords; ++r)
    EXPECT_EQ(edfwrite_digital_short_samples(Handle, Samples.data()), 0);
  for (const TPeerAnnotation& A : PeerAnnotations)
    EXPECT_EQ(edfwrite_annotation_utf8(Handle, A.Onset, A.Duration, A.Text.c_str()), 0);
  EXPECT_EQ(edfclose_file(Handle), 0);
  return Path;
}

// Annotations as edflib reads them back: onset and duration in units of 100 ns.
std::vector<edf_annotation_struct> PeerRead(const std::string& Path) {
  edf_hdr_struct Header{};
  EXPECT_EQ(edfopen_file_readonly(Path.c_str(), &Header, EDFLIB_READ_ALL_ANNOTATIONS), 0);
  std::vector<edf_annotation_struct> Result(static_cast<std::size_t>(Header.annotations_in_file));
  for (std::size_t i = 0; i < Result.size(); ++i)
    EXPECT_EQ(edf_get_annotation(Header.handle, static_cast<int>(i), &Result[i]), 0);
  edfclose_file(Header.handle);
  return Result;
}

TEST(EdfPlusInterop, EveryAnnotationEdflibWroteReadsBackEqual) {
  test::TTempDir Dir;
  const std::string Path = WritePeerFile(Dir, 0);
  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  EXPECT_EQ(Plus.Kind, TEDFPlusKind::Continuous);
  ASSERT_TRUE(Plus.Readable);
  EXPECT_EQ(Plus.NrDataRecords, PeerRecords);
  EXPECT_EQ(Plus.AnnotationSignals, (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(Plus.Faults.empty()) << Plus.Faults.front().Message();

  // Our merge of the two signals puts them in onset order.
  const std::vector<TEDFAnnotation> Ours = Plus.InTimeOrder();
  ASSERT_EQ(Ours.size(), PeerAnnotations.size());
  std::vector<TPeerAnnotation> Sorted = PeerAnnotations;
  std::stable_sort(Sorted.begin(), Sorted.end(),
                   [](const auto& A, const auto& B) { return A.Onset < B.Onset; });
  for (std::size_t i = 0; i < Sorted.size(); ++i) {
    const TEDFAnnotation& A = Ours[i];
    EXPECT_EQ(A.Text, Sorted[i].Text) << i;
    EXPECT_EQ(std::llround(A.Onset.Value * 10000), Sorted[i].Onset) << A.Text;
    ASSERT_EQ(A.Duration.has_value(), Sorted[i].Duration >= 0) << A.Text;
    if (A.Duration) {
      EXPECT_EQ(std::llround(A.Duration->Value * 10000), Sorted[i].Duration) << A.Text;
    }
  }
  // Both annotation signals carry some, and the peer reads the same values in file order.
  EXPECT_TRUE(std::any_of(Ours.begin(), Ours.end(), [](const auto& A) { return A.Signal == 2; }));
  const std::vector<edf_annotation_struct> Peer = PeerRead(Path);
  ASSERT_EQ(Peer.size(), Plus.Annotations.size());
  for (std::size_t i = 0; i < Peer.size(); ++i) {
    const TEDFAnnotation& A = Plus.Annotations[i];
    EXPECT_STREQ(Peer[i].annotation, A.Text.c_str());
    EXPECT_EQ(Peer[i].onset, std::llround(A.Onset.Value * 1e7L)) << A.Text;
    EXPECT_EQ(Peer[i].duration_l, A.Duration ? std::llround(A.Duration->Value * 1e7L) : -10000000)
        << A.Text;
  }

  // Continuous records one second apart, each with its time-keeping onset.
  ASSERT_EQ(Plus.RecordOnsets.size(), static_cast<std::size_t>(PeerRecords));
  for (int r = 0; r < PeerRecords; ++r) {
    ASSERT_TRUE(Plus.RecordOnsets[static_cast<std::size_t>(r)].has_value()) << r;
    EXPECT_EQ(Plus.RecordOnsets[static_cast<std::size_t>(r)]->Value, r);
  }
  EXPECT_TRUE(Plus.RecordDeviations().empty());
}

TEST(EdfPlusInterop, SubsecondStartIsTheFirstRecordsOnset) {
  test::TTempDir Dir;
  const std::string Path = WritePeerFile(Dir, 1234000); // 0.1234 s
  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  ASSERT_FALSE(Plus.RecordOnsets.empty());
  ASSERT_TRUE(Plus.RecordOnsets[0].has_value());
  EXPECT_DOUBLE_EQ(static_cast<double>(Plus.RecordOnsets[0]->Value), 0.1234);
  EXPECT_TRUE(Plus.RecordDeviations().empty());
  // Onsets count from the header's start time, not from the first record.
  const std::vector<edf_annotation_struct> Peer = PeerRead(Path);
  ASSERT_EQ(Peer.size(), Plus.Annotations.size());
  for (std::size_t i = 0; i < Peer.size(); ++i)
    EXPECT_EQ(std::llround(Plus.Annotations[i].Onset.Value * 1e7L), Peer[i].onset + 1234000)
        << Plus.Annotations[i].Onset.Text;
}

} // namespace
} // namespace velastrin
