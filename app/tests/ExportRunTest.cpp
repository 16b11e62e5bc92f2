// The export run through the real window and progress dialog: both output files byte for
// byte, progress, cancellation, the overwrite question, errors and batch mode.
#include "app/Main.h"
#include "app/Progress.h"
#include "app/tests/AppTestSupport.h"
#include "edf/uEDFLayout.h"
#include "testsupport/TestEDF.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>

namespace velastrin {
namespace {

using namespace velastrin::testing;

const char* const SeparatorSwitches[] = {"/space", "/comma", "/tab", "/crlf"};
const char* const SeparatorTexts[] = {" ", ",", "\t", "\r\n"};

// The information file as the export must write it.
std::string ExpectedInfo(const std::vector<std::string>& Entries, const std::string& Sep) {
  std::string Out;
  for (std::size_t i = 0; i + 1 < Entries.size(); ++i)
    Out += "\"" + Entries[i] + "\"" + Sep;
  return Out + "\"" + Entries.back();
}

class ExportRun : public ::testing::Test {
protected:
  // A window filled from a command line, as a user or script would start it.
  std::unique_ptr<TForm1> Window(const std::string& Input, int Signal, int Separator,
                                 bool Batch = false) {
    std::vector<std::string> Args{"velastrin", Input,    std::to_string(Signal),
                                  InfoName,    DataName, SeparatorSwitches[Separator]};
    if (Batch)
      Args.push_back("/BATCH");
    SetCommandLine(Args);
    return std::make_unique<TForm1>();
  }

  // Runs batch mode to its end, as the message loop would.
  static void RunBatch(TForm1& Form) {
    Form.show();
    ASSERT_TRUE(QTest::qWaitFor([&Form] { return !Form.isVisible(); }, 20000));
  }

  TTempDir Dir;
  TRecordingDialogs Boxes;
  const std::string InfoName = Dir.File("info.txt");
  const std::string DataName = Dir.File("data.txt");
};

// ---- Both files for every signal and separator ---------------------------------------------

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

class ExportOfOurFile : public ExportRun, public ::testing::WithParamInterface<TSignalCase> {};

TEST_P(ExportOfOurFile, WritesBothFilesByteForByte) {
  const TSignalCase& C = GetParam();
  const TEdfFixture Fixture = ThreeSignalFixture(3);
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  auto Form = Window(Input, C.Signal, C.Separator);
  ASSERT_TRUE(Form->BtnExport()->isEnabled());
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);

  const std::string Sep = SeparatorTexts[C.Separator];
  EXPECT_EQ(Form->Separator(), Sep);
  EXPECT_EQ(
      ReadFile(InfoName),
      ExpectedInfo({"FileName:" + Input, "Patient:" + Fixture.Patient,
                    "Recording:" + Fixture.Recording, "StartTime:05.Mar.2004 13.45.07",
                    "StopTime:05.Mar.2004 13.45.10", "SignalNumber:" + std::to_string(C.Signal),
                    std::string("SignalLabel:") + C.Label,
                    std::string("SampleFrequency:") + C.Frequency,
                    std::string("Physical value uV = (ASCII") + C.Formula},
                   Sep));
  EXPECT_EQ(ReadFile(DataName),
            ExpectedData(Fixture.Signals[static_cast<std::size_t>(C.Signal - 1)], 0, 3, Sep, true));
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text, "The signal has been exported!");
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Export Successful");
  EXPECT_EQ(Boxes.Boxes[0].Icon, TMsgDlgType::Information);
  EXPECT_EQ(Form->LastExportOutcome(), TExportOutcome::Completed);
  EXPECT_TRUE(Form->BtnExport()->isEnabled());
}

// The formulas are the three examples of the export's documentation.
INSTANTIATE_TEST_SUITE_P(
    Export, ExportOfOurFile,
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
                      TSignalCase{"NegativeGainTab", 3, 2, "EMG submental", "1Hz",
                                  "+32768)*(-0.00305180437933928)+100"}),
    [](const ::testing::TestParamInfo<TSignalCase>& Info) { return Info.param.Name; });

class ExportOfEdflibFile : public ExportRun, public ::testing::WithParamInterface<int> {};

TEST_P(ExportOfEdflibFile, WritesBothFilesByteForByte) {
  const int Separator = GetParam();
  const std::string Input = Dir.File("edflib.edf");
  WriteEdflibFile(Input);
  auto Form = Window(Input, 2, Separator);
  ASSERT_TRUE(Form->BtnExport()->isEnabled());
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);

  const std::string Sep = SeparatorTexts[Separator];
  EXPECT_EQ(ReadFile(InfoName),
            ExpectedInfo({"FileName:" + Input, "Patient:MCH-0234567 X X Jan_Jansen",
                          "Recording:Startdate 05-MAR-2004 X X Somno",
                          "StartTime:05.Mar.2004 13.45.07", "StopTime:05.Mar.2004 13.45.10",
                          "SignalNumber:2", "SignalLabel:Resp nasal", "SampleFrequency:4Hz",
                          "Physical value uV = (ASCII+2048)*0.244200244200244-500"},
                         Sep));
  std::string Data;
  for (int r = 0; r < 3; ++r)
    Data += std::to_string(-r) + Sep + "2047" + Sep + "0" + Sep + std::to_string(r * 3) +
            (r < 2 ? Sep : "");
  EXPECT_EQ(ReadFile(DataName), Data);
}

std::string SeparatorName(const ::testing::TestParamInfo<int>& Info) {
  const char* Names[] = {"Space", "Comma", "Tab", "CrLf"};
  return Names[Info.param];
}

INSTANTIATE_TEST_SUITE_P(Export, ExportOfEdflibFile, ::testing::Values(0, 1, 2, 3), SeparatorName);

// ---- Annotation signals through the window -------------------------------------------------

struct TAnnotationCase {
  const char* Name;
  int Signal;
  TModalResult Answer; // to the first box
  bool Warned;
  bool Written;
};

class AnnotationSignalExport : public ExportRun,
                               public ::testing::WithParamInterface<TAnnotationCase> {};

TEST_P(AnnotationSignalExport, WarnsFirstAndWritesTheNumbersOnlyWhenAsked) {
  const TAnnotationCase& C = GetParam();
  const std::string Input = Dir.File("edflib.edf");
  WriteEdflibFile(Input); // signal 3 is edflib's "EDF Annotations"
  auto Form = Window(Input, C.Signal, 1);
  Boxes.Answers.push_back(C.Answer);
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);

  ASSERT_FALSE(Boxes.Boxes.empty());
  const TShownBox& First = Boxes.Boxes[0];
  EXPECT_EQ(First.Caption == "EDF+ annotations", C.Warned) << First.Caption;
  if (C.Warned) {
    EXPECT_EQ(First.Icon, TMsgDlgType::Warning);
    EXPECT_EQ(First.Buttons, mbYes | mbNo);
    EXPECT_NE(First.Text.find("velastrin export --signal annotations"), std::string::npos);
  }
  EXPECT_EQ(std::filesystem::exists(DataName), C.Written);
  EXPECT_EQ(std::filesystem::exists(InfoName), C.Written);
  if (C.Written && C.Signal == 3) {
    // The numbers as before: the first two bytes of record 0 are "+0", 0x302B.
    EXPECT_EQ(ReadFile(DataName).substr(0, 6), "12331,");
    EXPECT_EQ(Boxes.Boxes.back().Caption, "Export Successful");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Window, AnnotationSignalExport,
    ::testing::Values(
        TAnnotationCase{"NoKeepsEverythingUnwritten", 3, TModalResult::No, true, false},
        TAnnotationCase{"YesWritesTheNumbers", 3, TModalResult::Yes, true, true},
        TAnnotationCase{"OrdinarySignalAsksNothing", 2, TModalResult::Ok, false, true}),
    [](const ::testing::TestParamInfo<TAnnotationCase>& Info) { return Info.param.Name; });

// ---- Number text under the user's settings ------------------------------------------------

TEST_F(ExportRun, NumbersAndMonthNamesFollowTheUserSettings) {
  TSettingOverride<char> Comma(&TFormatSettings::DecimalSeparator, ',');
  auto Months = FormatSettings().ShortMonthNames;
  Months[2] = "mrt";
  TSettingOverride<std::array<std::string, 12>> Dutch(&TFormatSettings::ShortMonthNames, Months);
  TEdfFixture Fixture = ThreeSignalFixture(2);
  Fixture.RecordDuration = 2;
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  auto Form = Window(Input, 3, 0);
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  EXPECT_EQ(ReadFile(InfoName),
            ExpectedInfo({"FileName:" + Input, "Patient:" + Fixture.Patient,
                          "Recording:" + Fixture.Recording, "StartTime:05.mrt.2004 13.45.07",
                          "StopTime:05.mrt.2004 13.45.11", "SignalNumber:3",
                          "SignalLabel:EMG submental", "SampleFrequency:0,5Hz",
                          "Physical value uV = (ASCII+32768)*(-0,00305180437933928)+100"},
                         " "));
  EXPECT_EQ(Form->SignalList().at(2), "EMG submental (0,5Hz)");
}

TEST_F(ExportRun, TinyGainIsWrittenInScientificNotation) {
  TEdfFixture Fixture = ThreeSignalFixture(1);
  Fixture.Signals[0].Physimin = 0;
  Fixture.Signals[0].Physimax = 0.006;
  Fixture.Signals[0].Digimin = -32768;
  Fixture.Signals[0].Digimax = 32767;
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  auto Form = Window(Input, 1, 1);
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  const std::string Info = ReadFile(InfoName);
  // 0.006 / 65535 = 9.1554131380178...E-8
  EXPECT_EQ(Info.substr(Info.rfind('"')),
            "\"Physical value uV = (ASCII+32768)*9.15541313801785E-008+0");
}

TEST_F(ExportRun, TruncatedFileExportsItsCompleteRecordsAndStaysUnchanged) {
  const TEdfFixture Fixture = ThreeSignalFixture(3);
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  // Cut the last record in half: 7 samples of 2 bytes per record.
  std::filesystem::resize_file(Input, std::filesystem::file_size(Input) - 7);
  const std::string Before = ReadFile(Input);
  auto Form = Window(Input, 2, 1);
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  EXPECT_EQ(ReadFile(DataName), ExpectedData(Fixture.Signals[1], 0, 2, ",", true));
  EXPECT_NE(ReadFile(InfoName).find("\"StopTime:05.Mar.2004 13.45.09\""), std::string::npos);
  EXPECT_EQ(ReadFile(Input), Before);
}

// ---- Records: none, one sample, progress ---------------------------------------------------

TEST_F(ExportRun, ZeroRecordsGiveAnEmptyDataFileAndStopEqualToStart) {
  const std::string Input = Dir.File("empty.edf");
  WriteEdf(Input, ThreeSignalFixture(0));
  auto Form = Window(Input, 1, 3);
  int HookCalls = 0;
  Form->SetRecordHook([&](int64_t, TFormProgress&) { ++HookCalls; });
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  EXPECT_EQ(HookCalls, 0);
  EXPECT_TRUE(std::filesystem::exists(DataName));
  EXPECT_EQ(ReadFile(DataName), "");
  const std::string Info = ReadFile(InfoName);
  EXPECT_NE(Info.find("\"StartTime:05.Mar.2004 13.45.07\"\r\n\"StopTime:05.Mar.2004 13.45.07\""),
            std::string::npos);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Export Successful");
}

TEST_F(ExportRun, OneSamplePerRecordGivesOneValuePerRecord) {
  const TEdfFixture Fixture = ThreeSignalFixture(4);
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  auto Form = Window(Input, 3, 3);
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  EXPECT_EQ(ReadFile(DataName), "32767\r\n-32768\r\n32767\r\n-32768");
}

TEST_F(ExportRun, ProgressShowsRoundedPercentagesBeforeEachRecord) {
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(8));
  auto Form = Window(Input, 1, 1);
  std::vector<int> Shown;
  bool DuringExportChecked = false;
  Form->SetRecordHook([&](int64_t Record, TFormProgress& Dialog) {
    Shown.push_back(Dialog.ProgressBar()->value());
    if (Record == 0) {
      DuringExportChecked = true;
      EXPECT_EQ(Dialog.windowTitle().toStdString(), "ASCII conversion");
      EXPECT_TRUE(Dialog.isVisible());
      EXPECT_TRUE(Dialog.isEnabled());
      EXPECT_FALSE(Form->isEnabled());
      EXPECT_FALSE(Form->BtnExport()->isEnabled());
      ASSERT_NE(QApplication::overrideCursor(), nullptr);
      EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
      EXPECT_TRUE(Dialog.ProgressBar()->isTextVisible());
      EXPECT_EQ(Dialog.RzButton1()->text().toStdString(), "Cancel");
      EXPECT_TRUE(std::filesystem::exists(InfoName)); // complete before the data starts
    }
  });
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  EXPECT_TRUE(DuringExportChecked);
  // n / 8 * 100, halves to even: 12.5 -> 12, 37.5 -> 38, 62.5 -> 62, 87.5 -> 88.
  EXPECT_EQ(Shown, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88}));
  EXPECT_TRUE(Form->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  for (QWidget* Window : QApplication::topLevelWidgets())
    EXPECT_EQ(qobject_cast<TFormProgress*>(Window), nullptr) << "dialog not freed";
}

// ---- Cancel ---------------------------------------------------------------------------------

struct TCancelCase {
  const char* Name;
  int64_t AtRecord;
  int Clicks;
  int Separator;
};

void PrintTo(const TCancelCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class CancelledExport : public ExportRun, public ::testing::WithParamInterface<TCancelCase> {};

TEST_P(CancelledExport, KeepsTheRecordsBeforeTheCancel) {
  const TCancelCase& C = GetParam();
  const TEdfFixture Fixture = ThreeSignalFixture(6);
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  auto Form = Window(Input, 1, C.Separator);
  std::vector<int64_t> Seen;
  Form->SetRecordHook([&](int64_t Record, TFormProgress& Dialog) {
    Seen.push_back(Record);
    if (Record == C.AtRecord)
      for (int i = 0; i < C.Clicks; ++i)
        QTest::mouseClick(Dialog.RzButton1(), Qt::LeftButton);
  });
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);

  const std::string Sep = SeparatorTexts[C.Separator];
  EXPECT_EQ(Seen.size(), static_cast<std::size_t>(C.AtRecord + 1)); // no record after it
  EXPECT_EQ(ReadFile(DataName), ExpectedData(Fixture.Signals[0], 0, C.AtRecord, Sep, false));
  EXPECT_NE(ReadFile(InfoName), ""); // the information file stays complete
  ASSERT_EQ(Boxes.Boxes.size(), 1u); // no success message
  EXPECT_EQ(Boxes.Boxes[0].Text, "The user has cancelled the conversion");
  EXPECT_EQ(Boxes.Boxes[0].Caption, "User abort");
  EXPECT_EQ(Boxes.Boxes[0].Icon, TMsgDlgType::Error);
  EXPECT_EQ(Boxes.Boxes[0].Buttons, mbOK);
  EXPECT_EQ(Form->LastExportOutcome(), TExportOutcome::Cancelled);
  EXPECT_TRUE(Form->isEnabled());
  EXPECT_TRUE(Form->BtnExport()->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Export, CancelledExport,
                         ::testing::Values(TCancelCase{"BeforeTheFirstRecord", 0, 1, 1},
                                           TCancelCase{"AfterTwoRecordsComma", 2, 1, 1},
                                           TCancelCase{"AfterTwoRecordsCrLf", 2, 1, 3},
                                           TCancelCase{"TwiceIsOnce", 3, 2, 0},
                                           TCancelCase{"BeforeTheLastRecord", 5, 1, 2}),
                         [](const ::testing::TestParamInfo<TCancelCase>& Info) {
                           return Info.param.Name;
                         });

// Events are processed by time and whenever the percentage moves, not once per record: a
// click that arrives as an event at record 5 of 1000 (0 %) takes effect by record 10 (1 %).
TEST_F(ExportRun, QueuedCancelTakesEffectByTheNextPercent) {
  const TEdfFixture Fixture = ThreeSignalFixture(1000);
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  auto Form = Window(Input, 2, 1);
  int64_t Current = -1, ClickedAt = -1;
  Form->SetRecordHook([&](int64_t Record, TFormProgress& Dialog) {
    Current = Record;
    if (Record == 5)
      QTimer::singleShot(0, &Dialog, [&] {
        ClickedAt = Current;
        QTest::mouseClick(Dialog.RzButton1(), Qt::LeftButton);
      });
  });
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  ASSERT_GE(ClickedAt, 5);
  EXPECT_LE(ClickedAt, 10);
  EXPECT_EQ(Current, ClickedAt); // no record after the click
  EXPECT_EQ(ReadFile(DataName), ExpectedData(Fixture.Signals[1], 0, ClickedAt, ",", false));
  EXPECT_EQ(Form->LastExportOutcome(), TExportOutcome::Cancelled);
}

TEST(ProgressDialog, CancelOnlyRaisesTheFlag) {
  TFormProgress Dialog;
  EXPECT_EQ(Dialog.windowTitle().toStdString(), "FormProgress");
  EXPECT_EQ(Dialog.RzLabel1()->text().toStdString(), "Progress");
  EXPECT_EQ(Dialog.size(), QSize(295, 115));
  EXPECT_TRUE(Dialog.windowFlags() & Qt::Tool);
  EXPECT_FALSE(Dialog.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(Dialog.windowFlags() & Qt::WindowSystemMenuHint);
  Dialog.show();
  EXPECT_FALSE(Dialog.Cancelled());
  QTest::mouseClick(Dialog.RzButton1(), Qt::LeftButton);
  EXPECT_TRUE(Dialog.Cancelled());
  EXPECT_TRUE(Dialog.isVisible());
}

TEST(ProgressDialog, CaptionBarAndEscapeDoNotCloseIt) {
  TFormProgress Dialog;
  Dialog.show();
  Dialog.close();
  EXPECT_TRUE(Dialog.isVisible());
  QTest::keyClick(&Dialog, Qt::Key_Escape);
  EXPECT_TRUE(Dialog.isVisible());
  EXPECT_FALSE(Dialog.Cancelled());
}

// ---- Overwrite question ---------------------------------------------------------------------

TEST_F(ExportRun, OverwriteAnsweredNoChangesNothing) {
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(2));
  WriteFileBytes(InfoName, "keep me");
  auto Form = Window(Input, 1, 1);
  Boxes.Answers = {TModalResult::No};
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text,
            "One or more output files already exist!\r\n\r\nDo you want to overwrite these files?");
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Overwrite file(s)");
  EXPECT_EQ(Boxes.Boxes[0].Icon, TMsgDlgType::Confirmation);
  EXPECT_EQ(Boxes.Boxes[0].Buttons, mbYes | mbNo);
  EXPECT_EQ(ReadFile(InfoName), "keep me");
  EXPECT_FALSE(std::filesystem::exists(DataName));
  EXPECT_TRUE(Form->BtnExport()->isEnabled());
  EXPECT_EQ(Form->LastExportOutcome(), TExportOutcome::NotRun);
}

TEST_F(ExportRun, OverwriteAnsweredYesReplacesBothFiles) {
  const TEdfFixture Fixture = ThreeSignalFixture(2);
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  WriteFileBytes(DataName, std::string(5000, 'z'));
  auto Form = Window(Input, 1, 1);
  Boxes.Answers = {TModalResult::Yes};
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  ASSERT_EQ(Boxes.Boxes.size(), 2u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Overwrite file(s)");
  EXPECT_EQ(Boxes.Boxes[1].Caption, "Export Successful");
  EXPECT_EQ(ReadFile(DataName), ExpectedData(Fixture.Signals[0], 0, 2, ",", true));
}

// ---- Errors ---------------------------------------------------------------------------------

TEST_F(ExportRun, DataWriteErrorShowsTheErrorBoxAndRestoresTheWindow) {
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(3));
  SetCommandLine(std::vector<std::string>{"velastrin", Input, "1", InfoName, "/dev/full"});
  TForm1 Form;
  QTest::mouseClick(Form.BtnExport(), Qt::LeftButton);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Velastrin");
  EXPECT_EQ(Boxes.Boxes[0].Icon, TMsgDlgType::Error);
  EXPECT_EQ(Boxes.Boxes[0].Buttons, mbOK);
  EXPECT_EQ(Boxes.Boxes[0].Text.rfind("Cannot write file \"/dev/full\". ", 0), 0u)
      << Boxes.Boxes[0].Text;
  EXPECT_EQ(Boxes.Boxes[0].Text.back(), '.');
  EXPECT_NE(ReadFile(InfoName), ""); // files written so far stay
  EXPECT_TRUE(Form.isEnabled());
  EXPECT_TRUE(Form.BtnExport()->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ExportRun, InfoFileInMissingFolderShowsTheErrorBox) {
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(3));
  const std::string Missing = Dir.File("no/such/info.txt");
  SetCommandLine(std::vector<std::string>{"velastrin", Input, "1", Missing, DataName});
  TForm1 Form;
  QTest::mouseClick(Form.BtnExport(), Qt::LeftButton);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text.rfind("Cannot create file \"" + Missing + "\". ", 0), 0u)
      << Boxes.Boxes[0].Text;
  EXPECT_FALSE(std::filesystem::exists(DataName));
  EXPECT_TRUE(Form.BtnExport()->isEnabled());
}

TEST_F(ExportRun, FileNoLongerValidFailsTheAssertionAndWritesNothing) {
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(3));
  auto Form = Window(Input, 1, 1);
  ASSERT_TRUE(Form->BtnExport()->isEnabled());
  WriteFileBytes(Input, std::string(1000, '?')); // replaced after it was examined
  QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text.rfind("Not a valid EDFFile! (Main.cpp, line ", 0), 0u)
      << Boxes.Boxes[0].Text;
  EXPECT_FALSE(std::filesystem::exists(InfoName));
  EXPECT_FALSE(std::filesystem::exists(DataName));
  EXPECT_TRUE(Form->BtnExport()->isEnabled());
}

// ---- Batch mode in the running program -----------------------------------------------------

TEST_F(ExportRun, BatchOverwritesWithoutQuestionAndEndsWithSuccess) {
  const TEdfFixture Fixture = ThreeSignalFixture(3);
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, Fixture);
  WriteFileBytes(InfoName, "old");
  WriteFileBytes(DataName, "old");
  auto Form = Window(Input, 2, 1, true);
  RunBatch(*Form);
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_EQ(ReadFile(DataName), ExpectedData(Fixture.Signals[1], 0, 3, ",", true));
  EXPECT_EQ(Form->ExitStatus(), ExitStatus::Success);
}

TEST_F(ExportRun, BatchCancelShowsUserAbortAndEndsWithCancelStatus) {
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(5));
  auto Form = Window(Input, 1, 1, true);
  Form->SetRecordHook([](int64_t Record, TFormProgress& Dialog) {
    if (Record == 1)
      QTest::mouseClick(Dialog.RzButton1(), Qt::LeftButton);
  });
  RunBatch(*Form);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "User abort");
  EXPECT_EQ(Form->ExitStatus(), ExitStatus::Cancelled);
}

TEST_F(ExportRun, BatchErrorShowsExceptionRaisedAndEndsWithFailure) {
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(3));
  SetCommandLine(
      std::vector<std::string>{"velastrin", Input, "1", InfoName, "/dev/full", "/BATCH"});
  TForm1 Form;
  RunBatch(Form);
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Text, "There was an exception during the export");
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Exception raised!");
  EXPECT_EQ(Boxes.Boxes[0].Icon, TMsgDlgType::Warning);
  EXPECT_EQ(Boxes.Boxes[0].Buttons, mbOK);
  EXPECT_EQ(Form.ExitStatus(), ExitStatus::ExportFailed);
}

TEST_F(ExportRun, BatchWithoutValidInputClosesWithoutOutput) {
  auto Form = Window(Dir.File("absent.edf"), 1, 1, true);
  RunBatch(*Form);
  EXPECT_TRUE(Boxes.Boxes.empty());
  EXPECT_FALSE(std::filesystem::exists(InfoName));
  EXPECT_EQ(Form->ExitStatus(), ExitStatus::NotStarted);
}

// ---- Refused starts in the window ----------------------------------------------------------

TEST_F(ExportRun, OutputThatIsTheInputShowsTheErrorBoxBeforeAnyQuestion) {
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(2));
  const std::string Before = ReadFile(Input);
  SetCommandLine(std::vector<std::string>{"velastrin", Input, "1", InfoName, Input});
  TForm1 Form;
  ASSERT_TRUE(Form.BtnExport()->isEnabled());
  QTest::mouseClick(Form.BtnExport(), Qt::LeftButton);

  ASSERT_EQ(Boxes.Boxes.size(), 1u); // no overwrite question: the export never began
  EXPECT_EQ(Boxes.Boxes[0].Text, "The data file \"" + Input + "\" is the input file \"" + Input +
                                     "\"; nothing was written.");
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Velastrin");
  EXPECT_EQ(Boxes.Boxes[0].Icon, TMsgDlgType::Error);
  EXPECT_EQ(ReadFile(Input), Before);
  EXPECT_FALSE(std::filesystem::exists(InfoName));
  EXPECT_EQ(Form.LastExportOutcome(), TExportOutcome::NotRun);
  EXPECT_TRUE(Form.BtnExport()->isEnabled());
}

// A file the window lists but cannot export: an unreadable physical limit, or BDF.
TEST_F(ExportRun, UnreadableLimitOrBdfShowsTheErrorBoxAndWritesNothing) {
  const std::string Edf = Dir.File("night.edf"), Bdf = Dir.File("night.bdf");
  WriteEdf(Edf, ThreeSignalFixture(2));
  velastrin::test::PatchBytes(Edf, SignalFieldOffset(TSignalField::Physimax, 3, 1), "n/a     ");
  WriteFileBytes(Bdf, velastrin::test::BDFTestEDF().Bytes());
  for (const auto& [Input, Text] :
       {std::pair{Edf, "the physical limits of signal 2 cannot be read"},
        std::pair{Bdf, "BDF: export it with velastrin export"}}) {
    Boxes.Boxes.clear();
    const auto Form = Window(Input, 2, 0);
    if (Input == Bdf) {
      EXPECT_EQ(Form->SignalList(), std::vector<std::string>(2, "EEG Fpz-Cz (4Hz)"));
    }
    ASSERT_TRUE(Form->BtnExport()->isEnabled());
    QTest::mouseClick(Form->BtnExport(), Qt::LeftButton);
    ASSERT_EQ(Boxes.Boxes.size(), 1u);
    EXPECT_NE(Boxes.Boxes[0].Text.find(Text), std::string::npos) << Boxes.Boxes[0].Text;
    EXPECT_EQ(Boxes.Boxes[0].Icon, TMsgDlgType::Error);
    EXPECT_FALSE(std::filesystem::exists(InfoName) || std::filesystem::exists(DataName));
  }
}

TEST_F(ExportRun, StopTimeOutsideTheCalendarIsNoValidFile) {
  const std::string Input = Dir.File("night.edf");
  WriteEdf(Input, ThreeSignalFixture(2));
  std::string Bytes = ReadFile(Input);
  Bytes.replace(GeneralFieldOffset(TGeneralField::SampleRecDuration), 8, "1E300   ");
  WriteFileBytes(Input, Bytes);
  auto Form = Window(Input, 1, 1);
  EXPECT_EQ(Form->Label5()->text().toStdString(), "No valid EDF file selected");
  EXPECT_FALSE(Form->BtnExport()->isEnabled());
}

TEST_F(ExportRun, NameThatIsNotUtf8ReachesTheFileAndTheInformationUnchanged) {
  const std::string Input = Dir.File("caf\xE9.edf");
  WriteEdf(Input, ThreeSignalFixture(2));
  SetCommandLine(std::vector<std::string>{"velastrin", Input, "2", "/comma"});
  TForm1 Form;
  ASSERT_TRUE(Form.BtnExport()->isEnabled());
  QTest::mouseClick(Form.BtnExport(), Qt::LeftButton);
  const std::string Info = ReadFile(Dir.File("caf\xE9.txt"));
  EXPECT_EQ(Info.rfind("\"FileName:" + Input + "\",", 0), 0u) << Info;
  EXPECT_EQ(ReadFile(Dir.File("caf\xE9.ascii")),
            ExpectedData(ThreeSignalFixture(2).Signals[1], 0, 2, ",", true));
}

} // namespace
} // namespace velastrin
