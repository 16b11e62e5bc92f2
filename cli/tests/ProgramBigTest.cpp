// The built program interrupted: SIGTERM in the middle of a long export or repair leaves
// neither a temporary file nor an output under its final name, and ends with 128 + SIGTERM.
#include "cli/tests/CliTestSupport.h"
#include "edf/uEDF.h"
#include "export/tests/ExportTestSupport.h"
#include "support/udStr.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace velastrin {
namespace {

using namespace velastrin::testing;

const std::string Exe = VELASTRIN_EXE;

// A recording whose export takes a while: 1 signal, 512 samples per record, mostly zeros
// (a sparse file).
void WriteLongRecording(const std::string& Name, int64_t Records) {
  TEdfFixture Fixture;
  Fixture.Records = 1;
  TSignalFixture Signal;
  Signal.Label = "EEG";
  Signal.NrSamples = 512;
  Signal.Value = [](int64_t, int32_t i) { return static_cast<int16_t>(i); };
  Fixture.Signals = {Signal};
  WriteEdf(Name, Fixture);
  const int Handle = ::open(Name.c_str(), O_RDWR);
  const std::string Count =
      PadRight(std::to_string(Records), GeneralFieldWidth(TGeneralField::NrDataRecords));
  ASSERT_EQ(::pwrite(Handle, Count.data(), Count.size(),
                     GeneralFieldOffset(TGeneralField::NrDataRecords)),
            static_cast<ssize_t>(Count.size()));
  ASSERT_EQ(::ftruncate(Handle, 512 + 256 + Records * 1024), 0);
  ::close(Handle);
}

struct TTerminateRow {
  const char* Name;
  std::vector<std::string> Args; // "@" the recording, "@out" the output folder
  std::size_t Parts;             // temporary files alive when SIGTERM is sent
};

// Every subcommand that writes, with its inputs named or listed, sharded or not.
TEST(ProgramBig, TerminatedRunsLeaveNoTemporaryAndNoHalfFile) {
  const std::vector<TTerminateRow> Rows = {
      {"export", {"export", "-s", "1", "--sep", "comma", "-o", "@out", "@"}, 2},
      {"export sharded from a list",
       {"export", "-s", "1", "--shard", "1/1", "--files-from", "@list", "-o", "@out"},
       2},
      {"repair", {"repair", "-o", "@out", "@"}, 1},
  };
  for (const TTerminateRow& Row : Rows) {
    TTempDir Dir;
    const std::string Input = Dir.File("long.edf");
    WriteLongRecording(Input, 50000);
    test::PatchBytes(Input, GeneralFieldOffset(TGeneralField::StartTime), "13:45:07"); // lenient
    const std::string Out = Dir.File("out");
    const std::string List = Dir.Write("list", Input + "\n");
    std::vector<std::string> Args;
    for (const std::string& Arg : Row.Args)
      Args.push_back(Arg == "@" ? Input : Arg == "@out" ? Out : Arg == "@list" ? List : Arg);
    auto PartialFiles = [&] {
      std::vector<std::string> Parts;
      std::error_code Error;
      for (const auto& Entry : std::filesystem::directory_iterator(Out, Error))
        if (Entry.path().extension() == ".part")
          Parts.push_back(Entry.path().filename().string());
      return Parts;
    };
    const TCliRun Run = RunChild(Exe, Args, [&] { return PartialFiles().size() == Row.Parts; });
    EXPECT_EQ(Run.Status, 128 + SIGTERM) << Row.Name << ": " << Run.Err;
    EXPECT_TRUE(PartialFiles().empty()) << Row.Name;
    EXPECT_TRUE(std::filesystem::is_empty(Out)) << Row.Name;
  }
}

} // namespace
} // namespace velastrin
