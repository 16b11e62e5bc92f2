// The command line read into the main window: positions, switches, help box and batch mode.
#include "app/Main.h"
#include "app/tests/AppTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace velastrin {
namespace {

using namespace velastrin::testing;

// "$EDF" in a parameter stands for a valid three-signal file, "$MISSING" for a missing one.
struct TCommandLineCase {
  const char* Name;
  std::vector<std::string> Params;
  std::string InputName; // with the same placeholders
  int SignalNumber;
  std::string InfoName;
  std::string DataName;
  int Separator;
  bool Batch;
  bool Help;
};

void PrintTo(const TCommandLineCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class CommandLineCase : public ::testing::TestWithParam<TCommandLineCase> {
protected:
  std::string Expand(std::string Text) const {
    auto Replace = [&Text](const std::string& Key, const std::string& Value) {
      for (std::size_t Pos; (Pos = Text.find(Key)) != std::string::npos;)
        Text.replace(Pos, Key.size(), Value);
    };
    Replace("$EDF", Dir.File("night"));
    Replace("$MISSING", Dir.File("absent"));
    return Text;
  }
  TTempDir Dir;
  TRecordingDialogs Boxes;
};

TEST_P(CommandLineCase, FillsTheWindow) {
  const TCommandLineCase& C = GetParam();
  WriteEdf(Dir.File("night.edf"), ThreeSignalFixture(2));
  std::vector<std::string> Args{"velastrin"};
  for (const std::string& Param : C.Params)
    Args.push_back(Expand(Param));
  SetCommandLine(Args);

  TForm1 Form;
  EXPECT_EQ(Form.EditSignal1()->text().toStdString(), Expand(C.InputName));
  EXPECT_EQ(Form.RzSpinEdit1()->value(), C.SignalNumber);
  EXPECT_EQ(Form.EditSignalInfoOut()->text().toStdString(), Expand(C.InfoName));
  EXPECT_EQ(Form.EditSignalDataOut()->text().toStdString(), Expand(C.DataName));
  EXPECT_EQ(Form.RadioGroup1ItemIndex(), C.Separator);
  EXPECT_EQ(Form.BatchMode(), C.Batch);
  if (C.Help) {
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_EQ(Boxes.Boxes[0].Caption, "Commandline parameters");
    EXPECT_EQ(Boxes.Boxes[0].Text, CommandLineHelpText());
    EXPECT_EQ(Boxes.Boxes[0].Icon, TMsgDlgType::Information);
    EXPECT_EQ(Boxes.Boxes[0].Buttons, mbOK);
  } else {
    EXPECT_TRUE(Boxes.Boxes.empty());
  }
}

const std::string Txt = "$EDF.txt", Ascii = "$EDF.ascii";

INSTANTIATE_TEST_SUITE_P(
    CommandLine, CommandLineCase,
    ::testing::Values(
        TCommandLineCase{"Empty", {}, "", 1, "", "", 3, false, false},
        TCommandLineCase{"FileOnly", {"$EDF.edf"}, "$EDF.edf", 1, Txt, Ascii, 3, false, false},
        TCommandLineCase{"AllFourPositions",
                         {"$EDF.edf", "2", "i.txt", "d.txt"},
                         "$EDF.edf",
                         2,
                         "i.txt",
                         "d.txt",
                         3,
                         false,
                         false},
        TCommandLineCase{"FifthParameterIgnored",
                         {"$EDF.edf", "3", "i.txt", "d.txt", "e.txt"},
                         "$EDF.edf",
                         3,
                         "i.txt",
                         "d.txt",
                         3,
                         false,
                         false},
        TCommandLineCase{"NumberAboveSignalCountComesDown",
                         {"$EDF.edf", "99"},
                         "$EDF.edf",
                         3,
                         Txt,
                         Ascii,
                         3,
                         false,
                         false},
        TCommandLineCase{"NumberBelowOneComesUp",
                         {"$EDF.edf", "-4"},
                         "$EDF.edf",
                         1,
                         Txt,
                         Ascii,
                         3,
                         false,
                         false},
        TCommandLineCase{"NumberWithLetterIgnored",
                         {"$EDF.edf", "2a"},
                         "$EDF.edf",
                         1,
                         Txt,
                         Ascii,
                         3,
                         false,
                         false},
        TCommandLineCase{
            "FractionIgnored", {"$EDF.edf", "1.5"}, "$EDF.edf", 1, Txt, Ascii, 3, false, false},
        TCommandLineCase{"SwitchTakesUpItsPosition",
                         {"$EDF.edf", "/tab", "3"},
                         "$EDF.edf",
                         1,
                         "3",
                         Ascii,
                         2,
                         false,
                         false},
        TCommandLineCase{"CommaBeatsSpace",
                         {"$EDF.edf", "/comma", "/space"},
                         "$EDF.edf",
                         1,
                         Txt,
                         Ascii,
                         1,
                         false,
                         false},
        TCommandLineCase{"CommaBeatsSpaceInEitherOrder",
                         {"$EDF.edf", "/space", "-COMMA"},
                         "$EDF.edf",
                         1,
                         Txt,
                         Ascii,
                         1,
                         false,
                         false},
        TCommandLineCase{"CrLfBeatsTab",
                         {"$EDF.edf", "/crlf", "/tab"},
                         "$EDF.edf",
                         1,
                         Txt,
                         Ascii,
                         3,
                         false,
                         false},
        TCommandLineCase{
            "SpaceAlone", {"$EDF.edf", "1", "/SPACE"}, "$EDF.edf", 1, Txt, Ascii, 0, false, false},
        TCommandLineCase{
            "BatchAnyCase", {"$EDF.edf", "2", "-Batch"}, "$EDF.edf", 2, Txt, Ascii, 3, true, false},
        TCommandLineCase{"LongerDashSwitchIsNothing",
                         {"$EDF.edf", "2", "-batchmode", "-tabs"},
                         "$EDF.edf",
                         2,
                         Txt,
                         Ascii,
                         3,
                         false,
                         false},
        TCommandLineCase{"UnknownSlashWordIsAnAbsolutePath",
                         {"$EDF.edf", "2", "/batchmode", "/tabs"},
                         "$EDF.edf",
                         2,
                         "/batchmode",
                         "/tabs",
                         3,
                         false,
                         false},
        TCommandLineCase{"DoubleSlashNamesARootFileLikeASwitchWord",
                         {"$EDF.edf", "2", "//tab", "/TAB"},
                         "$EDF.edf",
                         2,
                         "//tab",
                         Ascii,
                         2,
                         false,
                         false},
        TCommandLineCase{"AbsoluteNamesThatDoNotExistAreKept",
                         {"$EDF.edf", "2", "/out.txt", "/out.ascii", "/Comma", "/INFO"},
                         "$EDF.edf",
                         2,
                         "/out.txt",
                         "/out.ascii",
                         1,
                         false,
                         false},
        TCommandLineCase{"HelpReadsNothingElse",
                         {"$EDF.edf", "2", "i.txt", "/BATCH", "/?"},
                         "",
                         1,
                         "",
                         "",
                         3,
                         false,
                         true},
        TCommandLineCase{"UpperCaseHelp", {"-H", "$EDF.edf"}, "", 1, "", "", 3, false, true},
        TCommandLineCase{"MissingFileSetsNoNames",
                         {"$MISSING.edf", "2", "/comma"},
                         "$MISSING.edf",
                         1,
                         "",
                         "",
                         1,
                         false,
                         false},
        TCommandLineCase{"EmptyParameterIsNoSwitch",
                         {"$EDF.edf", "2", ""},
                         "$EDF.edf",
                         2,
                         "",
                         Ascii,
                         3,
                         false,
                         false}),
    [](const ::testing::TestParamInfo<TCommandLineCase>& Info) { return Info.param.Name; });

TEST(CommandLine, MissingFileLeavesExportDisabled) {
  TTempDir Dir;
  TRecordingDialogs Boxes;
  SetCommandLine(std::vector<std::string>{"velastrin", Dir.File("absent.edf"), "1", "/BATCH"});
  TForm1 Form;
  EXPECT_EQ(Form.Label5()->text().toStdString(), "No valid EDF file selected");
  EXPECT_FALSE(Form.BtnExport()->isEnabled());
}

} // namespace
} // namespace velastrin
