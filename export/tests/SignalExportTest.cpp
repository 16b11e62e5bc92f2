// The export engine in-process: both files byte for byte for every separator, the user's
// number and month texts, progress and stopping, and the data file across writer buffers.
#include "export/SignalExport.h"

#include "edf/uEDF.h"
#include "export/tests/ExportTestSupport.h"

#include <gtest/gtest.h>

namespace velastrin {
namespace {

using namespace velastrin::testing;

const char* const SeparatorTexts[] = {" ", ",", "\t", "\r\n"};

std::string ExpectedInfo(const std::vector<std::string>& Entries, const std::string& Sep) {
  std::string Out;
  for (std::size_t i = 0; i + 1 < Entries.size(); ++i)
    Out += "\"" + Entries[i] + "\"" + Sep;
  return Out + "\"" + Entries.back();
}

// Runs the engine as the window does: fresh file object, information file, then data file.
struct TExportResult {
  std::string Info;
  std::string Data;
  bool Completed = false;
};

TExportResult Export(const std::string& Input, int Signal, const TExportOptions& Options,
                     const TTempDir& Dir, const TExportProgress& Progress = {},
                     std::size_t BufferSize = 1 << 18) {
  TEDFFile File;
  OpenForExport(File, Input);
  EXPECT_TRUE(File.IsValid());
  TExportResult Result;
  {
    TTextFileWriter Writer(Dir.File("info.txt"));
    ExportSignalInfo(File, Signal, Options, Writer);
    Writer.Close();
  }
  TTextFileWriter Writer(Dir.File("data.txt"), BufferSize);
  Result.Completed = ExportSignalData(File, Signal, Options, Writer, Progress);
  Writer.Close();
  Result.Info = ReadFile(Dir.File("info.txt"));
  Result.Data = ReadFile(Dir.File("data.txt"));
  return Result;
}

struct TSignalCase {
  const char* Name;
  int Signal;
  int Separator;
  const char* Label;
  const char* Frequency;
  const char* Formula;
};

void PrintTo(const TSignalCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class EngineExport : public ::testing::TestWithParam<TSignalCase> {};

TEST_P(EngineExport, WritesBothFilesByteForByte) {
  const TSignalCase& C = GetParam();
  TTempDir Dir;
  const TEdfFixture Fixture = ThreeSignalFixture(3);
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  const std::string Sep = SeparatorTexts[C.Separator];
  const TExportResult R = Export(Input, C.Signal, ExportOptions(Sep, TFormatSettings()), Dir);
  EXPECT_TRUE(R.Completed);
  EXPECT_EQ(R.Info, ExpectedInfo({"FileName:" + Input, "Patient:" + Fixture.Patient,
                                  "Recording:" + Fixture.Recording,
                                  "StartTime:05.Mar.2004 13.45.07", "StopTime:05.Mar.2004 13.45.10",
                                  "SignalNumber:" + std::to_string(C.Signal),
                                  std::string("SignalLabel:") + C.Label,
                                  std::string("SampleFrequency:") + C.Frequency,
                                  std::string("Physical value uV = (ASCII") + C.Formula},
                                 Sep));
  EXPECT_EQ(R.Data,
            ExpectedData(Fixture.Signals[static_cast<std::size_t>(C.Signal - 1)], 0, 3, Sep, true));
}

INSTANTIATE_TEST_SUITE_P(
    Engine, EngineExport,
    ::testing::Values(TSignalCase{"TwelveBitSignalSpace", 1, 0, "EEG Fpz-Cz", "4Hz",
                                  "+2048)*0.244200244200244-500"},
                      TSignalCase{"TwelveBitSignalComma", 1, 1, "EEG Fpz-Cz", "4Hz",
                                  "+2048)*0.244200244200244-500"},
                      TSignalCase{"TwelveBitSignalTab", 1, 2, "EEG Fpz-Cz", "4Hz",
                                  "+2048)*0.244200244200244-500"},
                      TSignalCase{"TwelveBitSignalCrLf", 1, 3, "EEG Fpz-Cz", "4Hz",
                                  "+2048)*0.244200244200244-500"},
                      TSignalCase{"ZeroDigiminKeepsLeadingBlankComma", 2, 1, " EOG horizontal",
                                  "2Hz", "-0)*0.1+0"},
                      TSignalCase{"ZeroDigiminCrLf", 2, 3, " EOG horizontal", "2Hz", "-0)*0.1+0"},
                      TSignalCase{"NegativeGainSpace", 3, 0, "EMG submental", "1Hz",
                                  "+32768)*(-0.00305180437933928)+100"},
                      TSignalCase{"OneSamplePerRecordTab", 3, 2, "EMG submental", "1Hz",
                                  "+32768)*(-0.00305180437933928)+100"}),
    [](const ::testing::TestParamInfo<TSignalCase>& Info) { return Info.param.Name; });

TEST(Engine, EdflibFileIsExportedLikeOurOwn) {
  TTempDir Dir;
  const std::string Input = Dir.File("edflib.edf");
  WriteEdflibFile(Input);
  const TExportResult R = Export(Input, 2, ExportOptions(",", TFormatSettings()), Dir);
  EXPECT_EQ(R.Info, ExpectedInfo({"FileName:" + Input, "Patient:MCH-0234567 X X Jan_Jansen",
                                  "Recording:Startdate 05-MAR-2004 X X Somno",
                                  "StartTime:05.Mar.2004 13.45.07", "StopTime:05.Mar.2004 13.45.10",
                                  "SignalNumber:2", "SignalLabel:Resp nasal", "SampleFrequency:4Hz",
                                  "Physical value uV = (ASCII+2048)*0.244200244200244-500"},
                                 ","));
  EXPECT_EQ(R.Data, "0,2047,0,0,-1,2047,0,3,-2,2047,0,6");
}

TEST(Engine, NumbersAndMonthNamesComeFromTheOptionsNotTheProcess) {
  TTempDir Dir;
  TEdfFixture Fixture = ThreeSignalFixture(2);
  Fixture.RecordDuration = 2;
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  TExportOptions Options;
  Options.Separator = " ";
  Options.DecimalMark = ',';
  Options.ShortMonthNames[2] = "mrt";
  const TExportResult R = Export(Input, 3, Options, Dir);
  EXPECT_EQ(R.Info,
            ExpectedInfo({"FileName:" + Input, "Patient:" + Fixture.Patient,
                          "Recording:" + Fixture.Recording, "StartTime:05.mrt.2004 13.45.07",
                          "StopTime:05.mrt.2004 13.45.11", "SignalNumber:3",
                          "SignalLabel:EMG submental", "SampleFrequency:0,5Hz",
                          "Physical value uV = (ASCII+32768)*(-0,00305180437933928)+100"},
                         " "));
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.'); // nothing process-wide was changed
}

TEST(Engine, TinyGainIsWrittenInScientificNotation) {
  TTempDir Dir;
  TEdfFixture Fixture = ThreeSignalFixture(1);
  Fixture.Signals[0].Physimin = 0;
  Fixture.Signals[0].Physimax = 0.006;
  Fixture.Signals[0].Digimin = -32768;
  Fixture.Signals[0].Digimax = 32767;
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  const TExportResult R = Export(Input, 1, ExportOptions(",", TFormatSettings()), Dir);
  EXPECT_EQ(R.Info.substr(R.Info.rfind('"')),
            "\"Physical value uV = (ASCII+32768)*9.15541313801785E-008+0");
}

TEST(Engine, ZeroRecordsGiveAnEmptyDataFileWithoutProgressCalls) {
  TTempDir Dir;
  const std::string Input = Dir.File("empty.edf");
  WriteEdf(Input, ThreeSignalFixture(0));
  int Calls = 0;
  const TExportResult R = Export(Input, 1, ExportOptions("\r\n", TFormatSettings()), Dir,
                                 [&](int64_t, int64_t) { return ++Calls, true; });
  EXPECT_TRUE(R.Completed);
  EXPECT_EQ(Calls, 0);
  EXPECT_EQ(R.Data, "");
  EXPECT_NE(R.Info.find("\"StartTime:05.Mar.2004 13.45.07\"\r\n\"StopTime:05.Mar.2004 13.45.07\""),
            std::string::npos);
}

struct TStopCase {
  const char* Name;
  int64_t StopAt;
  int Separator;
};

void PrintTo(const TStopCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class EngineStop : public ::testing::TestWithParam<TStopCase> {};

TEST_P(EngineStop, KeepsTheRecordsBeforeTheStopEachWithItsSeparator) {
  const TStopCase& C = GetParam();
  TTempDir Dir;
  const TEdfFixture Fixture = ThreeSignalFixture(6);
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  std::vector<int64_t> Seen;
  const std::string Sep = SeparatorTexts[C.Separator];
  const TExportResult R =
      Export(Input, 1, ExportOptions(Sep, TFormatSettings()), Dir, [&](int64_t n, int64_t Count) {
        EXPECT_EQ(Count, 6);
        Seen.push_back(n);
        return n != C.StopAt;
      });
  EXPECT_FALSE(R.Completed);
  std::vector<int64_t> Expected;
  for (int64_t n = 0; n <= C.StopAt; ++n)
    Expected.push_back(n);
  EXPECT_EQ(Seen, Expected);
  EXPECT_EQ(R.Data, ExpectedData(Fixture.Signals[0], 0, C.StopAt, Sep, false));
}

INSTANTIATE_TEST_SUITE_P(Engine, EngineStop,
                         ::testing::Values(TStopCase{"BeforeTheFirstRecord", 0, 1},
                                           TStopCase{"AfterTwoRecordsCrLf", 2, 3},
                                           TStopCase{"BeforeTheLastRecordTab", 5, 2}),
                         [](const ::testing::TestParamInfo<TStopCase>& Info) {
                           return std::string(Info.param.Name);
                         });

// A record longer than the writer's buffer, and more records than fit in it, with every
// value of the 16-bit range and a separator the shared tables do not hold.
TEST(Engine, LongRecordsCrossTheWriterBufferUnchanged) {
  TTempDir Dir;
  TEdfFixture Fixture;
  Fixture.Records = 5;
  TSignalFixture Other;
  Other.Label = "Other";
  Other.NrSamples = 3;
  Other.Value = [](int64_t, int32_t) { return int16_t{1}; };
  TSignalFixture Wide;
  Wide.Label = "Wide";
  Wide.Digimin = -32768;
  Wide.Digimax = 32767;
  Wide.NrSamples = 13109;
  Wide.Value = [](int64_t r, int32_t i) {
    return static_cast<int16_t>(-32768 + (r * 13109 + i) % 65536);
  };
  Fixture.Signals = {Other, Wide, Other};
  const std::string Input = Dir.File("wide.edf");
  WriteEdf(Input, Fixture);
  for (const std::string& Sep : {std::string("\r\n"), std::string(" ; ")}) {
    const TExportResult R = Export(Input, 2, ExportOptions(Sep, TFormatSettings()), Dir, {}, 1000);
    EXPECT_EQ(R.Data, ExpectedData(Wide, 0, 5, Sep, true)) << Sep;
  }
}

TEST(Engine, ReadErrorOfTheFileObjectPassesThrough) {
  TTempDir Dir;
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(3));
  TEDFFile File;
  OpenForExport(File, Input);
  std::filesystem::resize_file(Input, std::filesystem::file_size(Input) - 20);
  TTextFileWriter Writer(Dir.File("data.txt"));
  EXPECT_THROW(ExportSignalData(File, 1, TExportOptions(), Writer), EDataFile);
}

} // namespace
} // namespace velastrin
