// Fuzz target of the repair engine: the input comes from an in-memory file, the copy is written
// by name into a scratch folder (the writer makes its file anew there) and read again strictly.
// A file only lenient reading accepts gets a copy strict reading accepts, holding every whole
// record byte for byte, unless a value does not fit its field; any other file gets no copy.
#include "check/uEDFRepair.h"
#include "check/uEDFReport.h"
#include "edf/uEDF.h"
#include "fuzz/fuzz_support.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

using namespace velastrin;

// Opens Path strictly; false when strict reading refuses it, recommendations included.
bool OpenStrict(const std::string& Path, int64_t& Records, int64_t& HeaderBytes,
                int64_t& RecordBytes) {
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(true);
  File.SetAcceptBDF(true);
  File.Open();
  if (!File.IsValid())
    return false;
  Records = File.FileInfo()->NrDataRecords();
  HeaderBytes = File.FileInfo()->HeaderBytes();
  RecordBytes = File.SampleBytes() * File.RecordSamples();
  return true;
}

std::string ReadAll(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (fuzz::TooManySignals(Data, Size))
    return 0;
  static fuzz::TMemoryFile Input("repair-fuzz-input");
  static const std::string Copy = fuzz::ScratchFolder() + "/copy.edf";
  Input.Fill(Data, Size);

  TEDFRepair R;
  const bool Write = JudgeRepair(Input.Path(), R);
  FUZZ_CHECK(Write == (R.Findings.Verdict == TEDFVerdict::Lenient &&
                       R.Outcome != TEDFRepairOutcome::NotRepairable));
  if (!Write) {
    FUZZ_CHECK(!R.Reason.empty() || R.Outcome == TEDFRepairOutcome::AlreadyValid);
    FUZZ_CHECK(!RepairText(R).empty());
    return 0;
  }
  try {
    WriteRepairedCopy(Input.Path(), Copy, R);
  } catch (const EConvertError&) {
    ::unlink(Copy.c_str());
    return 0; // a value our writer cannot put in its field; the engine reports it as failed
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "repair failed: %s\n", Error.what());
    FUZZ_CHECK(!"a file lenient reading accepts was not repaired");
  }
  R.Outcome = TEDFRepairOutcome::Repaired;
  R.Output = Copy;
  FUZZ_CHECK(!RepairText(R).empty());

  int64_t Records = 0, HeaderBytes = 0, RecordBytes = 0;
  FUZZ_CHECK(OpenStrict(Copy, Records, HeaderBytes, RecordBytes));
  FUZZ_CHECK(R.Findings.Records && Records == *R.Findings.Records && Records == R.Records);
  FUZZ_CHECK(RecordBytes == R.Findings.RecordBytes);
  const std::string Written = ReadAll(Copy);
  const size_t DataBytes = static_cast<size_t>(Records * RecordBytes);
  FUZZ_CHECK(Written.size() == static_cast<size_t>(HeaderBytes) + DataBytes);
  const std::string_view Original(reinterpret_cast<const char*>(Data), Size);
  FUZZ_CHECK(Original.substr(static_cast<size_t>(R.Findings.HeaderBytes), DataBytes) ==
             std::string_view(Written).substr(static_cast<size_t>(HeaderBytes)));
  ::unlink(Copy.c_str());
  return 0;
}
