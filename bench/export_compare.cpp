// Side-by-side figures of the export, whole processes, one run: the batch mode and
// "velastrin export" against the plain reference exporter (export_reference) on the same
// recordings, with the floor (reading the input with cat plus writing the output's bytes).
//
// Recordings: 20 signals, 512 Hz, 1-second records, every sample written (no sparse file):
// 8 hours (590 MB), 24 hours (1.77 GB), and 20 of one hour each (74 MB). They are kept in
// VELASTRIN_BENCH_DIR (default /tmp/velastrin-export-compare) for the next run; the page cache
// is warmed before timing. The outputs go to VELASTRIN_BENCH_OUT (default: "out" in the
// recordings' folder, on their disk). Each figure is the median of VELASTRIN_BENCH_RUNS runs
// (default 7), the runs of the compared commands interleaved. Against copies of the outputs,
// timed right after each export: "velastrin export" against "dd bs=1M conv=fsync" (both
// wait for the disk) and the batch mode against "cat" (neither waits), as ratios of each
// pair, min / median / max; and "--jobs 2" against "--jobs 1" over the 20 one-hour files.
//
// VELASTRIN_BENCH_BEFORE may name an earlier build of the program, whose batch mode is then
// timed alongside.
//
//   export_compare [all|8h|24h|jobs]
#include "edf/uEDF.h"
#include "support/udStr.h"
#include "testsupport/TestRecording.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace velastrin;
namespace fs = std::filesystem;

constexpr int SignalCount = 20;
constexpr int SamplesPerRecord = 512;
constexpr int ExportedSignal = 8; // 1-based

fs::path BenchDir() {
  const char* Base = std::getenv("VELASTRIN_BENCH_DIR");
  return Base ? fs::path(Base) : fs::path("/tmp/velastrin-export-compare");
}

fs::path OutDir() {
  const char* Base = std::getenv("VELASTRIN_BENCH_OUT");
  return Base ? fs::path(Base) : BenchDir() / "out";
}

int Runs() {
  const char* Text = std::getenv("VELASTRIN_BENCH_RUNS");
  return Text ? std::max(1, std::atoi(Text)) : 7;
}

int16_t SampleValue(int64_t Record, int i, int Signal) {
  // EEG-like: a 10 Hz rhythm, a slow wave and a little noise, different per signal.
  const double T = static_cast<double>(Record) + i / 512.0;
  const uint32_t Noise =
      static_cast<uint32_t>((Record * 512 + i + Signal * 7919) * 2654435761u) >> 22;
  return static_cast<int16_t>(800 * std::sin(2 * M_PI * (8 + Signal % 5) * T) +
                              300 * std::sin(2 * M_PI * 0.7 * T) + static_cast<double>(Noise) -
                              512);
}

void MakeRecording(const fs::path& Name, int64_t Records) {
  if (test::CreateFilledRecording(
          Name.string(),
          {.Patient = "X-0001 M 01-JAN-1970 Bench_Subject",
           .Recording = "Startdate 07-DEC-2026 BENCH NN Velastrin_bench",
           .Start = EncodeDate(2026, 12, 7) + EncodeTime(22, 0, 0, 0),
           .Signals = test::NumberedSignals(SignalCount,
                                            {.PhysMin = -3276.8L,
                                             .PhysMax = 3276.7L,
                                             .Prefilter = "HP:0.1Hz LP:100Hz",
                                             .Samples = SamplesPerRecord},
                                            "EEG ")},
          Records, SampleValue))
    std::printf("wrote %s\n", Name.c_str());
}

struct TRun {
  double Seconds = 0;
  double CpuSeconds = 0; // user + system, every thread
  long PeakKiB = 0;
};

// Runs a program without any display; aborts when it fails.
TRun Spawn(std::vector<std::string> Args, const std::string& StdOut = "") {
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
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  if (!StdOut.empty())
    posix_spawn_file_actions_addopen(&Actions, 1, StdOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  const auto Start = std::chrono::steady_clock::now();
  pid_t Pid = 0;
  if (::posix_spawn(&Pid, Argv[0], &Actions, nullptr, Argv.data(), Envp.data()) != 0)
    std::abort();
  int Status = 0;
  rusage Usage{};
  ::wait4(Pid, &Status, 0, &Usage);
  TRun Run;
  Run.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  Run.PeakKiB = Usage.ru_maxrss;
  Run.CpuSeconds = static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
                   static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
  posix_spawn_file_actions_destroy(&Actions);
  if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) {
    std::fprintf(stderr, "%s ended with status %d\n", Args[0].c_str(), WEXITSTATUS(Status));
    std::exit(1);
  }
  return Run;
}

// Writes Bytes bytes to a new file in 1 MiB writes: the output half of the floor.
double WriteBytes(const fs::path& Name, uint64_t Bytes) {
  std::vector<char> Buffer(1 << 20, '7');
  const auto Start = std::chrono::steady_clock::now();
  const int Handle = ::open(Name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  for (uint64_t Done = 0; Done < Bytes;) {
    const auto Part = static_cast<std::size_t>(std::min<uint64_t>(Buffer.size(), Bytes - Done));
    if (::write(Handle, Buffer.data(), Part) != static_cast<ssize_t>(Part))
      std::abort();
    Done += Part;
  }
  ::close(Handle);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

double MedianOf(std::vector<double> S) {
  std::sort(S.begin(), S.end());
  return S.empty() ? 0 : S[S.size() / 2];
}

// Ratios of pairs timed one right after the other, as "min / median / max".
std::string RatioText(const std::vector<double>& Ratios) {
  if (Ratios.empty())
    return "-";
  char Text[64];
  std::snprintf(Text, sizeof Text, "%.2f / %.2f / %.2f",
                *std::min_element(Ratios.begin(), Ratios.end()), MedianOf(Ratios),
                *std::max_element(Ratios.begin(), Ratios.end()));
  return Text;
}

// The load of the machine while the figures were taken (other work on the shared cores).
std::string LoadText() {
  double Load[3] = {0, 0, 0};
  if (::getloadavg(Load, 3) != 3)
    return "unknown";
  char Text[64];
  std::snprintf(Text, sizeof Text, "%.2f %.2f %.2f", Load[0], Load[1], Load[2]);
  return Text;
}

struct TSeries {
  std::vector<double> Seconds;
  std::vector<double> Cpu;
  long PeakKiB = 0;
  void Add(const TRun& Run) {
    Seconds.push_back(Run.Seconds);
    Cpu.push_back(Run.CpuSeconds);
    PeakKiB = std::max(PeakKiB, Run.PeakKiB);
  }
  double Median() const { return MedianOf(Seconds); }
  double CpuMedian() const { return MedianOf(Cpu); }
};

// Removes files, or empties folders (creating them when missing).
void Clear(const std::vector<fs::path>& Paths) {
  for (const fs::path& P : Paths) {
    if (fs::is_directory(P)) {
      for (const auto& Entry : fs::directory_iterator(P))
        fs::remove(Entry.path());
    } else if (P.has_extension()) {
      fs::remove(P);
    } else {
      fs::create_directories(P);
    }
  }
}

bool SameFile(const fs::path& A, const fs::path& B) {
  if (fs::file_size(A) != fs::file_size(B))
    return false;
  return std::system(("cmp -s '" + A.string() + "' '" + B.string() + "'").c_str()) == 0;
}

void Warm(const fs::path& Name) {
  Spawn({"/bin/cat", Name.string()}, "/dev/null");
}

const std::string Exe = VELASTRIN_EXE;
const std::string Reference = REFERENCE_EXE;

// Targets of the batch mode: its wall time as a ratio to the reference exporter's (the longer
// the recording, the more the start-up is amortised), and the peak memory of any export.
constexpr double PeakTargetMiB = 32;

void CompareOneFile(const std::string& Title, const fs::path& Input, double BatchTarget) {
  const fs::path Out = OutDir() / Title;
  fs::create_directories(Out);
  Warm(Input);
  const std::string Signal = std::to_string(ExportedSignal);
  const char* Before = std::getenv("VELASTRIN_BENCH_BEFORE");
  TSeries Ref, Batch, Export, Cat, Earlier;
  std::vector<double> ExportVsDd, BatchVsCat;
  TSeries DdCopies, CatCopies;
  // Every command writes new files: freeing the pages of an earlier output is not timed.
  const fs::path ExportOut = Out / "export";
  for (int i = 0; i < Runs(); ++i) {
    if (Before) {
      Clear({Out / "before.txt", Out / "before.ascii"});
      Earlier.Add(Spawn({Before, Input.string(), Signal, (Out / "before.txt").string(),
                         (Out / "before.ascii").string(), "/CRLF", "/BATCH"}));
    }
    Clear({Out / "reference.ascii"});
    Ref.Add(Spawn({Reference, Input.string(), Signal, (Out / "reference.ascii").string()}));
    Clear({Out / "batch.txt", Out / "batch.ascii"});
    Batch.Add(Spawn({Exe, Input.string(), Signal, (Out / "batch.txt").string(),
                     (Out / "batch.ascii").string(), "/CRLF", "/BATCH"}));
    // Copying the output just written costs what writing its bytes costs.
    Clear({Out / "cat.ascii"});
    const TRun CatCopy =
        Spawn({"/bin/cat", (Out / "batch.ascii").string()}, (Out / "cat.ascii").string());
    BatchVsCat.push_back(Batch.Seconds.back() / CatCopy.Seconds);
    CatCopies.Add(CatCopy);
    Clear({ExportOut});
    Export.Add(
        Spawn({Exe, "export", "--signal", Signal, "--out", ExportOut.string(), Input.string()}));
    Clear({Out / "dd.ascii"});
    const TRun DdCopy =
        Spawn({"/bin/dd", "if=" + (ExportOut / (Input.stem().string() + ".ascii")).string(),
               "of=" + (Out / "dd.ascii").string(), "bs=1M", "conv=fsync", "status=none"});
    ExportVsDd.push_back(Export.Seconds.back() / DdCopy.Seconds);
    DdCopies.Add(DdCopy);
    Cat.Add(Spawn({"/bin/cat", Input.string()}, "/dev/null"));
  }
  const fs::path ExportData = ExportOut / (Input.stem().string() + ".ascii");
  const uint64_t OutBytes = fs::file_size(Out / "reference.ascii");
  TSeries Write;
  for (int i = 0; i < Runs(); ++i) {
    Clear({Out / "floor.bytes"});
    Write.Add({WriteBytes(Out / "floor.bytes", OutBytes), 0, 0});
  }
  const bool Same = SameFile(Out / "reference.ascii", Out / "batch.ascii") &&
                    SameFile(Out / "reference.ascii", ExportData);
  const double R = Ref.Median(), RC = Ref.CpuMedian();
  const double Floor = Cat.Median() + Write.Median();
  std::printf("\n%s: %s, %.0f MB in, %.0f MB out, data files %s\n", Title.c_str(),
              Input.filename().c_str(), fs::file_size(Input) / 1e6, OutBytes / 1e6,
              Same ? "identical" : "DIFFERENT");
  std::printf("  %-32s %8s %6s %8s %6s %9s\n", "", "wall", "ratio", "cpu", "ratio", "peak");
  auto Row = [&](const char* Name, const TSeries& S) {
    std::printf("  %-32s %7.3fs %6.2f %7.3fs %6.2f %5.1f MiB\n", Name, S.Median(), S.Median() / R,
                S.CpuMedian(), S.CpuMedian() / RC, S.PeakKiB / 1024.0);
  };
  Row("reference exporter", Ref);
  Row("velastrin /CRLF /BATCH", Batch);
  if (Before)
    Row("earlier build /CRLF /BATCH", Earlier);
  Row("velastrin export", Export);
  std::printf("  %-32s %7.3fs %6.2f   (cat %.3f s + write %.3f s)\n",
              "floor: cat input + write output", Floor, Floor / R, Cat.Median(), Write.Median());
  std::printf("  velastrin export / dd bs=1M conv=fsync of its output: %s (target <= 1.25; "
              "dd %.3f s)\n",
              RatioText(ExportVsDd).c_str(), DdCopies.Median());
  std::printf("  batch mode / cat of its output: %s (target <= 1.4; cat %.3f s)\n",
              RatioText(BatchVsCat).c_str(), CatCopies.Median());
  std::printf("  load average at the end: %s\n", LoadText().c_str());
  std::printf(
      "  targets: batch wall ratio <= %.1f (now %.2f); peak <= %.0f MiB (now %.1f and %.1f)\n",
      BatchTarget, Batch.Median() / R, PeakTargetMiB, Batch.PeakKiB / 1024.0,
      Export.PeakKiB / 1024.0);
  fs::remove(Out / "floor.bytes");
  fs::remove(Out / "cat.ascii");
  fs::remove(Out / "dd.ascii");
}

void CompareJobs() {
  const fs::path Dir = BenchDir() / "hours";
  fs::create_directories(Dir);
  for (int i = 1; i <= 20; ++i) {
    char Name[32];
    std::snprintf(Name, sizeof Name, "hour%02d.edf", i);
    MakeRecording(Dir / Name, 3600);
    Warm(Dir / Name);
  }
  const fs::path Out1 = OutDir() / "jobs1", Out2 = OutDir() / "jobs2";
  fs::create_directories(Out1);
  fs::create_directories(Out2);
  const std::string Signal = std::to_string(ExportedSignal);
  TSeries One, Two;
  std::vector<double> Throughput;
  for (int i = 0; i < Runs(); ++i) {
    Clear({Out1});
    One.Add(Spawn({Exe, "export", "-s", Signal, "--jobs", "1", "-o", Out1.string(), Dir.string()}));
    Clear({Out2});
    Two.Add(Spawn({Exe, "export", "-s", Signal, "--jobs", "2", "-o", Out2.string(), Dir.string()}));
    Throughput.push_back(One.Seconds.back() / Two.Seconds.back());
  }
  bool Same = true;
  for (const auto& Entry : fs::directory_iterator(Out1))
    Same = Same && SameFile(Entry.path(), Out2 / Entry.path().filename());
  // The disk's own limit: the 20 data files copied durably, one at a time and two at a time.
  const fs::path Copies = OutDir() / "copies";
  const std::string Copy = "copy() { for f in \"$@\"; do dd if=\"$f\" of='" + Copies.string() +
                           "'/\"${f##*/}\" bs=1M conv=fsync status=none; done; }; cd '" +
                           Out1.string() + "'; ";
  TSeries OneStream, TwoStreams;
  for (int i = 0; i < Runs(); ++i) {
    Clear({Copies});
    OneStream.Add(Spawn({"/bin/sh", "-c", Copy + "copy *.ascii"}));
    Clear({Copies});
    TwoStreams.Add(Spawn(
        {"/bin/sh", "-c", Copy + "copy hour0*.ascii & copy hour1*.ascii hour2*.ascii; wait"}));
  }
  fs::remove_all(Copies);
  std::printf("\n20 one-hour files, velastrin export over the folder: outputs %s\n",
              Same ? "identical" : "DIFFERENT");
  std::printf("  %-32s %7.3fs wall %7.3fs cpu  peak %5.1f MiB\n", "--jobs 1", One.Median(),
              One.CpuMedian(), One.PeakKiB / 1024.0);
  std::printf("  %-32s %7.3fs wall %7.3fs cpu  peak %5.1f MiB\n", "--jobs 2", Two.Median(),
              Two.CpuMedian(), Two.PeakKiB / 1024.0);
  std::printf("  throughput --jobs 2 / --jobs 1: %s (target >= 1.6); load average %s\n",
              RatioText(Throughput).c_str(), LoadText().c_str());
  std::printf("  dd bs=1M conv=fsync of the 20 data files: %.3f s one at a time, %.3f s two at a "
              "time; --jobs 1 / the faster: %.2f\n",
              OneStream.Median(), TwoStreams.Median(),
              One.Median() / std::min(OneStream.Median(), TwoStreams.Median()));
}

} // namespace

int main(int argc, char** argv) {
  const std::string What = argc > 1 ? argv[1] : "all";
  fs::create_directories(BenchDir());
  fs::create_directories(OutDir());
  std::printf("runs per figure: %d (median); ratios to the reference exporter\n", Runs());
  if (What == "all" || What == "8h") {
    MakeRecording(BenchDir() / "night8h.edf", 8 * 3600);
    CompareOneFile("8h", BenchDir() / "night8h.edf", 0.9);
  }
  if (What == "all" || What == "24h") {
    MakeRecording(BenchDir() / "day24h.edf", 24 * 3600);
    CompareOneFile("24h", BenchDir() / "day24h.edf", 0.8);
  }
  if (What == "all" || What == "jobs")
    CompareJobs();
  fs::remove_all(OutDir());
  return 0;
}
