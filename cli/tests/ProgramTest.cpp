// The built program: subcommands dispatched before any Qt object and without a display, the
// desktop program's command line untouched, and Ctrl-C / SIGTERM leaving no half file.
#include "cli/DesktopProgram.h"
#include "cli/tests/CliTestSupport.h"
#include "edf/uEDF.h"
#include "export/tests/ExportTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velastrin {
namespace {

using namespace velastrin::testing;

const std::string Exe = VELASTRIN_EXE;

TEST(Program, ExportRunsWithoutDisplayAndWritesWhatTheEngineWrites) {
  TTempDir Dir;
  const TEdfFixture Fixture = ThreeSignalFixture(4);
  WriteEdf(Dir.File("n.edf"), Fixture);
  // No Qt platform plugin can be found: a subcommand must not need one.
  const TCliRun Run =
      RunChild(Exe, {"export", "--signal", "EEG Fpz-Cz", "--sep", "tab", Dir.Path().string()});
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  // No progress line: standard error is no terminal. The fixture's indented label is read
  // leniently, which is said once.
  EXPECT_EQ(Run.Err, Dir.File("n.edf") +
                         ": warning: read leniently: 1 header field; see velastrin "
                         "check " +
                         Dir.File("n.edf") + "\n1 exported\n");
  EXPECT_EQ(ReadFile(Dir.File("n.ascii")), ExpectedData(Fixture.Signals[0], 0, 4, "\t", true));
}

TEST(Program, HelpAndVersionComeFromTheTool) {
  const TCliRun Help = RunChild(Exe, {"--help"});
  EXPECT_EQ(Help.Status, 0);
  EXPECT_NE(Help.Out.find("export"), std::string::npos);
  EXPECT_NE(Help.Out.find("EDFInputfile SignalNumber"), std::string::npos);
  const TCliRun Version = RunChild(Exe, {"--version"});
  EXPECT_EQ(Version.Status, 0);
  EXPECT_EQ(Version.Out, "velastrin 1.0.0\n");
  const TCliRun Usage = RunChild(Exe, {"export", "--bogus"});
  EXPECT_EQ(Usage.Status, 2);
  EXPECT_NE(Usage.Err.find("Usage:"), std::string::npos);
}

// A first parameter naming an existing file is the desktop program's input file, even when
// it is called "export": the single export's batch mode runs.
TEST(Program, ExistingFileNamedLikeACommandIsTheInputFile) {
  TTempDir Dir;
  const TEdfFixture Fixture = ThreeSignalFixture(2);
  WriteEdf(Dir.File("export"), Fixture);
  const TCliRun Run =
      RunChild(Exe, {"export", "2", "i.txt", "d.txt", "/COMMA", "/BATCH"}, {}, Dir.Path().string());
  EXPECT_EQ(Run.Status, 0) << Run.Err;
  EXPECT_EQ(ReadFile(Dir.File("d.txt")), ExpectedData(Fixture.Signals[1], 0, 2, ",", true));
}

// The commands are the front end's alone; everything else starts the desktop program beside
// it, and a front end without one says where it looked.
TEST(Program, CommandsNeedNoDesktopProgram) {
  TTempDir Dir;
  const TEdfFixture Fixture = ThreeSignalFixture(2);
  WriteEdf(Dir.File("n.edf"), Fixture);
  const std::filesystem::path Alone = Dir.Path() / "bin" / "velastrin";
  std::filesystem::create_directories(Alone.parent_path());
  std::filesystem::copy_file(Exe, Alone);
  const TCliRun Export = RunChild(Alone.string(), {"export", "-s", "1", Dir.File("n.edf")});
  EXPECT_EQ(Export.Status, 0) << Export.Err;
  EXPECT_EQ(ReadFile(Dir.File("n.ascii")), ExpectedData(Fixture.Signals[0], 0, 2, "\r\n", true));
  const TCliRun Batch =
      RunChild(Alone.string(), {Dir.File("n.edf"), "1", "i.txt", "d.txt", "/BATCH"});
  EXPECT_EQ(Batch.Status, 2);
  EXPECT_NE(Batch.Err.find("cannot start the desktop program \"" +
                           cli::DesktopProgramPath(Alone).string()),
            std::string::npos)
      << Batch.Err;
}

} // namespace
} // namespace velastrin
