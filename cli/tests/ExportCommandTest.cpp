// "velastrin export" in-process: outputs byte for byte, names, signals by number and label,
// failures that let the others go on, and the refusals that write nothing.
#include "cli/ExportCommand.h"
#include "cli/CommandLine.h"
#include "cli/tests/CliTestSupport.h"
#include "edf/uEDF.h"
#include "edf/uEDFLayout.h"
#include "export/SignalExport.h"
#include "export/tests/ExportTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velastrin::cli {
namespace {

using namespace velastrin::testing;

// Every file under Dir, relative, sorted.
std::vector<std::string> Tree(const TTempDir& Dir) {
  std::vector<std::string> Out;
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Dir.Path()))
    if (Entry.is_regular_file())
      Out.push_back(Entry.path().lexically_relative(Dir.Path()).string());
  std::sort(Out.begin(), Out.end());
  return Out;
}

// The fixture's second label has a leading blank: each file is read leniently, and said so.
std::string LenientNote(const std::string& Path) {
  return Path + ": warning: read leniently: 1 header field; see velastrin check " + Path + "\n";
}

class ExportCommand : public ::testing::Test {
protected:
  // night.edf beside the folder's two recordings in sub/: three inputs.
  void MakeStudy() {
    std::filesystem::create_directories(Dir.File("study/sub"));
    WriteEdf(Dir.File("study/night.edf"), ThreeSignalFixture(3));
    WriteEdf(Dir.File("study/sub/a.EDF"), ThreeSignalFixture(5));
    WriteEdf(Dir.File("study/sub/b.edf"), ThreeSignalFixture(2));
  }
  TTempDir Dir;
};

class ExportJobs : public ExportCommand, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExportJobs, FolderIsExportedBesideEachInputTheSameWhateverTheJobs) {
  MakeStudy();
  const TCliRun Run = RunCli(
      {"export", "--signal", "2", "--sep", "comma", "--jobs", GetParam(), Dir.File("study")});
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Out, "");
  EXPECT_EQ(Run.Err, LenientNote(Dir.File("study/night.edf")) +
                         LenientNote(Dir.File("study/sub/a.EDF")) +
                         LenientNote(Dir.File("study/sub/b.edf")) + "3 exported\n");
  EXPECT_EQ(Tree(Dir),
            (std::vector<std::string>{"study/night.ascii", "study/night.edf", "study/night.txt",
                                      "study/sub/a.EDF", "study/sub/a.ascii", "study/sub/a.txt",
                                      "study/sub/b.ascii", "study/sub/b.edf", "study/sub/b.txt"}));
  const TSignalFixture Eog = ThreeSignalFixture().Signals[1];
  EXPECT_EQ(ReadFile(Dir.File("study/sub/a.ascii")), ExpectedData(Eog, 0, 5, ",", true));
  EXPECT_EQ(ReadFile(Dir.File("study/sub/b.ascii")), ExpectedData(Eog, 0, 2, ",", true));
  const std::string Info = ReadFile(Dir.File("study/sub/b.txt"));
  EXPECT_EQ(Info.rfind("\"FileName:" + Dir.File("study/sub/b.edf") + "\",\"Patient:", 0), 0u);
  EXPECT_EQ(Info.substr(Info.find("\"SignalNumber:")),
            "\"SignalNumber:2\",\"SignalLabel: EOG horizontal\",\"SampleFrequency:2Hz\","
            "\"Physical value uV = (ASCII-0)*0.1+0");
}

INSTANTIATE_TEST_SUITE_P(Cli, ExportJobs, ::testing::Values("1", "2", "8"));

// The data file with every separator equals what the desktop program's engine writes.
class ExportSeparator : public ExportCommand,
                        public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
};

TEST_P(ExportSeparator, WritesTheSeparatorAndTheDefaultIsCrLf) {
  const TEdfFixture Fixture = ThreeSignalFixture(3);
  WriteEdf(Dir.File("n.edf"), Fixture);
  std::vector<std::string> Args{"export", "-s", "1", Dir.File("n.edf")};
  if (*GetParam().first)
    Args.insert(Args.begin() + 1, {"--sep", GetParam().first});
  const TCliRun Run = RunCli(Args);
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  const std::string Sep = GetParam().second;
  EXPECT_EQ(ReadFile(Dir.File("n.ascii")), ExpectedData(Fixture.Signals[0], 0, 3, Sep, true));
  EXPECT_NE(ReadFile(Dir.File("n.txt")).find("\"SignalNumber:1\"" + Sep), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Cli, ExportSeparator,
                         ::testing::Values(std::pair{"space", " "}, std::pair{"comma", ","},
                                           std::pair{"tab", "\t"}, std::pair{"crlf", "\r\n"},
                                           std::pair{"", "\r\n"}));

TEST_F(ExportCommand, OutputFolderTakesTheOutputsAndInputsStayUnchanged) {
  MakeStudy();
  std::filesystem::create_directories(Dir.File("out"));
  const std::string Before = ReadFile(Dir.File("study/sub/a.EDF"));
  const TCliRun Run = RunCli({"export", "--signal", "1", "--out", Dir.File("out"),
                              Dir.File("study/sub/a.EDF"), Dir.File("study/night.edf")});
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Tree(Dir), (std::vector<std::string>{"out/a.ascii", "out/a.txt", "out/night.ascii",
                                                 "out/night.txt", "study/night.edf",
                                                 "study/sub/a.EDF", "study/sub/b.edf"}));
  EXPECT_EQ(ReadFile(Dir.File("study/sub/a.EDF")), Before);
}

struct TLabelCase {
  const char* Name;
  const char* Signal;
  int Expected; // signal number; 0: the file fails
  const char* Warning;
};

void PrintTo(const TLabelCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class SignalChoice : public ::testing::TestWithParam<TLabelCase> {};

TEST_P(SignalChoice, NumberOrLabelWithoutTrailingBlanksAndLetterCase) {
  const TLabelCase& C = GetParam();
  TTempDir Dir;
  TEdfFixture Fixture = ThreeSignalFixture(1);
  Fixture.Signals.push_back(Fixture.Signals[0]); // a second "EEG Fpz-Cz", signal 4
  WriteEdf(Dir.File("n.edf"), Fixture);
  TEDFFile File;
  OpenForExport(File, Dir.File("n.edf"));
  int Matches = 0;
  if (C.Expected == 0) {
    EXPECT_THROW(ChooseSignal(File, C.Signal, Matches), std::runtime_error);
    return;
  }
  EXPECT_EQ(ChooseSignal(File, C.Signal, Matches), C.Expected);
  EXPECT_EQ(Matches > 1, *C.Warning != 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, SignalChoice,
    ::testing::Values(TLabelCase{"Number", "3", 3, ""}, TLabelCase{"LastNumber", "4", 4, ""},
                      TLabelCase{"NumberBeyondTheSignals", "5", 0, ""},
                      TLabelCase{"NumberZero", "0", 0, ""},
                      TLabelCase{"HugeNumber", "99999999999999999999", 0, ""},
                      TLabelCase{"LabelInOtherCase", "emg SUBMENTAL", 3, ""},
                      TLabelCase{"LabelWithTrailingBlanks", "EMG submental  ", 3, ""},
                      TLabelCase{"LeadingBlankCounts", " EOG horizontal", 2, ""},
                      TLabelCase{"LeadingBlankMissing", "EOG horizontal", 0, ""},
                      TLabelCase{"SharedLabelTakesTheFirst", "eeg fpz-cz", 1, "warn"},
                      TLabelCase{"UnknownLabel", "ECG", 0, ""}),
    [](const ::testing::TestParamInfo<TLabelCase>& Info) { return Info.param.Name; });

TEST_F(ExportCommand, SharedLabelWarnsAndExportsTheFirst) {
  TEdfFixture Fixture = ThreeSignalFixture(1);
  Fixture.Signals.push_back(Fixture.Signals[2]);
  WriteEdf(Dir.File("n.edf"), Fixture);
  const TCliRun Run = RunCli({"export", "--signal", "EMG SUBMENTAL", Dir.File("n.edf")});
  EXPECT_EQ(Run.Status, 0);
  EXPECT_EQ(Run.Err, LenientNote(Dir.File("n.edf")) + Dir.File("n.edf") +
                         ": warning: 2 signals are labelled \"EMG SUBMENTAL\"; signal 3 exported\n"
                         "1 exported\n");
}

TEST_F(ExportCommand, FailedFilesAreReportedAtTheEndAndTheOthersAreExported) {
  MakeStudy();
  WriteFileBytes(Dir.File("study/sub/broken.edf"), std::string(300, '?'));
  TEdfFixture One = ThreeSignalFixture(2);
  One.Signals.resize(1);
  WriteEdf(Dir.File("study/one.edf"), One);
  const TCliRun Run =
      RunCli({"export", "--signal", "2", Dir.File("missing.edf"), Dir.File("study")});
  EXPECT_EQ(Run.Status, 1);
  const std::string Expected = Dir.File("missing.edf") + ": No such file or directory\n" +
                               Dir.File("study/one.edf") +
                               ": signal number 2 out of range: the file has 1 signal\n" +
                               Dir.File("study/sub/broken.edf") + ": the header is not valid\n";
  EXPECT_NE(Run.Err.find(Expected), std::string::npos) << Run.Err;
  EXPECT_NE(Run.Err.find("\n  field Version: \"????????\"\n"), std::string::npos) << Run.Err;
  EXPECT_EQ(Run.Err.substr(Run.Err.size() - 22), "\n3 exported, 3 failed\n");
  EXPECT_TRUE(std::filesystem::exists(Dir.File("study/sub/b.ascii")));
  EXPECT_FALSE(std::filesystem::exists(Dir.File("study/one.txt")));
  EXPECT_FALSE(std::filesystem::exists(Dir.File("study/sub/broken.txt")));
  EXPECT_TRUE(LiveTemporaryFiles().empty());
}

TEST_F(ExportCommand, MissingOutputFolderIsMadeWithItsParents) {
  WriteEdf(Dir.File("n.edf"), ThreeSignalFixture(1));
  const TCliRun Run =
      RunCli({"export", "-s", "1", "-o", Dir.File("none/deeper"), Dir.File("n.edf")});
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_TRUE(std::filesystem::exists(Dir.File("none/deeper/n.ascii")));
}

// ---- Refusals: status 2, nothing written ---------------------------------------------------

TEST_F(ExportCommand, TwoInputsWithOneOutputNameWriteNothingAndNameBoth) {
  MakeStudy();
  WriteEdf(Dir.File("study/sub/night.edf"), ThreeSignalFixture(1));
  std::filesystem::create_directories(Dir.File("out"));
  const TCliRun Run = RunCli({"export", "-s", "1", "-o", Dir.File("out"), Dir.File("study")});
  EXPECT_EQ(Run.Status, 2);
  EXPECT_EQ(Run.Err, "velastrin export: \"" + Dir.File("study/night.edf") + "\" and \"" +
                         Dir.File("study/sub/night.edf") + "\" would both be exported to \"" +
                         Dir.File("out/night.txt") + "\"; nothing written\n");
  EXPECT_TRUE(std::filesystem::is_empty(Dir.File("out")));
}

TEST_F(ExportCommand, NamesDifferingOnlyInTheExtensionCaseClashToo) {
  WriteEdf(Dir.File("n.edf"), ThreeSignalFixture(1));
  WriteEdf(Dir.File("n.EDF"), ThreeSignalFixture(1));
  const TCliRun Run = RunCli({"export", "-s", "1", Dir.Path().string()});
  EXPECT_EQ(Run.Status, 2);
  EXPECT_NE(Run.Err.find("would both be exported to"), std::string::npos);
  EXPECT_EQ(Tree(Dir), (std::vector<std::string>{"n.EDF", "n.edf"}));
}

TEST_F(ExportCommand, OutputThatIsAnInputIsRefusedAlsoThroughALink) {
  WriteEdf(Dir.File("n.edf"), ThreeSignalFixture(1));
  WriteEdf(Dir.File("m.edf"), ThreeSignalFixture(1));
  std::filesystem::create_symlink(Dir.File("m.edf"), Dir.File("n.ascii"));
  const std::string Before = ReadFile(Dir.File("m.edf"));
  const TCliRun Run = RunCli({"export", "-s", "1", Dir.File("n.edf"), Dir.File("m.edf")});
  EXPECT_EQ(Run.Status, 2);
  EXPECT_EQ(Run.Err, "velastrin export: the output \"" + Dir.File("n.ascii") + "\" of \"" +
                         Dir.File("n.edf") + "\" is the input \"" + Dir.File("m.edf") +
                         "\"; nothing written\n");
  EXPECT_EQ(ReadFile(Dir.File("m.edf")), Before);
  EXPECT_EQ(Tree(Dir), (std::vector<std::string>{"m.edf", "n.ascii", "n.edf"}));
}

// Files that are no recording, asked for every signal in any form: each fails as for signal 1,
// and nothing is left behind.
TEST_F(ExportCommand, NoRecordingFailsForEverySignalAsForOne) {
  WriteEdf(Dir.File("x.edf"), ThreeSignalFixture(1));
  std::string NoSignals = ReadFile(Dir.File("x.edf")).substr(0, 256);
  NoSignals.replace(GeneralFieldOffset(TGeneralField::HeaderBytes), 8, "256     ");
  NoSignals.replace(GeneralFieldOffset(TGeneralField::NrSignals), 4, "0   ");
  std::string Noise(300, '\0'); // a header of bytes that are no fields at all
  for (std::size_t i = 0; i < Noise.size(); ++i)
    Noise[i] = static_cast<char>(i * 73 + 41);
  for (const std::string& Content : {std::string("hello\n"), NoSignals, Noise}) {
    const std::string Input = Dir.Write("x.edf", Content);
    const TCliRun One = RunCli({"export", "-s", "1", Input});
    ASSERT_TRUE(One.Err.ends_with("\n0 exported, 1 failed\n")) << One.Err;
    for (const char* Option : {"--sep=comma", "--time=offset", "--layout=columns"}) {
      const TCliRun Run = RunCli({"export", "--signal", "all", Option, Input});
      EXPECT_EQ(Run.Status, 1) << Option;
      EXPECT_EQ(Run.Err, One.Err) << Option;
      EXPECT_EQ(Tree(Dir), std::vector<std::string>{"x.edf"});
    }
  }
}

// A rename that fails (a folder holds the data file's name) fails the file, and its
// information file, renamed before, goes too.
TEST_F(ExportCommand, FailedRenameLeavesNoHalfOfTheOutputs) {
  WriteEdf(Dir.File("n.edf"), ThreeSignalFixture(1));
  WriteEdf(Dir.File("m.edf"), ThreeSignalFixture(2));
  std::filesystem::create_directories(Dir.File("n.ascii/inside"));
  const TCliRun Run =
      RunCli({"export", "-s", "1", "--overwrite", Dir.File("n.edf"), Dir.File("m.edf")});
  EXPECT_EQ(Run.Status, 1);
  EXPECT_NE(Run.Err.find(Dir.File("n.edf") + ": Cannot rename"), std::string::npos) << Run.Err;
  EXPECT_TRUE(Run.Err.ends_with("\n1 exported, 1 failed\n")) << Run.Err;
  EXPECT_EQ(Tree(Dir), (std::vector<std::string>{"m.ascii", "m.edf", "m.txt", "n.edf"}));
}

TEST_F(ExportCommand, ExplicitInputWithTheOutputExtensionIsRefused) {
  WriteEdf(Dir.File("n.txt"), ThreeSignalFixture(1));
  const TCliRun Run = RunCli({"export", "-s", "1", Dir.File("n.txt")});
  EXPECT_EQ(Run.Status, 2);
  EXPECT_NE(Run.Err.find("is the input"), std::string::npos);
}

struct TUsageCase {
  const char* Name;
  std::vector<std::string> Args;
  const char* ErrPart;
};

void PrintTo(const TUsageCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class UsageError : public ::testing::TestWithParam<TUsageCase> {};

TEST_P(UsageError, PrintsTheUsageOnStandardErrorAndEndsWithStatusTwo) {
  TTempDir Dir;
  WriteEdf(Dir.File("n.edf"), ThreeSignalFixture(1));
  std::vector<std::string> Args = GetParam().Args;
  for (std::string& Arg : Args)
    if (Arg == "@")
      Arg = Dir.File("n.edf");
    else if (Arg == "@dir")
      Arg = Dir.File("nothing");
  if (std::string(GetParam().Name) == "FolderWithoutEdfFiles")
    std::filesystem::create_directories(Dir.File("nothing"));
  const TCliRun Run = RunCli(Args);
  EXPECT_EQ(Run.Status, 2);
  EXPECT_EQ(Run.Out, "");
  EXPECT_NE(Run.Err.find(GetParam().ErrPart), std::string::npos) << Run.Err;
  // The reason is the last line (a batch job's log ends with it), never the usage.
  const std::string Last = Run.Err.substr(Run.Err.rfind('\n', Run.Err.size() - 2) + 1);
  EXPECT_TRUE(Last.starts_with("velastrin") && Last.find("Usage") == std::string::npos) << Last;
  EXPECT_EQ(Tree(Dir), (std::vector<std::string>{"n.edf"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, UsageError,
    ::testing::Values(
        TUsageCase{"MissingSignal", {"export", "@"}, "--signal is required"},
        TUsageCase{"UnknownOption", {"export", "-s", "1", "--fast", "@"}, "Usage:"},
        TUsageCase{"UnknownSeparator", {"export", "-s", "1", "--sep", "semicolon", "@"}, "--sep"},
        TUsageCase{"ZeroJobs", {"export", "-s", "1", "--jobs", "0", "@"}, "--jobs"},
        TUsageCase{"NoPath", {"export", "-s", "1"}, "no input given"},
        TUsageCase{"NoInputFound", {"export", "-s", "1", "@dir"}, "no input found"},
        TUsageCase{"FolderWithoutEdfFiles", {"export", "-s", "1", "@dir"}, "no EDF files"},
        TUsageCase{"UnknownCommand", {"merge", "@"}, "unknown command \"merge\""}),
    [](const ::testing::TestParamInfo<TUsageCase>& Info) { return Info.param.Name; });

TEST(CommandLine, HelpListsTheCommandsNextToTheDesktopParametersAndVersionIsOneLine) {
  const TCliRun Help = RunCli({"--help"});
  EXPECT_EQ(Help.Status, 0);
  EXPECT_NE(Help.Out.find("EDFInputfile SignalNumber [InfoOutputFile [DataOutputFile]]"),
            std::string::npos);
  EXPECT_NE(Help.Out.find("/BATCH"), std::string::npos);
  EXPECT_NE(Help.Out.find("\n  export    Export one signal"), std::string::npos) << Help.Out;
  const TCliRun ExportHelp = RunCli({"export", "--help"});
  EXPECT_EQ(ExportHelp.Status, 0);
  EXPECT_NE(ExportHelp.Out.find("--signal"), std::string::npos);
  EXPECT_NE(ExportHelp.Out.find("--jobs"), std::string::npos);
  const TCliRun Version = RunCli({"--version"});
  EXPECT_EQ(Version.Status, 0);
  EXPECT_EQ(Version.Out.rfind("velastrin ", 0), 0u);
  EXPECT_EQ(std::count(Version.Out.begin(), Version.Out.end(), '\n'), 1);
  EXPECT_EQ(RunCli({"export", "--version"}).Out, Version.Out);
}

TEST(CommandLine, OnlyHelpVersionAndCommandNamesGoToTheTool) {
  for (const char* Name : {"--help", "--version", "export", "check", "repair"})
    EXPECT_TRUE(IsCommandLineTool(Name)) << Name;
  for (const char* Name : {"night.edf", "/h", "-h", "/?", "Export", "", "--batch"})
    EXPECT_FALSE(IsCommandLineTool(Name)) << Name;
}

} // namespace
} // namespace velastrin::cli
