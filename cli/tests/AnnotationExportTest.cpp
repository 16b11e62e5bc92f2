// "velastrin export" of EDF+ annotation signals: a table instead of numbers, chosen by label,
// number or "annotations"; annotation-only files with a record duration of 0; damaged lists
// reported as warnings while the rest is exported.
#include "cli/AnnotationExport.h"
#include "cli/tests/CliTestSupport.h"
#include "export/tests/ExportTestSupport.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace velastrin::cli {
namespace {

using namespace velastrin::testing;
using namespace std::string_literals;

// One EEG signal and two annotation signals (signals 2 and 3), 60 one-second records.
void WritePeerFile(const std::string& Path) {
  const int Handle = OpenEdflibPlusFile(Path, 4, 23, 59, 60);
  // edflib spreads them over both signals: the first, third, ... go to signal 2.
  edfwrite_annotation_utf8(Handle, 100000, -1, "Lights off");
  edfwrite_annotation_utf8(Handle, 5000, 300000, "Sleep stage W");
  edfwrite_annotation_utf8(Handle, 590000, 0, "Arousal, spontaneous");
  ASSERT_EQ(edfclose_file(Handle), 0);
}

std::string Padded(const std::string& Text, std::size_t Width) {
  std::string S = Text.substr(0, Width);
  S.resize(Width, ' ');
  return S;
}

// An annotation-only file with a record duration of 0, byte by byte: two records of 20 bytes.
std::string AnnotationOnlyBytes(const std::string& First, const std::string& Second) {
  std::string H = Padded("0", 8) + Padded("X X X X", 80) + Padded("Startdate X X X X", 80) +
                  "07.12.26" + "22.30.00" + Padded("512", 8) + Padded("EDF+C", 44) +
                  Padded("2", 8) + Padded("0", 8) + Padded("1", 4);
  H += Padded("EDF Annotations", 16) + Padded("", 80) + Padded("", 8) + Padded("-1", 8) +
       Padded("1", 8) + Padded("-32768", 8) + Padded("32767", 8) + Padded("", 80) +
       Padded("10", 8) + Padded("", 32);
  for (std::string Record : {First, Second}) {
    Record.resize(20, '\0');
    H += Record;
  }
  return H;
}

class AnnotationExport : public ::testing::Test {
protected:
  TTempDir Dir;
};

struct TChoiceCase {
  const char* Name;
  std::vector<std::string> Options;
  std::string Table; // expected data file; empty: numbers, not a table
  std::string Numbers;
  std::string Warning;
};

void PrintTo(const TChoiceCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class AnnotationChoice : public AnnotationExport,
                         public ::testing::WithParamInterface<TChoiceCase> {};

TEST_P(AnnotationChoice, WritesTheTableOfTheChosenSignals) {
  const TChoiceCase& C = GetParam();
  const std::string Input = Dir.File("n.edf");
  WritePeerFile(Input);
  std::vector<std::string> Args{"export"};
  Args.insert(Args.end(), C.Options.begin(), C.Options.end());
  Args.push_back(Input);
  const TCliRun Run = RunCli(Args);
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Err,
            (C.Warning.empty() ? "" : Input + ": warning: " + C.Warning + "\n") + "1 exported\n");
  const std::string Data = ReadFile(Dir.File("n.ascii"));
  const std::string Info = ReadFile(Dir.File("n.txt"));
  if (C.Table.empty()) {
    EXPECT_EQ(Data.substr(0, C.Numbers.size()), C.Numbers);
    EXPECT_EQ(Info.find("Annotation table"), std::string::npos);
  } else {
    EXPECT_EQ(Data, C.Table);
    EXPECT_NE(Info.find("\"Content:Annotation table"), std::string::npos) << Info;
  }
}

// edflib writes the fraction digits of a fractional onset to its full resolution.
const std::string W = "0.5000,2026-12-07T23:59:00.5000,30,Sleep stage W\r\n";
const std::string Off = "10,2026-12-07T23:59:10,,Lights off\r\n";
const std::string Arousal = "59,2026-12-07T23:59:59,0,\"Arousal, spontaneous\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cli, AnnotationChoice,
    ::testing::Values(
        TChoiceCase{"AllAnnotationsInTimeOrder",
                    {"--signal", "annotations", "--sep", "comma"},
                    W + Off + Arousal,
                    "",
                    ""},
        TChoiceCase{"WordInAnyCase",
                    {"--signal", "Annotations", "--sep", "comma"},
                    W + Off + Arousal,
                    "",
                    ""},
        TChoiceCase{"LabelTakesTheFirstAndWarns",
                    {"--signal", "EDF Annotations", "--sep", "comma"},
                    Off + Arousal,
                    "",
                    "2 signals are labelled \"EDF Annotations\"; signal 2 exported (--signal "
                    "annotations takes them all)"},
        TChoiceCase{"NumberOfTheSecond", {"-s", "3", "--sep", "comma"}, W, "", ""},
        TChoiceCase{"CrLfSeparatorGivesCommas", {"-s", "3"}, W, "", ""},
        TChoiceCase{"SpaceSeparatorQuotesTexts",
                    {"-s", "3", "--sep", "space"},
                    "0.5000 2026-12-07T23:59:00.5000 30 \"Sleep stage W\"\r\n",
                    "",
                    ""},
        TChoiceCase{
            "OrdinarySignalStaysNumbers", {"-s", "1", "--sep", "comma"}, "", "0,0,0,0,", ""}),
    [](const ::testing::TestParamInfo<TChoiceCase>& Info) { return Info.param.Name; });

TEST_F(AnnotationExport, AnnotationOnlyFileWithZeroDurationIsExported) {
  const std::string Input = Dir.File("hypnogram.edf");
  WriteFileBytes(Input, AnnotationOnlyBytes("+0\x14\x14\0+0\x15"
                                            "30\x14W\x14"s,
                                            "+0\x14\x14\0+30\x15"
                                            "30\x14N1\x14"s));
  const TCliRun Run = RunCli({"export", "-s", "1", "--sep", "comma", Input});
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(ReadFile(Dir.File("hypnogram.ascii")),
            "0,2026-12-07T22:30:00,30,W\r\n30,2026-12-07T22:30:30,30,N1\r\n");
  EXPECT_EQ(ReadFile(Dir.File("hypnogram.txt")),
            "\"FileName:" + Input +
                "\",\"Patient:X X X X\",\"Recording:Startdate X X X X\","
                "\"StartTime:2026-12-07T22:30:00\",\"FileType:EDF+C\",\"SignalNumber:1\","
                "\"SignalLabel:EDF Annotations\",\"Content:Annotation table: onset in seconds "
                "from StartTime, onset as clock time, duration in seconds, text\","
                "\"Annotations:2\"");
}

TEST_F(AnnotationExport, DamagedListIsAWarningAndTheRestIsExported) {
  const std::string Input = Dir.File("damaged.edf");
  // Record 2's list runs past its 20 bytes.
  WriteFileBytes(
      Input, AnnotationOnlyBytes("+0\x14\x14\0+1\x14ok\x14"s,
                                 "+0\x14\x14" + std::string(1, '\0') + "+2\x14never ending text"));
  const TCliRun Run = RunCli({"export", "-s", "annotations", "--sep", "comma", Input});
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Err, Input + ": warning: signal 1, record 2, byte " + std::to_string(512 + 20 + 5) +
                         ": annotation list runs past the end of the signal's bytes in the "
                         "record\n1 exported\n");
  EXPECT_EQ(ReadFile(Dir.File("damaged.ascii")), "1,2026-12-07T22:30:01,,ok\r\n");
}

TEST_F(AnnotationExport, TextThatIsNotUtf8ReachesTheTableAsUtf8) {
  const std::string Input = Dir.File("latin1.edf");
  WriteFileBytes(Input, AnnotationOnlyBytes("+0\x14\x14\0+1\x14"
                                            "caf\xE9\x14"s,
                                            "+0\x14\x14\0"s));
  const TCliRun Run = RunCli({"export", "-s", "annotations", "--sep", "comma", Input});
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_NE(Run.Err.find("not UTF-8; each byte that is not UTF-8 is written as U+FFFD"),
            std::string::npos)
      << Run.Err;
  EXPECT_EQ(ReadFile(Dir.File("latin1.ascii")), "1,2026-12-07T22:30:01,,caf\xEF\xBF\xBD\r\n");
}

TEST_F(AnnotationExport, AllAnnotationsOfAPlainEdfFileFails) {
  WriteEdf(Dir.File("plain.edf"), ThreeSignalFixture(2));
  const TCliRun Run = RunCli({"export", "-s", "annotations", Dir.File("plain.edf")});
  EXPECT_EQ(Run.Status, 1);
  EXPECT_EQ(Run.Err, Dir.File("plain.edf") + ": no EDF+ annotation signal\n0 exported, 1 failed\n");
  EXPECT_FALSE(std::filesystem::exists(Dir.File("plain.txt")));
}

} // namespace
} // namespace velastrin::cli
