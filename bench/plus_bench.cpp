// Benchmark of the EDF+ annotation reader (not a test): reading and parsing the annotation
// lists of a 4000-record file against the file object reading the same signal's bytes, in the
// same run. The program ends with the ratio of the two.
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"
#include "testsupport/TestRecording.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace {

using namespace velastrin;

constexpr int32_t Signals = 20;
constexpr int32_t Samples = 256; // per ordinary signal and 1-second record
constexpr int32_t AnnotationSamples = 30;
constexpr int32_t Records = 4000;

// Little-endian samples of TAL bytes, 0x00 filled.
void PutBytes(int16_t* Target, std::string Bytes) {
  Bytes.resize(2 * AnnotationSamples, '\0');
  for (int32_t k = 0; k < AnnotationSamples; ++k)
    Target[k] = static_cast<int16_t>(static_cast<uint8_t>(Bytes[2 * k]) |
                                     static_cast<uint8_t>(Bytes[2 * k + 1]) << 8);
}

struct TFixture {
  std::string Dir;
  std::string Path;

  TFixture() {
    char Pattern[] = "/tmp/edf-plus-bench-XXXXXX";
    if (!::mkdtemp(Pattern))
      std::abort();
    Dir = Pattern;
    Path = Dir + "/night.edf";
    const test::TRecordingSignal Bare{.Transducer = "",
                                      .Dim = "",
                                      .PhysMin = -1,
                                      .PhysMax = 1,
                                      .Prefilter = "",
                                      .Samples = Samples};
    test::TRecordingHeader Header{.Reserved = "EDF+C",
                                  .Signals = test::NumberedSignals(Signals, Bare, "Channel ", 0)};
    Header.Signals.push_back(Bare);
    Header.Signals.back().Label = "EDF Annotations";
    Header.Signals.back().Samples = AnnotationSamples;
    TEDFFile File;
    test::CreateRecording(File, Path, Header);
    for (int32_t r = 0; r < Records; ++r) {
      TDynSmallIntArray Buffer = File.GetDataBuffer();
      std::string Lists = "+" + std::to_string(r) + "\x14\x14";
      Lists += '\0';
      Lists += "+" + std::to_string(r) +
               ".5\x15"
               "1\x14Sleep stage N2\x14";
      Lists += '\0';
      PutBytes(Buffer.data() + Signals * Samples, Lists);
      File.WriteRecord(r);
    }
  }
  ~TFixture() {
    std::error_code Ignored;
    std::filesystem::remove_all(Dir, Ignored);
  }
};

const TFixture& Fixture() {
  static TFixture Instance;
  return Instance;
}

void BM_ReadAnnotations(benchmark::State& State) {
  for (auto _ : State) {
    const TEDFPlusRecording Plus = ReadEDFPlus(Fixture().Path);
    if (Plus.Annotations.size() != Records || !Plus.Faults.empty())
      State.SkipWithError("fixture not read as written");
    benchmark::DoNotOptimize(Plus.InTimeOrder().size());
  }
  State.SetItemsProcessed(State.iterations() * Records);
}
BENCHMARK(BM_ReadAnnotations)->Unit(benchmark::kMillisecond);

// The reference: the same signal's bytes of every record through the file object, opened
// anew each time as the reader does.
void BM_ReadAnnotationSignal_FileObject(benchmark::State& State) {
  for (auto _ : State) {
    TEDFFile File;
    File.SetFileName(Fixture().Path);
    File.SetReadOnly(true);
    File.SetStrict(false);
    File.SetActive(true);
    for (int32_t s = 0; s < File.SignalCount(); ++s)
      File.GetSignal(s)->SetReadData(s == Signals);
    const TDynSmallIntArray Buffer = File.GetDataBuffer();
    long Sum = 0;
    for (int64_t r = 0; r < File.FileInfo()->NrDataRecords(); ++r) {
      File.ReadRecord(r);
      Sum += Buffer[0];
    }
    benchmark::DoNotOptimize(Sum);
  }
  State.SetItemsProcessed(State.iterations() * Records);
}
BENCHMARK(BM_ReadAnnotationSignal_FileObject)->Unit(benchmark::kMillisecond);

// Remembers each benchmark's best wall time over its repetitions (the machine may be shared).
class TBestReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& Reports) override {
    for (const Run& R : Reports)
      if (R.run_type == Run::RT_Iteration && !R.error_occurred) {
        auto [Entry, Fresh] = Best.try_emplace(R.run_name.function_name, R.GetAdjustedRealTime());
        if (!Fresh)
          Entry->second = std::min(Entry->second, R.GetAdjustedRealTime());
      }
    ConsoleReporter::ReportRuns(Reports);
  }
  std::map<std::string, double> Best;
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  Fixture();
  TBestReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  const auto Reader = Reporter.Best.find("BM_ReadAnnotations");
  const auto Object = Reporter.Best.find("BM_ReadAnnotationSignal_FileObject");
  if (Reader != Reporter.Best.end() && Object != Reporter.Best.end() && Object->second > 0)
    std::printf("Annotations of %d records, reader / file object reading the same bytes: wall "
                "time %.3f\n",
                Records, Reader->second / Object->second);
  benchmark::Shutdown();
  return 0;
}
