// Every subcommand gives the same reports and the same files with four jobs as with one, over a
// folder of valid, lenient and unreadable recordings: jobs read and write headers at once.
#include "check/tests/CheckTestSupport.h"
#include "cli/tests/CliTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace velastrin::cli {
namespace {

using velastrin::testing::RunCli;
using velastrin::testing::TCliRun;
namespace fs = std::filesystem;

// Each file's relative name and bytes under Folder.
std::map<std::string, std::string> Contents(const std::string& Folder) {
  std::map<std::string, std::string> Out;
  for (const auto& Entry : fs::recursive_directory_iterator(Folder))
    if (Entry.is_regular_file())
      Out[Entry.path().lexically_relative(Folder).string()] = test::ReadBytes(Entry.path());
  return Out;
}

struct TJobsCase {
  const char* Name;
  std::vector<std::string> Options; // between the subcommand and its outputs
  bool WritesFiles;
  const char* Summary; // the last line of standard error, with one job
};

class ParallelJobs : public ::testing::TestWithParam<TJobsCase> {
protected:
  // Twelve recordings: each fourth lenient (a start time with colons), each fourth after that
  // unreadable (a header size that is wrong), the others valid; lengths differ.
  void SetUp() override {
    fs::create_directories(Dir.File("study"));
    for (int i = 0; i < 12; ++i) {
      const std::string Path = Dir.File("study/r" + std::to_string(10 + i) + ".edf");
      test::MakeRecording(Path, 2 + i % 5);
      if (i % 4 == 1)
        test::PatchBytes(Path, 176, "10:20:30");
      if (i % 4 == 2)
        test::PatchBytes(Path, 184, "1024    ");
    }
  }

  // The run with Jobs jobs, writing into the folder Out; the folder's name in what it prints
  // is given as OUT, so that runs into different folders compare.
  TCliRun Run(const std::string& Jobs, const std::string& Out) {
    std::vector<std::string> Args{GetParam().Options};
    if (GetParam().WritesFiles) {
      fs::create_directories(Dir.File(Out));
      Args.insert(Args.end(), {"--out", Dir.File(Out)});
    }
    Args.insert(Args.end(), {"--jobs", Jobs, Dir.File("study")});
    TCliRun Result = RunCli(Args);
    for (std::string* Text : {&Result.Out, &Result.Err})
      for (std::size_t At; (At = Text->find(Dir.File(Out))) != std::string::npos;)
        Text->replace(At, Dir.File(Out).size(), "OUT");
    return Result;
  }

  test::TTempDir Dir;
};

TEST_P(ParallelJobs, FourJobsGiveWhatOneGives) {
  const TCliRun One = Run("1", "one");
  const TCliRun Four = Run("4", "four");
  EXPECT_TRUE(One.Err.ends_with(std::string(GetParam().Summary) + "\n")) << One.Err;
  EXPECT_EQ(Four.Status, One.Status);
  EXPECT_EQ(Four.Out, One.Out);
  EXPECT_EQ(Four.Err, One.Err);
  if (GetParam().WritesFiles) {
    const auto Written = Contents(Dir.File("one"));
    EXPECT_FALSE(Written.empty());
    EXPECT_EQ(Contents(Dir.File("four")), Written);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ParallelJobs,
    ::testing::Values(
        TJobsCase{"CheckText", {"check"}, false, "12 checked: 6 valid, 3 lenient, 3 unreadable"},
        TJobsCase{"CheckJson",
                  {"check", "--json"},
                  false,
                  "12 checked: 6 valid, 3 lenient, 3 unreadable"},
        TJobsCase{
            "Export", {"export", "--signal", "2", "--sep", "comma"}, true, "9 exported, 3 failed"},
        TJobsCase{
            "Repair", {"repair", "--json"}, true, "3 repaired, 6 already valid, 3 not repaired"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace velastrin::cli
