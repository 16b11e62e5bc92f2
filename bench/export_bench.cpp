// Exports one 256 Hz signal of a 24-hour, 20-signal recording with one-second records (86400
// records) twice in the same run: with the program in batch mode, and with a plain reference
// exporter (one pread per record, std::to_chars, large writes). Both must produce the same
// data file. Prints the time ratio and the program's peak memory.
//
// The recording's header is written by our own EDF writer; the data area is a sparse file in
// which only the exported signal's samples are written, so the fixture costs 44 MB of disk
// instead of 885 MB. Neither exporter reads the other signals.
#include "edf/uEDF.h"
#include "support/udStr.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace velastrin;

constexpr int SignalCount = 20;
constexpr int SamplesPerRecord = 256;
constexpr int64_t RecordCount = 86400;
constexpr int ExportedSignal = 7; // 0-based; signal number 8 on the command line
constexpr int64_t RecordSamples = int64_t{SignalCount} * SamplesPerRecord;

struct TFixture {
  std::filesystem::path Dir;
  std::string Input;
  int64_t HeaderBytes = 0;
  double ProgramSeconds = 0;
  double ReferenceSeconds = 0;
  long ProgramPeakKiB = 0;
  double ProgramCpuSeconds = 0;
  double ReferenceCpuSeconds = 0;
  int ProgramRuns = 0;
  int ReferenceRuns = 0;
};

TFixture& Fixture() {
  static TFixture F;
  return F;
}

int16_t SampleValue(int64_t Record, int i) {
  // An EEG-like mixture: a 10 Hz rhythm, a slow wave and a little pseudo-random noise.
  const double T = static_cast<double>(Record) + i / 256.0;
  const uint32_t Noise = static_cast<uint32_t>((Record * 256 + i) * 2654435761u) >> 22;
  return static_cast<int16_t>(800 * std::sin(2 * 3.14159265358979 * 10 * T) +
                              300 * std::sin(2 * 3.14159265358979 * 0.7 * T) +
                              static_cast<double>(Noise) - 512);
}

void MakeRecording() {
  TFixture& F = Fixture();
  const char* Base = std::getenv("VELASTRIN_BENCH_DIR");
  F.Dir = std::filesystem::path(Base ? Base : std::filesystem::temp_directory_path().string()) /
          ("velastrin-export-bench-" + std::to_string(::getpid()));
  std::filesystem::create_directories(F.Dir);
  F.Input = (F.Dir / "day.edf").string();
  {
    TEDFFile File;
    File.SetFileName(F.Input);
    File.CreateNew(SignalCount, true);
    TCustomEDFFileInfo& Info = *File.FileInfo();
    Info.SetPatient("X-0001 M 01-JAN-1970 Bench_Subject");
    Info.SetRecording("Startdate 07-DEC-2026 BENCH-24H NN Velastrin_bench");
    Info.SetStartDateTime(EncodeDate(2026, 12, 7) + EncodeTime(8, 0, 0, 0));
    Info.SetReserved("");
    Info.SetSampleRecDuration(1);
    for (int i = 0; i < SignalCount; ++i) {
      TCustomEDFSignalInfo& S = *File.GetSignal(i);
      S.SetSignalLabel("EEG " + std::to_string(i + 1));
      S.SetTransducertype("AgAgCl electrode");
      S.SetPhysidim("uV");
      S.SetPhysimin(-3276.8L);
      S.SetPhysimax(3276.7L);
      S.SetDigimin(-32768);
      S.SetDigimax(32767);
      S.SetPrefilter("HP:0.1Hz LP:100Hz");
      S.SetNrSamples(SamplesPerRecord);
      S.SetReserved("");
    }
    File.WriteHeader();
    F.HeaderBytes = Info.HeaderBytes();
    File.Close();
  }
  const int Handle = ::open(F.Input.c_str(), O_RDWR);
  // The record count as the header states it once all records are there.
  const std::string Count =
      PadRight(std::to_string(RecordCount), GeneralFieldWidth(TGeneralField::NrDataRecords));
  ::pwrite(Handle, Count.data(), Count.size(), GeneralFieldOffset(TGeneralField::NrDataRecords));
  if (::ftruncate(Handle, F.HeaderBytes + RecordCount * RecordSamples * 2) != 0)
    std::abort();
  std::vector<int16_t> Samples(SamplesPerRecord);
  for (int64_t r = 0; r < RecordCount; ++r) {
    for (int i = 0; i < SamplesPerRecord; ++i)
      Samples[static_cast<std::size_t>(i)] = SampleValue(r, i);
    const int64_t Position =
        F.HeaderBytes + (r * RecordSamples + int64_t{ExportedSignal} * SamplesPerRecord) * 2;
    ::pwrite(Handle, Samples.data(), Samples.size() * 2, Position);
  }
  ::close(Handle);
}

// The plain exporter: one pread per record, std::to_chars into a large buffer, large writes.
void ReferenceExport(const std::string& Output) {
  const TFixture& F = Fixture();
  const int In = ::open(F.Input.c_str(), O_RDONLY);
  const int Out = ::open(Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  std::vector<char> Buffer(1 << 20);
  std::size_t Used = 0;
  int16_t Samples[SamplesPerRecord];
  for (int64_t r = 0; r < RecordCount; ++r) {
    const int64_t Position =
        F.HeaderBytes + (r * RecordSamples + int64_t{ExportedSignal} * SamplesPerRecord) * 2;
    if (::pread(In, Samples, sizeof Samples, Position) != static_cast<ssize_t>(sizeof Samples))
      std::abort();
    if (Buffer.size() - Used < SamplesPerRecord * 7) {
      if (::write(Out, Buffer.data(), Used) != static_cast<ssize_t>(Used))
        std::abort();
      Used = 0;
    }
    for (int i = 0; i < SamplesPerRecord; ++i) {
      Used = static_cast<std::size_t>(
          std::to_chars(Buffer.data() + Used, Buffer.data() + Buffer.size(), Samples[i]).ptr -
          Buffer.data());
      if (i + 1 < SamplesPerRecord || r + 1 < RecordCount)
        Buffer[Used++] = ',';
    }
  }
  if (::write(Out, Buffer.data(), Used) != static_cast<ssize_t>(Used))
    std::abort();
  ::close(Out);
  ::close(In);
}

double CpuSeconds(const rusage& Usage) {
  return static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
         static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

double SelfCpuSeconds() {
  rusage Usage{};
  ::getrusage(RUSAGE_SELF, &Usage);
  return CpuSeconds(Usage);
}

// Runs the program in batch mode without a display; returns its peak resident memory.
long ProgramExport(const std::string& Info, const std::string& Data) {
  const TFixture& F = Fixture();
  const std::string Exe = VELASTRIN_EXE;
  const std::string Signal = std::to_string(ExportedSignal + 1);
  std::vector<std::string> Args = {Exe, F.Input, Signal, Info, Data, "/COMMA", "/BATCH"};
  std::vector<char*> Argv;
  for (std::string& A : Args)
    Argv.push_back(A.data());
  Argv.push_back(nullptr);
  std::vector<std::string> EnvText;
  for (char** E = environ; *E; ++E) {
    const std::string V = *E;
    if (V.rfind("DISPLAY=", 0) != 0 && V.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
        V.rfind("QT_QPA_PLATFORM=", 0) != 0)
      EnvText.push_back(V);
  }
  std::vector<char*> Envp;
  for (std::string& V : EnvText)
    Envp.push_back(V.data());
  Envp.push_back(nullptr);
  pid_t Pid = 0;
  if (::posix_spawn(&Pid, Exe.c_str(), nullptr, nullptr, Argv.data(), Envp.data()) != 0)
    std::abort();
  int Status = 0;
  rusage Usage{};
  ::wait4(Pid, &Status, 0, &Usage);
  if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) {
    std::fprintf(stderr, "velastrin ended with status %d\n", WEXITSTATUS(Status));
    std::abort();
  }
  Fixture().ProgramCpuSeconds += CpuSeconds(Usage);
  return Usage.ru_maxrss; // KiB on Linux
}

std::string ReadAll(const std::filesystem::path& P) {
  std::ifstream In(P, std::ios::binary);
  std::ostringstream S;
  S << In.rdbuf();
  return S.str();
}

void BM_ProgramBatchExport(benchmark::State& State) {
  TFixture& F = Fixture();
  for (auto _ : State) {
    const auto Start = std::chrono::steady_clock::now();
    const long Peak =
        ProgramExport((F.Dir / "info.txt").string(), (F.Dir / "program.txt").string());
    F.ProgramSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    ++F.ProgramRuns;
    F.ProgramPeakKiB = std::max(F.ProgramPeakKiB, Peak);
  }
  State.counters["peak_MiB"] = static_cast<double>(F.ProgramPeakKiB) / 1024.0;
}

void BM_ReferenceExport(benchmark::State& State) {
  TFixture& F = Fixture();
  for (auto _ : State) {
    const auto Start = std::chrono::steady_clock::now();
    const double CpuStart = SelfCpuSeconds();
    ReferenceExport((F.Dir / "reference.txt").string());
    F.ReferenceCpuSeconds += SelfCpuSeconds() - CpuStart;
    F.ReferenceSeconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    ++F.ReferenceRuns;
  }
}

BENCHMARK(BM_ReferenceExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ProgramBatchExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  MakeRecording();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  TFixture& F = Fixture();
  int Result = 0;
  if (F.ProgramRuns > 0 && F.ReferenceRuns > 0) {
    const std::string Program = ReadAll(F.Dir / "program.txt");
    const bool Same = Program == ReadAll(F.Dir / "reference.txt");
    const double Ratio =
        (F.ProgramSeconds / F.ProgramRuns) / (F.ReferenceSeconds / F.ReferenceRuns);
    std::printf("data file: %zu bytes, %s\n", Program.size(),
                Same ? "identical to the reference" : "DIFFERS from the reference");
    std::printf("time ratio program / reference: %.2f (target <= 1.30)\n", Ratio);
    std::printf("CPU time ratio program / reference: %.2f (%.3f s / %.3f s per export)\n",
                (F.ProgramCpuSeconds / F.ProgramRuns) / (F.ReferenceCpuSeconds / F.ReferenceRuns),
                F.ProgramCpuSeconds / F.ProgramRuns, F.ReferenceCpuSeconds / F.ReferenceRuns);
    std::printf("program peak memory: %.1f MiB (target <= 64)\n", F.ProgramPeakKiB / 1024.0);
    Result = Same ? 0 : 1;
  }
  if (!std::getenv("VELASTRIN_BENCH_KEEP")) {
    std::error_code Ignored;
    std::filesystem::remove_all(F.Dir, Ignored);
  }
  return Result;
}
