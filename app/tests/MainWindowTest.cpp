// The main window driven through its real controls: examining input files, the signal
// number, the output names and the Export button.
#include "about/About.h"
#include "app/Main.h"
#include "app/tests/AppTestSupport.h"
#include "edf/uEDF.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace velastrin {
namespace {

using namespace velastrin::testing;

constexpr const char* NoValidFile = "No valid EDF file selected";

std::string S(const QString& Text) {
  return Text.toStdString();
}

class MainWindow : public ::testing::Test {
protected:
  void SetUp() override { SetCommandLine(std::vector<std::string>{"velastrin"}); }

  // Types a name into the input field key by key, as a user does.
  void TypeInput(TForm1& Form, const std::string& Name) {
    Form.EditSignal1()->clear();
    QTest::keyClicks(Form.EditSignal1(), QString::fromStdString(Name));
  }

  std::string FiveSignalFile(const std::string& Name = "night.edf") {
    TEdfFixture Fixture = ThreeSignalFixture(2);
    TSignalFixture Extra = Fixture.Signals[0];
    Extra.Label = "EEG Pz-Oz";
    Extra.NrSamples = 8;
    Fixture.Signals.push_back(Extra);
    Extra.Label = "Resp oro-nasal";
    Extra.NrSamples = 1;
    Fixture.Signals.push_back(Extra);
    Fixture.RecordDuration = 2;
    const std::string FileName = Dir.File(Name);
    WriteEdf(FileName, Fixture);
    return FileName;
  }

  TTempDir Dir;
  TRecordingDialogs Boxes;
};

TEST_F(MainWindow, StartsWithNoFileSelected) {
  TForm1 Form;
  EXPECT_EQ(S(Form.windowTitle()), "Velastrin convertor");
  EXPECT_EQ(S(Form.Label5()->text()), NoValidFile);
  EXPECT_FALSE(Form.RzSpinEdit1()->isEnabled());
  EXPECT_EQ(Form.RzSpinEdit1()->minimum(), 1);
  EXPECT_EQ(Form.RzSpinEdit1()->maximum(), 1);
  EXPECT_FALSE(Form.BtnExport()->isEnabled());
  EXPECT_TRUE(Form.BtnClose()->isEnabled());
  EXPECT_EQ(Form.RadioGroup1ItemIndex(), 3);
  EXPECT_FALSE(Form.BatchMode());
  EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(MainWindow, ControlsCarryTheirCaptions) {
  TForm1 Form;
  EXPECT_EQ(S(Form.GroupBox1()->title()), "EDF Input Signal");
  EXPECT_EQ(S(Form.Label1()->text()), "FileName");
  EXPECT_EQ(S(Form.Button1()->text()), "Browse...");
  EXPECT_EQ(S(Form.Label4()->text()), "Signal number");
  EXPECT_EQ(S(Form.RadioGroup1()->title()), "ASCII Export Separator");
  const char* Items[] = {"Space", "Comma", "Tab", "CRLF"};
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(S(Form.RadioItem(i)->text()), Items[i]);
  // The four items stand in one row.
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(Form.RadioItem(i)->y(), Form.RadioItem(0)->y());
    EXPECT_GT(Form.RadioItem(i)->x(), Form.RadioItem(i - 1)->x());
  }
  EXPECT_EQ(S(Form.GroupBox2()->title()), "Output Filenames");
  EXPECT_EQ(S(Form.Label2()->text()), "Signal Information");
  EXPECT_EQ(S(Form.Label3()->text()), "ASCII Signal Data");
  EXPECT_EQ(S(Form.Button3()->text()), "Browse...");
  EXPECT_EQ(S(Form.Button4()->text()), "Browse...");
  EXPECT_EQ(S(Form.BtnExport()->text()), "Export");
  EXPECT_EQ(S(Form.BtnClose()->text()), "Close");
  EXPECT_EQ(S(Form.About1()->text()), "About");
  EXPECT_EQ(Form.GroupBox1()->parentWidget()->size(), QSize(482, 270));
}

TEST_F(MainWindow, TabOrderFollowsTheGroups) {
  TForm1 Form;
  const std::vector<QWidget*> Expected = {
      Form.EditSignal1(), Form.Button1(),           Form.RzSpinEdit1(), Form.RadioItem(0),
      Form.RadioItem(1),  Form.RadioItem(2),        Form.RadioItem(3),  Form.EditSignalInfoOut(),
      Form.Button3(),     Form.EditSignalDataOut(), Form.Button4(),     Form.BtnExport(),
      Form.BtnClose()};
  // Walk the focus chain once round; the spin box takes focus through its inner editor.
  std::vector<QWidget*> Order;
  QWidget* W = Form.EditSignal1();
  for (int Step = 0; Step < 200 && Order.size() < Expected.size();
       ++Step, W = W->nextInFocusChain()) {
    QWidget* Control = W->parentWidget() == Form.RzSpinEdit1() ? Form.RzSpinEdit1() : W;
    if (std::find(Expected.begin(), Expected.end(), Control) != Expected.end() &&
        (Order.empty() || Order.back() != Control))
      Order.push_back(Control);
  }
  EXPECT_EQ(Order, Expected);
}

TEST_F(MainWindow, ValidFileWithFiveSignalsSelectsTheFirst) {
  const std::string Name = FiveSignalFile();
  TForm1 Form;
  TypeInput(Form, Name);
  EXPECT_TRUE(Form.RzSpinEdit1()->isEnabled());
  EXPECT_EQ(Form.RzSpinEdit1()->minimum(), 1);
  EXPECT_EQ(Form.RzSpinEdit1()->maximum(), 5);
  EXPECT_EQ(Form.RzSpinEdit1()->value(), 1);
  EXPECT_EQ(S(Form.EditSignalInfoOut()->text()), Dir.File("night.txt"));
  EXPECT_EQ(S(Form.EditSignalDataOut()->text()), Dir.File("night.ascii"));
  EXPECT_TRUE(Form.BtnExport()->isEnabled());
  const std::vector<std::string> Expected = {"EEG Fpz-Cz (2Hz)", "EOG horizontal (1Hz)",
                                             "EMG submental (0.5Hz)", "EEG Pz-Oz (4Hz)",
                                             "Resp oro-nasal (0.5Hz)"};
  EXPECT_EQ(Form.SignalList(), Expected);
  EXPECT_EQ(S(Form.Label5()->text()), "EEG Fpz-Cz (2Hz)");
}

TEST_F(MainWindow, AnnotationSignalShowsAsAnnotationsWithoutFrequency) {
  const std::string Name = Dir.File("edflib.edf");
  WriteEdflibFile(Name);
  TForm1 Form;
  TypeInput(Form, Name);
  const std::vector<std::string> Expected = {"EEG C3-A2 (2Hz)", "Resp nasal (4Hz)",
                                             "EDF Annotations (annotations)"};
  EXPECT_EQ(Form.SignalList(), Expected);
}

TEST_F(MainWindow, SignalNumberShowsItsDescription) {
  const std::string Name = FiveSignalFile();
  TForm1 Form;
  TypeInput(Form, Name);
  Form.RzSpinEdit1()->stepUp();
  Form.RzSpinEdit1()->stepUp();
  EXPECT_EQ(S(Form.Label5()->text()), "EMG submental (0.5Hz)");
  QTest::keyClick(Form.RzSpinEdit1(), Qt::Key_Up);
  EXPECT_EQ(S(Form.Label5()->text()), "EEG Pz-Oz (4Hz)");
}

TEST_F(MainWindow, TypedNumberAboveTheMaximumComesBackToIt) {
  const std::string Name = FiveSignalFile();
  TForm1 Form;
  TypeInput(Form, Name);
  QLineEdit* Editor = Form.RzSpinEdit1()->findChild<QLineEdit*>();
  ASSERT_NE(Editor, nullptr);
  Editor->selectAll();
  QTest::keyClicks(Form.RzSpinEdit1(), "9");
  QTest::keyClick(Form.RzSpinEdit1(), Qt::Key_Return);
  EXPECT_EQ(Form.RzSpinEdit1()->value(), 5);
  EXPECT_EQ(S(Form.Label5()->text()), "Resp oro-nasal (0.5Hz)");
  Editor->selectAll();
  QTest::keyClicks(Form.RzSpinEdit1(), "0");
  QTest::keyClick(Form.RzSpinEdit1(), Qt::Key_Return);
  EXPECT_EQ(Form.RzSpinEdit1()->value(), 1);
}

TEST_F(MainWindow, MissingFileKeepsTheOutputNamesAndDisablesExport) {
  const std::string Name = FiveSignalFile();
  TForm1 Form;
  TypeInput(Form, Name);
  TypeInput(Form, Dir.File("absent.edf"));
  EXPECT_EQ(S(Form.Label5()->text()), NoValidFile);
  EXPECT_FALSE(Form.RzSpinEdit1()->isEnabled());
  EXPECT_EQ(Form.RzSpinEdit1()->maximum(), 5);
  EXPECT_TRUE(Form.SignalList().empty());
  EXPECT_EQ(S(Form.EditSignalInfoOut()->text()), Dir.File("night.txt"));
  EXPECT_FALSE(Form.BtnExport()->isEnabled());
}

TEST_F(MainWindow, FileThatIsNotEdfIsNoValidFile) {
  const std::string Name = Dir.File("notes.edf");
  WriteFileBytes(Name, std::string(300, 'x'));
  TForm1 Form;
  TypeInput(Form, Name);
  EXPECT_EQ(S(Form.Label5()->text()), NoValidFile);
  EXPECT_FALSE(Form.BtnExport()->isEnabled());
  EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(MainWindow, FolderIsNoValidFile) {
  TForm1 Form;
  TypeInput(Form, Dir.Path().string());
  EXPECT_EQ(S(Form.Label5()->text()), NoValidFile);
  EXPECT_FALSE(Form.BtnExport()->isEnabled());
  EXPECT_TRUE(Boxes.Boxes.empty());
}

TEST_F(MainWindow, OnlyTheLastExtensionIsReplaced) {
  TEdfFixture Fixture = ThreeSignalFixture(1);
  const std::string Name = Dir.File("night.part.edf");
  WriteEdf(Name, Fixture);
  TForm1 Form;
  Form.EditSignal1()->setText(QString::fromStdString(Name));
  EXPECT_EQ(S(Form.EditSignalInfoOut()->text()), Dir.File("night.part.txt"));
  EXPECT_EQ(S(Form.EditSignalDataOut()->text()), Dir.File("night.part.ascii"));
}

TEST_F(MainWindow, ClearedOutputNameCountsOnlyAfterBrowse) {
  const std::string Name = FiveSignalFile();
  TForm1 Form;
  TypeInput(Form, Name);
  Form.EditSignalDataOut()->clear();
  EXPECT_TRUE(Form.BtnExport()->isEnabled()); // editing by hand does not re-evaluate
  Boxes.FileDialogAccepts = false;
  QTest::mouseClick(Form.Button3(), Qt::LeftButton);
  EXPECT_FALSE(Form.BtnExport()->isEnabled());
  EXPECT_EQ(S(Form.EditSignalInfoOut()->text()), Dir.File("night.txt")); // kept on Cancel
  ASSERT_EQ(Boxes.FileDialogTitles.size(), 1u);
  EXPECT_EQ(Boxes.FileDialogTitles[0], "Enter Output Filename");
  EXPECT_EQ(Boxes.FileDialogPresets[0], Dir.File("night.txt"));
}

TEST_F(MainWindow, SaveDialogChoiceBecomesTheOutputName) {
  const std::string Name = FiveSignalFile();
  TForm1 Form;
  TypeInput(Form, Name);
  Form.EditSignalDataOut()->clear();
  Boxes.FileDialogAccepts = true;
  Boxes.FileDialogChoice = Dir.File("chosen.dat");
  QTest::mouseClick(Form.Button4(), Qt::LeftButton);
  EXPECT_EQ(S(Form.EditSignalDataOut()->text()), Dir.File("chosen.dat"));
  EXPECT_TRUE(Form.BtnExport()->isEnabled());
}

TEST_F(MainWindow, OpenDialogChoiceIsExaminedAtOnce) {
  const std::string Name = FiveSignalFile();
  TForm1 Form;
  Form.EditSignal1()->setText("start.edf");
  Boxes.FileDialogAccepts = true;
  Boxes.FileDialogChoice = Name;
  QTest::mouseClick(Form.Button1(), Qt::LeftButton);
  ASSERT_EQ(Boxes.FileDialogPresets.size(), 1u);
  EXPECT_EQ(Boxes.FileDialogPresets[0], "start.edf");
  EXPECT_EQ(S(Form.EditSignal1()->text()), Name);
  EXPECT_EQ(Form.RzSpinEdit1()->maximum(), 5);
  EXPECT_TRUE(Form.BtnExport()->isEnabled());
}

TEST_F(MainWindow, UnreadableFileShowsTheDefaultErrorBox) {
  const std::string Name = FiveSignalFile();
  if (::geteuid() == 0)
    GTEST_SKIP() << "root reads every file";
  std::filesystem::permissions(Name, std::filesystem::perms::none);
  TForm1 Form;
  Form.BtnExport()->setEnabled(true);
  Form.EditSignal1()->setText(QString::fromStdString(Name));
  ASSERT_EQ(Boxes.Boxes.size(), 1u);
  EXPECT_EQ(Boxes.Boxes[0].Caption, "Velastrin");
  EXPECT_EQ(Boxes.Boxes[0].Icon, TMsgDlgType::Error);
  EXPECT_EQ(Boxes.Boxes[0].Buttons, mbOK);
  EXPECT_NE(Boxes.Boxes[0].Text.find(Name), std::string::npos);
  EXPECT_FALSE(Form.RzSpinEdit1()->isEnabled());
  EXPECT_TRUE(Form.BtnExport()->isEnabled()); // the handler stopped before re-evaluating
}

TEST_F(MainWindow, AboutShowsTheBoxWithTheProgramTexts) {
  TForm1 Form;
  Form.show();
  std::string Name, Description, Email, Web;
  bool OwnedByWindow = false;
  QTimer::singleShot(0, [&] {
    auto* Box = qobject_cast<TNaloAboutForm*>(QApplication::activeModalWidget());
    ASSERT_NE(Box, nullptr);
    Name = Box->ProgramName();
    Description = Box->Description();
    Email = Box->EmailLink();
    Web = Box->WebAddress();
    OwnedByWindow = Box->parentWidget() == &Form;
    Box->reject();
  });
  Form.About1()->trigger();
  EXPECT_EQ(Name, "Velastrin");
  EXPECT_EQ(Description, "Program to export an EDF signal to an ASCII\ntext file with user "
                         "selectable separators.\nUse commandline parameter /? or /h for help");
  EXPECT_NE(Email.find(VelastrinEmailAddress), std::string::npos);
  EXPECT_EQ(Web, VelastrinWebAddress);
  EXPECT_TRUE(OwnedByWindow);
}

TEST(MainWindowHelpers, ChangeFileExtReplacesOnlyTheLastExtension) {
  EXPECT_EQ(ChangeFileExt("night.edf", ".txt"), "night.txt");
  EXPECT_EQ(ChangeFileExt("night.part.edf", ".ascii"), "night.part.ascii");
  EXPECT_EQ(ChangeFileExt("night", ".txt"), "night.txt");
  EXPECT_EQ(ChangeFileExt("/data/v1.2/night", ".txt"), "/data/v1.2/night.txt");
  EXPECT_EQ(ChangeFileExt("/data/v1.2/night.edf", ".txt"), "/data/v1.2/night.txt");
}

TEST(MainWindowHelpers, ApplicationTitleIsTheNameUpToTheFirstDot) {
  EXPECT_EQ(ApplicationTitleFromPath("/usr/bin/velastrin"), "velastrin");
  EXPECT_EQ(ApplicationTitleFromPath("/opt/VELASTRIN.EXE"), "Velastrin");
  EXPECT_EQ(ApplicationTitleFromPath("bin/VeLaStRiN.v2.exe"), "Velastrin");
}

TEST(MainWindowHelpers, ErrorBoxTextEndsWithAFullStopAfterCharactersAboveIt) {
  EXPECT_EQ(ErrorBoxText("Error reading file data"), "Error reading file data.");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("Failed!"), "Failed!");
  EXPECT_EQ(ErrorBoxText("Why?"), "Why?.");
  EXPECT_EQ(ErrorBoxText("Not valid! (Main.cpp, line 3)"), "Not valid! (Main.cpp, line 3)");
  EXPECT_EQ(ErrorBoxText("Error 2b"), "Error 2b.");
  EXPECT_EQ(ErrorBoxText("a,"), "a,");
  EXPECT_EQ(ErrorBoxText(""), "");
}

} // namespace
} // namespace velastrin
