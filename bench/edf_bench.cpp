// Benchmarks of the EDF file object. The read benchmark and its plain pread twin run in the
// same process over the same bytes; the program ends with the ratio of the two, which should
// stay at or below 1.2.
#include "edf/uEDF.h"
#include "testsupport/TestRecording.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace velastrin;

constexpr int32_t ReadSignals = 20;
constexpr int32_t ReadSamples = 256; // per signal and 1-second record
constexpr int32_t ReadRecords = 4000;
constexpr int32_t ExportedSignal = 7;
constexpr int32_t HeaderSignals = 512;

// Files written once by our own writer into a private folder, removed at exit.
struct TFixtures {
  std::string Dir;
  std::string Wide;  // 512 signals, 10 records
  std::string Night; // 20 signals, 4000 records

  TFixtures() {
    char Pattern[] = "/tmp/edf-bench-XXXXXX";
    if (!::mkdtemp(Pattern))
      std::abort();
    Dir = Pattern;
    Wide = Dir + "/wide.edf";
    Night = Dir + "/night.edf";
    Make(Wide, HeaderSignals, 4, 10);
    Make(Night, ReadSignals, ReadSamples, ReadRecords);
  }
  ~TFixtures() {
    std::error_code Ignored;
    std::filesystem::remove_all(Dir, Ignored);
  }

  static void Make(const std::string& Path, int32_t Signals, int32_t Samples, int32_t Records) {
    TEDFFile File;
    test::CreateRecording(
        File, Path,
        {.Signals = test::NumberedSignals(
             Signals, {.Transducer = "Electrode", .Prefilter = "None", .Samples = Samples},
             "Channel ", 0)});
    for (int32_t r = 0; r < Records; ++r) {
      TDynSmallIntArray Buffer = File.GetDataBuffer();
      for (std::size_t i = 0; i < Buffer.size(); ++i)
        Buffer[i] = static_cast<int16_t>(r + static_cast<int32_t>(i));
      File.WriteRecord(r);
    }
  }
};

TFixtures& Fixtures() {
  static TFixtures Instance;
  return Instance;
}

void BM_OpenAndValidate512Signals(benchmark::State& State) {
  const std::string& Path = Fixtures().Wide;
  for (auto _ : State) {
    TEDFFile File;
    File.SetFileName(Path);
    File.SetReadOnly(true);
    File.SetStrict(false);
    File.SetActive(true);
    benchmark::DoNotOptimize(File.IsValid());
  }
}
BENCHMARK(BM_OpenAndValidate512Signals)->Unit(benchmark::kMicrosecond);

// One pass over the file: the exported signal's samples of every record, summed so that
// nothing is optimised away.
void BM_ReadOneSignal_FileObject(benchmark::State& State) {
  TEDFFile File;
  File.SetFileName(Fixtures().Night);
  File.SetReadOnly(true);
  File.SetStrict(false);
  File.SetActive(true);
  if (!File.IsValid())
    State.SkipWithError("fixture not valid");
  for (int32_t s = 0; s < File.SignalCount(); ++s)
    File.GetSignal(s)->SetReadData(s == ExportedSignal);
  const TDynSmallIntArray Buffer = File.GetDataBuffer();
  const int16_t* Samples = Buffer.data();
  const int64_t Records = File.FileInfo()->NrDataRecords();
  for (auto _ : State) {
    long Sum = 0;
    for (int64_t r = 0; r < Records; ++r) {
      File.ReadRecord(r);
      for (int32_t k = 0; k < ReadSamples; ++k)
        Sum += Samples[k];
    }
    benchmark::DoNotOptimize(Sum);
  }
  State.SetItemsProcessed(State.iterations() * Records * ReadSamples);
}
BENCHMARK(BM_ReadOneSignal_FileObject)->Unit(benchmark::kMillisecond);

void BM_ReadOneSignal_PlainPread(benchmark::State& State) {
  const int Handle = ::open(Fixtures().Night.c_str(), O_RDONLY | O_CLOEXEC);
  if (Handle < 0)
    State.SkipWithError("cannot open fixture");
  const int64_t HeaderBytes = 256 * (ReadSignals + 1);
  const int64_t RecordBytes = 2 * ReadSignals * ReadSamples;
  const int64_t Offset = 2 * ExportedSignal * ReadSamples;
  std::vector<int16_t> Buffer(ReadSamples);
  for (auto _ : State) {
    long Sum = 0;
    for (int64_t r = 0; r < ReadRecords; ++r) {
      if (::pread(Handle, Buffer.data(), 2 * ReadSamples, HeaderBytes + r * RecordBytes + Offset) !=
          2 * ReadSamples)
        State.SkipWithError("short read");
      for (int32_t k = 0; k < ReadSamples; ++k)
        Sum += Buffer[static_cast<std::size_t>(k)];
    }
    benchmark::DoNotOptimize(Sum);
  }
  State.SetItemsProcessed(State.iterations() * ReadRecords * ReadSamples);
  ::close(Handle);
}
BENCHMARK(BM_ReadOneSignal_PlainPread)->Unit(benchmark::kMillisecond);

// Prints the usual table and remembers the best wall and CPU times of each benchmark over its
// repetitions (the machine may be shared; the best run is the least disturbed one).
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  struct TBest {
    double Real = 0;
    double Cpu = 0;
  };
  void ReportRuns(const std::vector<Run>& Reports) override {
    for (const Run& R : Reports) {
      if (R.run_type != Run::RT_Iteration || R.error_occurred)
        continue;
      const std::string Name = R.run_name.function_name;
      auto [Entry, Fresh] =
          Best.try_emplace(Name, TBest{R.GetAdjustedRealTime(), R.GetAdjustedCPUTime()});
      if (!Fresh) {
        Entry->second.Real = std::min(Entry->second.Real, R.GetAdjustedRealTime());
        Entry->second.Cpu = std::min(Entry->second.Cpu, R.GetAdjustedCPUTime());
      }
    }
    ConsoleReporter::ReportRuns(Reports);
  }
  std::map<std::string, TBest> Best;
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  Fixtures();
  TRatioReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  const auto Object = Reporter.Best.find("BM_ReadOneSignal_FileObject");
  const auto Plain = Reporter.Best.find("BM_ReadOneSignal_PlainPread");
  if (Object != Reporter.Best.end() && Plain != Reporter.Best.end() && Plain->second.Real > 0 &&
      Plain->second.Cpu > 0)
    std::printf("Reading one signal, file object / plain pread: wall time %.3f, CPU time %.3f "
                "(target <= 1.2)\n",
                Object->second.Real / Plain->second.Real, Object->second.Cpu / Plain->second.Cpu);
  benchmark::Shutdown();
  return 0;
}
