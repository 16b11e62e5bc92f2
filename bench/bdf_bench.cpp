// BDF against EDF (not a test): a 24-hour, 20-signal recording with one-second records of 512
// samples per signal, once as EDF and once as BDF holding the same values (within 16 bits).
//  - `velastrin export --signal 8` of each file as a whole process, interleaved, the BDF time
//    as a ratio to the EDF time of the same round, and each process's peak memory;
//  - the window preview's envelope of that signal in the BDF file, in this process.
//
// Headers come from our own writer; the data areas are sparse files in which only the exported
// signal's samples are written (88 and 133 MB on disk). Outputs go beside the inputs, on the
// same disk. The files are in the page cache when timed.
#include "edf/uEDF.h"
#include "edf/uSignalEnvelope.h"
#include "testsupport/TestRecording.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace velastrin;
using TClock = std::chrono::steady_clock;

constexpr int SignalCount = 20;
constexpr int SamplesPerRecord = 512;
constexpr int64_t RecordCount = 86400;
constexpr int ExportedSignal = 8; // 1-based
constexpr int Runs = 7;

int16_t SampleValue(int64_t Record, int i) {
  const double T = static_cast<double>(Record) + i / 512.0;
  return static_cast<int16_t>(800 * std::sin(2 * 3.14159265358979 * 10 * T) +
                              300 * std::sin(2 * 3.14159265358979 * 0.01 * T));
}

// The recording in Format at Path with only the exported signal's samples written.
void MakeRecording(const std::string& Path, TEDFFormat Format) {
  const bool BDF = Format == TEDFFormat::BDF;
  const int Width = SampleBytes(Format);
  const int64_t HeaderBytes = test::CreateSizedRecording(
      Path,
      {.Patient = "X-0001 M 01-JAN-1970 Bench_Subject",
       .Recording = "Startdate 07-DEC-2026 BENCH-24H NN Velastrin_bench",
       .Start = EncodeDate(2026, 12, 7) + EncodeTime(8, 0, 0, 0),
       .Reserved = BDF ? "24BIT" : "",
       .Signals = test::NumberedSignals(SignalCount,
                                        {.PhysMin = -3276.8L,
                                         .PhysMax = 3276.7L,
                                         .DigMin = BDF ? -8388608 : -32768,
                                         .DigMax = BDF ? 8388607 : 32767,
                                         .Samples = SamplesPerRecord},
                                        "EEG "),
       .Format = Format},
      RecordCount);
  const int Handle = ::open(Path.c_str(), O_WRONLY | O_CLOEXEC);
  std::vector<unsigned char> Bytes(static_cast<std::size_t>(SamplesPerRecord * Width));
  const int64_t RecordBytes = int64_t{SignalCount} * SamplesPerRecord * Width;
  for (int64_t r = 0; r < RecordCount && Handle >= 0; ++r) {
    for (int i = 0; i < SamplesPerRecord; ++i) {
      const auto V = static_cast<uint32_t>(int32_t{SampleValue(r, i)});
      for (int b = 0; b < Width; ++b)
        Bytes[static_cast<std::size_t>(i * Width + b)] = static_cast<unsigned char>(V >> (8 * b));
    }
    const int64_t Position =
        HeaderBytes + r * RecordBytes + int64_t{ExportedSignal - 1} * SamplesPerRecord * Width;
    if (::pwrite(Handle, Bytes.data(), Bytes.size(), Position) !=
        static_cast<ssize_t>(Bytes.size()))
      std::abort();
  }
  if (Handle < 0)
    std::abort();
  ::close(Handle);
}

struct TRun {
  double Seconds = 0;
  long PeakKiB = 0;
};

// One whole process, its wall time and peak resident memory.
TRun RunProcess(const std::vector<std::string>& Args) {
  std::vector<char*> Argv;
  for (const std::string& A : Args)
    Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  const auto Start = TClock::now();
  const pid_t Child = ::fork();
  if (Child == 0) {
    const int Null = ::open("/dev/null", O_WRONLY);
    ::dup2(Null, STDERR_FILENO);
    ::execv(Argv[0], Argv.data());
    ::_exit(127);
  }
  int Status = 0;
  struct rusage Usage {};
  ::wait4(Child, &Status, 0, &Usage);
  const double Seconds = std::chrono::duration<double>(TClock::now() - Start).count();
  if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) {
    std::fprintf(stderr, "%s failed\n", Args.back().c_str());
    std::exit(1);
  }
  return {Seconds, Usage.ru_maxrss};
}

void Warm(const std::string& Path) {
  const int Handle = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<char> Buffer(1 << 20);
  while (Handle >= 0 && ::read(Handle, Buffer.data(), Buffer.size()) > 0) {
  }
  ::close(Handle);
}

void Report(const char* What, std::vector<double> Values, const char* Unit) {
  std::sort(Values.begin(), Values.end());
  std::printf("%-34s min %.3f  median %.3f  max %.3f%s\n", What, Values.front(),
              Values[Values.size() / 2], Values.back(), Unit);
}

} // namespace

int main() {
  const char* Dir = std::getenv("VELASTRIN_BENCH_DIR");
  const std::filesystem::path Folder = Dir ? Dir : "/tmp/velastrin-bdf-bench";
  std::filesystem::create_directories(Folder / "out");
  const std::string EDF = (Folder / "day.edf").string();
  const std::string BDF = (Folder / "day.bdf").string();
  if (!std::filesystem::exists(EDF))
    MakeRecording(EDF, TEDFFormat::EDF);
  if (!std::filesystem::exists(BDF))
    MakeRecording(BDF, TEDFFormat::BDF);
  Warm(EDF);
  Warm(BDF);

  std::string Load;
  if (std::FILE* L = std::fopen("/proc/loadavg", "r")) {
    char Text[64] = {};
    if (std::fgets(Text, sizeof Text, L))
      Load = Text;
    std::fclose(L);
  }
  std::printf("load before: %s", Load.c_str());

  const std::string Out = (Folder / "out").string();
  auto Export = [&](const std::string& Input) {
    return RunProcess(
        // The EDF and BDF recordings share the output names: each run replaces the last.
        {VELASTRIN_EXE, "export", "--signal", std::to_string(ExportedSignal), "--overwrite",
         "--out", Out, Input});
  };
  std::vector<double> Ratios, EDFTimes, BDFTimes, EDFPeak, BDFPeak;
  for (int r = 0; r < Runs; ++r) {
    const TRun A = Export(EDF);
    const TRun B = Export(BDF);
    EDFTimes.push_back(A.Seconds);
    BDFTimes.push_back(B.Seconds);
    Ratios.push_back(B.Seconds / A.Seconds);
    EDFPeak.push_back(static_cast<double>(A.PeakKiB) / 1024);
    BDFPeak.push_back(static_cast<double>(B.PeakKiB) / 1024);
  }
  Report("export EDF", EDFTimes, " s");
  Report("export BDF", BDFTimes, " s");
  Report("export BDF / EDF (target <= 1.3)", Ratios, "");
  Report("peak memory EDF export", EDFPeak, " MiB");
  Report("peak memory BDF export", BDFPeak, " MiB");

  std::vector<double> Envelope;
  for (int r = 0; r < Runs; ++r) {
    const auto Start = TClock::now();
    const auto Result = ComputeSignalEnvelope(BDF, ExportedSignal - 1, 1000);
    Envelope.push_back(std::chrono::duration<double>(TClock::now() - Start).count());
    if (!Result || Result->Columns.size() != 1000)
      return 1;
  }
  Report("BDF envelope, 1000 columns (<= 0.3)", Envelope, " s");
  struct rusage Self {};
  ::getrusage(RUSAGE_SELF, &Self);
  std::printf("peak memory of this process (envelopes): %.1f MiB\n",
              static_cast<double>(Self.ru_maxrss) / 1024);
  return 0;
}
