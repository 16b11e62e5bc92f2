// "velastrin check" and "velastrin repair" in-process: reports in input order whatever the
// jobs, JSON Lines, exit statuses, and the refusals that write nothing.
#include "check/tests/CheckTestSupport.h"
#include "check/uEDFFindings.h"
#include "cli/tests/CliTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

namespace velastrin::cli {
namespace {

using velastrin::testing::RunCli;
using velastrin::testing::TCliRun;
namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> Out;
  std::istringstream In(Text);
  for (std::string Line; std::getline(In, Line);)
    Out.push_back(Line);
  return Out;
}

std::vector<std::string> Files(const std::string& Folder) {
  std::vector<std::string> Out;
  for (const auto& Entry : fs::directory_iterator(Folder))
    Out.push_back(Entry.path().filename().string());
  std::sort(Out.begin(), Out.end());
  return Out;
}

class CheckCommand : public ::testing::Test {
protected:
  // study/a.edf valid, b.edf only lenient (a start time with colons), c.edf unreadable.
  void SetUp() override {
    fs::create_directories(Dir.File("study"));
    test::MakeRecording(A);
    test::MakeRecording(B);
    test::PatchBytes(B, 176, "10:20:30");
    test::MakeRecording(C);
    test::PatchBytes(C, 184, "1024    ");
  }
  test::TTempDir Dir;
  std::string A = Dir.File("study/a.edf");
  std::string B = Dir.File("study/b.edf");
  std::string C = Dir.File("study/c.edf");
};

TEST_F(CheckCommand, ReportsEveryFileInOrderWhateverTheJobs) {
  const TCliRun One = RunCli({"check", "--jobs", "1", Dir.File("study")});
  const TCliRun Two = RunCli({"check", "--jobs", "2", Dir.File("study")});
  EXPECT_EQ(One.Status, 2) << One.Err;
  EXPECT_EQ(One.Out, Two.Out);
  EXPECT_EQ(One.Err, "3 checked: 1 valid, 1 lenient, 1 unreadable\n");
  const std::vector<std::string> Out = Lines(One.Out);
  ASSERT_EQ(Out.size(), 5u) << One.Out;
  EXPECT_EQ(Out[0].rfind(A + ": valid (EDF, 2 signals", 0), 0u);
  EXPECT_EQ(Out[1].rfind(B + ": lenient", 0), 0u);
  EXPECT_EQ(Out[2], "  offset 176 width 8  StartTime: \"10:20:30\" time uses ':' instead of '.'; "
                    "lenient reading takes \"10:20:30\"");
  EXPECT_EQ(Out[3].rfind(C + ": unreadable", 0), 0u);
  EXPECT_NE(Out[4].find("HeaderBytes: \"1024    \" header size 1024 does not match 2 signals"),
            std::string::npos);
}

TEST_F(CheckCommand, JsonLinesHoldOneObjectPerFile) {
  const TCliRun Run = RunCli({"check", "--json", A, B});
  EXPECT_EQ(Run.Status, 1) << Run.Err;
  const std::vector<std::string> Out = Lines(Run.Out);
  ASSERT_EQ(Out.size(), 2u);
  const auto First = nlohmann::json::parse(Out[0]);
  const auto Second = nlohmann::json::parse(Out[1]);
  EXPECT_EQ(First["file"], A);
  EXPECT_EQ(First["verdict"], "valid");
  EXPECT_EQ(Second["verdict"], "lenient");
  EXPECT_EQ(Second["findings"][0]["field"], "StartTime");
  for (const char* Key : {"file", "verdict", "findings", "version", "start", "records",
                          "record_duration", "signals", "kind"})
    EXPECT_TRUE(Second.contains(Key)) << Key;
}

TEST_F(CheckCommand, StatusTellsTheWorstVerdict) {
  EXPECT_EQ(RunCli({"check", A}).Status, 0);
  EXPECT_EQ(RunCli({"check", A, B}).Status, 1);
  EXPECT_EQ(RunCli({"check", A, C}).Status, 2);
  const TCliRun Missing = RunCli({"check", A, Dir.File("missing.edf")});
  EXPECT_EQ(Missing.Status, 2);
  EXPECT_NE(Missing.Err.find("1 checked: 1 valid, 0 lenient, 0 unreadable, 1 missing"),
            std::string::npos)
      << Missing.Err;
  EXPECT_EQ(RunCli({"check", "--bogus", A}).Status, 2);
}

TEST_F(CheckCommand, HelpDocumentsTheJsonKeys) {
  const TCliRun Run = RunCli({"check", "--help"});
  EXPECT_EQ(Run.Status, 0);
  for (const char* Key : {"--json", "--jobs", "verdict", "findings", "offset", "lenient",
                          "record_duration", "records_stated", "signals"})
    EXPECT_NE(Run.Out.find(Key), std::string::npos) << Key;
}

TEST_F(CheckCommand, RepairCopiesOnlyTheLenientFile) {
  const std::string Out = Dir.File("fixed");
  const std::string Before = test::ReadBytes(B);
  const TCliRun Run = RunCli({"repair", "--out", Out, "--jobs", "2", Dir.File("study")});
  EXPECT_EQ(Run.Status, 1) << Run.Err; // c.edf could not be repaired
  EXPECT_EQ(Run.Err, "1 repaired, 1 already valid, 1 not repaired\n");
  EXPECT_EQ(Files(Out), std::vector<std::string>{"b.edf"});
  EXPECT_EQ(CollectFindings(Out + "/b.edf").Verdict, TEDFVerdict::Valid);
  EXPECT_EQ(test::LenientSamples(Out + "/b.edf"), test::LenientSamples(B));
  EXPECT_EQ(test::ReadBytes(B), Before);
  const std::vector<std::string> Lines_ = Lines(Run.Out);
  ASSERT_EQ(Lines_.size(), 4u) << Run.Out;
  EXPECT_EQ(Lines_[0], A + ": valid");
  EXPECT_EQ(Lines_[1], B + ": repaired -> " + Out + "/b.edf (3 records)");
  EXPECT_EQ(Lines_[2], "  StartTime: \"10:20:30\" -> \"10.20.30\"");
  EXPECT_EQ(Lines_[3].rfind(C + ": unreadable", 0), 0u);

  EXPECT_EQ(RunCli({"repair", "--out", Dir.File("again"), A, B}).Status, 0);
}

TEST_F(CheckCommand, RepairIntoAnInputsFolderWritesNothing) {
  const TCliRun Run = RunCli({"repair", "--out", Dir.File("study"), B});
  EXPECT_EQ(Run.Status, 2);
  EXPECT_NE(Run.Err.find("repair never writes beside its inputs; nothing written"),
            std::string::npos)
      << Run.Err;
  EXPECT_EQ(Files(Dir.File("study")), (std::vector<std::string>{"a.edf", "b.edf", "c.edf"}));
}

TEST_F(CheckCommand, RepairOfTwoInputsWithOneNameWritesNothing) {
  fs::create_directories(Dir.File("other"));
  test::MakeRecording(Dir.File("other/b.edf"));
  const TCliRun Run = RunCli({"repair", "-o", Dir.File("fixed"), B, Dir.File("other/b.edf")});
  EXPECT_EQ(Run.Status, 2);
  EXPECT_NE(Run.Err.find("share the name \"b.edf\""), std::string::npos) << Run.Err;
  EXPECT_FALSE(fs::exists(Dir.File("fixed")));
  EXPECT_EQ(RunCli({"repair", B}).Status, 2); // --out is required
}

#ifdef VELASTRIN_EXE
TEST_F(CheckCommand, BuiltProgramChecksAndRepairsWithoutADisplay) {
  const TCliRun Check = velastrin::testing::RunChild(VELASTRIN_EXE, {"check", "--json", A, B});
  EXPECT_EQ(Check.Status, 1) << Check.Err;
  EXPECT_EQ(Lines(Check.Out).size(), 2u);
  EXPECT_EQ(nlohmann::json::parse(Lines(Check.Out)[1])["verdict"], "lenient");
  const TCliRun Repair =
      velastrin::testing::RunChild(VELASTRIN_EXE, {"repair", "--out", Dir.File("fixed"), B});
  EXPECT_EQ(Repair.Status, 0) << Repair.Err;
  EXPECT_EQ(CollectFindings(Dir.File("fixed/b.edf")).Verdict, TEDFVerdict::Valid);
}
#endif

} // namespace
} // namespace velastrin::cli
