// Benchmark of "velastrin anonymize" (not a test): one 24-hour EDF+ recording of 20 signals at
// 512 samples per second and an annotation signal, 86,400 one-second records (about 1.8 GB of
// real, non-repeating bytes, so that no copy can skip holes), anonymized in-process and copied
// by cp in turns, outputs on the input's disk. The page cache is warmed by a first untimed round.
// Prints each round's ratio and min/median/max. Usage: anonymize_bench [FOLDER] [ROUNDS]; the
// recording is kept in FOLDER for later runs (made under another name first, so that a run
// stopped while making it leaves none); each run's outputs have names of their own, so that two
// runs in one folder do not remove each other's. A failed command stops the run with its
// messages and status 1.
#include "cli/CommandLine.h"
#include "edf/uEDF.h"
#include "testsupport/TestRecording.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace velastrin;
namespace fs = std::filesystem;

constexpr int32_t Signals = 20;
constexpr int32_t Samples = 512;
constexpr int32_t ListSamples = 60; // 120 bytes of annotations per record
constexpr int64_t Records = 86400;

[[noreturn]] void Fail(const std::string& What) {
  std::fflush(stdout);
  std::fprintf(stderr, "anonymize_bench: %s\n", What.c_str());
  std::exit(1);
}

void MakeRecording(const std::string& Path) {
  test::TRecordingSignal Annotations{.Label = "EDF Annotations",
                                     .Transducer = "",
                                     .Dim = "",
                                     .PhysMin = -1,
                                     .PhysMax = 1,
                                     .Prefilter = "",
                                     .Samples = ListSamples};
  std::vector<test::TRecordingSignal> All =
      test::NumberedSignals(Signals, {.Samples = Samples}, "EEG ");
  All.push_back(Annotations);
  const int64_t HeaderBytes =
      test::CreateSizedRecording(Path,
                                 {.Patient = "P-4711 F 16-SEP-1987 Anna_Berg",
                                  .Recording = "Startdate 02-JAN-2024 INV-7 TK Amp_2",
                                  .Reserved = "EDF+C",
                                  .Signals = All},
                                 Records);
  const int64_t DataBytes = int64_t{Signals} * Samples * 2;
  const int64_t RecordBytes = DataBytes + ListSamples * 2;
  const int Handle = ::open(Path.c_str(), O_WRONLY);
  if (Handle < 0)
    Fail("cannot open " + Path);
  std::mt19937_64 Random(42);
  std::vector<char> Run;
  constexpr int64_t PerRun = 200;
  for (int64_t r = 0; r < Records; r += PerRun) {
    Run.assign(static_cast<std::size_t>(PerRun * RecordBytes), '\0');
    for (int64_t k = 0; k < PerRun && r + k < Records; ++k) {
      char* Record = Run.data() + k * RecordBytes;
      for (int64_t i = 0; i < DataBytes; i += 8) {
        const uint64_t Value = Random();
        std::copy_n(reinterpret_cast<const char*>(&Value), 8, Record + i);
      }
      const std::string List = "+" + std::to_string(r + k) + "\x14\x14" + std::string(1, '\0') +
                               "+" + std::to_string(r + k) + "\x14" + "Anna moved, Dr. Berg\x14";
      std::copy(List.begin(), List.end(), Record + DataBytes);
    }
    const int64_t Count = std::min(PerRun, Records - r);
    if (::pwrite(Handle, Run.data(), static_cast<std::size_t>(Count * RecordBytes),
                 HeaderBytes + r * RecordBytes) != Count * RecordBytes)
      Fail("cannot write " + Path);
  }
  ::close(Handle);
}

double Seconds(const std::function<void()>& Run) {
  const auto Start = std::chrono::steady_clock::now();
  Run();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

} // namespace

int main(int argc, char** argv) {
  const fs::path Folder = argc > 1 ? argv[1] : "/tmp/velastrin-anonymize-bench";
  const int Rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  if (Rounds < 1)
    Fail("ROUNDS must be a whole number from 1");
  fs::create_directories(Folder / "in");
  const std::string Input = (Folder / "in" / "night.edf").string();
  if (!fs::exists(Input)) {
    const std::string Making = Input + "." + std::to_string(::getpid()) + ".part";
    MakeRecording(Making);
    fs::rename(Making, Input);
  }
  const std::string Own = std::to_string(::getpid());
  const std::string Out = (Folder / ("out-" + Own)).string();
  const std::string Copy = (Folder / ("copy-" + Own + ".edf")).string();
  auto Anonymize = [&] {
    std::ostringstream Said;
    const cli::TConsole Console{Said, Said, false};
    if (const int Status = cli::RunCommandLine(
            {"velastrin", "anonymize", "--jobs", "1", "-o", Out, Input}, Console);
        Status != 0)
      Fail("anonymize ended with status " + std::to_string(Status) + ":\n" + Said.str());
  };
  const std::string CopyCommand = "cp '" + Input + "' '" + Copy + "' && sync '" + Copy + "'";
  auto CopyFile = [&] {
    if (std::system(CopyCommand.c_str()) != 0)
      Fail("\"" + CopyCommand + "\" failed");
  };
  Anonymize(); // warms the page cache
  CopyFile();
  std::vector<double> Ratios;
  for (int i = 0; i < Rounds; ++i) {
    const double A = Seconds(Anonymize);
    const double C = Seconds(CopyFile);
    Ratios.push_back(A / C);
    std::printf("round %d: anonymize %.2f s, cp %.2f s, ratio %.2f\n", i + 1, A, C, A / C);
    std::fflush(stdout);
  }
  std::sort(Ratios.begin(), Ratios.end());
  std::printf("anonymize / cp (%lld bytes): min %.2f, median %.2f, max %.2f\n",
              static_cast<long long>(fs::file_size(Input)), Ratios.front(),
              Ratios[Ratios.size() / 2], Ratios.back());
  fs::remove(Copy);
  fs::remove_all(Out);
}
