// The frame every subcommand shares: shards of the input list, file lists, the JSON line of an
// input that gave no file, the output folder, existing outputs, unknown commands.
#include "cli/Inputs.h"
#include "cli/tests/CliTestSupport.h"
#include "export/tests/ExportTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace velastrin::cli {
namespace {

namespace fs = std::filesystem;
using namespace velastrin::testing;

std::vector<TInput> Named(std::size_t Count) {
  std::vector<TInput> Entries;
  for (std::size_t i = Count; i > 0; --i) // unsorted on purpose
    Entries.push_back({"f" + std::to_string(1000 + i), 0, {}, {}});
  return Entries;
}

// Every entry in exactly one of N shards, shards in sorted order and of sizes differing by at
// most one, for lists shorter than, equal to and longer than N.
TEST(Shard, EveryEntryIsTakenByExactlyOneOfTheShards) {
  for (const std::size_t Count : {0u, 1u, 2u, 5u, 7u, 20u})
    for (const std::size_t N : {1u, 2u, 3u, 4u, 7u, 20u, 21u, 100u}) {
      std::vector<std::string> Taken;
      std::size_t Smallest = Count, Largest = 0;
      for (std::size_t K = 1; K <= N; ++K) {
        const std::vector<TInput> Slice = ShardOf(Named(Count), {K, N});
        Smallest = std::min(Smallest, Slice.size());
        Largest = std::max(Largest, Slice.size());
        for (const TInput& Entry : Slice)
          Taken.push_back(Entry.Path);
      }
      EXPECT_TRUE(std::is_sorted(Taken.begin(), Taken.end())) << Count << " over " << N;
      EXPECT_EQ(Taken.size(), Count) << Count << " over " << N;
      EXPECT_EQ(std::unique(Taken.begin(), Taken.end()), Taken.end());
      EXPECT_LE(Largest - std::min(Smallest, Largest), 1u) << Count << " over " << N;
    }
}

TEST(Shard, TextsThatAreNoShardStateTheRule) {
  for (const char* Text : {"0/4", "3/2", "a/b", "1", "1/", "/3", "-1/3", "1/0", "1/3x", ""}) {
    try {
      ParseShard(Text);
      ADD_FAILURE() << Text;
    } catch (const TUsageError& Error) {
      EXPECT_NE(std::string(Error.what()).find("1 <= K <= N"), std::string::npos) << Text;
    }
  }
  EXPECT_EQ(ParseShard("3/12").Index, 3u);
  EXPECT_EQ(ParseShard("3/12").Count, 12u);
}

struct TListRow {
  const char* Name;
  std::string Text;
  bool Nul;
  std::vector<std::string> Paths;
};

TEST(FileList, LinesOrNulSeparatedPathsKeepTheirBytes) {
  const std::vector<TListRow> Rows = {
      {"lines", "a.edf\nb c.edf\n\nd.edf", false, {"a.edf", "b c.edf", "d.edf"}},
      {"nul", std::string("a\nb.edf\0c.edf\0", 14), true, {"a\nb.edf", "c.edf"}},
      {"latin1", "n\xE9.edf\n", false, {"n\xE9.edf"}},
      {"crlf", "a.edf\r\nb c.edf\r\n\r\nd.edf\r", false, {"a.edf", "b c.edf", "d.edf"}},
      {"nul keeps cr", std::string("a.edf\r\0", 7), true, {"a.edf\r"}},
      {"empty", "", false, {}},
  };
  for (const TListRow& Row : Rows) {
    std::istringstream List(Row.Text);
    EXPECT_EQ(ReadFileList(List, Row.Nul), Row.Paths) << Row.Name;
  }
}

class Frame : public ::testing::Test {
protected:
  // Recordings a.edf ... of 1 to Count records in Dir/study.
  void MakeStudy(int Count) {
    fs::create_directories(Dir.File("study"));
    for (int i = 0; i < Count; ++i)
      WriteEdf(Dir.File("study/" + std::string(1, static_cast<char>('a' + i)) + ".edf"),
               ThreeSignalFixture(1 + i));
  }
  // Every file under Folder with its bytes.
  std::map<std::string, std::string> Contents(const std::string& Folder) const {
    std::map<std::string, std::string> Files;
    for (const auto& Entry : fs::directory_iterator(Folder))
      Files[Entry.path().filename().string()] = ReadFile(Entry.path().string());
    return Files;
  }
  TTempDir Dir;
};

TEST_F(Frame, ShardedRunsTogetherWriteExactlyTheOutputsOfOneRun) {
  MakeStudy(5);
  ASSERT_EQ(RunCli({"export", "-s", "2", "-o", Dir.File("whole"), Dir.File("study")}).Status, 0);
  for (const int N : {2, 3, 7}) {
    const std::string Out = Dir.File("sharded" + std::to_string(N));
    for (int K = 1; K <= N; ++K) {
      const std::string Shard = std::to_string(K) + "/" + std::to_string(N);
      const TCliRun Run =
          RunCli({"export", "-s", "2", "--shard", Shard, "-o", Out, Dir.File("study")});
      EXPECT_EQ(Run.Status, 0) << Shard << Run.Err;
    }
    EXPECT_EQ(Contents(Out), Contents(Dir.File("whole"))) << N;
  }
}

TEST_F(Frame, ListedFilesAreInputsAndMissingOnesFailEachWithItsReason) {
  MakeStudy(2);
  const std::string List = Dir.Write("list", Dir.File("study/a.edf") + "\n" + Dir.File("gone.edf") +
                                                 "\n" + Dir.File("study/b.edf"));
  const TCliRun Run = RunCli({"export", "-s", "1", "--files-from", List, "-o", Dir.File("out")});
  EXPECT_EQ(Run.Status, 1);
  EXPECT_NE(Run.Err.find(Dir.File("gone.edf") + ": No such file or directory\n"), std::string::npos)
      << Run.Err;
  EXPECT_NE(Run.Err.find("2 exported, 1 failed"), std::string::npos) << Run.Err;
  EXPECT_TRUE(fs::exists(Dir.File("out/b.ascii")));
  const TCliRun Unreadable = RunCli({"check", "--files-from", Dir.File("no-list")});
  EXPECT_EQ(Unreadable.Status, 2);
  EXPECT_NE(Unreadable.Err.find("cannot read the file list"), std::string::npos);
}

// Tasks sharing one output folder over a list naming a missing file: none refuses the outputs
// of another as existing, and the missing file fails in one task only, with its reason.
TEST_F(Frame, ShardedRunsOfAListFailTheMissingFileOnce) {
  MakeStudy(5);
  std::string Names = Dir.File("gone.edf") + "\n";
  for (const char* Name : {"a", "b", "c", "d", "e"})
    Names += Dir.File("study/" + std::string(Name) + ".edf") + "\n";
  const std::string List = Dir.Write("list", Names);
  ASSERT_EQ(RunCli({"export", "-s", "2", "-o", Dir.File("whole"), Dir.File("study")}).Status, 0);
  for (const int N : {2, 7}) {
    const std::string Out = Dir.File("sharded" + std::to_string(N));
    std::string Err;
    for (int K = 1; K <= N; ++K) {
      const std::string Shard = std::to_string(K) + "/" + std::to_string(N);
      const TCliRun Run =
          RunCli({"export", "-s", "2", "--shard", Shard, "-o", Out, "--files-from", List});
      EXPECT_EQ(Run.Status, Run.Err.find("gone.edf") == std::string::npos ? 0 : 1) << Run.Err;
      Err += Run.Err;
    }
    EXPECT_EQ(Contents(Out), Contents(Dir.File("whole"))) << N;
    const std::string Missing = Dir.File("gone.edf") + ": No such file or directory\n";
    EXPECT_TRUE(Err.find(Missing) != std::string::npos && Err.find(Missing) == Err.rfind(Missing));
  }
}

struct TRefusalRow {
  const char* Name;
  std::vector<std::string> Args; // "@" the study folder, "@other" another, "@file" a plain
                                 // file, "@out" out/
  const char* ErrPart;
};

// Refused before anything is written: status 2, no file made.
TEST_F(Frame, RefusalsWriteNothing) {
  const std::vector<TRefusalRow> Rows = {
      {"shard zero", {"export", "-s", "1", "--shard", "0/4", "@"}, "1 <= K <= N"},
      {"shard above", {"check", "--shard", "3/2", "@"}, "1 <= K <= N"},
      {"shard letters", {"repair", "-o", "@out", "--shard", "a/b", "@"}, "1 <= K <= N"},
      {"export out is a file", {"export", "-s", "1", "-o", "@file/sub", "@"}, "output folder"},
      {"repair out is a file", {"repair", "-o", "@file", "@"}, "not a folder"},
      {"outputs exist", {"export", "-s", "1", "@"}, "a.ascii\" exists; nothing written"},
      {"unknown command", {"exprot", "@"}, "unknown command \"exprot\""},
      {"one name in two shards",
       {"export", "-s", "1", "--shard", "2/2", "-o", "@out", "@", "@other"},
       "would both be exported"},
      {"repair: one name in two shards",
       {"repair", "--shard", "1/2", "-o", "@out", "@", "@other"},
       "share the name"},
      {"unknown option", {"check", "--fast", "@"}, "--fast"},
  };
  MakeStudy(1);
  fs::create_directories(Dir.File("other"));
  WriteEdf(Dir.File("other/a.edf"), ThreeSignalFixture(1));
  WriteFileBytes(Dir.File("study/a.ascii"), "mine");
  const std::string File = Dir.Write("file", "x");
  for (const TRefusalRow& Row : Rows) {
    std::vector<std::string> Args;
    for (const std::string& Arg : Row.Args)
      Args.push_back(Arg == "@"                   ? Dir.File("study")
                     : Arg.rfind("@file", 0) == 0 ? File + Arg.substr(5)
                     : Arg == "@out"              ? Dir.File("out")
                     : Arg == "@other"            ? Dir.File("other")
                                                  : Arg);
    const TCliRun Run = RunCli(Args);
    EXPECT_EQ(Run.Status, 2) << Row.Name;
    EXPECT_NE(Run.Err.find(Row.ErrPart), std::string::npos) << Row.Name << ": " << Run.Err;
    EXPECT_EQ(ReadFile(Dir.File("study/a.ascii")), "mine") << Row.Name;
    EXPECT_FALSE(fs::exists(Dir.File("study/a.txt"))) << Row.Name;
    EXPECT_FALSE(fs::exists(Dir.File("out"))) << Row.Name;
  }
  const TCliRun Overwrite =
      RunCli({"export", "-s", "1", "--sep", "CoMmA", "--overwrite", Dir.File("study")});
  EXPECT_EQ(Overwrite.Status, 0) << Overwrite.Err;
  EXPECT_NE(ReadFile(Dir.File("study/a.ascii")).find(','), std::string::npos);
}

// Run writes its output, then Lose does to it what it will before the frame looks.
struct TLosingCommand : TSubcommand {
  std::string Output;
  std::function<void(TFileResult&)> Lose;
  std::string Name() const override { return "lose"; }
  std::string Description() const override { return {}; }
  std::string DoneWord() const override { return {}; }
  void AddOptions(CLI::App&) override {}
  bool OutputsRequired() const override { return true; }
  TFileResult Run(const TInput&, TJobContext&) override {
    TOutputFiles Outputs;
    ::close(Outputs.Create(Output));
    TFileResult Result;
    Result.Outputs = Outputs.Commit();
    Lose(Result);
    return Result;
  }
};

// One place decides: a file whose outputs are not files on the disk is not done.
TEST_F(Frame, AFileIsDoneOnlyWhenEveryOutputItNamesIsOnTheDisk) {
  const std::string Out = Dir.File("out");
  const std::pair<std::function<void(TFileResult&)>, std::string> Rows[] = {
      {[&](TFileResult&) { fs::remove(Out); }, "is gone after it was written"},
      {[&](TFileResult&) { fs::remove(Out), fs::create_directory(Out); }, "no longer a file"},
      {[](TFileResult& R) { R.Outputs.clear(); }, "nothing was written"}};
  for (const auto& [Lose, Reason] : Rows) {
    TLosingCommand Command;
    Command.Output = Out, Command.Lose = Lose;
    TJobContext Context;
    try {
      RunFile(Command, {Dir.File("in.edf"), 0, {}, {}}, Context);
      ADD_FAILURE() << Reason;
    } catch (const std::runtime_error& E) {
      EXPECT_NE(std::string(E.what()).find(Reason), std::string::npos) << E.what();
    }
    fs::remove_all(Out);
  }
}

// check of a missing path alone: status 2, the reason the last line.
TEST_F(Frame, CheckGivesTwoForAMissingPath) {
  const TCliRun Run = RunCli({"check", Dir.File("gone.edf")});
  EXPECT_EQ(Run.Status, 2);
  EXPECT_TRUE(Run.Err.ends_with("\nvelastrin check: no input found\n")) << Run.Err;
}

// check --json and repair --json give every input named its line, in the order named, also a
// missing path, a FIFO and a folder without EDF files; a name that is not UTF-8 keeps its bytes.
TEST_F(Frame, EveryInputNamedGetsAJsonLine) {
  MakeStudy(1);
  const std::string Odd = Dir.File("n\xE9.edf");
  WriteEdf(Odd, ThreeSignalFixture(1));
  ASSERT_EQ(::mkfifo(Dir.File("fifo").c_str(), 0600), 0);
  fs::create_directories(Dir.File("empty"));
  const std::vector<std::string> Named = {Dir.File("gone.edf"), Dir.File("fifo"), Odd,
                                          Dir.File("empty"), Dir.File("study/a.edf")};
  for (const std::vector<std::string>& Command :
       {std::vector<std::string>{"check", "--json", "-j", "2"},
        std::vector<std::string>{"repair", "--json", "-o", Dir.File("fixed")}}) {
    std::vector<std::string> Args = Command;
    Args.insert(Args.end(), Named.begin(), Named.end());
    const TCliRun Run = RunCli(Args);
    std::istringstream Lines(Run.Out);
    std::vector<nlohmann::json> Objects;
    for (std::string Line; std::getline(Lines, Line);)
      Objects.push_back(nlohmann::json::parse(Line));
    ASSERT_EQ(Objects.size(), Named.size()) << Command[0] << Run.Out;
    // Also when no path named gave a file.
    std::vector<std::string> None = Command;
    None.push_back(Named[0]);
    const TCliRun Missing = RunCli(None);
    EXPECT_EQ(Missing.Status, 2);
    EXPECT_EQ(nlohmann::json::parse(Missing.Out)["file"], Named[0]) << Command[0];
    for (const std::size_t Failed : {0u, 1u, 3u}) {
      EXPECT_EQ(Objects[Failed]["verdict"], "unreadable") << Command[0] << Failed;
      EXPECT_TRUE(Objects[Failed].contains(Command[0] == "check" ? "error" : "reason"));
    }
    EXPECT_EQ(Objects[4]["file"], Named[4]);
    EXPECT_TRUE(Objects[4]["file_bytes"].is_null());
    std::string Bytes;
    const std::string Hex = Objects[2]["file_bytes"];
    for (std::size_t i = 0; i + 1 < Hex.size(); i += 2)
      Bytes += static_cast<char>(std::stoi(Hex.substr(i, 2), nullptr, 16));
    EXPECT_EQ(Bytes, Odd) << Command[0];
  }
}

} // namespace
} // namespace velastrin::cli
