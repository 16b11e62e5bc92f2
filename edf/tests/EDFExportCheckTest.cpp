// Why a file cannot be exported: the header fields named with their raw text, the stop time
// against the calendar, and the cap on the listing of a badly broken header.
#include "edf/tests/EDFFileTestSupport.h"

#include "edf/uEDFExportCheck.h"
#include "support/uOutputFiles.h"

#include <gtest/gtest.h>

namespace velastrin::test {
namespace {

struct TRefusalCase {
  const char* Name;
  TTestEDF File;
  // Empty: the file can be exported. Otherwise lines the refusal must hold.
  std::vector<std::string> Has;
  std::vector<std::string> HasNot = {};
};

void PrintTo(const TRefusalCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class InputRefusalCase : public ::testing::TestWithParam<TRefusalCase> {};

TEST_P(InputRefusalCase, NamesTheCauseAndTheFields) {
  const TRefusalCase& C = GetParam();
  TTempDir Dir;
  const std::string Name = Dir.File("rec.edf");
  WriteBytes(Name, C.File.Bytes());
  const std::string Refusal = InputRefusal(Name);
  if (C.Has.empty()) {
    EXPECT_EQ(Refusal, "");
  }
  for (const std::string& Text : C.Has)
    EXPECT_NE(Refusal.find(Text), std::string::npos) << Text << "\n" << Refusal;
  for (const std::string& Text : C.HasNot)
    EXPECT_EQ(Refusal.find(Text), std::string::npos) << Text << "\n" << Refusal;
}

TTestEDF WithDuration(const std::string& Duration) {
  TTestEDF File;
  File.Duration = Duration;
  return File;
}

TTestEDF WithSignal2(std::string TTestSignal::*Field, const std::string& Text) {
  TTestEDF File;
  File.Signals[1].*Field = Text;
  return File;
}

TTestEDF ManyBadSignals() {
  TTestEDF File;
  TTestSignal Bad;
  Bad.DigMax = "x";
  File.Signals.assign(25, Bad);
  return File;
}

// The start is 1 February 2003, 10:20:30; three records.
INSTANTIATE_TEST_SUITE_P(
    ExportCheck, InputRefusalCase,
    ::testing::Values(
        TRefusalCase{"ValidFile", TTestEDF{}, {}},
        TRefusalCase{"StopInTheYear9988", WithDuration("8.4e10"), {}},
        TRefusalCase{"StopAfterTheYear9999",
                     WithDuration("8.5e10"),
                     {"the stop time lies outside the calendar (years 1 to 9999)",
                      "\n  field SampleRecDuration: \"8.5e10  \"",
                      "\n  field NrDataRecords: \"3       \""}},
        TRefusalCase{"DurationOf1E300", WithDuration("1E300"), {"outside the calendar"}},
        TRefusalCase{"BadDigimaxOfSignal2",
                     WithSignal2(&TTestSignal::DigMax, "2O47"),
                     {"the header is not valid\n  signal 2 field Digimax: \"2O47    \""},
                     {"signal 1"}},
        TRefusalCase{"PhysicalLimitsAloneAreNoCause",
                     WithSignal2(&TTestSignal::PhysMax, "abc"),
                     {},
                     {"Physimax"}},
        TRefusalCase{"StrayBytesShownAsHex",
                     WithSignal2(&TTestSignal::NrSamples, "4\x01\xE9"),
                     {"signal 2 field NrSamples: \"4\\x01\\xE9     \""}},
        TRefusalCase{"BrokenHeaderListsTwentyFields",
                     ManyBadSignals(),
                     {"signal 20 field Digimax", "\n  ... and 5 more fields"},
                     {"signal 21 "}}),
    [](const ::testing::TestParamInfo<TRefusalCase>& Info) { return Info.param.Name; });

TEST(ExportCheck, OutputClashNeedsTwoNamesOfOneFile) {
  TTempDir Dir;
  const std::string Input = Dir.File("rec.edf");
  WriteBytes(Input, TTestEDF{}.Bytes());
  EXPECT_EQ(OutputClash(Input, Dir.File("a.txt"), Dir.File("b.ascii")), "");
  EXPECT_NE(OutputClash(Input, Dir.File("./rec.edf"), Dir.File("b.ascii")), "");
  EXPECT_NE(OutputClash(Input, Dir.File("new.txt"), Dir.File("sub/../new.txt")), "");
  EXPECT_FALSE(SameFile(Dir.File("missing"), Dir.File("missing")));
}

} // namespace
} // namespace velastrin::test
