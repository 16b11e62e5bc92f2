// The built program run as a script runs it: exit statuses, standard error and the files.
#include "app/Main.h"
#include "app/tests/AppTestSupport.h"

#include <QProcess>
#include <edflib.h>
#include <gtest/gtest.h>

#include <sstream>

namespace velastrin {
namespace {

using namespace velastrin::testing;

struct TRun {
  int Status = -1;
  std::string StdErr;
};

// Runs the program without any display, as on a server.
TRun RunProgram(const std::vector<std::string>& Params) {
  QProcess Process;
  QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
  Environment.remove("DISPLAY");
  Environment.remove("WAYLAND_DISPLAY");
  Environment.remove("QT_QPA_PLATFORM");
  Environment.insert("LC_ALL", "C");
  Process.setProcessEnvironment(Environment);
  QStringList Args;
  for (const std::string& Param : Params)
    Args << QString::fromStdString(Param);
  Process.start(QStringLiteral(VELASTRIN_EXE), Args);
  TRun Run;
  if (!Process.waitForFinished(60000) || Process.exitStatus() != QProcess::NormalExit)
    return Run;
  Run.Status = Process.exitCode();
  Run.StdErr = Process.readAllStandardError().toStdString();
  return Run;
}

class BatchRun : public ::testing::Test {
protected:
  void SetUp() override { WriteEdf(Input, Fixture); }
  TTempDir Dir;
  const TEdfFixture Fixture = ThreeSignalFixture(4);
  const std::string Input = Dir.File("night.edf");
  const std::string InfoName = Dir.File("out/info.txt");
  const std::string DataName = Dir.File("out/data.ascii");
};

struct TSeparatorCase {
  const char* Switch;
  const char* Text;
};

void PrintTo(const TSeparatorCase& Case, std::ostream* Out) {
  *Out << Case.Switch;
}

class BatchSeparator : public BatchRun, public ::testing::WithParamInterface<TSeparatorCase> {};

TEST_P(BatchSeparator, ExportsAndEndsWithStatusZero) {
  std::filesystem::create_directories(Dir.File("out"));
  const TRun Run = RunProgram({Input, "2", InfoName, DataName, GetParam().Switch, "/BATCH"});
  EXPECT_EQ(Run.Status, ExitStatus::Success) << Run.StdErr;
  EXPECT_EQ(Run.StdErr, "");
  EXPECT_EQ(ReadFile(DataName), ExpectedData(Fixture.Signals[1], 0, 4, GetParam().Text, true));
  const std::string Info = ReadFile(InfoName);
  EXPECT_EQ(Info.rfind("\"FileName:" + Input + "\"" + GetParam().Text, 0), 0u) << Info;
}

INSTANTIATE_TEST_SUITE_P(Batch, BatchSeparator,
                         ::testing::Values(TSeparatorCase{"/SPACE", " "},
                                           TSeparatorCase{"-comma", ","},
                                           TSeparatorCase{"/Tab", "\t"},
                                           TSeparatorCase{"/CRLF", "\r\n"}),
                         [](const ::testing::TestParamInfo<TSeparatorCase>& Info) {
                           return std::string(Info.param.Switch + 1);
                         });

// The bundled sample, exported by the program and read independently with edflib.
class SampleExport : public ::testing::TestWithParam<TSeparatorCase> {};

TEST_P(SampleExport, MatchesTheSamplesReadByEdflib) {
  TTempDir Dir;
  const std::string Sample = VELASTRIN_SAMPLE;
  const std::string InfoName = Dir.File("eeg.txt"), DataName = Dir.File("eeg.ascii");
  const TRun Run = RunProgram({Sample, "5", InfoName, DataName, GetParam().Switch, "/BATCH"});
  ASSERT_EQ(Run.Status, ExitStatus::Success) << Run.StdErr;

  edf_hdr_struct Header{};
  ASSERT_EQ(edfopen_file_readonly(Sample.c_str(), &Header, EDFLIB_DO_NOT_READ_ANNOTATIONS), 0);
  const int Signal = 4; // signal number 5, 0-based
  const long long Count = Header.signalparam[Signal].smp_in_file;
  std::vector<int> Samples(static_cast<std::size_t>(Count));
  ASSERT_EQ(edfread_digital_samples(Header.handle, Signal, static_cast<int>(Count), Samples.data()),
            Count);
  edfclose_file(Header.handle);
  std::string Expected;
  for (long long i = 0; i < Count; ++i)
    Expected += std::to_string(Samples[static_cast<std::size_t>(i)]) +
                (i + 1 < Count ? GetParam().Text : "");
  EXPECT_EQ(ReadFile(DataName), Expected);

  const std::string S = GetParam().Text;
  EXPECT_EQ(ReadFile(InfoName),
            "\"FileName:" + Sample + "\"" + S + "\"Patient:X-0042 F 12-JUN-1978 Sample_Subject\"" +
                S + "\"Recording:Startdate 07-DEC-2026 PSG-0042 NN Velastrin_sample_generator\"" +
                S + "\"StartTime:07.Dec.2026 22.30.00\"" + S + "\"StopTime:07.Dec.2026 22.35.00\"" +
                S + "\"SignalNumber:5\"" + S + "\"SignalLabel:EMG submental\"" + S +
                "\"SampleFrequency:200Hz\"" + S +
                "\"Physical value uV = (ASCII+32768)*0.00305180437933928-100");
}

INSTANTIATE_TEST_SUITE_P(Batch, SampleExport,
                         ::testing::Values(TSeparatorCase{"/SPACE", " "},
                                           TSeparatorCase{"-comma", ","},
                                           TSeparatorCase{"/Tab", "\t"},
                                           TSeparatorCase{"/CRLF", "\r\n"}),
                         [](const ::testing::TestParamInfo<TSeparatorCase>& Info) {
                           return std::string(Info.param.Switch + 1);
                         });

TEST_F(BatchRun, MissingInputCannotStart) {
  const TRun Run = RunProgram({Dir.File("absent.edf"), "1", InfoName, DataName, "/BATCH"});
  EXPECT_EQ(Run.Status, ExitStatus::NotStarted);
  EXPECT_EQ(Run.StdErr, "No valid EDF file selected: \"" + Dir.File("absent.edf") + "\"\n");
  EXPECT_FALSE(std::filesystem::exists(InfoName));
}

TEST_F(BatchRun, InputThatIsNotEdfCannotStart) {
  const std::string Text = Dir.File("text.edf");
  WriteFileBytes(Text, std::string(2000, 'a'));
  const TRun Run = RunProgram({Text, "1", InfoName, DataName, "/BATCH"});
  EXPECT_EQ(Run.Status, ExitStatus::NotStarted);
  EXPECT_NE(Run.StdErr.find("No valid EDF file selected"), std::string::npos);
}

TEST_F(BatchRun, BlankOutputNameCannotStart) {
  const TRun Run = RunProgram({Input, "1", " ", DataName, "/BATCH"});
  EXPECT_EQ(Run.Status, ExitStatus::NotStarted);
  EXPECT_EQ(Run.StdErr, "No output file name given\n");
}

TEST_F(BatchRun, OutputInMissingFolderFailsWithTheErrorOnStandardError) {
  const TRun Run = RunProgram({Input, "1", InfoName, DataName, "/BATCH"});
  EXPECT_EQ(Run.Status, ExitStatus::ExportFailed);
  EXPECT_NE(Run.StdErr.find("Cannot create file \"" + InfoName + "\". "), std::string::npos)
      << Run.StdErr;
  EXPECT_NE(Run.StdErr.find("Exception raised!: There was an exception during the export\n"),
            std::string::npos)
      << Run.StdErr;
}

TEST_F(BatchRun, DefaultOutputNamesSitNextToTheInput) {
  const TRun Run = RunProgram({Input, "3", "/BATCH"});
  EXPECT_EQ(Run.Status, ExitStatus::Success) << Run.StdErr;
  EXPECT_EQ(ReadFile(Dir.File("night.ascii")),
            ExpectedData(Fixture.Signals[2], 0, 4, "\r\n", true));
  EXPECT_TRUE(std::filesystem::exists(Dir.File("night.txt")));
}

TEST_F(BatchRun, FolderAsInputCannotStart) {
  const TRun Run = RunProgram({Dir.Path().string(), "1", InfoName, DataName, "/BATCH"});
  EXPECT_EQ(Run.Status, ExitStatus::NotStarted);
  EXPECT_NE(Run.StdErr.find("No valid EDF file selected"), std::string::npos);
}

TEST_F(BatchRun, FolderAsOutputFailsAndLeavesTheInputAlone) {
  const std::string Before = ReadFile(Input);
  const TRun Run = RunProgram({Input, "1", Dir.Path().string(), DataName, "/BATCH"});
  EXPECT_EQ(Run.Status, ExitStatus::ExportFailed);
  EXPECT_NE(Run.StdErr.find("Cannot create file \"" + Dir.Path().string() + "\". "),
            std::string::npos)
      << Run.StdErr;
  EXPECT_EQ(ReadFile(Input), Before);
}

TEST_F(BatchRun, SignalNumberOutOfRangeExportsTheLastSignal) {
  std::filesystem::create_directories(Dir.File("out"));
  const TRun Run = RunProgram({Input, "99", InfoName, DataName, "/BATCH"});
  EXPECT_EQ(Run.Status, ExitStatus::Success) << Run.StdErr;
  EXPECT_EQ(ReadFile(DataName), ExpectedData(Fixture.Signals[2], 0, 4, "\r\n", true));
}

TEST_F(BatchRun, InteractiveStartWithoutDisplayPrintsHelp) {
  const TRun Run = RunProgram({Input, "1"});
  EXPECT_EQ(Run.Status, ExitStatus::NotStarted);
  EXPECT_NE(Run.StdErr.find("The possible commandline parameters are:\n\nEDFInputfile"),
            std::string::npos)
      << Run.StdErr;
  EXPECT_EQ(Run.StdErr.find('\r'), std::string::npos);
}

TEST_F(BatchRun, HelpSwitchWinsOverBatch) {
  const TRun Run = RunProgram({Input, "1", "/BATCH", "-?"});
  EXPECT_EQ(Run.Status, ExitStatus::NotStarted);
  EXPECT_NE(Run.StdErr.find("/BATCH for runnning the program without user interaction"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Dir.File("night.txt")));
}

TEST_F(BatchRun, InfoSwitchListsEveryUnitOnceInStartOrder) {
  std::filesystem::create_directories(Dir.File("out"));
  const TRun Run = RunProgram({Input, "2", InfoName, DataName, "/BATCH", "/INFO"});
  EXPECT_EQ(Run.Status, ExitStatus::Success) << Run.StdErr;
  std::vector<std::string> Lines;
  std::istringstream Stream(Run.StdErr);
  for (std::string Line; std::getline(Stream, Line);)
    Lines.push_back(Line);
  const std::vector<std::string> Units = {"udRoot", "uMath", "udStr",  "uDateTime",
                                          "uTAL",   "uUCS",  "udDisk", "uEDF"};
  ASSERT_EQ(Lines.size(), Units.size() + 1) << Run.StdErr;
  EXPECT_EQ(Lines[0], std::string("Unit information for program ") + VELASTRIN_EXE);
  for (std::size_t i = 0; i < Units.size(); ++i)
    EXPECT_EQ(Lines[i + 1].rfind("UnitName: " + Units[i] + " Version: ", 0), 0u) << Lines[i + 1];
  EXPECT_NE(Run.StdErr.find("UnitName: udStr Version: 1.1.4 Author: Torvane Last Modified: "
                            "3/17/2003 3:05:00 PM\n"),
            std::string::npos);
  // The export itself is not disturbed by the switch.
  EXPECT_EQ(ReadFile(DataName), ExpectedData(Fixture.Signals[1], 0, 4, "\r\n", true));
}

} // namespace
} // namespace velastrin
