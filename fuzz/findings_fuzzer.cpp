// Fuzz target of the findings engine and the EDF+ reader, fed through an in-memory file. The
// verdict is the reader's own: valid when strict reading accepts the file, lenient when only
// lenient reading does, unreadable otherwise. Every finding lies inside the file, none counts in
// a valid file, the reports form, and every annotation fault lies inside its record.
#include "check/uEDFFindings.h"
#include "check/uEDFReport.h"
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

using namespace velastrin;

// The reader's own verdict: the header, then the record-size recommendations and the count.
bool Accepts(const std::string& Path, bool Strict) {
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(Strict);
  File.Open();
  try {
    return File.IsValid();
  } catch (const EDataFile&) {
    return false; // no buffer can be made for the layout
  }
}

void CheckFindings(const std::string& Path, size_t Size) {
  const TEDFFindings F = CollectFindings(Path);
  FUZZ_CHECK(F.Error.empty());
  FUZZ_CHECK(F.FileSize == static_cast<int64_t>(Size));
  const TEDFVerdict Expected = Accepts(Path, true)    ? TEDFVerdict::Valid
                               : Accepts(Path, false) ? TEDFVerdict::Lenient
                                                      : TEDFVerdict::Unreadable;
  FUZZ_CHECK(F.Verdict == Expected);
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
