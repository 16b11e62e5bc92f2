// Fuzz target of the EDF file object. Any byte sequence must open read-only, in strict and in
// lenient mode, without a crash, a hang or unbounded memory: either valid, or not valid with
// Status 1 or 2 and no records. Every record and every signal of a valid file reads, and the
// header written back to a copy reopens. Only the documented exceptions may leave the object;
// anything else escapes and libFuzzer reports it. The findings engine gives a report for every
// input, and a lenient input it repairs becomes a copy strict reading accepts.
#include "check/uEDFFindings.h"
#include "check/uEDFRepair.h"
#include "check/uEDFReport.h"
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using namespace velastrin;

[[noreturn]] void Fail(const char* What, int Line) {
  std::fprintf(stderr, "edf_fuzzer: check failed at line %d: %s\n", Line, What);
  std::abort();
}
#define CHECK(Condition)                                                                           \
  do {                                                                                             \
    if (!(Condition))                                                                              \
      Fail(#Condition, __LINE__);                                                                  \
  } while (false)

// An in-memory file, made once and refilled for every input. Its /proc/self/fd name opens
// like any path, so the file object reads it unchanged, and no input goes through the disk.
class TMemoryFile {
public:
  explicit TMemoryFile(const char* Name) : FHandle(::memfd_create(Name, MFD_CLOEXEC)) {
    CHECK(FHandle >= 0);
    FPath = "/proc/self/fd/" + std::to_string(FHandle);
  }
  TMemoryFile(const TMemoryFile&) = delete;
  TMemoryFile& operator=(const TMemoryFile&) = delete;

  // Replaces the whole content with Data.
  void Fill(const uint8_t* Data, size_t Size) {
    CHECK(::ftruncate(FHandle, 0) == 0);
    size_t Done = 0;
    while (Done < Size) {
      const ssize_t Put = ::pwrite(FHandle, Data + Done, Size - Done, static_cast<off_t>(Done));
      CHECK(Put > 0);
      Done += static_cast<size_t>(Put);
    }
  }
  const std::string& Path() const { return FPath; }

private:
  int FHandle;
  std::string FPath;
};

// Reads records with the current buffering and checks that every buffered signal lies inside
// the buffer.
void ReadRecords(TEDFFile& File, int64_t Limit) {
  // Records of many MiB are fine input but would only slow the search down; the buffer bound
  // itself is covered by the unit tests.
  if (File.RecordSamples() > (int64_t{1} << 22))
    return;
  TDynSmallIntArray Buffer;
  try {
    Buffer = File.GetDataBuffer();
  } catch (const EDataFileBufferAllocation&) {
    return; // nothing buffered, or more than the bound allows
  }
  const int64_t Records = std::min(File.FileInfo()->NrDataRecords(), Limit);
  for (int64_t r = 0; r < Records; ++r) {
    File.ReadRecord(r);
    CHECK(File.BufferedRecord() == r);
    long Sum = 0;
    for (int32_t s = 0; s < File.SignalCount(); ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
      if (Signal.BufferOffset() < 0)
        continue;
      CHECK(Signal.BufferOffset() + Signal.NrSamples() <= static_cast<int64_t>(Buffer.size()));
      for (int64_t k = 0; k < Signal.NrSamples(); ++k)
        Sum += Buffer[static_cast<size_t>(Signal.BufferOffset() + k)];
    }
    (void)Sum;
  }
}

void Examine(const std::string& Path, bool Strict) {
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(Strict);
  File.SetAcceptBDF(true); // BDF headers by their own rules
  File.Open();
  CHECK(File.Active());
  CHECK(File.FileInfo() != nullptr);
  if (!File.Valid()) {
    CHECK(File.Status() == esGeneralHeaderInvalid || File.Status() == esSignalHeadersInvalid);
    CHECK(File.FileInfo()->NrDataRecords() == 0);
    try {
      File.ReadRecord(0);
      Fail("record read from a file that is not valid", __LINE__);
    } catch (const EDataFileReadData&) {
    }
    return;
  }
  CHECK(File.FileInfo()->NrDataRecords() >= 0);
  try {
    (void)File.IsValid();
  } catch (const EDataFileBufferAllocation&) {
  }
  ReadRecords(File, 256);
  // Every signal on its own, as an export reads it.
  const int32_t Count = File.SignalCount();
  if (Count <= 16) {
    for (int32_t Only = 0; Only < Count; ++Only) {
      for (int32_t s = 0; s < Count; ++s)
        File.GetSignal(s)->SetReadData(s == Only);
      CHECK(File.GetSignal(Only)->BufferOffset() == 0);
      ReadRecords(File, 8);
    }
  }
  File.Close();
  CHECK(!File.Active());
}

// The EDF+ annotation reader: every fault lies inside its record's annotation bytes, and every
// record has its onset slot.
void ExaminePlus(const std::string& Path, size_t Size) {
  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  if (!Plus.Readable || Plus.AnnotationSignals.empty()) {
    CHECK(Plus.Annotations.empty() && Plus.Faults.empty());
    return;
  }
  CHECK(static_cast<int64_t>(Plus.RecordOnsets.size()) == Plus.NrDataRecords);
  for (const TEDFPlusFault& Fault : Plus.Faults) {
    CHECK(Fault.Record >= 0 && Fault.Record < Plus.NrDataRecords);
    CHECK(Plus.IsAnnotationSignal(Fault.Signal));
    CHECK(Fault.Offset >= 0 && Fault.FilePosition < static_cast<int64_t>(Size));
    CHECK(!Fault.Message().empty());
  }
  for (const TEDFAnnotation& A : Plus.Annotations)
    CHECK(!A.Text.empty() && A.Record < Plus.NrDataRecords);
  CHECK(Plus.InTimeOrder().size() == Plus.Annotations.size());
  (void)Plus.RecordDeviations();
}

// Marks the whole header modified on a read-write copy and lets Close write it back.
void WriteBack(TMemoryFile& Copy, const uint8_t* Data, size_t Size) {
  Copy.Fill(Data, Size);
  {
    TEDFFile File;
    File.SetFileName(Copy.Path());
    File.SetStrict(false);
    File.Open();
    File.FileInfo()->SetModified(true);
    for (int32_t s = 0; s < File.SignalCount(); ++s)
      File.GetSignal(s)->SetModified(true);
    try {
      File.Close();
    } catch (const EConvertError&) {
      // a value that does not fit its field is refused before anything is written
    }
    CHECK(!File.Active());
  }
  Examine(Copy.Path(), false);
}

// The findings agree with the verdict and stay inside the file; the reports form; a repaired copy
// is valid under strict reading and holds every whole record.
void Check(const std::string& Path) {
  const TEDFFindings F = CollectFindings(Path);
  CHECK(F.Error.empty());
  for (const TEDFFinding& Finding : F.Findings) {
    CHECK(static_cast<int>(Finding.Raw.size()) == Finding.Width);
    CHECK(Finding.Offset + Finding.Width <= F.FileSize);
    CHECK(!Finding.Problem.empty());
    CHECK(F.Verdict != TEDFVerdict::Valid || !Finding.Counts);
  }
  CHECK(!FindingsText(F).empty());
  CHECK(!FindingsJson(F).empty());

  // Repaired copies go to the disk: the engine writes under a name in its output folder,
  // removed again when the run ends.
  static const std::string Out = [] {
    char Pattern[] = "/tmp/edf-fuzz-repair-XXXXXX";
    CHECK(::mkdtemp(Pattern) != nullptr);
    return std::string(Pattern);
  }();
  static const bool RemovedAtExit = [] {
    return std::atexit([] { std::filesystem::remove_all(Out); }) == 0;
  }();
  (void)RemovedAtExit;
  const TEDFRepair R = RepairFile(Path, Out);
  CHECK(!RepairText(R).empty());
  if (F.Verdict != TEDFVerdict::Lenient) {
    CHECK(R.Outcome != TEDFRepairOutcome::Repaired);
    return;
  }
  if (R.Outcome != TEDFRepairOutcome::Repaired)
    return; // a duration or limit that our writer cannot put in 8 characters, or a layout
            // that misses the recommendations
  const TEDFFindings Copy = CollectFindings(R.Output);
  // What repair reports as not repaired (EDF+ requirements, faults inside the records) stays.
  CHECK(Copy.Verdict == TEDFVerdict::Valid || !R.NotRepaired.empty());
  CHECK(Copy.Records == F.Records);
  ::unlink(R.Output.c_str());
}

} // namespace

// Headers promising hundreds or thousands of signals take the sanitized build seconds per
// input (every signal record is made even without a signal block) and reach no other code;
// the unit tests open 9999 signals. The fuzzer spends its time elsewhere.
bool TooManySignals(const uint8_t* Data, size_t Size) {
  if (Size < 256)
    return false;
  int32_t Count = 0;
  const std::string Text(reinterpret_cast<const char*>(Data) + 252, 4);
  return TryStrToInt(Trim(Text), Count) && Count > 256;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (TooManySignals(Data, Size))
    return 0;
  static TMemoryFile Input("edf-fuzz-input");
  static TMemoryFile Copy("edf-fuzz-copy");
  Input.Fill(Data, Size);
  Examine(Input.Path(), true);
  Examine(Input.Path(), false);
  ExaminePlus(Input.Path(), Size);
  Check(Input.Path());
  WriteBack(Copy, Data, Size);
  return 0;
}
