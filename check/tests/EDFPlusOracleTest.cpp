// Generated EDF+ and BDF+ files against edflib, a reader nobody here wrote: check calls a file
// valid exactly when edflib opens it with all its annotations, and where edflib reads the
// annotations, ours are the same. The variants: no annotation signal, one with its format's
// label or the other format's, and the third record's onset on time, late, overlapping the
// record before or equal to its onset.
#include "check/uEDFFindings.h"
#include "testsupport/TestEDF.h"
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace velastrin {
namespace {

using namespace std::string_literals;

enum class TLabel { None, Own, Other };
enum class TOnset { OnTime, Late, Overlapping, Equal };

struct TVariant {
  std::string Kind; // "EDF+C", "EDF+D", "BDF+C", "BDF+D"
  TLabel Label;
  TOnset Onset;

  bool BDF() const { return Kind[0] == 'B'; }
  bool Continuous() const { return Kind[4] == 'C'; }
  std::string Name() const {
    static const char* Labels[] = {"no annotation signal", "own label", "other label"};
    static const char* Onsets[] = {"on time", "late", "overlapping", "equal"};
    return Kind + ", " + Labels[static_cast<int>(Label)] + ", record 3 " +
           Onsets[static_cast<int>(Onset)];
  }
};

std::string VariantBytes(const TVariant& V) {
  test::TTestEDF E;
  if (V.BDF())
    E = test::BDFTestEDF();
  E.Recording = "Startdate 01-FEB-2003 X X X"; // agrees with the start date 01.02.03
  E.Reserved = V.Kind;
  if (V.Label == TLabel::None)
    return E.Bytes();
  E.Signals[1] = test::AnnotationTestSignal();
  E.Signals[1].Label = V.BDF() == (V.Label == TLabel::Own) ? "BDF Annotations" : "EDF Annotations";
  if (V.BDF()) {
    E.Signals[1].DigMin = "-8388608";
    E.Signals[1].DigMax = "8388607";
  }
  const std::string Third[] = {"+2", "+3", "+1.5", "+1"};
  std::vector<std::string> Lists = {"+0\x14\x14\0+0.5\x15"
                                    "1\x14W\x14\0"s,
                                    "+1\x14\x14\0"s};
  Lists.push_back(Third[static_cast<int>(V.Onset)] + "\x14\x14\0+2.5\x14N1\x14"s);
  return test::AnnotationListsBytes(E, Lists);
}

struct TPeer {
  bool Accepted = false;
  int Error = 0; // edflib's reason when it refuses
  std::vector<edf_annotation_struct> Annotations;
};

TPeer PeerRead(const std::string& Path) {
  TPeer Peer;
  edf_hdr_struct Header{};
  Peer.Accepted = edfopen_file_readonly(Path.c_str(), &Header, EDFLIB_READ_ALL_ANNOTATIONS) == 0;
  if (!Peer.Accepted) {
    Peer.Error = Header.filetype;
    return Peer;
  }
  Peer.Annotations.resize(static_cast<std::size_t>(Header.annotations_in_file));
  for (std::size_t i = 0; i < Peer.Annotations.size(); ++i)
    EXPECT_EQ(edf_get_annotation(Header.handle, static_cast<int>(i), &Peer.Annotations[i]), 0);
  edfclose_file(Header.handle);
  return Peer;
}

// The check that makes a variant not valid, when one does.
std::string FailedCheck(const TVariant& V) {
  if (V.Label != TLabel::Own)
    return "edf_plus";
  if (V.Onset == TOnset::OnTime || (V.Onset == TOnset::Late && !V.Continuous()))
    return {};
  return "record_onsets";
}

TEST(EdfPlusOracle, CheckCallsValidWhatEdflibReadsAndReadsItsAnnotations) {
  test::TTempDir Dir;
  int Compared = 0;
  for (const char* Kind : {"EDF+C", "EDF+D", "BDF+C", "BDF+D"})
    for (const TLabel Label : {TLabel::None, TLabel::Own, TLabel::Other})
      for (const TOnset Onset :
           {TOnset::OnTime, TOnset::Late, TOnset::Overlapping, TOnset::Equal}) {
        const TVariant V{Kind, Label, Onset};
        if (Label == TLabel::None && Onset != TOnset::OnTime)
          continue; // no onsets to vary
        SCOPED_TRACE(V.Name());
        const std::string Path = Dir.Write(V.BDF() ? "v.bdf" : "v.edf", VariantBytes(V));
        const TEDFFindings F = CollectFindings(Path);
        const TPeer Peer = PeerRead(Path);
        // edflib reads no EDF+D or BDF+D file: once their header has passed its checks, it
        // refuses them as discontinuous, before it reads a record. There that refusal is its
        // acceptance, and the record onsets, which it never reads, go by FailedCheck alone.
        const bool Accepted =
            V.Continuous() ? Peer.Accepted : Peer.Error == EDFLIB_FILE_IS_DISCONTINUOUS;
        const bool OnsetsUnjudged = !V.Continuous() && Label == TLabel::Own;
        if (!OnsetsUnjudged) {
          EXPECT_EQ(F.Verdict == TEDFVerdict::Valid, Accepted) << "edflib error " << Peer.Error;
        } else {
          EXPECT_TRUE(Accepted) << "edflib error " << Peer.Error;
        }
        // Every variant is read leniently at worst, and the check to blame is named.
        EXPECT_NE(F.Verdict, TEDFVerdict::Unreadable);
        const std::string Check = FailedCheck(V);
        EXPECT_EQ(F.Verdict == TEDFVerdict::Valid, Check.empty());
        if (!Check.empty()) {
          EXPECT_TRUE(std::any_of(F.Checks.begin(), F.Checks.end(),
                                  [&](const TEDFFileCheck& C) { return C.Check == Check; }));
        }
        if (Label == TLabel::None)
          continue;
        // The other label is read as the annotation signal: the same two annotations.
        const TEDFPlusRecording Ours = ReadEDFPlus(Path);
        ASSERT_EQ(Ours.Annotations.size(), 2u);
        EXPECT_EQ(Ours.Annotations[0].Text, "W");
        if (!Peer.Accepted)
          continue;
        ASSERT_EQ(Peer.Annotations.size(), Ours.Annotations.size());
        for (std::size_t i = 0; i < Peer.Annotations.size(); ++i) {
          const TEDFAnnotation& A = Ours.Annotations[i];
          EXPECT_STREQ(Peer.Annotations[i].annotation, A.Text.c_str());
          EXPECT_EQ(Peer.Annotations[i].onset, std::llround(A.Onset.Value * 1e7L));
          EXPECT_EQ(Peer.Annotations[i].duration_l,
                    A.Duration ? std::llround(A.Duration->Value * 1e7L) : -10000000);
        }
        ++Compared;
      }
  EXPECT_EQ(Compared, 2); // EDF+C and BDF+C with their own label, on time
}

} // namespace
} // namespace velastrin
