// The recording's EDF+ annotations in the main window: sleep stages recognised in the texts,
// the hypnogram, the table of an annotation signal with the line above it, and the marks and
// gaps of the preview of an ordinary signal.
#include "app/AnnotationList.h"
#include "app/Main.h"
#include "app/RecordingAnnotations.h"
#include "app/SignalPreview.h"
#include "app/SleepStage.h"
#include "app/tests/AppTestSupport.h"
#include "testsupport/TestEDF.h"
#include "testsupport/TestFiles.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

#include <sstream>

namespace velastrin {
namespace {

using namespace velastrin::testing;

using S = TSleepStage;

TEST(SleepStage, NamedByTheTextOrNone) {
  const std::pair<std::optional<S>, std::vector<const char*>> Cases[] = {
      {S::Wake, {"  sleep stage w "}},
      {S::N1, {"N1", "Sleep stage 1"}},
      {S::N2, {"Sleep stage N2"}},
      {S::N3, {"Sleep stage 3", "Sleep stage 4"}},
      {S::REM, {"R", "REM"}},
      {S::Unscored, {"Sleep stage ?"}},
      {S::Movement, {"Movement time"}},
      // Digits and "?" are stages only after the prefix; a word is not one by its first letter.
      {std::nullopt, {"3", "Sleep stage X", "Lights off", "Wakefulness"}}};
  for (const auto& [Stage, Texts] : Cases)
    for (const char* Text : Texts)
      EXPECT_EQ(SleepStageOf(Text), Stage) << Text;
}

TEST(Hypnogram, StagesLastTheirDurationOrUpToTheNext) {
  const struct {
    const char* Name;
    std::vector<TStageMark> Marks;
    std::vector<TStageSpan> Spans; // of a recording of 100 s
  } Cases[] = {
      {"UpToNextAndEnd", {{10, 0, S::Wake}, {40, 0, S::N2}}, {{10, 40, S::Wake}, {40, 100, S::N2}}},
      {"ShortLeavesAHole", {{0, 10, S::N3}, {30, 10, S::REM}}, {{0, 10, S::N3}, {30, 40, S::REM}}},
      {"LongStopsAtNext", {{0, 90, S::Wake}, {20, 10, S::N1}}, {{0, 20, S::Wake}, {20, 30, S::N1}}},
      {"CutAtTheEnd", {{80, 60, S::Unscored}}, {{80, 100, S::Unscored}}},
      {"EqualOnsetsKeepTheLast", {{0, 0, S::Wake}, {0, 0, S::N2}}, {{0, 100, S::N2}}},
      {"PastTheEndLeftOut", {{120, 30, S::Wake}}, {}}};
  for (const auto& C : Cases)
    EXPECT_EQ(StageSpans(C.Marks, 100), C.Spans) << C.Name;
}

TTALNumber Number(const std::string& Text) {
  TTALNumber N;
  EXPECT_TRUE(ParseTALNumber(Text, Text[0] == '+' || Text[0] == '-', N)) << Text;
  return N;
}

// Records of 10 s with the given onsets, blanks between them.
TEDFPlusRecording Plus(TEDFPlusKind Kind, const std::string& Onsets) {
  TEDFPlusRecording P;
  P.Kind = Kind;
  P.Readable = true;
  P.RecordDuration = 10;
  std::istringstream In(Onsets);
  for (std::string Onset; In >> Onset;)
    P.RecordOnsets.push_back(Number(Onset));
  P.NrDataRecords = static_cast<int64_t>(P.RecordOnsets.size());
  return P;
}

TEST(RecordTimeline, GapsSplitTheRecordsIntoRunsAndAreCounted) {
  using K = TEDFPlusKind;
  // An EDF+C file that jumps is damaged, not broken up: check names it.
  const struct {
    K Kind;
    const char* Onsets;
    const char* Summary;
    std::vector<TRecordRun> Runs;
  } Cases[] = {{K::Continuous, "+0 +50", "12 annotations, EDF+C", {{0, 2, 0}}},
               {K::Discontinuous, "+5 +15", "12 annotations, EDF+D, 0 gaps", {{0, 2, 5}}},
               {K::Discontinuous,
                "+0 +10 +100 +110.5 +115",
                "12 annotations, EDF+D, 2 gaps, 1 overlap",
                {{0, 2, 0}, {2, 3, 100}, {3, 4, 110.5}, {4, 5, 115}}}};
  for (const auto& C : Cases) {
    const TEDFPlusRecording P = Plus(C.Kind, C.Onsets);
    EXPECT_EQ(AnnotationSummary(P, 12), C.Summary) << C.Onsets;
    EXPECT_EQ(RecordRuns(P), C.Runs) << C.Onsets;
  }
}

TEST(DamageLine, NamesTheFirstRecordAndByteAsCheckDoes) {
  EXPECT_EQ(AnnotationDamage({{4, 1, 3, 1027, TTALFault::TextNotEnded}}),
            "1 damaged annotation list in signal 2, record 5, at byte 1027: annotation text ends "
            "without 0x14");
  EXPECT_EQ(
      AnnotationDamage({{0, 0, 0, 256, TTALFault::OnsetSign}, {7, 0, 0, 396, TTALFault::PastEnd}}),
      "2 damaged annotation lists; the first in signal 1, record 1, at byte 256: annotation "
      "list does not begin with '+' or '-'");
}

TEST(AnnotationTable, RowsOfTheChosenSignalInTimeOrderStagesApartFromEvents) {
  TEDFPlusRecording P = Plus(TEDFPlusKind::Continuous, "+0 +10 +20");
  P.StartDateTime = 46363.75; // 7 Dec 2026 18:00
  P.AnnotationSignals = {2, 3};
  P.Annotations = {{Number("+20.25"), Number("5"), "Arousal", 2},
                   {Number("+0"), Number("10"), "Sleep stage W", 3},
                   {Number("+3"), std::nullopt, "Lights off", 2},
                   {Number("+10"), std::nullopt, "N1", 2}};
  P.Faults = {{1, 3, 0, 600, TTALFault::OnsetSign}};

  const TRecordingAnnotations Shown = DescribeAnnotations(P, 2);
  EXPECT_EQ(Shown.Rows, (std::vector<TAnnotationRow>{{"2026-12-07 18:00:03", "", "Lights off"},
                                                     {"2026-12-07 18:00:10", "", "N1"},
                                                     {"2026-12-07 18:00:20.25", "5", "Arousal"}}));
  EXPECT_EQ(Shown.Summary, "3 annotations, EDF+C");
  EXPECT_EQ(Shown.Damage, ""); // the damaged list is the other signal's
  // Along the time axis every annotation signal counts.
  EXPECT_EQ(Shown.Stages, (std::vector<TStageSpan>{{0, 10, S::Wake}, {10, 30, S::N1}}));
  ASSERT_EQ(Shown.Events.size(), 2u);
  EXPECT_EQ(Shown.Events[0].Text, "Lights off");
  EXPECT_EQ(Shown.Events[1].Duration, 5);
  EXPECT_TRUE(DescribeAnnotations(P, 0).Rows.empty());
  EXPECT_EQ(DescribeAnnotations(P, 3).Damage.substr(0, 39),
            "1 damaged annotation list in signal 4, ");

  // Copied rows stay one line each.
  const std::vector<TAnnotationRow> Rows = {{"a", "1", "two\tcells"}, {"b", "", "two\r\nlines"}};
  EXPECT_EQ(AnnotationRowsText(Rows, {}),
            "Onset\tDuration (s)\tText\na\t1\ttwo cells\nb\t\ttwo  lines\n");
}

TEST(AnnotationView, TheSampleListsItsAnnotationsAndMarksThemAboveTheSignals) {
  SetCommandLine(std::vector<std::string>{"velastrin"});
  TRecordingDialogs Boxes;
  TForm1 Form;
  Form.resize(700, 640);
  Form.EditSignal1()->setText(QStringLiteral(VELASTRIN_SAMPLE));
  TSignalPreview& Preview = *Form.SignalPreview();
  Form.RzSpinEdit1()->setValue(7);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Preview.AnnotationsBusy() && !Preview.Busy(); }));
  const TAnnotationList& List = *Preview.AnnotationList();
  EXPECT_FALSE(List.isHidden());
  EXPECT_EQ(List.SummaryLabel()->text().toStdString(), "12 annotations, EDF+C");
  EXPECT_TRUE(List.DamageLabel()->isHidden());
  const std::vector<TAnnotationRow>& Rows = List.Model().Rows();
  ASSERT_EQ(Rows.size(), 12u);
  EXPECT_EQ(List.Table()->model()->rowCount(), 12);
  EXPECT_EQ(Rows.front(), (TAnnotationRow{"2026-12-07 22:30:00", "", "Lights off"}));
  EXPECT_EQ(Rows[5], (TAnnotationRow{"2026-12-07 22:32:00", "30", "Sleep stage N1"}));
  EXPECT_EQ(Rows.back().Text, "Lights on");
  EXPECT_EQ(List.Table()->editTriggers(), QAbstractItemView::NoEditTriggers);

  // Ctrl+C on the table copies the selected rows, not the current cell.
  List.Table()->selectRow(5);
  QKeyEvent Copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
  QApplication::sendEvent(List.Table(), &Copy);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "Onset\tDuration (s)\tText\n2026-12-07 22:32:00\t30\tSleep stage N1\n");

  // An ordinary signal: the table gives way to the plot with the hypnogram and the events.
  Form.RzSpinEdit1()->setValue(1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Preview.AnnotationsBusy() && !Preview.Busy(); }));
  EXPECT_TRUE(List.isHidden());
  ASSERT_FALSE(Preview.StageStrip().isEmpty());
  ASSERT_FALSE(Preview.EventLane().isEmpty());
  EXPECT_LT(Preview.EventLane().bottom(), Preview.PlotArea().top());
  const QRect Plot = Preview.PlotArea();
  EXPECT_EQ(Preview.MarksText(Plot.left()).toStdString(), "stage W; Lights off");
  EXPECT_EQ(Preview.MarksText(Plot.left() + Plot.width() / 2).toStdString(), "stage N2");
  EXPECT_NE(Preview.HoverText(Plot.right()).toStdString().find("Lights on"), std::string::npos);
}

// 4 samples of 100 and an annotation list per record of 1 s; Onsets gives each record's
// time-keeping onset, Lists what follows it.
std::string PlusDFile(const std::vector<std::string>& Onsets,
                      const std::vector<std::string>& Lists) {
  test::TTestEDF Edf;
  Edf.Reserved = "EDF+D";
  Edf.Signals = {test::TTestSignal{}, test::AnnotationTestSignal()};
  Edf.Records = static_cast<int64_t>(Onsets.size());
  std::string Bytes = Edf.Header();
  for (std::size_t r = 0; r < Onsets.size(); ++r) {
    Bytes += std::string("\x64\x00\x64\x00\x64\x00\x64\x00", 8);
    std::string List = "+" + Onsets[r] + "\x14\x14" + std::string(1, '\0') + Lists[r];
    List.resize(20, '\0');
    Bytes += List;
  }
  return Bytes;
}

TEST(AnnotationView, GapsBreakThePlotAndDamageIsNamed) {
  using namespace std::string_literals;
  TTempDir Dir;
  TRecordingDialogs Boxes;
  // Records at 0, 1, then 6 and 7 seconds: one gap of 4 s. Record 4's second list is cut.
  const std::string Name = Dir.Write(
      "gap.edf", PlusDFile({"0", "1", "6", "7"}, {"+1\x14Spike\x14\0"s, "", "", "+7\024Cut"}));
  TSignalPreview Preview;
  Preview.resize(500, 260);
  Preview.ShowSignal(Name, 0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Preview.AnnotationsBusy() && !Preview.Busy(); }));
  ASSERT_NE(Preview.Annotations(), nullptr);
  EXPECT_EQ(Preview.Annotations()->Runs, (std::vector<TRecordRun>{{0, 2, 0}, {2, 4, 6}}));
  const QRect Plot = Preview.PlotArea();
  auto XAt = [&](double Seconds) {
    return Plot.left() + static_cast<int>(Seconds / 8 * (Plot.width() - 1));
  };
  EXPECT_NE(Preview.HoverText(XAt(4)).toStdString().find("no recording"), std::string::npos);
  EXPECT_EQ(Preview.HoverText(XAt(6.5)).toStdString().substr(0, 8), "10:20:36");
  EXPECT_NE(Preview.HoverText(XAt(1)).toStdString().find("Spike"), std::string::npos);
  QImage Image(Preview.size(), QImage::Format_RGB32);
  Preview.render(&Image);
  const QColor Trace(0, 70, 170);
  auto Inked = [&](int X) {
    for (int Y = Plot.top() + 1; Y < Plot.bottom(); ++Y)
      if (Image.pixelColor(X, Y) == Trace)
        return true;
    return false;
  };
  EXPECT_TRUE(Inked(XAt(1)));
  EXPECT_FALSE(Inked(XAt(4)));
  EXPECT_TRUE(Inked(XAt(7)));

  Preview.ShowSignal(Name, 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Preview.AnnotationsBusy(); }));
  const TAnnotationList& List = *Preview.AnnotationList();
  EXPECT_EQ(List.SummaryLabel()->text().toStdString(), "1 annotation, EDF+D, 1 gap");
  EXPECT_FALSE(List.DamageLabel()->isHidden());
  EXPECT_EQ(List.DamageLabel()->text().toStdString().substr(0, 48),
            "1 damaged annotation list in signal 2, record 4,");
}

} // namespace
} // namespace velastrin
