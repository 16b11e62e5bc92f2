// Fuzz target of the annotation list reader: one annotation signal's bytes of one record, in
// memory. The first byte says whether the list keeps the record's time. Faults stay inside the
// bytes, every annotation holds what the grammar allows, and the lists written back from what was
// read read again to the same annotations.
#include "edf/uEDFPlus.h"
#include "fuzz/fuzz_support.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace velastrin;

constexpr char DurationMark = 0x15;
constexpr char AnnotationEnd = 0x14;

// A number reads back as itself: the same text and the same value.
void CheckNumber(const TTALNumber& Number, bool Signed) {
  TTALNumber Again;
  FUZZ_CHECK(ParseTALNumber(Number.Text, Signed, Again));
  FUZZ_CHECK(Again == Number);
  FUZZ_CHECK(std::isfinite(Number.Value));
  FUZZ_CHECK(Signed || Number.Value >= 0);
}

// One TAL per annotation, led by the time-keeping TAL when there is one.
std::string WriteLists(const TEDFAnnotationList& List) {
  std::string Bytes;
  if (List.RecordOnset)
    Bytes += List.RecordOnset->Text + AnnotationEnd + AnnotationEnd + '\0';
  for (const TEDFAnnotation& A : List.Annotations) {
    Bytes += A.Onset.Text;
    if (A.Duration)
      Bytes += DurationMark + A.Duration->Text;
    Bytes += AnnotationEnd + A.Text + AnnotationEnd + '\0';
  }
  return Bytes + std::string(7, '\0');
}

bool OnlyTextFaults(const TEDFAnnotationList& List) {
  for (const TEDFPlusFault& Fault : List.Faults)
    if (Fault.Kind != TTALFault::NotUTF8)
      return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0)
    return 0;
  const bool TimeKeeping = (Data[0] & 1) != 0;
  const std::string_view Bytes(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  constexpr int64_t Record = 7;
  constexpr int32_t Signal = 3;
  const TEDFAnnotationList List = ParseAnnotationList(Bytes, Record, Signal, TimeKeeping);

  for (const TEDFPlusFault& Fault : List.Faults) {
    FUZZ_CHECK(Fault.Record == Record && Fault.Signal == Signal);
    FUZZ_CHECK(Fault.Offset >= 0 && Fault.Offset <= static_cast<int64_t>(Bytes.size()));
    FUZZ_CHECK(!Fault.Message().empty());
  }
  FUZZ_CHECK(TimeKeeping || !List.RecordOnset);
  if (List.RecordOnset)
    CheckNumber(*List.RecordOnset, true);
  for (const TEDFAnnotation& A : List.Annotations) {
    FUZZ_CHECK(A.Record == Record && A.Signal == Signal);
    FUZZ_CHECK(!A.Text.empty());
    FUZZ_CHECK(A.Text.find_first_of(std::string_view("\x00\x14", 2)) == std::string::npos);
    CheckNumber(A.Onset, true);
    if (A.Duration)
      CheckNumber(*A.Duration, false);
  }

  // Written back in the plain form, the annotations read again unchanged. A time-keeping list
  // without its onset has no plain form.
  if (TimeKeeping && !List.RecordOnset)
    return 0;
  const TEDFAnnotationList Again =
      ParseAnnotationList(WriteLists(List), Record, Signal, TimeKeeping);
  FUZZ_CHECK(OnlyTextFaults(Again));
  FUZZ_CHECK(Again.RecordOnset == List.RecordOnset);
  FUZZ_CHECK(Again.Annotations.size() == List.Annotations.size());
  for (size_t i = 0; i < List.Annotations.size(); ++i) {
    const TEDFAnnotation& A = List.Annotations[i];
    const TEDFAnnotation& B = Again.Annotations[i];
    FUZZ_CHECK(A.Onset == B.Onset && A.Duration == B.Duration && A.Text == B.Text);
  }
  return 0;
}
