// Benchmark of the findings engine and of "velastrin check" (not a test): a folder of 2,000
// twenty-signal recordings, each a sparse file of 10,000 one-second records, checked with 2 jobs.
// The engine reads only headers and sizes, so the data (200 GB if read) costs nothing. The
// reference, timed in the same run, opens each file, reads its header bytes and its size with plain
// system calls.
#include "check/uEDFFindings.h"
#include "cli/CommandLine.h"
#include "edf/uEDF.h"
#include "testsupport/TestRecording.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace velastrin;

constexpr int Files = 2000;
constexpr int32_t Signals = 20;
constexpr int32_t Samples = 256;
constexpr int64_t Records = 10000;
constexpr int Jobs = 2;
constexpr int Rounds = 3;

void MakeTemplate(const std::string& Path) {
  TEDFFile File;
  test::CreateRecording(File, Path,
                        {.Signals = test::NumberedSignals(Signals, {.Samples = Samples}, "EEG ")});
}

// The template's header with the full record count, then a hole up to the last record's end.
void MakeFolder(const std::string& Dir) {
  const std::string Template = Dir + "/template";
  MakeTemplate(Template);
  std::string Header(static_cast<std::size_t>(EDFHeaderSize(Signals)), ' ');
  const int In = ::open(Template.c_str(), O_RDONLY);
  if (In < 0 || ::pread(In, Header.data(), Header.size(), 0) != static_cast<ssize_t>(Header.size()))
    std::abort();
  ::close(In);
  ::unlink(Template.c_str());
  const std::string Count = std::to_string(Records);
  Header.replace(236, 8, Count + std::string(8 - Count.size(), ' '));
  const off_t Size = static_cast<off_t>(Header.size()) + Records * Signals * Samples * 2;
  for (int i = 0; i < Files; ++i) {
    const std::string Path = Dir + "/night" + std::to_string(i) + ".edf";
    const int Out = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (Out < 0 ||
        ::write(Out, Header.data(), Header.size()) != static_cast<ssize_t>(Header.size()) ||
        ::ftruncate(Out, Size) != 0)
      std::abort();
    ::close(Out);
  }
}

// Runs Work on every file with Jobs threads; returns the seconds taken.
double Run(const std::vector<std::string>& Paths,
           const std::function<void(const std::string&)>& Work) {
  std::atomic<std::size_t> Next{0};
  const auto Start = std::chrono::steady_clock::now();
  {
    std::vector<std::jthread> Threads;
    for (int j = 0; j < Jobs; ++j)
      Threads.emplace_back([&] {
        for (std::size_t i = Next++; i < Paths.size(); i = Next++)
          Work(Paths[i]);
      });
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

} // namespace

int main() {
  char Pattern[] = "/tmp/check-bench-XXXXXX";
  if (!::mkdtemp(Pattern))
    return 1;
  const std::string Dir = Pattern;
  MakeFolder(Dir);
  std::vector<std::string> Paths;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir))
    Paths.push_back(Entry.path().string());
  std::sort(Paths.begin(), Paths.end());

  std::atomic<int> Valid{0};
  auto Check = [&](const std::string& Path) {
    if (CollectFindings(Path).Verdict == TEDFVerdict::Valid)
      ++Valid;
  };
  const std::size_t HeaderSize = static_cast<std::size_t>(EDFHeaderSize(Signals));
  auto Reference = [&](const std::string& Path) {
    std::string Bytes(HeaderSize, '\0');
    const int Handle = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat Info {};
    if (Handle < 0 || ::fstat(Handle, &Info) != 0 ||
        ::pread(Handle, Bytes.data(), Bytes.size(), 0) != static_cast<ssize_t>(Bytes.size()))
      std::abort();
    ::close(Handle);
  };

  // The command itself, in-process: folder discovery, the frame's jobs, the text reports.
  auto Command = [&] {
    std::ostringstream Out, Err;
    const auto Start = std::chrono::steady_clock::now();
    const int Status = cli::RunCommandLine(
        {"velastrin", "check", "--jobs", std::to_string(Jobs), Dir}, cli::TConsole{Out, Err});
    if (Status != 0)
      std::abort();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
  };

  double Best = 1e9, BestReference = 1e9, BestCommand = 1e9;
  for (int Round = 0; Round < Rounds; ++Round) {
    Valid = 0;
    BestReference = std::min(BestReference, Run(Paths, Reference));
    Best = std::min(Best, Run(Paths, Check));
    BestCommand = std::min(BestCommand, Command());
  }
  std::printf("check of %zu files (%d signals, %lld records each) with %d jobs: %.3f s "
              "(target 1 s); %d valid\n",
              Paths.size(), Signals, static_cast<long long>(Records), Jobs, Best, Valid.load());
  std::printf("velastrin check --jobs %d DIR, in-process: %.3f s (target 1 s)\n", Jobs,
              BestCommand);
  std::printf("plain header read of the same files: %.3f s; ratios %.1f (engine) and %.1f "
              "(command)\n",
              BestReference, Best / BestReference, BestCommand / BestReference);
  std::filesystem::remove_all(Dir);
  return Valid.load() == static_cast<int>(Paths.size()) ? 0 : 1;
}
