// Side-by-side figures of "velastrin export" beyond the single export, whole processes, one
// run, each pair of commands timed in turn so that the machine's drift cancels out:
//
//   physical  --values physical against the same export of digital values (--signal all);
//   time      --time offset against the same export without a time column (5 signals);
//   all       --signal all against copying all its outputs durably (dd bs=1M conv=fsync each),
//             and the peak memory of the export.
//
// Recording: 20 signals of 200 Hz in 1-second records, 8 hours (230 MB in, about 575 MB of
// digital text out), kept in VELASTRIN_BENCH_DIR (default /tmp/velastrin-export-tables) for
// the next run; outputs go to the same folder, so on the same disk as the input. Each ratio is
// given as min / median / max over VELASTRIN_BENCH_RUNS pairs (default 5).
//
//   export_tables [all|physical|time|signals]
#include "testsupport/TestRecording.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
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
constexpr int SamplesPerRecord = 200;
constexpr int64_t Records = 8 * 3600;
const std::string Exe = VELASTRIN_EXE;

fs::path BenchDir() {
  const char* Base = std::getenv("VELASTRIN_BENCH_DIR");
  return Base ? fs::path(Base) : fs::path("/tmp/velastrin-export-tables");
}

int Runs() {
  const char* Text = std::getenv("VELASTRIN_BENCH_RUNS");
  return Text ? std::max(1, std::atoi(Text)) : 5;
}

int16_t SampleValue(int64_t Record, int i, int Signal) {
  // EEG-like in tenths of a microvolt: a rhythm, a slow wave and a little noise.
  const double T = static_cast<double>(Record) + i / double{SamplesPerRecord};
  const uint32_t Noise =
      static_cast<uint32_t>((Record * SamplesPerRecord + i + Signal * 7919) * 2654435761u) >> 25;
  return static_cast<int16_t>(300 * std::sin(2 * M_PI * (8 + Signal % 5) * T) +
                              100 * std::sin(2 * M_PI * 0.7 * T) + static_cast<double>(Noise) - 64);
}

fs::path MakeRecording() {
  const fs::path Name = BenchDir() / "night8h-200hz.edf";
  if (test::CreateFilledRecording(
          Name.string(),
          {.Start = EncodeDate(2026, 12, 7) + EncodeTime(22, 0, 0, 0),
           .Signals = test::NumberedSignals(
               SignalCount, {.PhysMin = -3276.8L, .PhysMax = 3276.7L, .Samples = SamplesPerRecord},
               "EEG ")},
          Records, SampleValue))
    std::printf("wrote %s\n", Name.c_str());
  return Name;
}

struct TRun {
  double Seconds = 0;
  long PeakKiB = 0;
};

TRun Spawn(std::vector<std::string> Args) {
  std::vector<char*> Argv;
  for (std::string& A : Args)
    Argv.push_back(A.data());
  Argv.push_back(nullptr);
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, 2, "/dev/null", O_WRONLY, 0);
  const auto Start = std::chrono::steady_clock::now();
  pid_t Pid = 0;
  if (::posix_spawn(&Pid, Argv[0], &Actions, nullptr, Argv.data(), environ) != 0)
    std::abort();
  int Status = 0;
  rusage Usage{};
  ::wait4(Pid, &Status, 0, &Usage);
  posix_spawn_file_actions_destroy(&Actions);
  if (!WIFEXITED(Status) || WEXITSTATUS(Status) != 0) {
    std::fprintf(stderr, "%s ended with status %d\n", Args[0].c_str(), WEXITSTATUS(Status));
    std::exit(1);
  }
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count(),
          Usage.ru_maxrss};
}

void Empty(const fs::path& Dir) {
  fs::remove_all(Dir);
  fs::create_directories(Dir);
}

// The bytes a command left in Dir.
uintmax_t BytesIn(const fs::path& Dir) {
  uintmax_t Bytes = 0;
  for (const auto& Entry : fs::directory_iterator(Dir))
    Bytes += Entry.file_size();
  return Bytes;
}

// Times A and B in turn Runs() times, each in a fresh output folder, and prints the ratios.
void Compare(const char* Title, const fs::path& Out, std::vector<std::string> A,
             std::vector<std::string> B, double Target, const std::string& BName) {
  std::vector<double> Ratios, SecondsA, SecondsB;
  long Peak = 0;
  uintmax_t BytesA = 0, BytesB = 0;
  for (int i = 0; i < Runs(); ++i) {
    Empty(Out);
    ::sync();
    const TRun RunA = Spawn(A);
    BytesA = BytesIn(Out);
    Empty(Out);
    ::sync();
    const TRun RunB = Spawn(B);
    BytesB = BytesIn(Out);
    SecondsA.push_back(RunA.Seconds);
    SecondsB.push_back(RunB.Seconds);
    Ratios.push_back(RunA.Seconds / RunB.Seconds);
    Peak = std::max(Peak, RunA.PeakKiB);
  }
  std::sort(Ratios.begin(), Ratios.end());
  std::sort(SecondsA.begin(), SecondsA.end());
  std::sort(SecondsB.begin(), SecondsB.end());
  const std::size_t M = Ratios.size() / 2;
  std::printf("%-10s ratio to %-26s min %.2f  median %.2f  max %.2f  (target <= %.2f)\n", Title,
              BName.c_str(), Ratios.front(), Ratios[M], Ratios.back(), Target);
  std::printf("%-10s seconds: %.2f vs %.2f (medians); peak %.1f MiB\n", "", SecondsA[M],
              SecondsB[M], Peak / 1024.0);
  // Writing the text is most of the work: a longer text costs its bytes whatever makes it.
  const double BytesRatio = static_cast<double>(BytesA) / static_cast<double>(BytesB);
  std::printf("%-10s bytes written: %.0f vs %.0f MB, %.2f times; time per byte %.2f times\n", "",
              BytesA / 1e6, BytesB / 1e6, BytesRatio, Ratios[M] / BytesRatio);
  Empty(Out);
}

double LoadAverage() {
  double Load[1] = {0};
  return ::getloadavg(Load, 1) == 1 ? Load[0] : -1;
}

} // namespace

int main(int argc, char** argv) {
  const std::string What = argc > 1 ? argv[1] : "all";
  fs::create_directories(BenchDir());
  const fs::path Input = MakeRecording();
  const fs::path Out = BenchDir() / "out";
  Spawn({"/bin/cat", Input.string()}); // warm the page cache
  std::printf("%d pairs per figure, load average %.2f at the start\n", Runs(), LoadAverage());
  // Enough work per run that start-up and the disk's moods do not decide the ratio.
  const std::vector<std::string> All = {Exe,  "export",     "-s",          "all",
                                        "-o", Out.string(), Input.string()};
  const std::vector<std::string> Five = {Exe,  "export", "-s", "1",          "-s",
                                         "2",  "-s",     "3",  "-s",         "4",
                                         "-s", "5",      "-o", Out.string(), Input.string()};
  const auto With = [&](std::vector<std::string> Args, std::vector<std::string> More) {
    Args.insert(Args.begin() + 2, More.begin(), More.end());
    return Args;
  };
  if (What == "all" || What == "physical")
    Compare("physical", Out, With(All, {"--values", "physical"}), All, 1.1, "digital");
  if (What == "all" || What == "time")
    Compare("time", Out, With(Five, {"--time", "offset"}), Five, 1.6, "no time column");
  if (What == "all" || What == "signals") {
    // The outputs to copy, written once: the copy reads them from the page cache.
    const fs::path Source = BenchDir() / "source";
    Empty(Source);
    Spawn({Exe, "export", "-s", "all", "-o", Source.string(), Input.string()});
    std::string Copy = "for f in '" + Source.string() + "'/*; do dd if=\"$f\" of='" + Out.string() +
                       "'/\"${f##*/}\" bs=1M conv=fsync status=none; done";
    const uintmax_t Bytes = BytesIn(Source);
    std::printf(
        "--signal all writes %.0f MB in %d files\n", Bytes / 1e6,
        static_cast<int>(std::distance(fs::directory_iterator(Source), fs::directory_iterator())));
    Compare("all", Out, {Exe, "export", "-s", "all", "-o", Out.string(), Input.string()},
            {"/bin/sh", "-c", Copy}, 1.25, "dd conv=fsync of each");
    fs::remove_all(Source);
  }
  std::printf("load average %.2f at the end\n", LoadAverage());
  return 0;
}
