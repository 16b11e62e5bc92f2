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

test::TTestEDF With(test::TTestEDF E, const std::function<void(test::TTestEDF&)>& Change) {
  Change(E);
  return E;
}

const test::TTestEDF Plus = {.Recording = "Startdate 01-FEB-2003 X X X",
                             .Reserved = "EDF+C",
                             .Signals = {test::TTestSignal{}, test::AnnotationTestSignal()}};

// BDF's version, limits and sample width, "BDF Annotations" last.
const test::TTestEDF BDFPlus = With(test::BDFTestEDF(), [](auto& E) {
  E.Recording = Plus.Recording;
  E.Reserved = "BDF+C";
  E.Signals[1] = test::AnnotationTestSignal();
  E.Signals[1].Label = "BDF Annotations";
  E.Signals[1].DigMin = "-8388608";
  E.Signals[1].DigMax = "8388607";
});

// An EDF+C file of three records whose header Change breaks.
std::string PlusWith(const std::function<void(test::TTestEDF&)>& Change) {
  return test::AnnotationListsBytes(With(Plus, Change),
                                    {"+0\x14\x14\0"s, "+1\x14\x14\0"s, "+2\x14\x14\0"s});
}

// An EDF+ file of Kind and three records with the onsets given.
std::string PlusOnsets(const char* Kind, std::vector<std::string> Onsets) {
  for (std::string& Onset : Onsets)
    Onset += "\x14\x14\0"s;
  return test::AnnotationListsBytes(With(Plus, [&](auto& E) { E.Reserved = Kind; }), Onsets);
}

// Bytes of an output file: at offset At, or anywhere in it.
constexpr std::size_t Anywhere = std::string::npos;
struct TLook {
  const char* File;
  std::size_t At;
  std::string Bytes;
};

struct TAgreeRow {
  const char* Name;
  std::string Bytes;
  int CheckStatus;
  const char* CheckSays;            // in check's text output
  std::vector<std::string> Command; // export or repair; FILE and OUT stand for the paths
  int Status;
  const char* Says; // in that command's standard error or output
  std::vector<TLook> Then = {};
};

void PrintTo(const TAgreeRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

const std::vector<std::string> Export = {"export", "--signal", "1", "-o", "OUT", "FILE"};
const std::vector<std::string> Notes = {"export", "--signal", "annotations", "-o", "OUT", "FILE"};
const std::vector<std::string> Repair = {"repair", "-o", "OUT", "FILE"};
const std::vector<std::string> ExportTime = {"export", "--signal", "1",   "--time",
                                             "offset", "-o",       "OUT", "FILE"};

// One row a line or two: the file, then check's status and words, then the command's.
// clang-format off
const TAgreeRow AgreeRows[] = {
    {"PhysiminWithDecimalCommaIsReadAsTheDuration", With({}, [](auto& E) { E.Signals[0].PhysMin = "-500,00"; }).Bytes(),
     0, "lenient reading takes \"-500\"", Export, 0, "1 exported", {{"f.txt", Anywhere, ")*0.244200244200244-500"}}},
    {"StopTimeBeyondTheCalendarIsUnreadableForBoth", test::TTestEDF{.Duration = "1e308"}.Bytes(),
     2, "the stop time lies outside the calendar", Export, 1, "the stop time lies outside the calendar"},
    {"OneByteAppendedIsTrailingAndNotACountError", test::TTestEDF{.ExtraBytes = 1}.Bytes(),
     1, "trailing_bytes: 1 byte left over", Repair, 0, "dropped 1 byte left over"},
    {"AnnotationPrefilterIsMendedByRepair", PlusWith([](auto& E) { E.Signals[1].Prefilter = "HP:0.1Hz"; }),
     1, "EDF+ Prefilter (signal 2): an annotation signal leaves this field blank", Repair, 0, "Prefilter (signal 2)",
     {{"f.edf", 256 + 2 * 136 + 80, std::string(80, ' ')}}},
    {"PatientWithoutSubFieldsIsNotRepairedByGuessing", PlusWith([](auto& E) { E.Patient = "John"; }),
     1, "EDF+ Patient: does not hold the four EDF+ sub-fields", Repair, 1, "not repaired: EDF+ Patient"},
    {"StartdateDisagreeingWithTheStartDate", PlusWith([](auto& E) { E.Recording = "Startdate 02-MAR-2002 X X X"; }),
     1, "Startdate 02-MAR-2002 disagrees with the start date 01.02.03", Export, 0, "1 exported"},
    {"NoPhysicalRange", PlusWith([](auto& E) { E.Signals[0].PhysMax = "-500"; }),
     1, "Physimin equals Physimax (-500)", Repair, 1, "not repaired: EDF+ Physimax (signal 1)"},
    {"RecordDurationTooShortForEdfPlus", PlusWith([](auto& E) { E.Duration = "1e-300"; }),
     1, "shorter than the 0.000001 s", Repair, 1, "not repairable"},
    {"AnnotationOnlyFileOfDurationZeroIsValidEdfPlus",
     test::AnnotationRecordsBytes(With(Plus, [](auto& E) { E.Reserved = "EDF+D"; E.Duration = "0"; }),
                                  {"+0\x14\x14\0+0\x14Lights off\x14"s, "+30\x14\x14\0"s}),
     0, "valid (EDF+D, 1 signal, 2 records of 0 s", Notes, 0, "1 exported"},
    {"Utf8LabelBecomesOneCharacterPerCharacter",
     With({}, [](auto& E) { E.Signals[0].Label = "Fp1\xE2\x80\x93" "A2 \xE2\x82\xAC"; }).Bytes(),
     1, "Fp1\\xE2\\x80\\x93A2", Repair, 0, "SignalLabel (signal 1)", {{"f.edf", 256, "Fp1-A2 ?        "}}},
    {"FileCutInsideItsFirstRecordIsNotRepairable", test::TTestEDF{.NrDataRecords = "1", .Records = 0, .ExtraBytes = 5}.Bytes(),
     1, "partial_record", Repair, 1, "not repairable: the file holds no whole data record"},
    {"FieldsNotAtFaultKeepTheirBytes", With({.StartTime = "10:20:30"}, [](auto& E) { E.Signals[1].PhysMin = "-1000.00"; }).Bytes(),
     1, "StartTime", Repair, 0, "StartTime", {{"f.edf", 256 + 2 * 104 + 8, "-1000.00"}, {"f.edf", 176, "10.20.30"}}},
    {"ExportSaysItReadLeniently", test::TTestEDF{.StartTime = "22:30:00", .NrDataRecords = "5", .ExtraBytes = 3}.Bytes(),
     1, "partial_record", Export, 0, "read leniently: 1 header field, record_count, partial_record; see velastrin check"},
    {"ShortFileNamesItsCause", std::string(255, ' '),
     2, "the file holds 255 bytes, fewer than the 256 of a header", Export, 1, "the file holds 255 bytes, fewer than the 256 of a header"},
    {"BdfFileExportsItsWideValues", test::BDFTestEDF().Bytes(), 0, "valid (BDF, 2 signals, 3 records of 1 s", Export, 0, "1 exported",
     {{"f.ascii", 0, std::to_string(test::WidePatternSample(0, 0, 0)) + "\r"}, {"f.txt", Anywhere, "(ASCII+8388608)*"}}},
    {"BdfWithoutItsReservedTextIsMendedByRepair", With(test::BDFTestEDF(), [](auto& E) { E.Reserved = ""; }).Bytes(),
     1, "does not start with one of 24BIT,BDF+C,BDF+D", Repair, 0, "Reserved", {{"f.edf", 192, "24BIT "}}},
    {"EdfWithBdfPlusReservedIsMendedByRepair", test::TTestEDF{.Reserved = "BDF+C"}.Bytes(),
     1, "which belongs to the other format", Repair, 0, "Reserved", {{"f.edf", 192, std::string(44, ' ')}}},
    {"BdfDigimaxBeyond24BitsIsUnreadable", With(test::BDFTestEDF(), [](auto& E) { E.Signals[1].DigMax = "8388608"; }).Bytes(),
     2, "outside -8388608 to 8388607", Export, 1, "Digimax"},
    {"BdfCutInsideASample", With(test::BDFTestEDF(), [](auto& E) { E.NrDataRecords = "4"; E.ExtraBytes = 20; }).Bytes(),
     1, "partial_record", Export, 0, "read leniently: record_count, partial_record"},
    {"BdfPlusAnnotationsExportAsATable", test::AnnotationListsBytes(BDFPlus, {"+0\x14\x14\0+0.5\x14Lights off\x14"s, "+1\x14\x14\0"s, "+2\x14\x14\0"s}),
     0, "valid (BDF+C, 2 signals", Notes, 0, "1 exported",
     {{"f.ascii", Anywhere, "0.5,2003-02-01T10:20:30"}, {"f.txt", Anywhere, "\"FileType:BDF+C\""}}},
    {"BdfPlusWithSkippingOnsetsIsLenient", test::AnnotationListsBytes(BDFPlus, {"+0\x14\x14\0"s, "+1\x14\x14\0"s, "+5\x14\x14\0"s}),
     1, "record_onsets: 1 record of this BDF+C file does not start", Repair, 1, "not repaired: record_onsets"},
    // EDF+ without an annotation signal: not EDF+ (edflib refuses it), exported as plain EDF.
    {"BdfPlusCWithoutAnnotationSignalIsLenient", With(BDFPlus, [](auto& E) { E.Reserved = "BDF+C", E.Signals[1] = E.Signals[0]; }).Bytes(),
     1, "EDF+ Reserved: the file says BDF+C but holds no annotation signal (\"BDF Annotations\")", Export, 0,
     "read leniently: edf_plus; see velastrin check"},
    {"EdfPlusDWithoutTimeKeepingFailsForTime", With(Plus, [](auto& E) { E.Reserved = "EDF+D", E.Signals[1] = E.Signals[0]; }).Bytes(),
     1, "holds no annotation signal", ExportTime, 1, "record 1 has no time-keeping annotation"},
    // The other format's label: read as the annotation signal, relabelled by repair.
    {"EdfPlusWithTheBdfLabelExportsItsAnnotations",
     test::AnnotationListsBytes(With(Plus, [](auto& E) { E.Signals[1].Label = "BDF Annotations"; }),
                                {"+0\x14\x14\0+0.5\x14Off\x14"s, "+1\x14\x14\0"s, "+2\x14\x14\0"s}),
     1, "EDF+ SignalLabel (signal 2): the annotation signal of an EDF+ file is labelled \"EDF Annotations\"", Notes, 0, "1 exported",
     {{"f.ascii", 0, "0.5,2003-02-01T10:20:30.5,,Off\r\n"}}},
    {"BdfPlusWithTheEdfLabelIsRelabelledByRepair", test::AnnotationListsBytes(With(BDFPlus, [](auto& E) { E.Signals[1].Label = "EDF Annotations"; }), {"+0\x14\x14\0"s}),
     1, "labelled \"BDF Annotations\"", Repair, 0, "SignalLabel (signal 2)", {{"f.edf", 256 + 16, "BDF Annotations "}}},
    {"PhysiminNotANumberRefusesTheSignal", With({}, [](auto& E) { E.Signals[0].PhysMin = "n/a"; }).Bytes(),
     1, "the physical limits of signal 1 cannot be read, so the formula", Export, 1,
     "the physical limits of signal 1 cannot be read, so the formula"},
    // EDF+D: an overlap or a repeated onset fails check; EDF+C: a late record is read leniently.
    {"EdfPlusDOverlapFailsAndIsNamed", PlusOnsets("EDF+D", {"+0", "+1", "+1.5"}),
     1, "record_onsets: 1 record of this EDF+D file starts before the record before ends; the first is record 3 at +1.5 s instead of 2 s",
     Export, 0, "read leniently: record_onsets; see velastrin check",
     {{"f.txt", Anywhere, "\"Gaps:record 3 at 1.5 s, overlapping the record before by 0.5 s\""}}},
    {"EdfPlusDRepeatedOnsetFailsAndIsNamed", PlusOnsets("EDF+D", {"+0", "+1", "+1"}),
     1, "overlap: record 3 starts at +1 s", Export, 0, "EDF+D: the samples are not continuous; record 3 at 1 s, overlapping the record before by 1 s"},
    {"EdfPlusCLateRecordIsNamedWithoutTime", PlusOnsets("EDF+C", {"+0", "+1", "+3"}),
     1, "record_onsets", Export, 0, "read leniently: record_onsets; see velastrin check"},
    {"EdfPlusCLateRecordIsReadLeniently", PlusOnsets("EDF+C", {"+0", "+1", "+3"}),
     1, "record_onsets: 1 record of this EDF+C file does not start", ExportTime, 0,
     "read leniently: record_onsets; see velastrin check", {{"f.ascii", Anywhere, "0.75,"}, {"f.ascii", Anywhere, "\r\n3,"}}},
};
// clang-format on

class CheckAndExport : public ::testing::TestWithParam<TAgreeRow> {};

TEST_P(CheckAndExport, TellTheSameStory) {
  const TAgreeRow& Row = GetParam();
  test::TTempDir Dir;
  const std::string File = Dir.Write("f.edf", Row.Bytes);
  const std::string Out = Dir.File("out");
  std::filesystem::create_directory(Out);
  const TCliRun Check = RunCli({"check", File});
  EXPECT_EQ(Check.Status, Row.CheckStatus) << Check.Out << Check.Err;
  EXPECT_NE(Check.Out.find(Row.CheckSays), std::string::npos) << Check.Out;
  std::vector<std::string> Args = Row.Command;
  for (std::string& Arg : Args)
    Arg = Arg == "FILE" ? File : Arg == "OUT" ? Out : Arg;
  const TCliRun Run = RunCli(Args);
  EXPECT_EQ(Run.Status, Row.Status) << Run.Out << Run.Err;
  EXPECT_NE((Run.Out + Run.Err).find(Row.Says), std::string::npos) << Run.Out << Run.Err;
  for (const TLook& Look : Row.Then) {
    const std::string Bytes = test::ReadBytes(Out + "/" + Look.File);
    if (Look.At == Anywhere) {
      EXPECT_NE(Bytes.find(Look.Bytes), std::string::npos) << Look.File << ": " << Look.Bytes;
    } else {
      EXPECT_EQ(Bytes.substr(std::min(Look.At, Bytes.size()), Look.Bytes.size()), Look.Bytes);
    }
  }
  // A copy is whole and valid: edflib opens it, check calls it valid, and its data records are
  // the input's whole records byte for byte. Or there is none.
  if (Row.Command[0] != "repair")
    return;
  if (Row.Status != 0) {
    EXPECT_TRUE(std::filesystem::is_empty(Out));
    return;
  }
  const std::string Copy = Out + "/f.edf";
  edf_hdr_struct Header{};
  EXPECT_EQ(edfopen_file_readonly(Copy.c_str(), &Header, EDFLIB_DO_NOT_READ_ANNOTATIONS), 0)
      << "edflib error " << Header.filetype;
  edfclose_file(Header.handle);
  EXPECT_EQ(RunCli({"check", Copy}).Status, 0);
  const std::string Data = test::ReadBytes(Copy);
  const std::size_t HeaderSize = 256 * (std::stoul(Data.substr(252, 4)) + 1);
  EXPECT_EQ(Data.substr(HeaderSize), Row.Bytes.substr(HeaderSize, Data.size() - HeaderSize));
}

INSTANTIATE_TEST_SUITE_P(Rows, CheckAndExport, ::testing::ValuesIn(AgreeRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace velastrin::cli
