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
#include <functional>
#include <iomanip>
#include <sstream>

namespace velastrin::cli {
namespace {

using namespace velastrin::testing;
using namespace std::string_literals;

// An input file made in a folder: its path.
using TInput = std::function<std::string(const TTempDir&)>;

// n.edf: three signals in two half-second records: two of 2 samples, one of 1 (another rate).
// Signal 3's Digimax is given, and its Physimax field is overwritten when given.
TInput Layout(int16_t SlowDigimax = 1000, const std::string& SlowPhysimax = "") {
  return [=](const TTempDir& Dir) {
    const TEdfFixture F{
        .RecordDuration = 0.5,
        .Records = 2,
        .Signals = {{"EEG", "uV", -3276.8L, 3276.7L, -32768, 32767, 2,
                     [](int64_t r, int32_t i) { return static_cast<int16_t>(10 * r + 3 * i - 5); }},
                    {"Resp, chest", "mV", -2.048L, 2.047L, -2048, 2047, 2,
                     [](int64_t r, int32_t i) { return static_cast<int16_t>(100 * r + i); }},
                    {"Slow", "degC", 0, 100, 0, SlowDigimax, 1,
                     [](int64_t r, int32_t) { return static_cast<int16_t>(7 * r); }}}};
    const std::string Path = Dir.File("n.edf");
    WriteEdf(Path, F);
    std::string Bytes = ReadFile(Path);
    // Physimax fields begin after label, transducer, dimension and Physimin of 3 signals.
    Bytes.replace(256 + 3 * (16 + 80 + 8 + 8) + 2 * 8, SlowPhysimax.size(), SlowPhysimax);
    WriteFileBytes(Path, Bytes);
    return Path;
  };
}

// edflib's EDF+ file of one EEG signal (4 Hz, zeros) in 6 one-second records, turned into
// EDF+D with a 4-second gap before record 4: onsets 0 1 2 7 8 9.
std::string PeerPlusD(const TTempDir& Dir) {
  const std::string Path = Dir.File("peer.edf");
  edfclose_file(OpenEdflibPlusFile(Path, 4, 23, 59, 6));
  std::string Bytes = ReadFile(Path);
  Bytes.replace(192, 5, "EDF+D");
  for (const auto& [From, To] : {std::pair{"+5", "+9"}, {"+4", "+8"}, {"+3", "+7"}}) {
    const std::size_t At = Bytes.find(From + "\x14\x14"s);
    EXPECT_EQ(Bytes.find(From + "\x14\x14"s, At + 1), std::string::npos) << From;
    Bytes.replace(At, 2, To);
  }
  WriteFileBytes(Path, Bytes);
  return Path;
}

// Our own writer: EDF+D, half-second records of 2 samples of (10 * record + sample) and an
// annotation signal, with the onsets given.
TInput Ours(const std::vector<std::string>& Onsets) {
  return [=](const TTempDir& Dir) {
    const std::string Path = Dir.File("ours.edf");
    TEDFFile File;
    test::CreateRecording(
        File, Path,
        {.Reserved = "EDF+D",
         .Duration = 0.5,
         .Signals = {{.Samples = 2}, {"EDF Annotations", "", "", -1, 1, -32768, 32767, "", 15}},
         .Format = TEDFFormat::EDF});
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
  };
}

// edflib's EDF+ file of two records with one annotation: EEG, then annotation signals 2 and 3.
std::string PeerAnnotated(const TTempDir& Dir) {
  const int Handle = OpenEdflibPlusFile(Dir.File("p.edf"), 4, 23, 59, 2);
  edfwrite_annotation_utf8(Handle, 10000, -1, "Lights off");
  EXPECT_EQ(edfclose_file(Handle), 0);
  return Dir.File("p.edf");
}

// edflib's EDF+C file starting at a quarter of a second: the fraction is only in the first
// record's time-keeping annotation.
std::string PeerFraction(const TTempDir& Dir) {
  const std::string Path = Dir.File("frac.edf");
  const int Handle = edfopen_file_writeonly(Path.c_str(), EDFLIB_FILETYPE_EDFPLUS, 1);
  EXPECT_GE(Handle, 0);
  edf_set_samplefrequency(Handle, 0, 2);
  edf_set_digital_minimum(Handle, 0, -2048);
  edf_set_digital_maximum(Handle, 0, 2047);
  edf_set_physical_minimum(Handle, 0, -200.0);
  edf_set_physical_maximum(Handle, 0, 200.0);
  edf_set_label(Handle, 0, "EEG");
  edf_set_startdatetime(Handle, 2026, 12, 7, 10, 0, 0);
  edf_set_subsecond_starttime(Handle, 2'500'000); // in units of 100 ns
  short Samples[2] = {0, 0};
  for (int r = 0; r < 2; ++r)
    EXPECT_EQ(edfwrite_digital_short_samples(Handle, Samples), 0);
  EXPECT_EQ(edfclose_file(Handle), 0);
  return Path;
}

// edflib's BDF+ file: 1-second records of 2 samples of "EEG" and "Resp", values beyond 16 bits
// (both ends of the 24-bit range), and one annotation.
const std::vector<std::vector<int>> PeerWideSamples = {
    {8388607, -8388608, 1, -1}, {100000, -70000, 32768, -32769}}; // per record: EEG, then Resp

std::string PeerBdf(const TTempDir& Dir) {
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
  for (std::vector<int> Record : PeerWideSamples)
    for (int s = 0; s < 2; ++s)
      EXPECT_EQ(edfwrite_digital_samples(Handle, Record.data() + 2 * s), 0);
  EXPECT_EQ(edfwrite_annotation_utf8(Handle, 5000, -1, "Lights off"), 0);
  EXPECT_EQ(edfclose_file(Handle), 0);
  return Path;
}

// Text is Expected; with "..." before or after Expected, only its end or its start; with both,
// a part of it.
void ExpectText(const std::string& Text, const std::string& Expected) {
  const bool End = Expected.starts_with("..."), Start = Expected.ends_with("...");
  const std::string Core = Expected.substr(End ? 3 : 0, Expected.size() - 3 * (End + Start));
  if (End && Start)
    EXPECT_NE(Text.find(Core), std::string::npos) << Core << " not in\n" << Text;
  else if (End)
    EXPECT_EQ(Text.substr(Text.size() - std::min(Text.size(), Core.size())), Core) << Text;
  else
    EXPECT_EQ(Text.substr(0, Start ? Core.size() : std::string::npos), Core);
}

struct TRow {
  const char* Name;
  TInput Input;
  std::string Args; // between "export" and the input, "quoted" when with spaces, "@" for Dir/
  std::vector<std::pair<std::string, std::string>> Files; // name, text as ExpectText takes it
  int Status = 0;
  std::string Err = "1 exported\n";   // as ExpectText takes it, "%" for the input, "@" for Dir/
  std::vector<std::string> Tree = {}; // every file in the folder, if given
};

void PrintTo(const TRow& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class ExportRun : public ::testing::TestWithParam<TRow> {};

TEST_P(ExportRun, StatusMessagesAndFiles) {
  const TRow& C = GetParam();
  const TTempDir Dir;
  const std::string Input = C.Input(Dir);
  const auto Expand = [&](std::string Text) {
    for (const auto& [Mark, By] : {std::pair{'%', Input}, {'@', Dir.File("")}})
      for (std::size_t At = Text.find(Mark); At != std::string::npos;
           At = Text.find(Mark, At + By.size()))
        Text.replace(At, 1, By);
    return Text;
  };
  std::vector<std::string> Args{"export"};
  std::istringstream Words(Expand(C.Args));
  for (std::string Word; Words >> std::quoted(Word);)
    Args.push_back(Word);
  Args.push_back(Input);
  const TCliRun Run = RunCli(Args);
  EXPECT_EQ(Run.Status, C.Status) << Run.Err;
  ExpectText(Run.Err, Expand(C.Err));
  for (const auto& [Name, Text] : C.Files)
    ExpectText(ReadFile(Dir.File(Name)), Text);
  if (!C.Tree.empty()) {
    std::vector<std::string> Tree;
    for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
      Tree.push_back(Entry.path().filename().string());
    std::ranges::sort(Tree);
    EXPECT_EQ(Tree, C.Tree);
  }
  EXPECT_TRUE(LiveTemporaryFiles().empty());
}

const std::string Done = "1 exported\n";
const std::string PlusD = "%: warning: EDF+D: ";
const std::string Unreadable =
    "%: the physical limits of signal 3 cannot be read, so the formula to physical values is "
    "unknown\n  signal 3 field Physimax: \"1o0     \"";

INSTANTIATE_TEST_SUITE_P(
    Cli, ExportRun,
    ::testing::Values(
        // One signal, one column, of the layout fixture.
        TRow("HeaderRowOnRequest", Layout(), "-s 2 --header --values physical --sep comma",
             {{"n.ascii", "\"Resp, chest (mV)\"\r\n0,0.001,0.1,0.101"}}),
        TRow("ClockTimeWithTabs", Layout(), "-s 1 --time clock --sep tab",
             {{"n.ascii", "2004-03-05T13:45:07\t-5\r\n2004-03-05T13:45:07.25\t-2\r\n"
                          "2004-03-05T13:45:07.5\t5\r\n2004-03-05T13:45:07.75\t8\r\n"}}),
        // Several signals: columns, or numbered files in one run.
        TRow("ColumnsWithTimeAndUnits", Layout(),
             "-s 1 -s 2 --layout columns --values physical --time offset",
             {{"n.ascii", "Time (s),EEG (uV),\"Resp, chest (mV)\"\r\n0,-0.5,0\r\n0.25,-0.2,"
                          "0.001\r\n0.5,0.5,0.1\r\n0.75,0.8,0.101\r\n"}}),
        TRow("ColumnsInTheOrderGivenQuotedForSpaces", Layout(),
             "-s \"Resp, chest\" -s 1 --layout columns --sep space",
             {{"n.ascii", "\"Resp, chest (digital)\" \"EEG (digital)\"\r\n0 -5\r\n1 -2\r\n"
                          "100 5\r\n101 8\r\n"}}),
        TRow("ColumnsInfoNamesEverySignalValuesAndTime", Layout(),
             "-s 1 -s 2 --layout columns --values physical --time clock --sep comma",
             {{"n.txt", "...\"SignalNumber:1\",\"SignalLabel:EEG\",\"SampleFrequency:4Hz\","
                        "\"Physical value uV = (ASCII+32768)*0.1-3276.8\",\"SignalNumber:2\","
                        "\"SignalLabel:Resp, chest\",\"SampleFrequency:4Hz\","
                        "\"Physical value mV = (ASCII+2048)*0.001-2.048\","
                        "\"Values:physical, uV mV\","
                        "\"Layout:columns, one line per sample, header row\","
                        "\"Time:first column, local clock time\""}}),
        TRow("SeveralSignalsGoToNumberedFiles", Layout(), "-s 3 -s EEG -s 3",
             {{"n.1.ascii", "-5\r\n-2\r\n5\r\n8"}, {"n.3.ascii", "0\r\n7"}}, 0, Done,
             {"n.1.ascii", "n.1.txt", "n.3.ascii", "n.3.txt", "n.edf"}),
        TRow("ColumnsOfSeveralRatesAreRefusedBeforeAnythingIsWritten",
             [](const TTempDir& Dir) {
               std::filesystem::copy_file(Layout()(Dir), Dir.File("m.edf"));
               return Dir.File("n.edf");
             },
             "-s all --layout columns @m.edf", {}, 2,
             "velastrin export: \"@m.edf\": --layout columns needs one sample rate, but signal 1 "
             "(EEG) 4 Hz, signal 2 (Resp, chest) 4 Hz, signal 3 (Slow) 2 Hz; nothing written\n",
             {"m.edf", "n.edf"}),
        // Edflib's EDF+ file with annotation signals among the others: tables of their own.
        TRow("AnnotationSignalsGetTablesOfTheirOwn", PeerAnnotated, "-s all",
             {{"p.2.ascii", "1,2026-12-07T23:59:01,,Lights off\r\n"},
              {"p.1.ascii", "0\r\n0\r\n..."}}),
        TRow("AnnotationsByNameBesideColumns", PeerAnnotated,
             "-s annotations -s 1 --layout columns",
             {{"p.annotations.ascii", "1,2026-12-07T23:59:01,,Lights off\r\n"},
              {"p.ascii", "EEG (digital)\r\n0\r\n..."}}),
        // Physical values: out of the digital range, or refused for the signal's limits.
        TRow("SamplesOutsideTheDigitalRangeAreConvertedAndCounted", Layout(5),
             "-s 3 --values physical", {{"n.ascii", "0\r\n140"}}, 0,
             "%: warning: signal 3 (Slow): 1 sample outside the digital range, converted by "
             "the formula all the same\n1 exported\n"), // 0..100 over 0..5: 20 a step
        TRow("EqualLimitsRefuseThatSignalOnly", Layout(1000, "0       "),
             "-s all --values physical", {{"n.1.ascii", "-0.5\r\n-0.2\r\n0.5\r\n0.8"}}, 1,
             "%: signal 3 (Slow) refused for physical values: Physimin equals Physimax; the "
             "other outputs were written\n0 exported, 1 failed\n",
             {"n.1.ascii", "n.1.txt", "n.2.ascii", "n.2.txt", "n.edf"}),
        TRow("EqualLimitsStillExportDigital", Layout(1000, "0       "), "-s 3",
             {{"n.ascii", "0\r\n7"}}),
        TRow("UnreadableLimitRefusesThatSignalOnly", Layout(1000, "1o0     "),
             "-s all --values physical", {{"n.1.ascii", "-0.5\r\n-0.2\r\n0.5\r\n0.8"}}, 1,
             Unreadable + "; the other outputs were written\n0 exported, 1 failed\n",
             {"n.1.ascii", "n.1.txt", "n.2.ascii", "n.2.txt", "n.edf"}),
        // An info file whose formula is unknown is no output, even of digital values.
        TRow("UnreadableLimitRefusesDigitalToo", Layout(1000, "1o0     "), "-s 3", {}, 1,
             Unreadable + "\n0 exported, 1 failed\n", {"n.edf"}),
        // EDF+D: gaps are jumps in the time column, or a warning without one.
        TRow("PeerOffsetJumps", PeerPlusD, "-s 1 --sep comma --time offset",
             {{"peer.ascii", "...2.75,0\r\n7,0\r\n7.25,0..."},
              {"peer.txt", "...\"Gaps:record ..."}}),
        TRow("PeerClockJumps", PeerPlusD, "-s 1 --sep comma --time clock",
             {{"peer.ascii", "...2026-12-07T23:59:02.75,0\r\n2026-12-07T23:59:07,0\r\n..."}}),
        TRow("PeerWithoutTimeWarns", PeerPlusD, "-s 1 --sep comma",
             {{"peer.ascii", "...0,0,0,0..."}, {"peer.txt", "...\"Gaps:record ..."}}, 0,
             PlusD + "the samples are not continuous; record 4 at 7 s after a gap of 4 s\n" + Done),
        TRow("OursOffsetJumps", Ours({"+0", "+0.5", "+3.25"}),
             "-s 1 --sep comma --time offset --values physical",
             {{"ours.ascii", "...0.75,0.18\r\n3.25,0.31\r\n..."},
              {"ours.txt", "...\"Gaps:record ..."}}),
        // Time-keeping that goes backwards or is missing: refused for a time column only.
        TRow("BackwardsIsRefusedForTime", Ours({"+0", "+3", "+3.25"}), "-s 1 --time offset", {}, 1,
             "%: record 3 begins at 3.25 s, before record 2 ends at 3.5 s: time-keeping goes "
             "backwards\n0 exported, 1 failed\n",
             {"ours.edf"}),
        TRow("BackwardsWithoutTime", Ours({"+0", "+3", "+3.25"}), "-s 1 --sep comma",
             {{"ours.ascii", "0,1,10,11,20,21"},
              {"ours.txt", "...\"Gaps:record 2 at 3 s after a gap of 2.5 s; record 3 at 3.25 s, "
                           "overlapping the record before by 0.25 s\""}},
             0,
             "%: warning: read leniently: record_onsets; see velastrin check %\n" + PlusD +
                 "the samples are not continuous; record 2 at 3 s after a gap of 2.5 s; record 3 "
                 "at 3.25 s, overlapping the record before by 0.25 s\n1 exported\n"),
        TRow("MissingIsRefusedForTime", Ours({"+0", "+0.5", "x"}), "-s 1 --time offset", {}, 1,
             "%: record 3 has no time-keeping annotation: no time column for an EDF+D file "
             "without it\n0 exported, 1 failed\n",
             {"ours.edf"}),
        TRow("MissingWithoutTime", Ours({"+0", "+0.5", "x"}), "-s 1", {}, 0,
             PlusD + "1 record without a time-keeping annotation, the first record 3; taken to "
                     "follow the record before\n1 exported\n"),
        // EDF+C: the start's fraction of a second is in the first time-keeping annotation.
        TRow("FractionOfTheStartInOffsets", PeerFraction, "-s 1 --time offset",
             {{"frac.ascii", "0.25,0\r\n0.75,0\r\n1.25,0\r\n1.75,0\r\n"}}),
        TRow("FractionOfTheStartInClockTimes", PeerFraction, "-s 1 --time clock",
             {{"frac.ascii", "2026-12-07T10:00:00.25,0\r\n20..."}}),
        // BDF: values beyond 16 bits, digital.
        TRow("WideColumnsWithTimeFromTheTimeKeeping", PeerBdf,
             "-s 1 -s 2 --layout columns --time offset",
             {{"w.ascii", "Time (s),EEG (digital),Resp (digital)\r\n0,8388607,1\r\n0.5,"
                          "-8388608,-1\r\n1,100000,32768\r\n1.5,-70000,-32769\r\n"}}),
        TRow("WideAllWithTheBdfAnnotationTableInThePass", PeerBdf, "-s all",
             {{"w.2.ascii", "1\r\n-1\r\n32768\r\n-32769"},
              {"w.3.ascii", "0.5000,2026-12-07T23:59:00.5000,,Lights off\r\n"}})),
    [](const ::testing::TestParamInfo<TRow>& Info) { return Info.param.Name; });

// The annotation table made in the pass over the records equals the annotation reader's, byte
// for byte, warnings included: edflib's file, and ours with a damaged list in record 2.
TEST(ExportTables, AnnotationTableFromThePassEqualsTheReaders) {
  const TTempDir Dir;
  const int Handle = OpenEdflibPlusFile(Dir.File("peer.edf"), 4, 23, 59, 8);
  edfwrite_annotation_utf8(Handle, 15000, -1, "Lights off");
  edfwrite_annotation_utf8(Handle, 5000, 300000, "Sleep stage W");
  edfwrite_annotation_utf8(Handle, 5000, 0, "Arousal, \"spontaneous\"");
  ASSERT_EQ(edfclose_file(Handle), 0);
  // The second list of record 2 has no onset sign.
  const std::string Damaged = Ours({"+0", "+0.5\x14\x14\0"s + "0.6\x14Spindle\x14", "+9"})(Dir);
  for (const auto& [Path, Signals] : {std::pair{Dir.File("peer.edf"), std::vector<int32_t>{2, 3}},
                                      std::pair{Damaged, std::vector<int32_t>{2}}}) {
    std::vector<int32_t> Indexes(Signals);
    for (int32_t& Index : Indexes)
      --Index;
    std::vector<std::string> Warnings[2]; // of the reader, of the pass
    for (const bool Pass : {false, true}) {
      const std::string Name = Dir.File(Pass ? "pass" : "reader");
      TTextFileWriter Info(Name + ".txt"), Data(Name + ".ascii");
      TEDFFile File;
      OpenForExport(File, Path);
      ASSERT_TRUE(AnnotationsInPass(File));
      Warnings[Pass] = Pass ? ExportSignalTables(File, {{Signals, false, true, &Info, &Data}}, {})
                            : ExportAnnotationTable(Path, Indexes, "\r\n", Info, Data);
      Info.Close();
      Data.Close();
    }
    EXPECT_EQ(ReadFile(Dir.File("pass.txt")), ReadFile(Dir.File("reader.txt")));
    EXPECT_EQ(ReadFile(Dir.File("pass.ascii")), ReadFile(Dir.File("reader.ascii")));
    EXPECT_EQ(Warnings[1], Warnings[0]);
    // edflib's three annotations; our damaged list, reported.
    EXPECT_EQ(Warnings[1].empty(), Path != Damaged);
    EXPECT_EQ(ReadFile(Dir.File("pass.ascii")).empty(), Path == Damaged);
  }
}

// Physical values of 24 bits: each text is within half a step of edflib's value and maps back to
// the digital value (edflib rounds -3.3 to "-3.29999" in the header).
TEST(ExportTables, WidePhysicalValuesMatchEdflib) {
  const TTempDir Dir;
  const std::string Input = PeerBdf(Dir);
  for (const auto& [Signal, Layout, Head] :
       {std::tuple{0, "single", ""s}, {1, "columns", "Resp (mV)\r\n"s}}) {
    const TCliRun Run = RunCli({"export", "-s", std::to_string(Signal + 1), "--layout", Layout,
                                "--values", "physical", "--overwrite", Input});
    ASSERT_EQ(Run.Status, 0) << Run.Err;
    const std::string Data = ReadFile(Dir.File("w.ascii"));
    ASSERT_EQ(Data.substr(0, Head.size()), Head) << Data;
    std::vector<std::string> Texts; // the values, one a line
    std::istringstream Lines(Data.substr(Head.size()));
    for (std::string Line; std::getline(Lines, Line);)
      Texts.push_back(Line.substr(0, Line.find('\r')));
    edf_hdr_struct Header{};
    ASSERT_EQ(edfopen_file_readonly(Input.c_str(), &Header, EDFLIB_DO_NOT_READ_ANNOTATIONS), 0);
    std::vector<double> Peer(4);
    EXPECT_EQ(edfread_physical_samples(Header.handle, Signal, 4, Peer.data()), 4);
    const edf_param_struct& P = Header.signalparam[Signal];
    const TCalibration Calibration{P.phys_min, P.phys_max, P.dig_min, P.dig_max};
    edfclose_file(Header.handle);
    ASSERT_EQ(Texts.size(), Peer.size()) << Data;
    for (std::size_t i = 0; i < Texts.size(); ++i) {
      EXPECT_NEAR(std::stod(Texts[i]), Peer[i], static_cast<double>(Calibration.Gain() / 2));
      EXPECT_EQ(Calibration.Digital(Texts[i]), PeerWideSamples[i / 2][2 * Signal + i % 2]);
    }
  }
}

} // namespace
} // namespace velastrin::cli
