// Fuzz target of the findings engine and the EDF+ reader, fed through an in-memory file. The
// verdict follows the readers: valid only when strict reading accepts the header and no file
// check fails, unreadable exactly when lenient reading refuses the file (an annotation-only EDF+
// file with records of duration 0 is read as valid for check). Every finding lies inside the
// file, none counts in a valid file, the reports form, and every annotation fault lies inside
// its record.
#include "check/uEDFFindings.h"
#include "check/uEDFReport.h"
#include "edf/uEDF.h"
#include "edf/uEDFExportCheck.h"
#include "edf/uEDFPlus.h"
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

using namespace velastrin;

// Whether the reader accepts the file, and why the export refuses it read leniently.
struct TAcceptance {
  bool Valid = false;
  std::string Refusal;
};

TAcceptance Accepts(const std::string& Path, bool Strict, size_t Size) {
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(Strict);
  File.SetAcceptBDF(true); // BDF headers by their own rules, as the engine reads them
  File.Open();
  TAcceptance A;
  try {
    A.Valid = File.IsValid();
  } catch (const EDataFile&) {
    A.Valid = false; // no buffer can be made for the layout
  }
  A.Refusal = HeaderRefusal(File, static_cast<int64_t>(Size));
  return A;
}

void CheckVerdict(const TEDFFindings& F, const std::string& Path, size_t Size) {
  size_t Failed = 0;
  for (const TEDFFileCheck& Check : F.Checks)
    Failed += Check.Fails ? 1 : 0;
  if (F.Verdict == TEDFVerdict::Valid) {
    FUZZ_CHECK(Failed == 0);
    for (const TEDFFinding& Finding : F.Findings)
      FUZZ_CHECK(!Finding.Counts);
  }
  if (F.Verdict == TEDFVerdict::Unreadable)
    FUZZ_CHECK(!F.Reason.empty());
  if (Size < 256) {
    FUZZ_CHECK(F.Verdict == TEDFVerdict::Unreadable);
    return;
  }
  const TAcceptance Strict = Accepts(Path, true, Size);
  const TAcceptance Lenient = Accepts(Path, false, Size);
  // Strict acceptance never refuses what lenient reading refuses.
  FUZZ_CHECK(!Strict.Valid || Lenient.Valid);
  const bool ZeroDuration = F.Plus && F.RecordDuration && *F.RecordDuration == 0;
  if (ZeroDuration) {
    FUZZ_CHECK(F.Verdict != TEDFVerdict::Unreadable);
    return;
  }
  FUZZ_CHECK((F.Verdict == TEDFVerdict::Unreadable) == !Lenient.Refusal.empty());
  if (!Lenient.Valid)
    FUZZ_CHECK(F.Verdict == TEDFVerdict::Unreadable);
  if (F.Verdict == TEDFVerdict::Valid)
    FUZZ_CHECK(Strict.Valid);
  // Strict reading lets physical limits pass; one that no reading takes counts all the same.
  const bool Counted = std::any_of(F.Findings.begin(), F.Findings.end(),
                                   [](const TEDFFinding& Finding) { return Finding.Counts; });
  if (Lenient.Refusal.empty() && Strict.Valid && Failed == 0 && !Counted)
    FUZZ_CHECK(F.Verdict == TEDFVerdict::Valid);
  if (F.Verdict == TEDFVerdict::Lenient)
    FUZZ_CHECK(!Strict.Valid || Failed > 0 || Counted);
}

void CheckFindings(const std::string& Path, size_t Size) {
  const TEDFFindings F = CollectFindings(Path);
  FUZZ_CHECK(F.Error.empty());
  FUZZ_CHECK(F.FileSize == static_cast<int64_t>(Size));
  CheckVerdict(F, Path, Size);
  for (const TEDFFinding& Finding : F.Findings) {
    FUZZ_CHECK(static_cast<int>(Finding.Raw.size()) == Finding.Width);
    FUZZ_CHECK(Finding.Offset >= 0 && Finding.Offset + Finding.Width <= F.FileSize);
    FUZZ_CHECK(!Finding.Problem.empty());
    FUZZ_CHECK(F.Verdict != TEDFVerdict::Valid || !Finding.Counts);
  }
  if (F.RecordBytes > 0) {
    FUZZ_CHECK(F.Verdict != TEDFVerdict::Unreadable);
    FUZZ_CHECK(F.Records && *F.Records >= 0);
    FUZZ_CHECK(F.HeaderBytes + *F.Records * F.RecordBytes + F.TrailingBytes ==
               std::max(F.FileSize, F.HeaderBytes));
  }
  FUZZ_CHECK(!FindingsText(F).empty());
  FUZZ_CHECK(!FindingsJson(F).empty());
}

void CheckPlus(const std::string& Path, size_t Size) {
  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  if (!Plus.Readable || Plus.AnnotationSignals.empty()) {
    FUZZ_CHECK(Plus.Annotations.empty() && Plus.Faults.empty());
    return;
  }
  FUZZ_CHECK(static_cast<int64_t>(Plus.RecordOnsets.size()) == Plus.NrDataRecords);
  for (const TEDFPlusFault& Fault : Plus.Faults) {
    FUZZ_CHECK(Fault.Record >= 0 && Fault.Record < Plus.NrDataRecords);
    FUZZ_CHECK(Plus.IsAnnotationSignal(Fault.Signal));
    FUZZ_CHECK(Fault.Offset >= 0 && Fault.FilePosition < static_cast<int64_t>(Size));
  }
  for (const TEDFAnnotation& A : Plus.Annotations)
    FUZZ_CHECK(!A.Text.empty() && A.Record < Plus.NrDataRecords);
  FUZZ_CHECK(Plus.InTimeOrder().size() == Plus.Annotations.size());
  (void)Plus.RecordDeviations();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (fuzz::TooManySignals(Data, Size))
    return 0;
  static fuzz::TMemoryFile Input("findings-fuzz-input");
  Input.Fill(Data, Size);
  CheckFindings(Input.Path(), Size);
  CheckPlus(Input.Path(), Size);
  return 0;
}
