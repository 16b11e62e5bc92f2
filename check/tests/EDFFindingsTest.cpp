// The findings engine on what is not an ordinary EDF file (nothing there, too short, a folder,
// a FIFO, absurd sizes), the kinds of file it tells apart, and the report formats.
#include "CheckTestSupport.h"
#include "check/uEDFFindings.h"
#include "check/uEDFRepair.h"
#include "check/uEDFReport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace velastrin {
namespace {

using nlohmann::json;

struct TBadInput {
  const char* Name;
  std::string Bytes;
  const char* Expected; // part of the error or of a check's problem
};

void PrintTo(const TBadInput& Row, std::ostream* Out) {
  *Out << Row.Name;
}

// A general header whose fields are given; the rest of the file is Tail.
std::string General(const std::string& HeaderBytes, const std::string& Records,
                    const std::string& Signals, const std::string& Tail = {}) {
  return test::Pad("0", 8) + test::Pad("X", 80) + test::Pad("Y", 80) + "01.02.03" + "10.20.30" +
         test::Pad(HeaderBytes, 8) + test::Pad("", 44) + test::Pad(Records, 8) + test::Pad("1", 8) +
         test::Pad(Signals, 4) + Tail;
}

const TBadInput BadInputs[] = {
    {"Empty", "", "the file holds 0 bytes"},
    {"ShorterThanAGeneralHeader", std::string(100, 'A'), "the file holds 100 bytes"},
    {"HeaderSizeBeyond32Bits", General("99999999999", "1", "1"), "header size"},
    {"NineThousandSignalsWithoutSignalBlock", General("2560000", "1", "9999"),
     "fewer than the 2560000 bytes of a header with 9999 signals"},
    {"NegativeSignalCount", General("0", "1", "-1"), "NrSignals"},
    {"NoSignals", General("256", "0", "0"), "the header declares no signals"},
    {"NineThousandBlankSignals", General("2560000", "1", "9999", std::string(2560000 - 256, ' ')),
     "NrSamples"},
};

class BadInput : public ::testing::TestWithParam<TBadInput> {};

TEST_P(BadInput, GivesAnUnreadableReportAndValidJson) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("bad.edf");
  test::WriteBytes(Path, GetParam().Bytes);
  const TEDFFindings F = CollectFindings(Path);
  EXPECT_EQ(F.Verdict, TEDFVerdict::Unreadable);
  const std::string Text = FindingsText(F);
  EXPECT_NE(Text.find(GetParam().Expected), std::string::npos) << Text.substr(0, 2000);
  const json Object = json::parse(FindingsJson(F));
  EXPECT_EQ(Object["verdict"], "unreadable");
  EXPECT_EQ(Object["size"], GetParam().Bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Rows, BadInput, ::testing::ValuesIn(BadInputs),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(EdfFindings, PathsThatAreNoFilesGiveTheReason) {
  test::TTempDir Dir;
  const std::string Fifo = Dir.File("pipe.edf");
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  const struct {
    std::string Path;
    const char* Reason;
  } Rows[] = {
      {Dir.File("missing.edf"), "No such file or directory"},
      {Dir.File(""), "is a folder"},
      {Fifo, "is not a regular file"},
  };
  for (const auto& Row : Rows) {
    const TEDFFindings F = CollectFindings(Row.Path);
    EXPECT_EQ(F.Verdict, TEDFVerdict::Unreadable) << Row.Path;
    EXPECT_NE(F.Error.find(Row.Reason), std::string::npos) << F.Error;
    EXPECT_EQ(json::parse(FindingsJson(F))["error"], F.Error);
  }
}

TEST(EdfFindings, ValidFileHasNoFindingsAndItsHeaderValues) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("night.edf");
  test::MakeRecording(Path, 4);
  const TEDFFindings F = CollectFindings(Path);
  EXPECT_EQ(F.Verdict, TEDFVerdict::Valid);
  EXPECT_EQ(F.Kind, TEDFKind::EDF);
  EXPECT_TRUE(F.Findings.empty());
  EXPECT_TRUE(F.Checks.empty());

  const json Object = json::parse(FindingsJson(F));
  EXPECT_EQ(Object["file"], Path);
  EXPECT_EQ(Object["version"], "0");
  EXPECT_EQ(Object["start"], "2003-02-01T10:20:30");
  EXPECT_EQ(Object["records"], 4);
  EXPECT_EQ(Object["record_duration"], 1.0);
  ASSERT_EQ(Object["signals"].size(), 2u);
  const json& Second = Object["signals"][1];
  EXPECT_EQ(Second["label"], "EOG horizontal");
  EXPECT_EQ(Second["rate"], 5.0);
  EXPECT_EQ(Second["unit"], "uV");
  EXPECT_EQ(Second["digital_min"], -32768);
  EXPECT_DOUBLE_EQ(Second["gain"].get<double>(), 6553.5 / 65535);
  EXPECT_EQ(FindingsText(F).rfind(Path + ": valid (EDF, 2 signals, 4 records of 1 s", 0), 0u);
}

TEST(EdfFindings, TellsEdfPlusKindsAndAnnotationSignals) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("plus.edf");
  test::MakeRecording(Path);
  test::PatchBytes(Path, 192, "EDF+D");
  test::PatchBytes(Path, 256 + 16, test::Pad("EDF Annotations", 16));
  const TEDFFindings F = CollectFindings(Path);
  EXPECT_EQ(F.Kind, TEDFKind::EDFPlusD);
  ASSERT_EQ(F.Signals.size(), 2u);
  EXPECT_FALSE(F.Signals[0].Annotations);
  EXPECT_TRUE(F.Signals[1].Annotations);
  EXPECT_NE(FindingsText(F).find("(EDF+D, 2 signals"), std::string::npos);
  EXPECT_NE(FindingsText(F).find(", annotations in signal 2, 0 annotations)"), std::string::npos);
  test::PatchBytes(Path, 192, "EDF+C");
  EXPECT_EQ(json::parse(FindingsJson(CollectFindings(Path)))["kind"], "EDF+C");

  // BDF+ by its own names: "BDF+D" and "BDF Annotations"; the version's byte 255 escaped.
  const std::string Bdf = Dir.File("plus.bdf");
  test::MakeRecording(Bdf, 3, TEDFFormat::BDF);
  test::PatchBytes(Bdf, 192, "BDF+D");
  test::PatchBytes(Bdf, 256 + 16, test::Pad("BDF Annotations", 16));
  const json J = json::parse(FindingsJson(CollectFindings(Bdf)));
  EXPECT_EQ(J["format"], "BDF+D");
  EXPECT_EQ(J["version"], "\\xFFBIOSEMI");
  EXPECT_TRUE(J["signals"][1]["annotations"]);
}

TEST(EdfFindings, JsonFindingCarriesEveryKey) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("colon.edf");
  test::MakeRecording(Path);
  test::PatchBytes(Path, 176, "10:20:30");
  test::PatchBytes(Path, 8, "\xB0");
  const json Object = json::parse(FindingsJson(CollectFindings(Path)));
  EXPECT_EQ(Object["verdict"], "lenient");
  ASSERT_EQ(Object["findings"].size(), 2u);
  const json& Patient = Object["findings"][0];
  EXPECT_EQ(Patient["field"], "Patient");
  EXPECT_TRUE(Patient["signal"].is_null());
  EXPECT_EQ(Patient["raw"].get<std::string>().substr(0, 9), "\\xB0-4711");
  EXPECT_EQ(Patient["width"], 80);
  const json& Time = Object["findings"][1];
  EXPECT_EQ(Time["offset"], 176);
  EXPECT_EQ(Time["raw"], "10:20:30");
  EXPECT_EQ(Time["problem"], "time uses ':' instead of '.'");
  EXPECT_EQ(Time["lenient"], true);
  EXPECT_EQ(Time["value"], "10:20:30");
}

// A physical limit no reading takes counts for validity: the export refuses its signal.
TEST(EdfFindings, PhysicalLimitCountsWhenNoReadingTakesIt) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("limits.edf");
  test::MakeRecording(Path);
  test::PatchBytes(Path, 256 + 2 * 104, "n/a     ");
  const json Object = json::parse(FindingsJson(CollectFindings(Path)));
  EXPECT_EQ(Object["verdict"], "lenient");
  EXPECT_EQ(Object["findings"][0]["counts"], true);
}

TEST(EdfFindings, DecimalCommaIsNamedUnderACommaLocale) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("comma.edf");
  test::MakeRecording(Path);
  test::PatchBytes(Path, 244, "1,0     ");
  TSettingOverride<char> Comma(&TFormatSettings::DecimalSeparator, ',');
  const TEDFFindings F = CollectFindings(Path);
  EXPECT_EQ(F.Verdict, TEDFVerdict::Lenient);
  ASSERT_EQ(F.Findings.size(), 1u);
  EXPECT_EQ(F.Findings[0].Problem, "decimal comma");
  EXPECT_EQ(F.Findings[0].Value, "1");
}

TEST(EdfFindings, EscapesEveryByteOutsidePrintableAscii) {
  EXPECT_EQ(EscapeBytes(std::string("a\\b\0\x7F\xFF", 6)), "a\\\\b\\x00\\x7F\\xFF");
}

struct TPrintableRow {
  const char* Name;
  std::string Text;
  std::string Printable;
};

void PrintTo(const TPrintableRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

const TPrintableRow PrintableRows[] = {
    {"PlainTextStays", "EEG Fpz-Cz", "EEG Fpz-Cz"},
    {"LeadingBlanksGo", "  EEG", "EEG"},
    {"ControlsBecomeBlanks", std::string("A\0B\tC", 5), "A B C"},
    {"Latin1ByteIsNoCharacter", "\xB5V", "?V"},
    {"Utf8MicroIsOneLetter", "\xC2\xB5V", "uV"},
    {"Latin1BytesAreQuestionMarks", "Jos\xE9 M\xFCller", "Jos? M?ller"},
    // Each whole character one letter or '?', a cut one a '?' per byte.
    {"Utf8CharactersAreOneEach",
     "Jos\xC3\xA9 M\xC3\xBCller \xE2\x80\x93 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE2\x80",
     "Jose Muller - ? ? ??"},
    {"OtherBytesBecomeQuestionMarks",
     "\xB0"
     "C",
     "?C"},
};

class Printable : public ::testing::TestWithParam<TPrintableRow> {};

TEST_P(Printable, IsPrintableAndNoLonger) {
  const std::string Result = PrintableText(GetParam().Text);
  EXPECT_EQ(Result, GetParam().Printable);
  EXPECT_LE(Result.size(), GetParam().Text.size());
}

INSTANTIATE_TEST_SUITE_P(Rows, Printable, ::testing::ValuesIn(PrintableRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

class RepairTarget : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directory(Dir.File("in"));
    std::filesystem::create_directory(Dir.File("out"));
    test::MakeRecording(Input);
    test::PatchBytes(Input, 176, "10:20:30");
  }
  test::TTempDir Dir;
  std::string Input = Dir.File("in/night.edf");
};

TEST_F(RepairTarget, OutputFolderHoldingAnInputIsRefused) {
  const std::string Before = test::ReadBytes(Input);
  EXPECT_NE(CheckRepairTarget({Input}, Dir.File("in")).find("holds the input"), std::string::npos);
  const TEDFRepair R = RepairFile(Input, Dir.File("in/."));
  EXPECT_EQ(R.Outcome, TEDFRepairOutcome::Refused);
  EXPECT_EQ(test::ReadBytes(Input), Before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.File("in")),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(RepairTarget, OutputNameLinkedToTheInputIsNotReplaced) {
  std::filesystem::create_hard_link(Input, Dir.File("out/night.edf"));
  const std::string Before = test::ReadBytes(Input);
  const TEDFRepair R = RepairFile(Input, Dir.File("out"));
  EXPECT_EQ(R.Outcome, TEDFRepairOutcome::Refused);
  EXPECT_NE(R.Reason.find("is an input"), std::string::npos) << R.Reason;
  EXPECT_EQ(test::ReadBytes(Input), Before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.File("out")),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(RepairTarget, InputsSharingANameClash) {
  std::filesystem::create_directory(Dir.File("other"));
  EXPECT_NE(CheckRepairTarget({Input, Dir.File("other/night.edf")}, Dir.File("out"))
                .find("share the name \"night.edf\""),
            std::string::npos);
  EXPECT_EQ(CheckRepairTarget({Input, Dir.File("other/day.edf")}, Dir.File("out")), "");
  EXPECT_EQ(CheckRepairTarget({Input}, Dir.File("missing")), "");
  EXPECT_NE(CheckRepairTarget({Input}, Input).find("is not a folder"), std::string::npos);
}

TEST_F(RepairTarget, ReportListsEveryChangedField) {
  const TEDFRepair R = RepairFile(Input, Dir.File("out"));
  ASSERT_EQ(R.Outcome, TEDFRepairOutcome::Repaired) << R.Reason;
  ASSERT_EQ(R.Changes.size(), 1u);
  EXPECT_EQ(R.Changes[0].Field, "StartTime");
  EXPECT_EQ(R.Changes[0].OldRaw, "10:20:30");
  EXPECT_EQ(R.Changes[0].NewRaw, "10.20.30");
  EXPECT_NE(RepairText(R).find("StartTime: \"10:20:30\" -> \"10.20.30\""), std::string::npos);
  const json Object = json::parse(RepairJson(R));
  EXPECT_EQ(Object["outcome"], "repaired");
  EXPECT_EQ(Object["records"], 3);
  EXPECT_EQ(Object["changes"][0]["new"], "10.20.30");
}

TEST_F(RepairTarget, RecordsLargerThanRecommendedAreNotRepaired) {
  // 2 x 40000 samples: 160000 bytes per record, valid only leniently; mending it would mean
  // cutting records apart.
  test::TTestEDF Big;
  Big.Signals[0].NrSamples = Big.Signals[1].NrSamples = "40000";
  Big.Records = 1;
  const std::string Path = Dir.File("in/big.edf");
  test::WriteBytes(Path, Big.Bytes());
  const TEDFRepair R = RepairFile(Path, Dir.File("out"));
  EXPECT_EQ(R.Findings.Verdict, TEDFVerdict::Lenient);
  EXPECT_EQ(R.Outcome, TEDFRepairOutcome::NotRepairable);
  EXPECT_TRUE(std::filesystem::is_empty(Dir.File("out")));
}

} // namespace
} // namespace velastrin
