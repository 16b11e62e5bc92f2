// "velastrin export" beyond the single export: physical values, a time column, several signals
// in one pass, the columns layout, and EDF+D files with gaps (written by edflib and by our own
// writer), byte for byte.
#include "cli/tests/CliTestSupport.h"
#include "edf/uEDF.h"
#include "export/AnnotationTable.h"
#include "export/PhysicalText.h"
#include "export/TableExport.h"
#include "export/tests/ExportTestSupport.h"
#include "support/uOutputFiles.h"
#include "testsupport/TestRecording.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace velastrin::cli {
namespace {

using namespace velastrin::testing;
using namespace std::string_literals;

// Three signals in half-second records: two of 2 samples, one of 1 (another rate).
TEdfFixture LayoutFixture() {
  TEdfFixture F;
  F.Records = 2;
  F.RecordDuration = 0.5;
  TSignalFixture Eeg{
      "EEG",    "uV",
      -3276.8L, 3276.7L,
      -32768,   32767,
      2,        [](int64_t r, int32_t i) { return static_cast<int16_t>(10 * r + 3 * i - 5); }};
  TSignalFixture Resp{
      "Resp, chest", "mV", -2.048L, 2.047L, -2048, 2047, 2, [](int64_t r, int32_t i) {
        return static_cast<int16_t>(100 * r + i);
      }};
  TSignalFixture Slow{
      "Slow", "degC", 0, 100,
      0,      1000,   1, [](int64_t r, int32_t) { return static_cast<int16_t>(7 * r); }};
  F.Signals = {Eeg, Resp, Slow};
  return F;
}

// Overwrites Text at byte Offset of the file.
void Patch(const std::string& Path, std::size_t Offset, const std::string& Text) {
  std::string Bytes = ReadFile(Path);
  Bytes.replace(Offset, Text.size(), Text);
  WriteFileBytes(Path, Bytes);
}

// Replaces the one occurrence of From (a time-keeping TAL) by To, of the same length.
void PatchOnce(const std::string& Path, const std::string& From, const std::string& To) {
  const std::string Bytes = ReadFile(Path);
  const std::size_t At = Bytes.find(From);
  ASSERT_NE(At, std::string::npos) << From;
  ASSERT_EQ(Bytes.find(From, At + 1), std::string::npos) << From;
  Patch(Path, At, To);
}

std::vector<std::string> Tree(const TTempDir& Dir) {
  std::vector<std::string> Out;
  for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
    Out.push_back(Entry.path().filename().string());
  std::sort(Out.begin(), Out.end());
  return Out;
}

class ExportTables : public ::testing::Test {
protected:
  TTempDir Dir;
};

struct TLayoutCase {
  const char* Name;
  std::vector<std::string> Args;
  const char* Output;
  std::string Expected;
};

void PrintTo(const TLayoutCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class ExportLayout : public ExportTables, public ::testing::WithParamInterface<TLayoutCase> {};

TEST_P(ExportLayout, WritesTheDataFile) {
  const TLayoutCase& C = GetParam();
  WriteEdf(Dir.File("n.edf"), LayoutFixture());
  std::vector<std::string> Args{"export"};
  Args.insert(Args.end(), C.Args.begin(), C.Args.end());
  Args.push_back(Dir.File("n.edf"));
  const TCliRun Run = RunCli(Args);
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(ReadFile(Dir.File(C.Output)), C.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ExportLayout,
    ::testing::Values(
        TLayoutCase{"DefaultIsDigital", {"-s", "1", "--sep", "comma"}, "n.ascii", "-5,-2,5,8"},
        TLayoutCase{"PhysicalValues",
                    {"-s", "1", "--values", "physical", "--sep", "comma"},
                    "n.ascii",
                    "-0.5,-0.2,0.5,0.8"},
        TLayoutCase{"HeaderRowOnRequest",
                    {"-s", "2", "--header", "--values", "physical", "--sep", "comma"},
                    "n.ascii",
                    "\"Resp, chest (mV)\"\r\n0,0.001,0.1,0.101"},
        TLayoutCase{"TimeOffsetOneSampleALine",
                    {"-s", "1", "--time", "offset"},
                    "n.ascii",
                    "0,-5\r\n0.25,-2\r\n0.5,5\r\n0.75,8\r\n"},
        TLayoutCase{"ClockTimeWithTabs",
                    {"-s", "1", "--time", "clock", "--sep", "tab"},
                    "n.ascii",
                    "2004-03-05T13:45:07\t-5\r\n2004-03-05T13:45:07.25\t-2\r\n"
                    "2004-03-05T13:45:07.5\t5\r\n2004-03-05T13:45:07.75\t8\r\n"},
        TLayoutCase{"ColumnsWithTimeAndUnits",
                    {"-s", "1", "-s", "2", "--layout", "columns", "--values", "physical", "--time",
                     "offset"},
                    "n.ascii",
                    "Time (s),EEG (uV),\"Resp, chest (mV)\"\r\n0,-0.5,0\r\n0.25,-0.2,0.001\r\n"
                    "0.5,0.5,0.1\r\n0.75,0.8,0.101\r\n"},
        TLayoutCase{"ColumnsInTheOrderGivenQuotedForSpaces",
                    {"-s", "Resp, chest", "-s", "1", "--layout", "columns", "--sep", "space"},
                    "n.ascii",
                    "\"Resp, chest (digital)\" \"EEG (digital)\"\r\n0 -5\r\n1 -2\r\n100 5\r\n"
                    "101 8\r\n"}),
    [](const ::testing::TestParamInfo<TLayoutCase>& Info) { return Info.param.Name; });

TEST_F(ExportTables, ColumnsInfoNamesEverySignalValuesAndTime) {
  WriteEdf(Dir.File("n.edf"), LayoutFixture());
  const TCliRun Run = RunCli({"export", "-s", "1", "-s", "2", "--layout", "columns", "--values",
                              "physical", "--time", "clock", "--sep", "comma", Dir.File("n.edf")});
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  const std::string Info = ReadFile(Dir.File("n.txt"));
  EXPECT_EQ(Info.substr(Info.find("\"SignalNumber:1\"")),
            "\"SignalNumber:1\",\"SignalLabel:EEG\",\"SampleFrequency:4Hz\","
            "\"Physical value uV = (ASCII+32768)*0.1-3276.8\",\"SignalNumber:2\","
            "\"SignalLabel:Resp, chest\",\"SampleFrequency:4Hz\","
            "\"Physical value mV = (ASCII+2048)*0.001-2.048\",\"Values:physical, uV mV\","
            "\"Layout:columns, one line per sample, header row\","
            "\"Time:first column, local clock time\"");
}

TEST_F(ExportTables, SeveralSignalsGoToNumberedFilesInOneRun) {
  WriteEdf(Dir.File("n.edf"), LayoutFixture());
  const TCliRun Run = RunCli({"export", "-s", "3", "-s", "EEG", "-s", "3", Dir.File("n.edf")});
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Tree(Dir),
            (std::vector<std::string>{"n.1.ascii", "n.1.txt", "n.3.ascii", "n.3.txt", "n.edf"}));
  EXPECT_EQ(ReadFile(Dir.File("n.1.ascii")), "-5\r\n-2\r\n5\r\n8");
  EXPECT_EQ(ReadFile(Dir.File("n.3.ascii")), "0\r\n7");
}

// edflib's EDF+ file: one EEG signal and annotation signals 2 and 3, each with its table.
TEST_F(ExportTables, AnnotationSignalsAmongSeveralGetTablesOfTheirOwn) {
  const int Handle = OpenEdflibPlusFile(Dir.File("p.edf"), 4, 23, 59, 2);
  edfwrite_annotation_utf8(Handle, 10000, -1, "Lights off");
  ASSERT_EQ(edfclose_file(Handle), 0);
  ASSERT_EQ(RunCli({"export", "-s", "all", Dir.File("p.edf")}).Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("p.2.ascii")), "1,2026-12-07T23:59:01,,Lights off\r\n");
  EXPECT_EQ(ReadFile(Dir.File("p.1.ascii")).substr(0, 6), "0\r\n0\r\n");
  std::filesystem::create_directory(Dir.File("o"));
  ASSERT_EQ(RunCli({"export", "-s", "annotations", "-s", "1", "--layout", "columns", "-o",
                    Dir.File("o"), Dir.File("p.edf")})
                .Status,
            0);
  EXPECT_EQ(ReadFile(Dir.File("o/p.annotations.ascii")), ReadFile(Dir.File("p.2.ascii")));
  EXPECT_EQ(ReadFile(Dir.File("o/p.ascii")).substr(0, 18), "EEG (digital)\r\n0\r\n");
}

TEST_F(ExportTables, ColumnsOfSeveralRatesAreRefusedBeforeAnythingIsWritten) {
  WriteEdf(Dir.File("n.edf"), LayoutFixture());
  WriteEdf(Dir.File("m.edf"), LayoutFixture());
  const TCliRun Run =
      RunCli({"export", "-s", "all", "--layout", "columns", Dir.File("m.edf"), Dir.File("n.edf")});
  EXPECT_EQ(Run.Status, 2);
  EXPECT_EQ(Run.Err, "velastrin export: \"" + Dir.File("m.edf") +
                         "\": --layout columns needs one sample rate, but signal 1 (EEG) 4 Hz, "
                         "signal 2 (Resp, chest) 4 Hz, signal 3 (Slow) 2 Hz; nothing written\n");
  EXPECT_EQ(Tree(Dir), (std::vector<std::string>{"m.edf", "n.edf"}));
}

TEST_F(ExportTables, SamplesOutsideTheDigitalRangeAreConvertedAndCounted) {
  TEdfFixture Fixture = LayoutFixture();
  Fixture.Signals[2].Digimax = 5; // 0..100 over 0..5: 20 a step, and the second sample is 7
  WriteEdf(Dir.File("n.edf"), Fixture);
  const TCliRun Run = RunCli({"export", "-s", "3", "--values", "physical", Dir.File("n.edf")});
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(ReadFile(Dir.File("n.ascii")), "0\r\n140");
  EXPECT_EQ(Run.Err, Dir.File("n.edf") + ": warning: signal 3 (Slow): 1 sample outside the "
                                         "digital range, converted by the formula all the same\n"
                                         "1 exported\n");
}

struct TRefusalCase {
  const char* Name;
  const char* Physimax; // of signal 3
  std::string Reason;
  bool DigitalExported; // a limit no reading takes leaves the info file's formula unknown
};

class PhysicalRefusal : public ExportTables, public ::testing::WithParamInterface<TRefusalCase> {};

TEST_P(PhysicalRefusal, RefusesThatSignalAndExportsTheOthers) {
  WriteEdf(Dir.File("n.edf"), LayoutFixture());
  // Physimax fields begin after label, transducer, dimension and Physimin of 3 signals.
  Patch(Dir.File("n.edf"), 256 + 3 * (16 + 80 + 8 + 8) + 2 * 8, GetParam().Physimax);
  const TCliRun Run = RunCli({"export", "-s", "all", "--values", "physical", Dir.File("n.edf")});
  EXPECT_EQ(Run.Status, 1);
  EXPECT_EQ(Run.Err, Dir.File("n.edf") + ": " + GetParam().Reason +
                         "; the other outputs were written\n0 exported, 1 failed\n");
  EXPECT_EQ(Tree(Dir),
            (std::vector<std::string>{"n.1.ascii", "n.1.txt", "n.2.ascii", "n.2.txt", "n.edf"}));
  EXPECT_EQ(ReadFile(Dir.File("n.1.ascii")), "-0.5\r\n-0.2\r\n0.5\r\n0.8");
  EXPECT_EQ(RunCli({"export", "-s", "3", Dir.File("n.edf")}).Status,
            GetParam().DigitalExported ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, PhysicalRefusal,
    ::testing::Values(TRefusalCase{"EqualLimits", "0       ",
                                   "signal 3 (Slow) refused for physical values: Physimin "
                                   "equals Physimax",
                                   true},
                      TRefusalCase{"UnreadableLimit", "1o0     ",
                                   "the physical limits of signal 3 cannot be read, so the "
                                   "formula to physical values is unknown\n  signal 3 field "
                                   "Physimax: \"1o0     \"",
                                   false}),
    [](const ::testing::TestParamInfo<TRefusalCase>& Info) { return Info.param.Name; });

// ---- EDF+ time --------------------------------------------------------------------------

// edflib's EDF+ file of one EEG signal (4 Hz, zeros) in 6 one-second records, turned into
// EDF+D with a 4-second gap before record 4: onsets 0 1 2 7 8 9.
std::string EdflibPlusD(const TTempDir& Dir) {
  const std::string Path = Dir.File("peer.edf");
  const int Handle = OpenEdflibPlusFile(Path, 4, 23, 59, 6);
  edfclose_file(Handle);
  Patch(Path, 192, "EDF+D");
  for (const auto& [From, To] : {std::pair{"+5", "+9"}, {"+4", "+8"}, {"+3", "+7"}})
    PatchOnce(Path, From + "\x14\x14"s, To + "\x14\x14"s);
  return Path;
}

// Our own writer: EDF+D, half-second records of 2 samples of (10 * record + sample) and an
// annotation signal, with the onsets given.
std::string OurPlusD(const TTempDir& Dir, const std::vector<std::string>& Onsets) {
  const std::string Path = Dir.File("ours.edf");
  test::TRecordingHeader Header;
  Header.Reserved = "EDF+D";
  Header.Duration = 0.5;
  test::TRecordingSignal Eeg;
  Eeg.Samples = 2;
  test::TRecordingSignal Annotations{"EDF Annotations", "", "", -1, 1, -32768, 32767, "", 15};
  Header.Signals = {Eeg, Annotations};
  TEDFFile File;
  test::CreateRecording(File, Path, Header);
  for (std::size_t r = 0; r < Onsets.size(); ++r) {
    TDynSmallIntArray Buffer = File.GetDataBuffer();
    Buffer[0] = static_cast<int16_t>(10 * r);
    Buffer[1] = static_cast<int16_t>(10 * r + 1);
    std::string Tal = Onsets[r] + "\x14\x14"s;
    Tal.resize(30, '\0');
    std::memcpy(Buffer.data() + 2, Tal.data(), Tal.size());
    File.WriteRecord(File.FileInfo()->NrDataRecords());
  }
  File.Close();
  return Path;
}

struct TPlusCase {
  const char* Name;
  bool Peer; // written by edflib, else by our writer
  std::vector<std::string> Args;
  std::string Data;    // a part of the data file
  std::string Warning; // a part of standard error
};

void PrintTo(const TPlusCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class PlusTime : public ExportTables, public ::testing::WithParamInterface<TPlusCase> {};

TEST_P(PlusTime, GapsAreJumpsInTheTimeColumnOrAWarning) {
  const TPlusCase& C = GetParam();
  const std::string Input = C.Peer ? EdflibPlusD(Dir) : OurPlusD(Dir, {"+0", "+0.5", "+3.25"});
  std::vector<std::string> Args{"export", "-s", "1", "--sep", "comma"};
  Args.insert(Args.end(), C.Args.begin(), C.Args.end());
  Args.push_back(Input);
  const TCliRun Run = RunCli(Args);
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  const std::string Name = C.Peer ? "peer" : "ours";
  EXPECT_NE(ReadFile(Dir.File(Name + ".ascii")).find(C.Data), std::string::npos)
      << ReadFile(Dir.File(Name + ".ascii"));
  EXPECT_NE(Run.Err.find(C.Warning), std::string::npos) << Run.Err;
  const std::string Info = ReadFile(Dir.File(Name + ".txt"));
  EXPECT_NE(Info.find("\"Gaps:record "), std::string::npos) << Info;
}

INSTANTIATE_TEST_SUITE_P(
    Cli, PlusTime,
    ::testing::Values(
        TPlusCase{"PeerOffsetJumps", true, {"--time", "offset"}, "2.75,0\r\n7,0\r\n7.25,0", ""},
        TPlusCase{"PeerClockJumps",
                  true,
                  {"--time", "clock"},
                  "2026-12-07T23:59:02.75,0\r\n2026-12-07T23:59:07,0\r\n",
                  ""},
        TPlusCase{"PeerWithoutTimeWarns",
                  true,
                  {},
                  "0,0,0,0",
                  "warning: EDF+D: the samples are not continuous; record 4 at 7 s after a gap "
                  "of 4 s\n"},
        TPlusCase{"OursOffsetJumps",
                  false,
                  {"--time", "offset", "--values", "physical"},
                  "0.75,0.18\r\n3.25,0.31\r\n",
                  ""},
        TPlusCase{"OursWithoutTimeWarns",
                  false,
                  {},
                  "0,1,10,11,20,21",
                  "record 3 at 3.25 s after a gap of 2.25 s"}),
    [](const ::testing::TestParamInfo<TPlusCase>& Info) { return Info.param.Name; });

struct TBadTimeCase {
  const char* Name;
  std::vector<std::string> Onsets;
  std::string Reason;
};

class PlusBadTime : public ExportTables, public ::testing::WithParamInterface<TBadTimeCase> {};

TEST_P(PlusBadTime, FileIsRefusedForATimeColumnWithTheRecord) {
  const std::string Input = OurPlusD(Dir, GetParam().Onsets);
  const TCliRun Run = RunCli({"export", "-s", "1", "--time", "offset", Input});
  EXPECT_EQ(Run.Status, 1);
  EXPECT_EQ(Run.Err, Input + ": " + GetParam().Reason + "\n0 exported, 1 failed\n");
  EXPECT_EQ(Tree(Dir), (std::vector<std::string>{"ours.edf"}));
  EXPECT_TRUE(LiveTemporaryFiles().empty());
  // Without a time column the samples are still exported.
  EXPECT_EQ(RunCli({"export", "-s", "1", Input}).Status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, PlusBadTime,
    ::testing::Values(
        TBadTimeCase{"Backwards",
                     {"+0", "+3", "+3.25"},
                     "record 3 begins at 3.25 s, before record 2 ends at 3.5 s: time-keeping "
                     "goes backwards"},
        TBadTimeCase{"Missing",
                     {"+0", "+0.5", "x"},
                     "record 3 has no time-keeping annotation: no time column for an EDF+D "
                     "file without it"}),
    [](const ::testing::TestParamInfo<TBadTimeCase>& Info) { return Info.param.Name; });

// The start's fraction of a second comes from the first record's time-keeping annotation.
TEST_F(ExportTables, PlusContinuousTimeIncludesTheStartsFraction) {
  const std::string Path = Dir.File("frac.edf");
  const int Handle = edfopen_file_writeonly(Path.c_str(), EDFLIB_FILETYPE_EDFPLUS, 1);
  ASSERT_GE(Handle, 0);
  edf_set_samplefrequency(Handle, 0, 2);
  edf_set_digital_minimum(Handle, 0, -2048);
  edf_set_digital_maximum(Handle, 0, 2047);
  edf_set_physical_minimum(Handle, 0, -200.0);
  edf_set_physical_maximum(Handle, 0, 200.0);
  edf_set_label(Handle, 0, "EEG");
  edf_set_startdatetime(Handle, 2026, 12, 7, 10, 0, 0);
  edf_set_subsecond_starttime(Handle, 2'500'000); // 0.25 s in units of 100 ns
  short Samples[2] = {0, 0};
  for (int r = 0; r < 2; ++r)
    ASSERT_EQ(edfwrite_digital_short_samples(Handle, Samples), 0);
  ASSERT_EQ(edfclose_file(Handle), 0);
  ASSERT_EQ(RunCli({"export", "-s", "1", "--time", "offset", Path}).Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("frac.ascii")), "0.25,0\r\n0.75,0\r\n1.25,0\r\n1.75,0\r\n");
  ASSERT_EQ(RunCli({"export", "-s", "1", "--time", "clock", "--overwrite", Path}).Status, 0);
  EXPECT_EQ(ReadFile(Dir.File("frac.ascii")).substr(0, 28), "2026-12-07T10:00:00.25,0\r\n20");
}

// The annotation table made in the pass over the records equals the annotation reader's, byte
// for byte, warnings included: edflib's file, and ours with a damaged list in record 2.
TEST_F(ExportTables, AnnotationTableFromThePassEqualsTheReaders) {
  const int Handle = OpenEdflibPlusFile(Dir.File("peer.edf"), 4, 23, 59, 8);
  edfwrite_annotation_utf8(Handle, 15000, -1, "Lights off");
  edfwrite_annotation_utf8(Handle, 5000, 300000, "Sleep stage W");
  edfwrite_annotation_utf8(Handle, 5000, 0, "Arousal, \"spontaneous\"");
  ASSERT_EQ(edfclose_file(Handle), 0);
  // The second list of record 2 has no onset sign.
  const std::string Ours = OurPlusD(Dir, {"+0", "+0.5\x14\x14\0"s + "0.6\x14Spindle\x14", "+9"});
  for (const auto& [Path, Signals] : {std::pair{Dir.File("peer.edf"), std::vector<int32_t>{2, 3}},
                                      std::pair{Ours, std::vector<int32_t>{2}}}) {
    std::vector<std::string> Warnings[2];
    for (const bool Pass : {true, false}) {
      const std::string Name = Dir.File(Pass ? "pass" : "reader");
      TTextFileWriter Info(Name + ".txt"), Data(Name + ".ascii");
      TEDFFile File;
      OpenForExport(File, Path);
      ASSERT_TRUE(AnnotationsInPass(File));
      if (Pass) {
        Warnings[0] = ExportSignalTables(File, {{Signals, false, true, &Info, &Data}}, {});
      } else {
        std::vector<int32_t> Indexes;
        for (const int32_t Number : Signals)
          Indexes.push_back(Number - 1);
        Warnings[1] = ExportAnnotationTable(Path, Indexes, "\r\n", Info, Data);
      }
      Info.Close();
      Data.Close();
    }
    EXPECT_EQ(ReadFile(Dir.File("pass.txt")), ReadFile(Dir.File("reader.txt")));
    EXPECT_EQ(ReadFile(Dir.File("pass.ascii")), ReadFile(Dir.File("reader.ascii")));
    EXPECT_EQ(Warnings[0], Warnings[1]);
    // edflib's three annotations; our damaged list, reported.
    EXPECT_EQ(Warnings[0].empty(), Path != Ours);
    EXPECT_EQ(ReadFile(Dir.File("pass.ascii")).empty(), Path == Ours);
  }
}

// edflib's BDF+ file: 1-second records of 2 samples of "EEG" and "Resp", values beyond 16 bits
// (both ends of the 24-bit range), and one annotation.
const std::vector<std::vector<int>> PeerWideSamples = {
    {8388607, -8388608, 1, -1}, {100000, -70000, 32768, -32769}}; // per record: EEG, then Resp

std::string WritePeerBdf(const TTempDir& Dir) {
  const std::string Path = Dir.File("w.bdf");
  const int Handle = edfopen_file_writeonly(Path.c_str(), EDFLIB_FILETYPE_BDFPLUS, 2);
  EXPECT_GE(Handle, 0);
  EXPECT_EQ(edf_set_startdatetime(Handle, 2026, 12, 7, 23, 59, 0), 0);
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(edf_set_samplefrequency(Handle, s, 2), 0);
    EXPECT_EQ(edf_set_digital_minimum(Handle, s, -8388608), 0);
    EXPECT_EQ(edf_set_digital_maximum(Handle, s, 8388607), 0);
    EXPECT_EQ(edf_set_physical_minimum(Handle, s, s == 0 ? -1000.0 : -3.3), 0);
    EXPECT_EQ(edf_set_physical_maximum(Handle, s, s == 0 ? 1000.0 : 5.5), 0);
    EXPECT_EQ(edf_set_label(Handle, s, s == 0 ? "EEG" : "Resp"), 0);
    EXPECT_EQ(edf_set_physical_dimension(Handle, s, s == 0 ? "uV" : "mV"), 0);
  }
  for (const std::vector<int>& Record : PeerWideSamples)
    for (int s = 0; s < 2; ++s) {
      std::vector<int> Samples(Record.begin() + 2 * s, Record.begin() + 2 * s + 2);
      EXPECT_EQ(edfwrite_digital_samples(Handle, Samples.data()), 0);
    }
  EXPECT_EQ(edfwrite_annotation_utf8(Handle, 5000, -1, "Lights off"), 0);
  EXPECT_EQ(edfclose_file(Handle), 0);
  return Path;
}

// Signal s's physical values as edflib reads them, record after record, and its calibration
// as edflib wrote it (edflib rounds -3.3 to "-3.29999").
std::vector<double> PeerPhysical(const std::string& Path, int s, TCalibration& Calibration) {
  edf_hdr_struct Header{};
  EXPECT_EQ(edfopen_file_readonly(Path.c_str(), &Header, EDFLIB_DO_NOT_READ_ANNOTATIONS), 0);
  std::vector<double> Values(4);
  EXPECT_EQ(edfread_physical_samples(Header.handle, s, 4, Values.data()), 4);
  const edf_param_struct& Param = Header.signalparam[s];
  Calibration = {Param.phys_min, Param.phys_max, Param.dig_min, Param.dig_max};
  edfclose_file(Header.handle);
  return Values;
}

// The values of a data file: separated by commas or line breaks.
std::vector<std::string> Fields(const std::string& Text) {
  std::vector<std::string> Out(1);
  for (const char c : Text)
    if (c == ',' || c == '\n')
      Out.emplace_back();
    else if (c != '\r')
      Out.back().push_back(c);
  if (Out.back().empty())
    Out.pop_back();
  return Out;
}

struct TWideCase {
  const char* Name;
  std::vector<std::string> Args;
  const char* Output;
  std::string Expected; // the whole data file, or with PhysicalOf its start
  int PhysicalOf = -1;  // the rest: physical values of this signal (0-based), checked by edflib
};

void PrintTo(const TWideCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class ExportWide : public ExportTables, public ::testing::WithParamInterface<TWideCase> {};

TEST_P(ExportWide, WritesTheTwentyFourBitValues) {
  const TWideCase& C = GetParam();
  const std::string Input = WritePeerBdf(Dir);
  std::vector<std::string> Args{"export"};
  Args.insert(Args.end(), C.Args.begin(), C.Args.end());
  Args.push_back(Input);
  const TCliRun Run = RunCli(Args);
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Err.find("time-keeping"), std::string::npos) << Run.Err;
  const std::string Data = ReadFile(Dir.File(C.Output));
  if (C.PhysicalOf < 0) {
    EXPECT_EQ(Data, C.Expected);
    return;
  }
  ASSERT_EQ(Data.substr(0, C.Expected.size()), C.Expected) << Data;
  // Each text is within half a step of edflib's value and maps back to the digital value.
  const std::vector<std::string> Texts = Fields(Data.substr(C.Expected.size()));
  TCalibration Calibration;
  const std::vector<double> Peer = PeerPhysical(Input, C.PhysicalOf, Calibration);
  ASSERT_EQ(Texts.size(), Peer.size()) << Data;
  for (std::size_t i = 0; i < Texts.size(); ++i) {
    EXPECT_NEAR(std::stod(Texts[i]), Peer[i], static_cast<double>(Calibration.Gain() / 2))
        << Texts[i];
    const int Digital = PeerWideSamples[i / 2][2 * static_cast<std::size_t>(C.PhysicalOf) + i % 2];
    EXPECT_EQ(Calibration.Digital(Texts[i]), Digital) << Texts[i];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, ExportWide,
    ::testing::Values(
        TWideCase{
            "Digital", {"-s", "1", "--sep", "comma"}, "w.ascii", "8388607,-8388608,100000,-70000"},
        TWideCase{"PhysicalMatchesEdflib",
                  {"-s", "EEG", "--values", "physical", "--sep", "comma"},
                  "w.ascii",
                  "",
                  0},
        TWideCase{"ColumnsWithTimeFromTheTimeKeeping",
                  {"-s", "1", "-s", "2", "--layout", "columns", "--time", "offset"},
                  "w.ascii",
                  "Time (s),EEG (digital),Resp (digital)\r\n0,8388607,1\r\n0.5,-8388608,-1\r\n"
                  "1,100000,32768\r\n1.5,-70000,-32769\r\n"},
        TWideCase{"ColumnsOfPhysicalValues",
                  {"-s", "2", "--layout", "columns", "--values", "physical"},
                  "w.ascii",
                  "Resp (mV)\r\n",
                  1},
        TWideCase{"AllGivesTheSecondSignal",
                  {"-s", "all", "--sep", "space"},
                  "w.2.ascii",
                  "1 -1 32768 -32769"},
        TWideCase{"AllGivesTheBdfAnnotationTableInThePass",
                  {"-s", "all"},
                  "w.3.ascii",
                  "0.5000,2026-12-07T23:59:00.5000,,Lights off\r\n"}),
    [](const ::testing::TestParamInfo<TWideCase>& Info) { return Info.param.Name; });

} // namespace
} // namespace velastrin::cli
