// The built program interrupted: SIGTERM in the middle of a long export leaves neither a
// temporary file nor an output under its final name, and ends with 128 + SIGTERM.
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

TEST(ProgramBig, TerminatedExportLeavesNoTemporaryAndNoHalfFile) {
  TTempDir Dir;
  WriteLongRecording(Dir.File("long.edf"), 50000);
  auto PartialFiles = [&] {
    std::vector<std::string> Parts;
    for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
      if (Entry.path().extension() == ".part")
        Parts.push_back(Entry.path().filename().string());
    return Parts;
  };
  const TCliRun Run = RunChild(Exe, {"export", "-s", "1", "--sep", "comma", Dir.File("long.edf")},
                               [&] { return PartialFiles().size() == 2; });
  EXPECT_EQ(Run.Status, 128 + SIGTERM) << Run.Err;
  EXPECT_TRUE(PartialFiles().empty());
  EXPECT_FALSE(std::filesystem::exists(Dir.File("long.ascii")));
  EXPECT_FALSE(std::filesystem::exists(Dir.File("long.txt")));
}

} // namespace
} // namespace velastrin
