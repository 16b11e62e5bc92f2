// "velastrin anonymize", in-process: one row per header field, annotation text, date policy
// and map, each with what must be gone from the copy and what must stay. Files are built byte
// by byte; edflib reads every copy back.
#include "check/tests/CheckTestSupport.h"
#include "check/uEDFAnonymize.h"
#include "check/uEDFFindings.h"
#include "cli/tests/CliTestSupport.h"
#include "support/uOutputFiles.h"
#include "testsupport/TestEDF.h"
#include "testsupport/TestFiles.h"

#include <edflib.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace velastrin::cli {
namespace {

using velastrin::testing::RunCli;
using velastrin::testing::TCliRun;
using namespace std::string_literals;
namespace fs = std::filesystem;

// An EDF+ (or plain, Reserved "") file: an EEG signal of pattern samples and an annotation
// signal of 60 bytes holding Lists[r] in record r.
std::string Recording(const std::vector<std::string>& Lists, const std::string& Reserved = "EDF+C",
                      const std::string& Patient = "P-4711 F 16-SEP-1987 Anna_Berg-Holm") {
  test::TTestEDF Edf{.Patient = Patient,
                     .Recording = "Startdate 01-FEB-2003 INV-77 TK Amp_2",
                     .Reserved = Reserved,
                     .Signals = {test::TTestSignal{}, test::AnnotationTestSignal()}};
  Edf.Signals[1].NrSamples = "30";
  return test::AnnotationListsBytes(Edf, Lists);
}

const std::vector<std::string> Lists = {"+0\x14\x14\0+0.5\x14"
                                        "Anna called\x14\0"s,
                                        "+1\x14\x14\0+1\x15\x32\x14P-4711 bergholm\x14\0"s};

// edflib opens the copy, and its EEG samples are the input's.
void ExpectSameSamples(const std::string& Input, const std::string& Copy) {
  auto Samples = [](const std::string& Path) {
    edf_hdr_struct H{};
    EXPECT_EQ(edfopen_file_readonly(Path.c_str(), &H, EDFLIB_READ_ALL_ANNOTATIONS), 0)
        << Path << ": edflib error " << H.filetype;
    std::vector<int> Values(static_cast<std::size_t>(H.signalparam[0].smp_in_file));
    EXPECT_EQ(edfread_digital_samples(H.handle, 0, static_cast<int>(Values.size()), Values.data()),
              static_cast<int>(Values.size()));
    edfclose_file(H.handle);
    return Values;
  };
  const std::vector<int> From = Samples(Input);
  EXPECT_FALSE(From.empty());
  EXPECT_EQ(Samples(Copy), From);
}

struct TRow {
  const char* Name;
  std::vector<std::string> Options;
  std::string Bytes;
  std::vector<std::string> Present; // in the copy's header or annotation bytes
  std::vector<std::string> Gone;    // anywhere in the copy, any letter case
};

void PrintTo(const TRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

std::string Lower(std::string Text) {
  for (char& c : Text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return Text;
}

class Anonymize : public ::testing::TestWithParam<TRow> {};

TEST_P(Anonymize, ChangesOnlyWhatIdentifies) {
  const TRow& Row = GetParam();
  test::TTempDir Dir;
  fs::create_directory(Dir.Path() / "in");
  const std::string Input = Dir.Write("in/night.edf", Row.Bytes);
  const std::string Scrub = Dir.Write("scrub.txt", "Ward 7\nDr. Sommer\n");
  std::vector<std::string> Args = {"anonymize", "-o", Dir.File("out")};
  for (const std::string& Option : Row.Options)
    Args.push_back(Option == "SCRUB" ? Scrub : Option);
  Args.push_back(Input);
  const TCliRun Run = RunCli(Args);
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  const std::string Copy = Dir.File("out/night.edf");
  const std::string Bytes = test::ReadBytes(Copy);
  ASSERT_EQ(Bytes.size(), Row.Bytes.size());
  for (const std::string& Text : Row.Present)
    EXPECT_NE(Bytes.find(Text), std::string::npos) << "missing: " << Text;
  for (const std::string& Text : Row.Gone)
    EXPECT_EQ(Lower(Bytes).find(Lower(Text)), std::string::npos) << "left: " << Text;
  // Signal headers and the EEG samples stay byte for byte.
  EXPECT_EQ(Bytes.substr(256, 512), Row.Bytes.substr(256, 512));
  ExpectSameSamples(Input, Copy);
  EXPECT_EQ(RunCli({"check", Copy}).Status, 0);
}

// clang-format off
const TRow Rows[] = {
    {"DefaultPolicy", {}, Recording(Lists),
     {"X X X X" + std::string(73, ' '), "Startdate 01-JAN-1985 X X X ", "01.01.8510.20.30",
      "EDF+C" + std::string(39, ' '), "+0.5\x14XXXX called\x14", "+1\x15\x32\x14XXXXXX XXXXXXXX\x14"},
     {"P-4711", "Anna", "Berg", "Holm", "16-SEP", "INV-77", "TK", "Amp_2", "01.02.03"}},
    {"SubjectSexAndBirthYear", {"--subject", "sub-01", "--keep", "sex,birth-year"}, Recording(Lists),
     {"sub-01 F 01-JAN-1987 X "}, {"P-4711", "Anna", "16-SEP"}},
    {"KeepDateZeroTimeAndEquipment", {"--date", "keep", "--time", "zero", "--keep", "equipment"},
     Recording(Lists), {"Startdate 01-FEB-2003 X X Amp_2 ", "01.02.0300.00.00"},
     {"INV-77", "10.20.30", "Anna"}},
    {"ShiftFromSeed", {"--date", "shift", "--seed", "7"}, Recording(Lists), {"Startdate "},
     {"01.02.03", "01-FEB-2003", "01.01.85", "Anna"}},
    {"ScrubList", {"--scrub", "SCRUB"},
     Recording({"+0\x14\x14\0+2\x14In ward 7 with DR. SOMMER\x14\0"s}),
     {"+2\x14In XXXXXX with XXXXXXXXXX\x14"}, {"ward 7", "sommer"}},
    {"DropKeepsTimeKeeping", {"--annotations", "drop"}, Recording(Lists),
     {"+0\x14\x14\0\0"s, "+1\x14\x14\0\0"s}, {"called", "4711"}},
    {"PlainEDFWordsAndReserved", {"--date", "keep"},
     Recording({"+0\x14\x14\0"s}, "ID 99-ANNA", "Anna Berg 1987 female"),
     {"X X X X ", "01.02.03"},
     {"Anna", "Berg", "female", "ID 99"}},
    // Words the header holds by rule (JAN) fail nothing; a name of two letters goes only where it stands alone.
    {"RuleWordsAndTwoLetterNames", {}, Recording({"+0\x14\x14\0+1\x14Jan awake, Li slept, Light on\x14\0"s}, "EDF+C", "P-7 M X Jan_Li"), {"Startdate 01-JAN-1985 X X X ", "XXX awake, XX slept, Light on"}, {}},
    {"KeepEquipmentInTexts", {"--keep", "equipment"}, Recording({"+0\x14\x14\0+1\x14TK on Amp_2\x14\0"s}), {"XX on Amp_2"}, {"INV-77"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cli, Anonymize, ::testing::ValuesIn(Rows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// Two recordings of one patient shift alike; the audit has both hashes equal and no old text.
TEST(AnonymizeAudit, OneShiftPerSubjectAndNoOldText) {
  test::TTempDir Dir;
  fs::create_directory(Dir.Path() / "in");
  Dir.Write("in/a.edf", Recording(Lists));
  Dir.Write("in/b.edf", Recording(Lists));
  const TCliRun Run = RunCli({"anonymize", "--json", "--date", "shift", "--seed", "3", "-o",
                              Dir.File("out"), Dir.File("in")});
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(Run.Out.find("Anna"), std::string::npos);
  EXPECT_EQ(Run.Out.find("4711"), std::string::npos);
  std::vector<nlohmann::json> Lines;
  std::istringstream Out(Run.Out);
  for (std::string Line; std::getline(Out, Line);)
    Lines.push_back(nlohmann::json::parse(Line));
  ASSERT_EQ(Lines.size(), 2u);
  EXPECT_EQ(Lines[0]["date_shift_days"], Lines[1]["date_shift_days"]);
  EXPECT_LT(Lines[0]["date_shift_days"].get<int>(), 0);
  EXPECT_EQ(Lines[0]["seed"], 3);
  EXPECT_EQ(Lines[0]["annotations_scrubbed"], 2);
  EXPECT_EQ(Lines[0]["signals_sha256_input"], Lines[0]["signals_sha256_output"]);
  EXPECT_EQ(Lines[0]["fields_changed"], nlohmann::json({"Patient", "Recording", "StartDate"}));
  EXPECT_EQ(test::ReadBytes(Dir.File("out/a.edf")).substr(168, 8),
            test::ReadBytes(Dir.File("out/b.edf")).substr(168, 8));
}

// A --map or --scrub list: the outputs it names, or a refusal before anything is written.
struct TListRow {
  const char* Name;
  const char* Option;
  std::string List; // IN_A and IN_B stand for the inputs' paths
  int Status;
  const char* Says;                 // on standard error
  std::vector<std::string> Outputs; // the files under out afterwards
};

void PrintTo(const TListRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class AnonymizeList : public ::testing::TestWithParam<TListRow> {};

TEST_P(AnonymizeList, NamesOutputsOrStopsBeforeWriting) {
  const TListRow& Row = GetParam();
  test::TTempDir Dir;
  fs::create_directory(Dir.Path() / "in");
  const std::string A = Dir.Write("in/Anna Berg.edf", Recording(Lists));
  const std::string B =
      Dir.Write("in/Carl Dahl.edf", Recording(Lists, "EDF+C", "C-12 M X Carl_Dahl"));
  std::string List = Row.List;
  for (const auto& [Key, Path] : {std::pair{"IN_A"s, A}, std::pair{"IN_B"s, B}})
    for (std::size_t At; (At = List.find(Key)) != std::string::npos;)
      List.replace(At, Key.size(), Path);
  const TCliRun Run = RunCli({"anonymize", "--date", "shift", Row.Option,
                              Dir.Write("list.txt", List), "-o", Dir.File("out"), Dir.File("in")});
  EXPECT_EQ(Run.Status, Row.Status) << Run.Err;
  EXPECT_NE(Run.Err.find(Row.Says), std::string::npos) << Run.Err;
  std::vector<std::string> Found;
  if (fs::exists(Dir.Path() / "out"))
    for (const auto& Entry : fs::recursive_directory_iterator(Dir.Path() / "out"))
      if (Entry.is_regular_file())
        Found.push_back(fs::relative(Entry.path(), Dir.Path() / "out").string());
  std::sort(Found.begin(), Found.end());
  EXPECT_EQ(Found, Row.Outputs);
  if (Row.Status == 0) {
    const std::string Copy = test::ReadBytes(Dir.File("out/sub-01/eeg.edf"));
    EXPECT_EQ(Copy.substr(8, 10), "sub-01 X X");
    EXPECT_EQ(Copy.substr(168, 8), "22.01.03"); // 01.02.03 less 10 days
  }
}

// clang-format off
const TListRow ListRows[] = {
    {"MapHeaderRowSubfoldersAndShift", "--map",
     "input,subject,output,shift_days\nIN_A,sub-01,sub-01/eeg.edf,-10\nIN_B,sub-02,b.edf\n", 0,
     "2 anonymized", {"b.edf", "sub-01/eeg.edf"}},
    {"MapMissesAnInput", "--map", "IN_A,sub-01,sub-01/eeg.edf\n", 2, "has no row for the input", {}},
    {"MapOutputTwice", "--map", "IN_A,sub-01,x.edf\nIN_B,sub-02,./x.edf\n", 2, "line 2: the output", {}},
    {"MapTooFewColumns", "--map", "IN_A,sub-01,a.edf\nIN_B,sub-02\n", 2, "line 2: expected", {}},
    {"MapShiftNotANumber", "--map", "IN_A,sub-01,a.edf,ten\nIN_B,s,b.edf\n", 2, "line 1: shift_days", {}},
    {"MapOutputLeavesTheFolder", "--map", "IN_A,sub-01,../a.edf\nIN_B,s,b.edf\n", 2, "line 1: the output", {}},
    {"MapWithByteOrderMark", "--map", "\xEF\xBB\xBFIN_A,sub-01,sub-01/eeg.edf,-10\nIN_B,sub-02,b.edf\n", 0, "2 anonymized", {"b.edf", "sub-01/eeg.edf"}},
    {"MapShiftForward", "--map", "IN_A,sub-01,a.edf,+10\nIN_B,s,b.edf\n", 2, "line 1: shift_days must be from -1 to -3652", {}},
    {"MapShiftTooFarBack", "--map", "IN_A,sub-01,a.edf\nIN_B,s,b.edf,-5000\n", 2, "line 2: shift_days must be from -1 to -3652", {}},
    {"MapOneSubjectTwoShifts", "--map", "IN_A,sub-01,a.edf,-10\nIN_B,sub-01,b.edf,-20\n", 2, "line 2: the subject \"sub-01\" is shifted -20 days here and shifted -10 days on line 1", {}},
    {"ScrubEmptyLine", "--scrub", "Sommer\n\nWard\n", 2, "line 2: empty", {}},
    {"ScrubNotUTF8", "--scrub", "Sommer\nM\xFCller\n", 2, "line 2: not UTF-8", {}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Cli, AnonymizeList, ::testing::ValuesIn(ListRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// An unreadable header is skipped without a trace; the readable file is still done. A folder
// that holds an input is refused.
TEST(AnonymizeSafety, SkipsUnreadableAndNeverWritesBesideInputs) {
  test::TTempDir Dir;
  fs::create_directory(Dir.Path() / "in");
  const std::string Good = Dir.Write("in/good.edf", Recording(Lists));
  Dir.Write("in/bad.edf", "0       not a header");
  const TCliRun Run = RunCli({"anonymize", "-o", Dir.File("out"), Dir.File("in")});
  EXPECT_EQ(Run.Status, 1) << Run.Err;
  EXPECT_TRUE(fs::exists(Dir.File("out/good.edf")));
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path() / "out"), fs::directory_iterator()), 1);
  const TCliRun Beside = RunCli({"anonymize", "-o", Dir.File("in"), Good});
  EXPECT_EQ(Beside.Status, 2);
  EXPECT_NE(Beside.Err.find("never writes beside its inputs"), std::string::npos) << Beside.Err;
}

// A damaged annotation list cannot be told apart from its texts: no copy.
TEST(AnonymizeSafety, RefusesBrokenAnnotationList) {
  test::TTempDir Dir;
  const std::string Input = Dir.Write("in.edf", Recording({"+0\x14\x14\0+1 Anna Berg"s}));
  const TCliRun Run = RunCli({"anonymize", "-o", Dir.File("out"), Input});
  EXPECT_EQ(Run.Status, 1);
  EXPECT_NE(Run.Err.find("annotation list of data record 1"), std::string::npos) << Run.Err;
  EXPECT_FALSE(fs::exists(Dir.File("out/in.edf")));
  EXPECT_TRUE(LiveTemporaryFiles().empty());
}

// edflib's EDF+ and BDF+ files: the copy opens in edflib with every sample equal, the name and
// code gone from its header and annotations, the annotations still at their onsets.
class AnonymizePeer : public ::testing::TestWithParam<int> {};

TEST_P(AnonymizePeer, EdflibReadsTheCopy) {
  test::TTempDir Dir;
  fs::create_directory(Dir.Path() / "in");
  const bool Bdf = GetParam() == EDFLIB_FILETYPE_BDFPLUS;
  const std::string Name = Bdf ? "peer.bdf" : "peer.edf";
  const std::string Input = Dir.File("in/" + Name);
  const int Handle = edfopen_file_writeonly(Input.c_str(), GetParam(), 1);
  ASSERT_GE(Handle, 0);
  edf_set_samplefrequency(Handle, 0, 8);
  edf_set_digital_minimum(Handle, 0, Bdf ? -8388608 : -32768);
  edf_set_digital_maximum(Handle, 0, Bdf ? 8388607 : 32767);
  edf_set_physical_minimum(Handle, 0, -500.0);
  edf_set_physical_maximum(Handle, 0, 500.0);
  edf_set_label(Handle, 0, "EEG");
  edf_set_patientname(Handle, "Eva Lindqvist");
  edf_set_patientcode(Handle, "MRN-55301");
  edf_set_startdatetime(Handle, 2020, 5, 17, 22, 15, 0);
  std::vector<int> Samples(8);
  for (int r = 0; r < 3; ++r) {
    for (int k = 0; k < 8; ++k)
      Samples[static_cast<std::size_t>(k)] = (r * 8 + k) * (Bdf ? 99991 : 997) - 12000;
    ASSERT_EQ(edfwrite_digital_samples(Handle, Samples.data()), 0);
  }
  edfwrite_annotation_utf8(Handle, 15000, -1, "Lindqvist asleep");
  edfwrite_annotation_utf8(Handle, 25000, 5000, "mrn-55301 checked");
  ASSERT_EQ(edfclose_file(Handle), 0);
  const TCliRun Run =
      RunCli({"anonymize", "--date", "shift", "--seed", "1", "-o", Dir.File("out"), Input});
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  const std::string Copy = Dir.File("out/" + Name);
  ExpectSameSamples(Input, Copy);
  edf_hdr_struct H{};
  ASSERT_EQ(edfopen_file_readonly(Copy.c_str(), &H, EDFLIB_READ_ALL_ANNOTATIONS), 0);
  EXPECT_STREQ(H.patientcode, "");
  EXPECT_STREQ(H.patient_name, "X");
  EXPECT_LT(H.startdate_year * 10000 + H.startdate_month * 100 + H.startdate_day, 20200517);
  EXPECT_EQ(H.starttime_hour, 22);
  ASSERT_EQ(H.annotations_in_file, 2);
  edf_annotation_struct A{};
  edf_get_annotation(H.handle, 0, &A);
  EXPECT_EQ(A.onset, 15000000);
  EXPECT_STREQ(A.annotation, "XXXXXXXXX asleep");
  edf_get_annotation(H.handle, 1, &A);
  EXPECT_STREQ(A.annotation, "XXXXXXXXX checked");
  edfclose_file(H.handle);
}

INSTANTIATE_TEST_SUITE_P(Cli, AnonymizePeer,
                         ::testing::Values(EDFLIB_FILETYPE_EDFPLUS, EDFLIB_FILETYPE_BDFPLUS),
                         [](const auto& Info) {
                           return Info.param == EDFLIB_FILETYPE_BDFPLUS ? "BDF"s : "EDF"s;
                         });

// An EDF+ or BDF+ file of two records naming every kind of identifier, and Name at Place: 0-4 the
// EEG signal's label, transducer, unit, prefilter, reserved; 5, 6 an annotation of annotation
// signal 1 or 2; 7 the filler after the last list of both.
std::string Hostile(bool BDF, int Place, const std::string& Name) {
  test::TTestEDF Edf = BDF ? test::BDFTestEDF() : test::TTestEDF{};
  Edf.Patient = "MRN12345 M 02-MAR-1961 John_Smith_M\xC3\xBCller";
  Edf.Recording = "Startdate 01-FEB-2003 CLINIC-9 Dr_Jones Nihon_Kohden";
  Edf.Reserved = BDF ? "BDF+C" : "EDF+C";
  Edf.Records = 2;
  test::TTestSignal& S = Edf.Signals[0];
  std::string* Fields[] = {&S.Label, &S.Transducer, &S.Dim, &S.Prefilter, &S.Reserved};
  if (Place < 5)
    *Fields[Place] = "(" + Name + ")";
  test::TTestSignal Ann = test::AnnotationTestSignal();
  Ann.NrSamples = "30";
  Ann.Label = BDF ? "BDF Annotations" : "EDF Annotations";
  Edf.Signals = {S, Ann, Ann};
  std::string Bytes = Edf.Bytes();
  const std::string Note = "+1\x14(" + Name + ")\x14\0"s,
                    Filler = Place == 7 ? "\0\0Ward-B "s + Name : "";
  const std::string After[] = {(Place == 5 ? Note : "") + Filler,
                               (Place == 6 ? Note : "+1\x14x\x14\0"s) + Filler};
  const std::size_t W = BDF ? 3 : 2;
  for (std::size_t r = 0; r < 2; ++r)
    for (std::size_t s = 0; s < 2; ++s) {
      std::string List =
          (s == 0 ? "+" + std::to_string(r) + "\x14\x14\0"s : "") + (r ? "" : After[s]);
      List.resize(30 * W, '\0');
      Bytes.replace(1024 + (r * 64 + 4 + 30 * s) * W, List.size(), List);
    }
  return Bytes;
}

// The class oracle: one identifier in one spelling at each place a file can hold text outside its
// samples, in EDF+ and BDF+; this test, not the engine, searches the copy and the audit.
TEST(AnonymizeOracle, NoIdentifierLeftAnywhereOutsideTheSamples) {
  const std::vector<std::string> Spellings = {
      "Smith",     "SMITH",       "jOHNsMITH",  "M\xC3\xBCller", "M\xC3\x9CLLER", "m\xFCller",
      "M\xDCLLER", "02-mar-1961", "02.03.1961", "02/03/1961",    "1961-03-02",    "Dr Jones",
      "mrn12345",  "clinic-9",    "KOHDEN",     "SOMMER"};
  const std::vector<std::string> Gone = {
      "MRN12345",  "John",        "Smith",      "M\xC3\xBCller", "M\xC3\x9Cller", "M\xFCller",
      "M\xDCller", "02-MAR-1961", "1961-03-02", "02.03.1961",    "02/03/1961",    "CLINIC-9",
      "Jones",     "Nihon",       "Kohden",     "Sommer",        "Ward-B"};
  const std::string Fields[] = {"SignalLabel", "Transducertype", "Physidim", "Prefilter",
                                "Reserved"};
  test::TTempDir Dir;
  const std::string Scrub = Dir.Write("scrub.txt", "\xEF\xBB\xBFSommer\n"); // its mark is skipped
  for (const bool BDF : {false, true})
    for (const std::string& Name : Spellings)
      for (int Place = 0; Place < 8; ++Place) {
        if (Place < 5 && Name.size() + 2 > (Place == 2 ? 8u : 16u))
          continue;
        SCOPED_TRACE(EscapeBytes(Name) + " at " + std::to_string(Place) + (BDF ? " in BDF+" : ""));
        const std::string Input = Dir.Write(BDF ? "h.bdf" : "h.edf", Hostile(BDF, Place, Name));
        fs::remove_all(Dir.Path() / "out");
        const TCliRun Run =
            RunCli({"anonymize", "--json", "--scrub", Scrub, "-o", Dir.File("out"), Input});
        ASSERT_EQ(Run.Status, 0) << Run.Err;
        std::string Copy = test::ReadBytes(Dir.File(BDF ? "out/h.bdf" : "out/h.edf"));
        EXPECT_TRUE(Place == 7 || Copy.find("(" + std::string(Name.size(), 'X') + ")") != Copy.npos)
            << "the name's every byte an X, its neighbours kept";
        for (const std::size_t r : {1, 0}) // the EEG samples are not searched
          Copy.erase(1024 + r * 64 * (BDF ? 3 : 2), 4 * (BDF ? 3 : 2));
        for (const std::string& Text : Gone) // the audit names fields, never texts
          EXPECT_EQ(Lower(Copy + Run.Out).find(Lower(Text)), std::string::npos)
              << EscapeBytes(Text);
        const nlohmann::json Audit = nlohmann::json::parse(Run.Out);
        EXPECT_EQ(Audit["signal_fields_scrubbed"],
                  Place < 5 ? nlohmann::json::array({Fields[Place] + " (signal 1)"})
                            : nlohmann::json::array());
        EXPECT_EQ(Audit["annotation_filler_cleared"], Place == 7 ? 2 : 0);
        EXPECT_GE(Audit["identifiers_searched"].get<int>(), 3);
      }
}

// An EDF+ patient field not in subfield form, which edflib refuses: every word of it goes.
TEST(AnonymizeHostile, PatientFieldNotInSubfields) {
  test::TTempDir Dir;
  const std::string Input =
      Dir.Write("in.edf", Recording({"+0\x14\x14\0+0.5\x14Maria Lopez awake\x14\0"s}, "EDF+C",
                                    "Maria Lopez 1970"));
  ASSERT_EQ(RunCli({"anonymize", "-o", Dir.File("out"), Input}).Status, 0);
  EXPECT_NE(test::ReadBytes(Dir.File("out/in.edf")).find("+0.5\x14XXXXX XXXXX awake"),
            std::string::npos);
}

// Files that get no copy: check's reason in the message, no internal number, nothing left.
TEST(AnonymizeRefusal, SaysChecksReasonAndLeavesNothing) {
  test::TTempDir Dir;
  test::TTestEDF Limit;
  Limit.Signals[0].PhysMin = "-5 Name"; // a number field lenient reading takes: not scrubbed
  for (const auto& [Input, Says] : std::vector<std::pair<std::string, std::string>>{
           {Dir.Write("text.edf", "hello\n"), ""},
           {Dir.Write("adjacent.edf", Recording({"+0\x14\x14\0Patient Anna Berg"s})),
            "annotation list of data record 1 (signal 2) is damaged at byte 781: " +
                TALFaultMessage(TTALFault::OnsetSign)},
           {Dir.Write("limit.edf", Limit.Bytes()),
            "in the Physimin (signal 1) field of the copy, at byte 467"}}) {
    const TCliRun Run = RunCli({"anonymize", "-o", Dir.File("out"), Input});
    const std::string Reason = Says.empty() ? CollectFindings(Input).Reason : Says;
    EXPECT_EQ(Run.Status, 1) << Input;
    EXPECT_NE(Run.Err.find(Reason + "; nothing written"), std::string::npos)
        << Run.Err << "\nexpected: " << Reason;
    EXPECT_EQ(Run.Err.find("(status"), std::string::npos) << Run.Err;
    for (const char* Text : {"Anna", "Berg", "Name"})
      EXPECT_EQ(Run.Err.find(Text), std::string::npos) << Run.Err;
    EXPECT_FALSE(fs::exists(Dir.Path() / "out" / fs::path(Input).filename()));
  }
  EXPECT_TRUE(LiveTemporaryFiles().empty());
}

// Files of many runs: the copy is written and proven run by run on two threads, so later runs,
// the last record and a record larger than a run come out as a one-run file does.
struct TRunsRow {
  const char* Name;
  int64_t Samples; // of the EEG signal per record (2 bytes each)
  int64_t Records;
  int64_t Damaged;     // record whose annotation list is broken, or -1
  std::string Message; // that the error must hold, when Damaged >= 0
};

// An EDF+C file whose every record names the patient in an annotation after its time-keeping
// list; Damaged's list lacks its closing 0x14.
test::TTestEDF RunsFile(const TRunsRow& Row, std::vector<std::string>& Lists) {
  test::TTestEDF Edf{.Patient = "P-4711 F 16-SEP-1987 Anna_Berg-Holm",
                     .Recording = "Startdate 01-FEB-2003 INV-77 TK Amp_2",
                     .Reserved = "EDF+C",
                     .Signals = {test::TTestSignal{}, test::AnnotationTestSignal()}};
  Edf.Signals[0].NrSamples = std::to_string(Row.Samples);
  Edf.Signals[1].NrSamples = "30";
  for (int64_t r = 0; r < Row.Records; ++r) {
    const std::string Onset = "+" + std::to_string(r);
    Lists.push_back(Onset + "\x14\x14\0"s + Onset + "\x14" + "Berg-Holm woke" +
                    (r == Row.Damaged ? "" : "\x14"));
  }
  return Edf;
}

// The SHA-256 of the EEG bytes of every record in file order, taken from the file's bytes.
std::string SignalHash(const std::string& Bytes, const test::TTestEDF& Edf, int64_t Records) {
  const int64_t Eeg = 2 * Edf.Signals[0].Samples();
  const int64_t Record = Eeg + 60;
  std::string Signal;
  for (int64_t r = 0; r < Records; ++r)
    Signal += Bytes.substr(static_cast<std::size_t>(Edf.HeaderSize() + r * Record),
                           static_cast<std::size_t>(Eeg));
  return SHA256Hex(Signal);
}

class AnonymizeRuns : public ::testing::TestWithParam<TRunsRow> {};

TEST_P(AnonymizeRuns, EveryRunIsScrubbedAndProvenInFileOrder) {
  const TRunsRow& Row = GetParam();
  test::TTempDir Dir;
  std::vector<std::string> Lists;
  const test::TTestEDF Edf = RunsFile(Row, Lists);
  const std::string Bytes = test::AnnotationListsBytes(Edf, Lists);
  fs::create_directory(Dir.Path() / "in");
  const std::string Input = Dir.Write("in/night.edf", Bytes);
  const TCliRun Run = RunCli({"anonymize", "--json", "-o", Dir.File("out"), Input});
  EXPECT_TRUE(LiveTemporaryFiles().empty());
  if (Row.Damaged >= 0) {
    EXPECT_EQ(Run.Status, 1);
    EXPECT_NE(Run.Err.find(Row.Message), std::string::npos) << Run.Err;
    EXPECT_FALSE(fs::exists(Dir.File("out/night.edf")));
    EXPECT_EQ(Run.Err.find("Berg"), std::string::npos) << Run.Err;
    return;
  }
  ASSERT_EQ(Run.Status, 0) << Run.Err;
  const nlohmann::json Audit = nlohmann::json::parse(Run.Out.substr(0, Run.Out.find('\n')));
  EXPECT_EQ(Audit["records"], Row.Records);
  EXPECT_EQ(Audit["annotations_scrubbed"], Row.Records);
  EXPECT_EQ(Audit["signals_sha256_input"], SignalHash(Bytes, Edf, Row.Records));
  const std::string Copy = test::ReadBytes(Dir.File("out/night.edf"));
  ASSERT_EQ(Copy.size(), Bytes.size());
  EXPECT_EQ(SignalHash(Copy, Edf, Row.Records), SignalHash(Bytes, Edf, Row.Records));
  EXPECT_EQ(Audit["signals_sha256_output"], Audit["signals_sha256_input"]);
  EXPECT_EQ(Copy.find("Berg"), std::string::npos);
  EXPECT_EQ(Copy.find("Holm"), std::string::npos);
  const std::string Last = "+" + std::to_string(Row.Records - 1) + "\x14XXXX-XXXX woke\x14";
  EXPECT_NE(Copy.find(Last), std::string::npos); // the last record too
}

// 2048 samples: 63 records a run, so 1000 records are 16 runs, more than are read ahead of
// the proof; 140000 samples: a record larger than a run.
const std::vector<TRunsRow> RunsRows = {
    {"ManyRuns", 2048, 1000, -1, ""},
    {"LastRunOfOneRecord", 2048, 64, -1, ""},
    {"RecordLargerThanARun", 140000, 12, -1, ""},
    {"DamagedFarIntoTheFile", 2048, 1000, 900,
     "annotation list of data record 901 (signal 2) is damaged"},
    {"DamagedInTheLastRecord", 2048, 1000, 999,
     "annotation list of data record 1000 (signal 2) is damaged"},
    {"DamagedInTheLastOfLargeRecords", 140000, 12, 11, "data record 12 (signal 2) is damaged"}};

INSTANTIATE_TEST_SUITE_P(Cli, AnonymizeRuns, ::testing::ValuesIn(RunsRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace velastrin::cli
