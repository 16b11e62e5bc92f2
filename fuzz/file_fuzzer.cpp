// Fuzz target of the file object, fed through an in-memory file. Any byte sequence opens
// (EDF or BDF) read-only, strict and lenient, without a crash, a hang or unbounded memory: either
// valid, or not valid with Status 1 or 2 and no records; what strict reading accepts, lenient
// reading accepts with the same records. Every record and every signal of a valid file reads inside
// the buffer, and the header written back to a copy reads back to the same values.
#include "edf/uEDF.h"
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace velastrin;

// Reads records with the current buffering; every buffered signal lies inside the buffer.
void ReadRecords(TEDFFile& File, int64_t Limit) {
  // Records of many MiB are fine input but would only slow the search down; the buffer bound
  // itself is covered by the unit tests.
  if (File.RecordSamples() > (int64_t{1} << 22))
    return;
  // BDF's 3-byte samples come in the wide buffer.
  size_t BufferSize = 0;
  try {
    BufferSize =
        File.SampleBytes() == 3 ? File.GetWideDataBuffer().size() : File.GetDataBuffer().size();
  } catch (const EDataFileBufferAllocation&) {
    return; // nothing buffered, or more than the bound allows
  }
  const int64_t Records = std::min(File.FileInfo()->NrDataRecords(), Limit);
  for (int64_t r = 0; r < Records; ++r) {
    File.ReadRecord(r);
    FUZZ_CHECK(File.BufferedRecord() == r);
    for (int32_t s = 0; s < File.SignalCount(); ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
      if (Signal.BufferOffset() >= 0)
        FUZZ_CHECK(Signal.BufferOffset() + Signal.NrSamples() <= static_cast<int64_t>(BufferSize));
    }
  }
  try {
    File.ReadRecord(File.FileInfo()->NrDataRecords());
    FUZZ_CHECK(!"a record past the last one was read");
  } catch (const EDataFile&) {
  }
}

// Opens Path read-only; returns the record count, or -1 when the file is not valid.
int64_t Examine(const std::string& Path, bool Strict) {
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(Strict);
  File.SetAcceptBDF(true);
  File.Open();
  FUZZ_CHECK(File.Active() && File.FileInfo() != nullptr);
  if (!File.Valid()) {
    FUZZ_CHECK(File.Status() == esGeneralHeaderInvalid || File.Status() == esSignalHeadersInvalid);
    FUZZ_CHECK(File.FileInfo()->NrDataRecords() == 0);
    try {
      File.ReadRecord(0);
      FUZZ_CHECK(!"a record was read from a file that is not valid");
    } catch (const EDataFileReadData&) {
    }
    return -1;
  }
  const int64_t Records = File.FileInfo()->NrDataRecords();
  FUZZ_CHECK(Records >= 0);
  ReadRecords(File, 64);
  // Every signal on its own, as an export reads it.
  const int32_t Count = File.SignalCount();
  if (Count <= 16) {
    for (int32_t Only = 0; Only < Count; ++Only) {
      for (int32_t s = 0; s < Count; ++s)
        File.GetSignal(s)->SetReadData(s == Only);
      FUZZ_CHECK(File.GetSignal(Only)->BufferOffset() == 0);
      ReadRecords(File, 4);
    }
  }
  File.Close();
  FUZZ_CHECK(!File.Active());
  return Records;
}

// The header values lenient reading took, as the writer puts them back.
struct THeaderValues {
  bool Valid = false;
  bool PlainSeparators = true;
  long double Duration = 0;
  TDateTime Start = 0;
  std::vector<int32_t> Samples;
  std::vector<int32_t> Digital; // Digimin, Digimax of every signal
  std::vector<long double> Physical;
};

THeaderValues ValuesOf(TEDFFile& File) {
  THeaderValues V;
  V.Valid = File.Valid();
  if (!V.Valid)
    return V;
  V.PlainSeparators =
      File.FileInfo()->DecimalSeparator() == '.' && File.FileInfo()->ThousandSeparator() == 0;
  V.Duration = File.FileInfo()->SampleRecDuration();
  V.Start = File.FileInfo()->StartDateTime();
  for (int32_t s = 0; s < File.SignalCount(); ++s) {
    const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
    V.Samples.push_back(Signal.NrSamples());
    V.Digital.insert(V.Digital.end(), {Signal.Digimin(), Signal.Digimax()});
    V.Physical.insert(V.Physical.end(), {Signal.Physimin(), Signal.Physimax()});
  }
  return V;
}

// A decimal field holds 8 characters: the value read back is the written one to that precision.
bool Near(long double A, long double B) {
  return std::fabs(A - B) <= 1e-5L * std::max(1.0L, std::fabs(A));
}

// Marks the whole header modified on a read-write copy and lets Close write it back. A header
// lenient reading took reads back to the same values; one strict reading took, still strictly.
void WriteBack(fuzz::TMemoryFile& Copy, const uint8_t* Data, size_t Size, bool WasStrict) {
  Copy.Fill(Data, Size);
  THeaderValues Before;
  {
    TEDFFile File;
    File.SetFileName(Copy.Path());
    File.SetStrict(false);
    File.SetAcceptBDF(true);
    File.Open();
    Before = ValuesOf(File);
    File.FileInfo()->SetModified(true);
    for (int32_t s = 0; s < File.SignalCount(); ++s)
      File.GetSignal(s)->SetModified(true);
    try {
      File.Close();
    } catch (const EConvertError&) {
      // a value that does not fit its field is refused before anything is written
      Before.Valid = false;
    }
    FUZZ_CHECK(!File.Active());
  }
  Examine(Copy.Path(), false);
  if (!Before.Valid)
    return;
  TEDFFile File;
  File.SetFileName(Copy.Path());
  File.SetReadOnly(true);
  File.SetStrict(WasStrict);
  File.SetAcceptBDF(true);
  File.Open();
  const THeaderValues After = ValuesOf(File);
  FUZZ_CHECK(After.Valid);
  FUZZ_CHECK(After.Samples == Before.Samples && After.Digital == Before.Digital);
  // The writer keeps the separators lenient reading found: "1,0" goes back as "1" but "100,5"
  // stays, and reading the copy finds no separator to guess from. Only a header with the plain
  // separators keeps its physical limits on the way back.
  if (!Before.PlainSeparators)
    return;
  FUZZ_CHECK(Near(Before.Duration, After.Duration));
  FUZZ_CHECK(std::fabs(Before.Start - After.Start) < 0.5 / 86400);
  for (size_t i = 0; i < Before.Physical.size(); ++i)
    FUZZ_CHECK(Near(Before.Physical[i], After.Physical[i]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (fuzz::TooManySignals(Data, Size))
    return 0;
  static fuzz::TMemoryFile Input("file-fuzz-input");
  static fuzz::TMemoryFile Copy("file-fuzz-copy");
  Input.Fill(Data, Size);
  const int64_t Strict = Examine(Input.Path(), true);
  const int64_t Lenient = Examine(Input.Path(), false);
  if (Strict >= 0)
    FUZZ_CHECK(Lenient == Strict);
  WriteBack(Copy, Data, Size, Strict >= 0);
  return 0;
}
