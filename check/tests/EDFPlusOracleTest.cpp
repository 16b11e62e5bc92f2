// Generated EDF+ and BDF+ files against edflib, a reader nobody here wrote: check calls a file
// valid exactly when edflib reads it, and then its annotations are edflib's. Variants: the
// annotation signal absent or under either label; record 3 on time, late, overlapping, equal.
#include "check/uEDFFindings.h"
#include "testsupport/TestEDF.h"
#include "testsupport/TestTempDir.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace velastrin {
namespace {

using namespace std::string_literals;

// Label 0: no annotation signal; 1: its format's label; 2: the other format's.
std::string VariantBytes(const std::string& Kind, int Label, const std::string& ThirdOnset) {
  const bool BDF = Kind[0] == 'B';
  test::TTestEDF E;
  if (BDF)
    E = test::BDFTestEDF();
  E.Recording = "Startdate 01-FEB-2003 X X X"; // agrees with the start date 01.02.03
  E.Reserved = Kind;
  if (Label == 0)
    return E.Bytes();
  E.Signals[1] = test::AnnotationTestSignal();
  E.Signals[1].Label = BDF == (Label == 1) ? "BDF Annotations" : "EDF Annotations";
  if (BDF)
    E.Signals[1].DigMin = "-8388608", E.Signals[1].DigMax = "8388607";
  return test::AnnotationListsBytes(E, {"+0\x14\x14\0+0.5\x15\x31\x14W\x14\0"s, "+1\x14\x14\0"s,
                                        ThirdOnset + "\x14\x14\0+2.5\x14N1\x14"s});
}

TEST(EdfPlusOracle, CheckCallsValidWhatEdflibReadsAndReadsItsAnnotations) {
  test::TTempDir Dir;
  for (const std::string Kind : {"EDF+C", "EDF+D", "BDF+C", "BDF+D"})
    for (int Label = 0; Label < 3; ++Label)
      for (const std::string Third : {"+2", "+3", "+1.5", "+1"}) { // on time, late, over, equal
        if (Label == 0 && Third != "+2")
          continue; // no onsets to vary
        SCOPED_TRACE(Kind + ", label " + std::to_string(Label) + ", record 3 at " + Third);
        const bool Continuous = Kind[4] == 'C';
        const std::string Path =
            Dir.Write(Kind[0] == 'B' ? "v.bdf" : "v.edf", VariantBytes(Kind, Label, Third));
        const TEDFFindings F = CollectFindings(Path);
        edf_hdr_struct H{};
        const bool Opened =
            edfopen_file_readonly(Path.c_str(), &H, EDFLIB_READ_ALL_ANNOTATIONS) == 0;
        // edflib refuses EDF+D and BDF+D as discontinuous once their header passed, before any
        // record: that refusal is its acceptance, and the onsets it never reads go by Check.
        const bool Accepted = Continuous ? Opened : H.filetype == EDFLIB_FILE_IS_DISCONTINUOUS;
        const bool Valid = F.Verdict == TEDFVerdict::Valid;
        EXPECT_EQ(Valid || (!Continuous && Label == 1), Accepted) << "edflib error " << H.filetype;
        const bool OnsetsFine = Third == "+2" || (Third == "+3" && !Continuous);
        const std::string Check = Label != 1 ? "edf_plus" : OnsetsFine ? "" : "record_onsets";
        EXPECT_NE(F.Verdict, TEDFVerdict::Unreadable);
        EXPECT_EQ(Valid, Check.empty());
        EXPECT_TRUE(Check.empty() || std::any_of(F.Checks.begin(), F.Checks.end(),
                                                 [&](const auto& C) { return C.Check == Check; }));
        // The other label is read as the annotation signal: the same two annotations.
        const auto Ours = ReadEDFPlus(Path).Annotations;
        ASSERT_EQ(Ours.size(), Label == 0 ? 0u : 2u);
        if (!Opened)
          continue;
        ASSERT_EQ(H.annotations_in_file, 2);
        for (int i = 0; i < 2; ++i) {
          edf_annotation_struct A{};
          EXPECT_EQ(edf_get_annotation(H.handle, i, &A), 0);
          const TEDFAnnotation& Our = Ours[static_cast<std::size_t>(i)];
          EXPECT_STREQ(A.annotation, Our.Text.c_str());
          EXPECT_EQ(A.onset, std::llround(Our.Onset.Value * 1e7L));
          EXPECT_EQ(A.duration_l,
                    Our.Duration ? std::llround(Our.Duration->Value * 1e7L) : -10000000);
        }
        edfclose_file(H.handle);
      }
}

} // namespace
} // namespace velastrin
