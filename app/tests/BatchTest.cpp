// The built program run as a script runs it: exit statuses, standard error and the files.
#include "app/Main.h"
#include "app/tests/AppTestSupport.h"
#include "edf/uEDFLayout.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <set>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velastrin {
namespace {

using namespace velastrin::testing;

struct TRun {
  int Status = -1;
  std::string StdErr;
};

// Runs the program without any display, as on a server. The parameters reach it as bytes,
// exactly as a shell passes them: no text conversion on the way.
TRun RunProgram(const std::vector<std::string>& Params) {
  std::vector<std::string> Environment;
  for (char** Entry = environ; *Entry; ++Entry) {
    const std::string Text = *Entry;
    const std::string Name = Text.substr(0, Text.find('='));
    if (Name != "DISPLAY" && Name != "WAYLAND_DISPLAY" && Name != "QT_QPA_PLATFORM" &&
        Name != "LC_ALL")
      Environment.push_back(Text);
  }
  Environment.push_back("LC_ALL=C");
  std::vector<std::string> Args{VELASTRIN_EXE};
  Args.insert(Args.end(), Params.begin(), Params.end());
  auto Pointers = [](std::vector<std::string>& Texts) {
    std::vector<char*> Result;
    for (std::string& Text : Texts)
      Result.push_back(Text.data());
    Result.push_back(nullptr);
    return Result;
  };
  std::vector<char*> Argv = Pointers(Args), Envp = Pointers(Environment);

  TRun Run;
  int Pipe[2];
  if (::pipe2(Pipe, O_CLOEXEC) != 0)
    return Run;
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&Actions, Pipe[1], 2);
  pid_t Child = -1;
  const int Spawned =
      posix_spawn(&Child, VELASTRIN_EXE, &Actions, nullptr, Argv.data(), Envp.data());
  posix_spawn_file_actions_destroy(&Actions);
  ::close(Pipe[1]);
  char Buffer[4096];
  for (ssize_t Count; Spawned == 0 && (Count = ::read(Pipe[0], Buffer, sizeof Buffer)) != 0;)
    if (Count > 0)
      Run.StdErr.append(Buffer, static_cast<std::size_t>(Count));
    else if (errno != EINTR)
      break;
  ::close(Pipe[0]);
  int WaitStatus = 0;
  if (Spawned == 0 && ::waitpid(Child, &WaitStatus, 0) == Child && WIFEXITED(WaitStatus))
    Run.Status = WEXITSTATUS(WaitStatus);
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
  EXPECT_EQ(Run.StdErr, "No valid EDF file selected: \"" + Dir.File("absent.edf") +
                            "\": the file does not exist\n");
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
  EXPECT_EQ(Run.StdErr.rfind("velastrin: no display to open the window on", 0), 0u) << Run.StdErr;
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

// ---- Refused starts and the names that must reach the system unchanged ----------------------

// Writes Text over the file's bytes at Offset.
void PatchBytes(const std::string& FileName, int64_t Offset, const std::string& Text) {
  std::string Bytes = ReadFile(FileName);
  Bytes.replace(static_cast<std::size_t>(Offset), Text.size(), Text);
  WriteFileBytes(FileName, Bytes);
}

std::set<std::string> FolderListing(const std::filesystem::path& Folder) {
  std::set<std::string> Names;
  for (const auto& Entry : std::filesystem::recursive_directory_iterator(Folder))
    Names.insert(Entry.path().string());
  return Names;
}

// A name in the root folder that no run may create.
std::string RootName(const char* Suffix) {
  return "/velastrin-test-" + std::to_string(::getpid()) + Suffix;
}

struct TStartCase {
  const char* Name;
  // Makes the files of the case beside Input (a valid three-signal file with four records)
  // and returns the parameters.
  std::function<std::vector<std::string>(const TTempDir& Dir, const std::string& Input)> Prepare;
  int Status;
  // Texts standard error must hold; "$DIR" stands for the case's folder.
  std::vector<std::string> StdErrHas;
  // Files (in the case's folder) a successful run writes, and the data file's separator.
  std::vector<std::string> Written = {};
  // The input is made unreadable for the run.
  bool Unreadable = false;
};

void PrintTo(const TStartCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class BatchStart : public ::testing::TestWithParam<TStartCase> {
protected:
  TTempDir Dir;
  const TEdfFixture Fixture = ThreeSignalFixture(4);
  const std::string Input = Dir.File("night.edf");
};

TEST_P(BatchStart, NeverHarmsTheInputAndSaysWhy) {
  const TStartCase& C = GetParam();
  if (C.Unreadable && ::geteuid() == 0)
    GTEST_SKIP() << "the superuser reads every file";
  WriteEdf(Input, Fixture);
  const std::vector<std::string> Params = C.Prepare(Dir, Input);
  const std::string Before = ReadFile(Input);
  const std::set<std::string> FilesBefore = FolderListing(Dir.Path());

  using std::filesystem::perms;
  if (C.Unreadable)
    std::filesystem::permissions(Input, perms::none);
  const TRun Run = RunProgram(Params);
  std::filesystem::permissions(Input, perms::owner_read | perms::owner_write);

  EXPECT_EQ(Run.Status, C.Status) << Run.StdErr;
  for (std::string Text : C.StdErrHas) {
    for (std::size_t Pos; (Pos = Text.find("$DIR")) != std::string::npos;)
      Text.replace(Pos, 4, Dir.Path().string());
    EXPECT_NE(Run.StdErr.find(Text), std::string::npos) << Text << "\n" << Run.StdErr;
  }
  EXPECT_EQ(ReadFile(Input), Before) << "the input changed";
  EXPECT_FALSE(std::filesystem::exists(RootName(".txt")));
  if (C.Status != ExitStatus::Success) {
    EXPECT_EQ(FolderListing(Dir.Path()), FilesBefore) << "a refused run wrote a file";
  } else {
    for (const std::string& Name : C.Written)
      EXPECT_TRUE(std::filesystem::exists(Dir.File(Name))) << Name;
    EXPECT_EQ(ReadFile(Dir.File(C.Written.back())),
              ExpectedData(Fixture.Signals[1], 0, 4, ",", true));
  }
}

const std::string Latin1Name = "caf\xE9";

INSTANTIATE_TEST_SUITE_P(
    Batch, BatchStart,
    ::
        testing::
            Values(TStartCase{"InfoOutputIsTheInput",
                              [](const TTempDir& D, const std::string& In) {
                                return std::vector<std::string>{
                                    In, "1", In, D.File("d.ascii"), "/COMMA", "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"The information file \"$DIR/night.edf\" is the input file"}},
                   TStartCase{
                       "DataOutputIsTheInput",
                       [](const TTempDir& D, const std::string& In) {
                         return std::vector<std::string>{In, "1", D.File("i.txt"), In, "/BATCH"};
                       },
                       ExitStatus::NotStarted,
                       {"The data file \"$DIR/night.edf\" is the input file \"$DIR/night.edf\""}},
                   TStartCase{"OutputIsASymbolicLinkToTheInput",
                              [](const TTempDir& D, const std::string& In) {
                                std::filesystem::create_symlink(In, D.File("link.txt"));
                                return std::vector<std::string>{In, "1", D.File("link.txt"),
                                                                D.File("d.ascii"), "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"The information file \"$DIR/link.txt\" is the input file"}},
                   TStartCase{"OutputIsAHardLinkToTheInput",
                              [](const TTempDir& D, const std::string& In) {
                                std::filesystem::create_hard_link(In, D.File("hard.ascii"));
                                return std::vector<std::string>{In, "1", D.File("i.txt"),
                                                                D.File("hard.ascii"), "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"The data file \"$DIR/hard.ascii\" is the input file"}},
                   TStartCase{"InputReachedThroughAnotherPath",
                              [](const TTempDir& D, const std::string&) {
                                std::filesystem::create_directories(D.File("sub"));
                                return std::vector<std::string>{D.File("sub/../night.edf"), "1",
                                                                D.File("night.edf"),
                                                                D.File("d.ascii"), "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"is the input file \"$DIR/sub/../night.edf\""}},
                   TStartCase{"BothOutputsOneNewFileInTheRootFolder",
                              [](const TTempDir&, const std::string& In) {
                                return std::vector<std::string>{In, "1", RootName(".txt"),
                                                                RootName(".txt"), "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"The information file \"" + RootName(".txt") +
                               "\" and the data file \"" + RootName(".txt") +
                               "\" are the same file"}},
                   TStartCase{"BothOutputsOneExistingFile",
                              [](const TTempDir& D, const std::string& In) {
                                WriteFileBytes(D.File("old.txt"), "keep");
                                std::filesystem::create_symlink(D.File("old.txt"),
                                                                D.File("alias.txt"));
                                return std::vector<std::string>{In, "1", D.File("old.txt"),
                                                                D.File("alias.txt"), "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"are the same file; nothing was written"}},
                   TStartCase{"MissingInputInTheRootFolder",
                              [](const TTempDir& D, const std::string&) {
                                return std::vector<std::string>{RootName(".edf"), "1",
                                                                D.File("i.txt"), D.File("d.ascii"),
                                                                "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"No valid EDF file selected: \"" + RootName(".edf") +
                               "\": the file does not exist\n"}},
                   TStartCase{"FolderAsInput",
                              [](const TTempDir& D, const std::string&) {
                                std::filesystem::create_directories(D.File("rec.edf"));
                                return std::vector<std::string>{D.File("rec.edf"), "1", "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"\"$DIR/rec.edf\": it is a folder, not a file\n"}},
                   TStartCase{"UnreadableInput",
                              [](const TTempDir&, const std::string& In) {
                                return std::vector<std::string>{In, "1", "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"\"$DIR/night.edf\": the file cannot be read: Permission denied\n"},
                              {},
                              true},
                   TStartCase{"BdfInput",
                              [](const TTempDir&, const std::string& In) {
                                PatchBytes(In, 0,
                                           "\xFF"
                                           "BIOSEMI");
                                return std::vector<std::string>{In, "1", "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"\"$DIR/night.edf\": BDF: export it with velastrin export"}},
                   TStartCase{"InputShorterThanAHeader",
                              [](const TTempDir& D, const std::string&) {
                                WriteFileBytes(D.File("short.edf"), "0       ");
                                return std::vector<std::string>{D.File("short.edf"), "1", "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"the file holds 8 bytes, fewer than the 256 of a header\n"}},
                   TStartCase{"RefusedHeaderNamesItsFields",
                              [](const TTempDir&, const std::string& In) {
                                PatchBytes(In, GeneralFieldOffset(TGeneralField::HeaderBytes),
                                           "12x4    ");
                                PatchBytes(In, SignalFieldOffset(TSignalField::Digimax, 3, 1),
                                           "abc     ");
                                return std::vector<std::string>{In, "1", "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"\"$DIR/night.edf\": the header is not valid\n",
                               "  field HeaderBytes: \"12x4    \"\n",
                               "  signal 2 field Digimax: \"abc     \"\n"}},
                   TStartCase{"StopTimeOutsideTheCalendar",
                              [](const TTempDir&, const std::string& In) {
                                PatchBytes(In, GeneralFieldOffset(TGeneralField::SampleRecDuration),
                                           "1E300   ");
                                return std::vector<std::string>{In, "1", "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"the stop time lies outside the calendar (years 1 to 9999)\n",
                               "  field SampleRecDuration: \"1E300   \"\n"}},
                   TStartCase{"NameThatIsNotUtf8Opens",
                              [](const TTempDir& D, const std::string& In) {
                                std::filesystem::copy_file(In, D.File(Latin1Name + ".edf"));
                                return std::vector<std::string>{D.File(Latin1Name + ".edf"),
                                                                "2",
                                                                D.File(Latin1Name + ".txt"),
                                                                D.File(Latin1Name + ".ascii"),
                                                                "-comma",
                                                                "/BATCH"};
                              },
                              ExitStatus::Success,
                              {},
                              {Latin1Name + ".txt", Latin1Name + ".ascii"}},
                   TStartCase{"DefaultNamesOfANameThatIsNotUtf8",
                              [](const TTempDir& D, const std::string& In) {
                                std::filesystem::copy_file(In, D.File(Latin1Name + ".edf"));
                                return std::vector<std::string>{D.File(Latin1Name + ".edf"), "2",
                                                                "/Comma", "/batch"};
                              },
                              ExitStatus::Success,
                              {},
                              {Latin1Name + ".txt", Latin1Name + ".ascii"}},
                   TStartCase{"MissingInputWithANameThatIsNotUtf8",
                              [](const TTempDir& D, const std::string&) {
                                return std::vector<std::string>{D.File(Latin1Name + ".edf"), "1",
                                                                "/BATCH"};
                              },
                              ExitStatus::NotStarted,
                              {"\"$DIR/" + Latin1Name + ".edf\": the file does not exist\n"}}),
    [](const ::testing::TestParamInfo<TStartCase>& Info) { return Info.param.Name; });

// Physical limits and signal numbers the batch export must not pass over in silence.
struct TLimitCase {
  const char* Name;
  std::string Physimin; // patched into signal 2's Physimin field; empty: left alone
  const char* Signal;
  int Status;
  const char* StdErrHas;  // empty: standard error stays empty
  const char* FormulaHas; // in the information file; empty when nothing is written
};

class BatchLimits : public ::testing::TestWithParam<TLimitCase> {};

TEST_P(BatchLimits, ExportTheFormulaTheHeaderMeansOrRefuse) {
  const TLimitCase& C = GetParam();
  TTempDir Dir;
  const std::string Input = Dir.File("night.edf"), Info = Dir.File("i.txt");
  WriteEdf(Input, ThreeSignalFixture(2));
  if (!C.Physimin.empty())
    PatchBytes(Input, SignalFieldOffset(TSignalField::Physimin, 3, 1), C.Physimin);
  const TRun Run = RunProgram({Input, C.Signal, Info, Dir.File("d.ascii"), "/COMMA", "/BATCH"});
  EXPECT_EQ(Run.Status, C.Status);
  EXPECT_EQ(Run.StdErr.empty(), !*C.StdErrHas);
  EXPECT_NE(Run.StdErr.find(C.StdErrHas), std::string::npos) << Run.StdErr;
  EXPECT_EQ(std::filesystem::exists(Info) || std::filesystem::exists(Dir.File("d.ascii")),
            *C.FormulaHas != 0);
  if (*C.FormulaHas) {
    EXPECT_NE(ReadFile(Info).find(C.FormulaHas), std::string::npos) << ReadFile(Info);
  }
  // A note on standard error only: the files are those of the signal named outright.
  if (!Run.StdErr.empty() && *C.FormulaHas) {
    const std::string Number(std::strchr(C.FormulaHas, ':') + 1), Data = ReadFile(Info);
    ASSERT_EQ(RunProgram({Input, Number, Info, Dir.File("d.ascii"), "/COMMA", "/BATCH"}).Status, 0);
    EXPECT_EQ(ReadFile(Info), Data);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Batch, BatchLimits,
    ::testing::Values(
        TLimitCase{"DecimalCommaIsReadAsTheDurationWouldBe", "-100,00 ", "2", ExitStatus::Success,
                   "", "(ASCII-0)*0.2-100"},
        TLimitCase{"UnreadableLimitRefusesTheSignal", "abc     ", "2", ExitStatus::NotStarted,
                   "the physical limits of signal 2 cannot be read", ""},
        TLimitCase{"UnreadableLimitOfAnotherSignalDoesNotMatter", "abc     ", "1",
                   ExitStatus::Success, "", "Physical value"},
        TLimitCase{"SignalNumberAboveTheFileIsClampedAndSaid", "", "5", ExitStatus::Success,
                   "signal number 5 is above the 3 signals of the file; signal 3 exported",
                   "SignalNumber:3"},
        TLimitCase{"SignalNumberOfLettersKeepsSignalOneAndSaysSo", "", "abc", ExitStatus::Success,
                   "signal number \"abc\" is not a whole number; signal 1 exported",
                   "SignalNumber:1"},
        TLimitCase{"SignalNumberBeyondAnyCountKeepsSignalOneAndSaysSo", "", "99999999999",
                   ExitStatus::Success,
                   "signal number \"99999999999\" is out of range; signal 1 exported",
                   "SignalNumber:1"}),
    [](const ::testing::TestParamInfo<TLimitCase>& Info) { return Info.param.Name; });

} // namespace
} // namespace velastrin
