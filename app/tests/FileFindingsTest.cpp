// The line below the main window's controls that says what is wrong with the input file, and
// its table of findings.
#include "app/FileFindings.h"
#include "app/Main.h"
#include "app/tests/AppTestSupport.h"
#include "testsupport/TestFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace velastrin {
namespace {

using namespace velastrin::testing;

// Cell texts of one table row.
std::vector<std::string> Row(const QTableWidget& Table, int Row) {
  std::vector<std::string> Cells;
  for (int Column = 0; Column < Table.columnCount(); ++Column)
    Cells.push_back(Table.item(Row, Column) ? Table.item(Row, Column)->text().toStdString() : "");
  return Cells;
}

class FindingsLineTest : public ::testing::Test {
protected:
  void SetUp() override { SetCommandLine(std::vector<std::string>{"velastrin"}); }

  // A file strict reading accepts (the shared fixture's label with a leading blank is not).
  std::string ValidFile(const std::string& Name) {
    const std::string Path = Dir.File(Name);
    TEdfFixture Fixture = ThreeSignalFixture(3);
    Fixture.Signals[1].Label = "EOG horizontal";
    WriteEdf(Path, Fixture);
    return Path;
  }

  TTempDir Dir;
  TRecordingDialogs Boxes;
};

TEST_F(FindingsLineTest, HiddenForAStrictlyValidFileAndForNoFile) {
  const std::string Path = ValidFile("valid.edf");
  TForm1 Form;
  Form.EditSignal1()->setText(QString::fromStdString(Path));
  EXPECT_TRUE(Form.FindingsLine()->isHidden());
  EXPECT_EQ(Form.FindingsLine()->Findings(), nullptr);
  Form.EditSignal1()->setText(QString::fromStdString(Dir.File("missing.edf")));
  EXPECT_TRUE(Form.FindingsLine()->isHidden());
}

TEST_F(FindingsLineTest, LenientFileSaysHowManyFieldsWereRepairedAndListsThem) {
  const std::string Path = ValidFile("colon.edf");
  test::PatchBytes(Path, 176, "10:20:30"); // start time with colons
  test::PatchBytes(Path, 8, "\xB0");       // a byte outside ASCII in the patient field
  TForm1 Form;
  Form.EditSignal1()->setText(QString::fromStdString(Path));
  // Lenient reading still accepts the file: the window's own examination is unchanged.
  EXPECT_EQ(Form.SignalList().size(), 3u);
  ASSERT_FALSE(Form.FindingsLine()->isHidden());
  EXPECT_EQ(Form.FindingsLine()->Label()->text().toStdString(),
            "Read leniently: 2 header fields repaired");
  EXPECT_EQ(Form.FindingsLine()->DetailsButton()->text().toStdString(), "Details...");

  const auto Dialog = Form.FindingsLine()->CreateDetails();
  ASSERT_NE(Dialog, nullptr);
  const QTableWidget& Table = *Dialog->Table();
  ASSERT_EQ(Table.rowCount(), 2);
  EXPECT_EQ(Row(Table, 0)[0], "Patient");
  EXPECT_EQ(Row(Table, 0)[3].substr(0, 4), "\\xB0");
  EXPECT_EQ(Row(Table, 1), (std::vector<std::string>{"StartTime", "", "176", "10:20:30",
                                                     "time uses ':' instead of '.'", "10:20:30"}));
  EXPECT_EQ(Table.editTriggers(), QAbstractItemView::NoEditTriggers);

  // Copied as tab-separated lines under the column names.
  Dialog->Copy();
  const std::string Copied = QApplication::clipboard()->text().toStdString();
  EXPECT_EQ(Copied.substr(0, Copied.find('\n')),
            "Field\tSignal\tOffset\tRaw text\tProblem\tLenient reading");
  EXPECT_NE(Copied.find("StartTime\t\t176\t10:20:30\ttime uses ':' instead of '.'\t10:20:30\n"),
            std::string::npos);
  Dialog->Table()->selectRow(1);
  EXPECT_EQ(Dialog->SelectionText().count(QLatin1Char('\n')), 2);
}

TEST_F(FindingsLineTest, RefusedFileNamesTheWrongSignalField) {
  const std::string Path = ValidFile("digimin.edf");
  // Digimin of signal 2: the block of Digimin fields starts at 256 + 3 * (16 + 80 + 8 + 8 + 8).
  test::PatchBytes(Path, 256 + 3 * 120 + 8, "abc     ");
  TForm1 Form;
  Form.EditSignal1()->setText(QString::fromStdString(Path));
  EXPECT_TRUE(Form.SignalList().empty());
  ASSERT_FALSE(Form.FindingsLine()->isHidden());
  const std::string Line = Form.FindingsLine()->Label()->text().toStdString();
  EXPECT_EQ(Line.substr(0, 14), "Not readable: ") << Line;
  const auto Dialog = Form.FindingsLine()->CreateDetails();
  ASSERT_NE(Dialog, nullptr);
  bool Found = false;
  for (int r = 0; r < Dialog->Table()->rowCount(); ++r) {
    const auto Cells = Row(*Dialog->Table(), r);
    if (Cells[0] == "Digimin") {
      Found = true;
      EXPECT_EQ(Cells[1], "2");
      EXPECT_EQ(Cells[2], std::to_string(256 + 3 * 120 + 8));
      EXPECT_EQ(Cells[3], "abc     ");
      EXPECT_EQ(Cells[5], "refused");
    }
  }
  EXPECT_TRUE(Found) << Line;
}

TEST(FindingsSummary, CountsAndNamesTheTrouble) {
  TEDFFindings F;
  F.Verdict = TEDFVerdict::Valid;
  EXPECT_EQ(FindingsSummary(F), "");
  F.Verdict = TEDFVerdict::Lenient;
  TEDFFinding Repaired;
  Repaired.Lenient = true;
  F.Findings = {Repaired};
  EXPECT_EQ(FindingsSummary(F), "Read leniently: 1 header field repaired");
  F.Findings = {};
  F.Checks = {{"file_size", "the file is 12 bytes longer than its records"}};
  EXPECT_EQ(FindingsSummary(F), "Read leniently: the file is 12 bytes longer than its records");
  F.Verdict = TEDFVerdict::Unreadable;
  TEDFFinding Wrong;
  F.Findings = {Wrong, Wrong, Repaired};
  EXPECT_EQ(FindingsSummary(F), "Not readable: 2 header fields wrong");
  F.Error = "No such file or directory";
  EXPECT_EQ(FindingsSummary(F), "Not readable: No such file or directory");
  // BDF is shown, and its export left to velastrin export.
  TEDFFindings B;
  B.Kind = TEDFKind::BDFPlusC;
  B.Verdict = TEDFVerdict::Valid;
  EXPECT_EQ(FindingsSummary(B), "BDF: export it with velastrin export");
  B.Verdict = TEDFVerdict::Lenient;
  B.Findings = {Repaired};
  EXPECT_EQ(FindingsSummary(B),
            "Read leniently: 1 header field repaired; BDF: export it with velastrin export");
}

} // namespace
} // namespace velastrin
