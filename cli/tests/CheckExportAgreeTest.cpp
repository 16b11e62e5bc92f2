// One row per damaged or unusual file: what check says, what export or repair then does, and
// that the two tell the same story. Files are built byte by byte.
#include "check/tests/CheckTestSupport.h"
#include "cli/tests/CliTestSupport.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace velastrin::cli {
namespace {

using velastrin::testing::RunCli;
using velastrin::testing::TCliRun;
using namespace std::string_literals;

// An EDF+ (or BDF+) file of Edf's signals, the last one "EDF Annotations" of 10 samples, with
// one TAL list per record; the other signals hold the usual pattern.
std::string PlusBytes(test::TTestEDF Edf, const std::vector<std::string>& Lists) {
  Edf.Records = static_cast<int64_t>(Lists.size());
  std::string Bytes = Edf.Header();
  const bool BDF = Edf.SampleBytes == 3;
  for (std::size_t r = 0; r < Lists.size(); ++r)
    for (std::size_t s = 0; s < Edf.Signals.size(); ++s) {
      const int64_t Samples = Edf.Signals[s].Samples();
      if (s + 1 == Edf.Signals.size()) {
        std::string List = Lists[r];
        List.resize(static_cast<std::size_t>(Edf.SampleBytes * Samples), '\0');
        Bytes += List;
        continue;
      }
      for (int64_t k = 0; k < Samples; ++k) {
        const auto R = static_cast<int64_t>(r);
        const auto S = static_cast<int64_t>(s);
        const auto V = BDF ? static_cast<uint32_t>(test::WidePatternSample(R, S, k))
                           : static_cast<uint16_t>(test::PatternSample(R, S, k));
        Bytes += static_cast<char>(V & 0xFF);
        Bytes += static_cast<char>((V >> 8) & 0xFF);
        if (BDF)
          Bytes += static_cast<char>((V >> 16) & 0xFF);
      }
    }
  return Bytes;
}

// A BDF+ file: BDF's version, limits and sample width, "BDF Annotations" last.
test::TTestEDF BDFPlus(const std::string& Reserved = "BDF+C") {
  test::TTestEDF E = test::BDFTestEDF();
  E.Recording = "Startdate 01-FEB-2003 X X X";
  E.Reserved = Reserved;
  E.Signals.pop_back();
  test::TTestSignal Annotations = test::AnnotationTestSignal();
  Annotations.Label = "BDF Annotations";
  Annotations.DigMin = "-8388608";
  Annotations.DigMax = "8388607";
  E.Signals.push_back(Annotations);
  return E;
}

test::TTestEDF BDFWith(const std::function<void(test::TTestEDF&)>& Change) {
  test::TTestEDF E = test::BDFTestEDF();
  Change(E);
  return E;
}

test::TTestEDF Plus(const std::string& Reserved = "EDF+C") {
  return {.Recording = "Startdate 01-FEB-2003 X X X",
          .Reserved = Reserved,
          .Signals = {test::TTestSignal{}, test::AnnotationTestSignal()}};
}

const std::vector<std::string> ThreeLists = {"+0\x14\x14\0"s, "+1\x14\x14\0"s, "+2\x14\x14\0"s};

struct TAgreeRow {
  const char* Name;
  std::function<std::string()> Bytes;
  int CheckStatus;
  const char* CheckSays;            // in check's text output
  std::vector<std::string> Command; // export or repair; FILE and OUT stand for the paths
  int Status;
  const char* Says; // in that command's standard error or output
  std::function<void(const std::string& Out)> Then = {}; // looks at the output folder
};

void PrintTo(const TAgreeRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

// A repaired copy opens in edflib, check calls it valid, and its data records are the input's
// whole records byte for byte.
void CheckCopy(const std::string& Input, const std::string& Copy) {
  edf_hdr_struct Header{};
  EXPECT_EQ(edfopen_file_readonly(Copy.c_str(), &Header, EDFLIB_DO_NOT_READ_ANNOTATIONS), 0)
      << "edflib error " << Header.filetype;
  edfclose_file(Header.handle);
  EXPECT_EQ(RunCli({"check", Copy}).Status, 0);
  const std::string Data = test::ReadBytes(Copy);
  const std::size_t HeaderSize = 256 * (std::stoul(Data.substr(252, 4)) + 1);
  EXPECT_EQ(Data.substr(HeaderSize),
            test::ReadBytes(Input).substr(HeaderSize, Data.size() - HeaderSize));
}

std::string SignalField(const std::string& Path, int64_t Block, int64_t Width, int64_t Signal,
                        int64_t Signals = 2) {
  return test::ReadBytes(Path).substr(256 + Signals * Block + Signal * Width, Width);
}

const std::vector<std::string> Export = {"export", "--signal", "1", "-o", "OUT", "FILE"};
const std::vector<std::string> Repair = {"repair", "-o", "OUT", "FILE"};

test::TTestEDF PlusWith(const std::function<void(test::TTestEDF&)>& Change) {
  test::TTestEDF E = Plus();
  Change(E);
  return E;
}

// One row a line or two: the file, then check's status and words, then the command's.
// clang-format off
const TAgreeRow AgreeRows[] = {
    {"PhysiminWithDecimalCommaIsReadAsTheDuration",
     [] { test::TTestEDF E; E.Signals[0].PhysMin = "-500,00"; return E.Bytes(); },
     0, "lenient reading takes \"-500\"", Export, 0, "1 exported",
     [](const std::string& Out) {
       EXPECT_NE(test::ReadBytes(Out + "/f.txt").find(")*0.244200244200244-500"), std::string::npos);
     }},
    {"StopTimeBeyondTheCalendarIsUnreadableForBoth",
     [] { return test::TTestEDF{.Duration = "1e308"}.Bytes(); },
     2, "the stop time lies outside the calendar", Export, 1, "the stop time lies outside the calendar"},
    {"OneByteAppendedIsTrailingAndNotACountError",
     [] { return test::TTestEDF{.ExtraBytes = 1}.Bytes(); },
     1, "trailing_bytes: 1 byte left over", Repair, 0, "dropped 1 byte left over"},
    {"EdfPlusCWithSkippingOnsetsIsLenient",
     [] { return test::AnnotationRecordsBytes(Plus(), {"+0\x14\x14\0"s, "+1\x14\x14\0"s, "+5\x14\x14\0"s}); },
     1, "record_onsets: 1 record of this EDF+C file does not start", Repair, 1, "not repaired: record_onsets"},
    {"AnnotationPrefilterIsMendedByRepair",
     [] { return PlusBytes(PlusWith([](auto& E) { E.Signals[1].Prefilter = "HP:0.1Hz"; }), ThreeLists); },
     1, "EDF+ Prefilter (signal 2): an annotation signal leaves this field blank", Repair, 0, "Prefilter (signal 2)",
     [](const std::string& Out) { EXPECT_EQ(SignalField(Out + "/f.edf", 136, 80, 1), std::string(80, ' ')); }},
    {"PatientWithoutSubFieldsIsNotRepairedByGuessing",
     [] { return PlusBytes(PlusWith([](auto& E) { E.Patient = "John"; }), ThreeLists); },
     1, "EDF+ Patient: does not hold the four EDF+ sub-fields", Repair, 1, "not repaired: EDF+ Patient"},
    {"StartdateDisagreeingWithTheStartDate",
     [] { return PlusBytes(PlusWith([](auto& E) { E.Recording = "Startdate 02-MAR-2002 X X X"; }), ThreeLists); },
     1, "Startdate 02-MAR-2002 disagrees with the start date 01.02.03", Export, 0, "1 exported"},
    {"NoPhysicalRange",
     [] { return PlusBytes(PlusWith([](auto& E) { E.Signals[0].PhysMax = "-500"; }), ThreeLists); },
     1, "Physimin equals Physimax (-500)", Repair, 1, "not repaired: EDF+ Physimax (signal 1)"},
    {"RecordDurationTooShortForEdfPlus",
     [] { return PlusBytes(PlusWith([](auto& E) { E.Duration = "1e-300"; }), ThreeLists); },
     1, "shorter than the 0.000001 s", Repair, 1, "not repairable"},
    {"AnnotationOnlyFileOfDurationZeroIsValidEdfPlus",
     [] { return test::AnnotationRecordsBytes(PlusWith([](auto& E) { E.Reserved = "EDF+D"; E.Duration = "0"; }),
                                              {"+0\x14\x14\0+0\x14Lights off\x14"s, "+30\x14\x14\0"s}); },
     0, "valid (EDF+D, 1 signal, 2 records of 0 s", {"export", "--signal", "annotations", "-o", "OUT", "FILE"}, 0, "1 exported"},
    {"Utf8LabelBecomesOneCharacterPerCharacter",
     [] { test::TTestEDF E; E.Signals[0].Label = "Fp1\xE2\x80\x93" "A2 \xE2\x82\xAC"; return E.Bytes(); },
     1, "Fp1\\xE2\\x80\\x93A2", Repair, 0, "SignalLabel (signal 1)",
     [](const std::string& Out) { EXPECT_EQ(SignalField(Out + "/f.edf", 0, 16, 0), "Fp1-A2 ?        "); }},
    {"FileCutInsideItsFirstRecordIsNotRepairable",
     [] { return test::TTestEDF{.NrDataRecords = "1", .Records = 0, .ExtraBytes = 5}.Bytes(); },
     1, "partial_record", Repair, 1, "not repairable: the file holds no whole data record"},
    {"FieldsNotAtFaultKeepTheirBytes",
     [] { test::TTestEDF E{.StartTime = "10:20:30"}; E.Signals[1].PhysMin = "-1000.00"; return E.Bytes(); },
     1, "StartTime", Repair, 0, "StartTime",
     [](const std::string& Out) {
       EXPECT_EQ(SignalField(Out + "/f.edf", 104, 8, 1), "-1000.00");
       EXPECT_EQ(test::ReadBytes(Out + "/f.edf").substr(176, 8), "10.20.30");
     }},
    {"ExportSaysItReadLeniently",
     [] { return test::TTestEDF{.StartTime = "22:30:00", .NrDataRecords = "5", .ExtraBytes = 3}.Bytes(); },
     1, "partial_record", Export, 0, "read leniently: 1 header field, record_count, partial_record; see velastrin check"},
    {"ShortFileNamesItsCause", [] { return std::string(255, ' '); },
     2, "the file holds 255 bytes, fewer than the 256 of a header", Export, 1, "the file holds 255 bytes, fewer than the 256 of a header"},
    {"BdfFileExportsItsWideValues", [] { return test::BDFTestEDF().Bytes(); },
     0, "valid (BDF, 2 signals, 3 records of 1 s", Export, 0, "1 exported",
     [](const std::string& Out) {
       const std::string Data = test::ReadBytes(Out + "/f.ascii");
       EXPECT_EQ(Data.substr(0, Data.find('\r')), std::to_string(test::WidePatternSample(0, 0, 0)));
       EXPECT_NE(test::ReadBytes(Out + "/f.txt").find("(ASCII+8388608)*"), std::string::npos);
     }},
    {"BdfWithoutItsReservedTextIsMendedByRepair", [] { return BDFWith([](auto& E) { E.Reserved = ""; }).Bytes(); },
     1, "does not start with one of 24BIT,BDF+C,BDF+D", Repair, 0, "Reserved",
     [](const std::string& Out) { EXPECT_EQ(test::ReadBytes(Out + "/f.edf").substr(192, 6), "24BIT "); }},
    {"EdfWithBdfPlusReservedIsMendedByRepair", [] { return test::TTestEDF{.Reserved = "BDF+C"}.Bytes(); },
     1, "which belongs to the other format", Repair, 0, "Reserved",
     [](const std::string& Out) { EXPECT_EQ(test::ReadBytes(Out + "/f.edf").substr(192, 44), std::string(44, ' ')); }},
    {"BdfDigimaxBeyond24BitsIsUnreadable", [] { return BDFWith([](auto& E) { E.Signals[1].DigMax = "8388608"; }).Bytes(); },
     2, "outside -8388608 to 8388607", Export, 1, "Digimax"},
    {"BdfCutInsideASample", [] { return BDFWith([](auto& E) { E.NrDataRecords = "4"; E.ExtraBytes = 20; }).Bytes(); },
     1, "partial_record", Export, 0, "read leniently: record_count, partial_record"},
    {"BdfPlusAnnotationsExportAsATable",
     [] { return PlusBytes(BDFPlus(), {"+0\x14\x14\0+0.5\x14Lights off\x14"s, "+1\x14\x14\0"s, "+2\x14\x14\0"s}); },
     0, "valid (BDF+C, 2 signals", {"export", "--signal", "annotations", "-o", "OUT", "FILE"}, 0, "1 exported",
     [](const std::string& Out) {
       EXPECT_NE(test::ReadBytes(Out + "/f.ascii").find("0.5,2003-02-01T10:20:30"), std::string::npos);
       EXPECT_NE(test::ReadBytes(Out + "/f.txt").find("\"FileType:BDF+C\""), std::string::npos);
     }},
    {"BdfPlusWithSkippingOnsetsIsLenient",
     [] { return PlusBytes(BDFPlus(), {"+0\x14\x14\0"s, "+1\x14\x14\0"s, "+5\x14\x14\0"s}); },
     1, "record_onsets: 1 record of this BDF+C file does not start", Repair, 1, "not repaired: record_onsets"},
};
// clang-format on

class CheckAndExport : public ::testing::TestWithParam<TAgreeRow> {};

TEST_P(CheckAndExport, TellTheSameStory) {
  const TAgreeRow& Row = GetParam();
  test::TTempDir Dir;
  const std::string File = Dir.File("f.edf");
  const std::string Out = Dir.File("out");
  std::filesystem::create_directory(Out);
  test::WriteBytes(File, Row.Bytes());

  const TCliRun Check = RunCli({"check", File});
  EXPECT_EQ(Check.Status, Row.CheckStatus) << Check.Out << Check.Err;
  EXPECT_NE(Check.Out.find(Row.CheckSays), std::string::npos) << Check.Out;

  std::vector<std::string> Args = Row.Command;
  for (std::string& Arg : Args)
    Arg = Arg == "FILE" ? File : Arg == "OUT" ? Out : Arg;
  const TCliRun Run = RunCli(Args);
  EXPECT_EQ(Run.Status, Row.Status) << Run.Out << Run.Err;
  EXPECT_NE((Run.Out + Run.Err).find(Row.Says), std::string::npos) << Run.Out << Run.Err;
  if (Row.Then)
    Row.Then(Out);
  // A copy is whole and valid, or there is none.
  if (Row.Command[0] == "repair" && Row.Status == 0) {
    CheckCopy(File, Out + "/f.edf");
  } else if (Row.Command[0] == "repair") {
    EXPECT_TRUE(std::filesystem::is_empty(Out));
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, CheckAndExport, ::testing::ValuesIn(AgreeRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace velastrin::cli
