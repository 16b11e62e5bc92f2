// "velastrin anonymize" of files of many runs of records: the copy is written and proven run by
// run on two threads, so a file's later runs, its last record and a record larger than a run
// must come out as a one-run file does, and a fault far into the file must still be the one
// reported, with nothing left behind. Files are built byte by byte.
#include "check/uEDFAnonymize.h"
#include "cli/tests/CliTestSupport.h"
#include "support/uOutputFiles.h"
#include "testsupport/TestEDF.h"
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace velastrin::cli {
namespace {

using velastrin::testing::RunCli;
using velastrin::testing::TCliRun;
using namespace std::string_literals;
namespace fs = std::filesystem;

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
