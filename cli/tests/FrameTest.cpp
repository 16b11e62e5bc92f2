// The frame every subcommand shares: shards of the input list, file lists, the JSON line of an
// input that gave no file, the output folder, existing outputs, unknown commands.
#include "cli/Inputs.h"
#include "cli/tests/CliTestSupport.h"
#include "export/tests/ExportTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace velastrin::cli {
namespace {

namespace fs = std::filesystem;
using namespace velastrin::testing;

// Every entry in exactly one of N shards, in sorted order, slices differing by at most one,
// for lists shorter than, as long as and longer than N.
TEST(Shard, EveryEntryIsTakenByExactlyOneOfTheShards) {
  for (const std::size_t Count : {0u, 1u, 2u, 5u, 7u, 20u})
    for (const std::size_t N : {1u, 2u, 3u, 4u, 7u, 20u, 21u, 100u}) {
      std::vector<TInput> Entries;
      for (std::size_t i = Count; i > 0; --i) // unsorted on purpose
        Entries.push_back({"f" + std::to_string(1000 + i), 0, {}, {}});
      std::vector<std::string> Taken;
      std::size_t Smallest = Count, Largest = 0;
      for (std::size_t K = 1; K <= N; ++K) {
        const std::vector<TInput> Slice = ShardOf(Entries, {K, N});
        Smallest = std::min(Smallest, Slice.size());
        Largest = std::max(Largest, Slice.size());
        for (const TInput& Entry : Slice)
          Taken.push_back(Entry.Path);
      }
      EXPECT_TRUE(std::is_sorted(Taken.begin(), Taken.end())) << Count << " over " << N;
      EXPECT_EQ(std::unique(Taken.begin(), Taken.end()) - Taken.begin(), Count)
          << Count << "/" << N;
      EXPECT_LE(Largest - std::min(Smallest, Largest), 1u) << Count << " over " << N;
    }
  EXPECT_EQ(ParseShard("3/12").Index * 100 + ParseShard("3/12").Count, 312u);
  for (const char* Text : {"0/4", "3/2", "a/b", "1", "1/", "/3", "-1/3", "1/0", "1/3x", ""})
    EXPECT_THROW(ParseShard(Text), TUsageError) << Text;
}

TEST(FileList, LinesOrNulSeparatedPathsKeepTheirBytes) {
  const std::vector<std::tuple<std::string, bool, std::vector<std::string>>> Rows = {
      {"a.edf\nb c.edf\n\nd.edf", false, {"a.edf", "b c.edf", "d.edf"}},
      {std::string("a\nb.edf\0c.edf\0", 14), true, {"a\nb.edf", "c.edf"}},
      {"n\xE9.edf\n", false, {"n\xE9.edf"}},
      {"", false, {}},
  };
  for (const auto& [Text, Nul, Paths] : Rows) {
    std::istringstream List(Text);
    EXPECT_EQ(ReadFileList(List, Nul), Paths) << Text;
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
  std::map<std::string, std::string> Contents(const std::string& Folder) const {
    std::map<std::string, std::string> Files;
    for (const auto& Entry : fs::directory_iterator(Folder))
      Files[Entry.path().filename().string()] = ReadFile(Entry.path().string());
    return Files;
  }
  TTempDir Dir;
};

// The tasks take a list naming a missing file and share one output folder, each run after the
// one before: none of them refuses the outputs of another as existing, the missing file fails
// in one task only, with its reason.
TEST_F(Frame, ShardedRunsOfAListWriteExactlyTheOutputsOfOneRun) {
  MakeStudy(5);
  std::string Names = Dir.File("gone.edf") + "\n";
  for (const char* Name : {"a", "b", "c", "d", "e"})
    Names += Dir.File("study/" + std::string(Name) + ".edf") + "\n";
  const std::string List = Dir.Write("list", Names);
  ASSERT_EQ(RunCli({"export", "-s", "2", "-o", Dir.File("whole"), Dir.File("study")}).Status, 0);
  for (const int N : {2, 3, 7}) {
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
  EXPECT_EQ(RunCli({"check", "--files-from", Dir.File("no-list")}).Status, 2);
}

// Refused before anything is written: status 2, the reason, no file made or replaced.
TEST_F(Frame, RefusalsWriteNothing) {
  // "@" the study folder, "@other" another, "@file" a plain file, "@out" out/
  const std::vector<std::pair<std::vector<std::string>, const char*>> Rows = {
      {{"export", "-s", "1", "--shard", "0/4", "@"}, "1 <= K <= N"},
      {{"check", "--shard", "3/2", "@"}, "1 <= K <= N"},
      {{"repair", "-o", "@out", "--shard", "a/b", "@"}, "1 <= K <= N"},
      {{"export", "-s", "1", "-o", "@file/sub", "@"}, "output folder"},
      {{"repair", "-o", "@file", "@"}, "not a folder"},
      {{"export", "-s", "1", "@"}, "a.ascii\" exists; nothing written"},
      {{"exprot", "@"}, "unknown command \"exprot\""},
      {{"export", "-s", "1", "--shard", "2/2", "-o", "@out", "@", "@other"}, "would both be"},
      {{"repair", "--shard", "1/2", "-o", "@out", "@", "@other"}, "share the name"},
      {{"check", "--fast", "@"}, "--fast"},
  };
  MakeStudy(1);
  fs::create_directories(Dir.File("other"));
  WriteEdf(Dir.File("other/a.edf"), ThreeSignalFixture(1));
  WriteFileBytes(Dir.File("study/a.ascii"), "mine");
  const std::string File = Dir.Write("file", "x");
  for (const auto& [Row, ErrPart] : Rows) {
    std::vector<std::string> Args;
    for (const std::string& Arg : Row)
      Args.push_back(Arg == "@"                   ? Dir.File("study")
                     : Arg.rfind("@file", 0) == 0 ? File + Arg.substr(5)
                     : Arg[0] == '@'              ? Dir.File(Arg.substr(1))
                                                  : Arg);
    const TCliRun Run = RunCli(Args);
    EXPECT_EQ(Run.Status, 2) << Row[0] << Row[1];
    EXPECT_NE(Run.Err.find(ErrPart), std::string::npos) << Run.Err;
    EXPECT_EQ(ReadFile(Dir.File("study/a.ascii")), "mine");
    EXPECT_FALSE(fs::exists(Dir.File("study/a.txt")) || fs::exists(Dir.File("out"))) << ErrPart;
  }
  EXPECT_EQ(
      RunCli({"export", "-s", "1", "--sep", "CoMmA", "--overwrite", Dir.File("study")}).Status, 0);
  EXPECT_NE(ReadFile(Dir.File("study/a.ascii")).find(','), std::string::npos);
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
    std::istringstream Lines(RunCli(Args).Out);
    std::vector<nlohmann::json> Objects;
    for (std::string Line; std::getline(Lines, Line);)
      Objects.push_back(nlohmann::json::parse(Line));
    ASSERT_EQ(Objects.size(), Named.size()) << Command[0];
    for (const std::size_t Failed : {0u, 1u, 3u})
      EXPECT_EQ(Objects[Failed]["verdict"], "unreadable") << Command[0] << Failed;
    EXPECT_EQ(Objects[4]["file"], Named[4]);
    EXPECT_TRUE(Objects[4]["file_bytes"].is_null());
    std::string Bytes;
    const std::string Hex = Objects[2]["file_bytes"];
    for (std::size_t i = 0; i + 1 < Hex.size(); i += 2)
      Bytes += static_cast<char>(std::stoi(Hex.substr(i, 2), nullptr, 16));
    EXPECT_EQ(Bytes, Odd) << Command[0];
    // Also when no path named gave a file.
    Args = Command;
    Args.push_back(Named[0]);
    const TCliRun Missing = RunCli(Args);
    EXPECT_EQ(Missing.Status, 2);
    EXPECT_EQ(nlohmann::json::parse(Missing.Out)["file"], Named[0]) << Command[0];
  }
}

} // namespace
} // namespace velastrin::cli
