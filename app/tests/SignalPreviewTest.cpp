// The signal preview below the main window's controls: the plot drawn into an image, the time
// and value under the mouse, following the file and the signal number, a file changed while a
// preview is computed, and files dropped on the window.
#include "app/SignalPreview.h"
#include "app/FileDrop.h"
#include "app/Main.h"
#include "app/tests/AppTestSupport.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QThreadPool>
#include <QUrl>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>

namespace velastrin {
namespace {

using namespace velastrin::testing;

// Processes events until Done holds or five seconds pass.
bool WaitFor(const std::function<bool()>& Done) {
  QElapsedTimer Timer;
  Timer.start();
  while (!Done()) {
    if (Timer.elapsed() > 5000)
      return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

bool Idle(const TSignalPreview& Preview) {
  return !Preview.Busy();
}

// 100 one-second records of 10 samples, gain 1 (so values read as digits): -1000 for the first
// half, 1000 up to 90 s, then Digimax (clipped) to the end.
TEdfFixture StepFixture(long double Physimin = -2048, long double Physimax = 2047) {
  TEdfFixture Fixture;
  Fixture.Records = 100;
  TSignalFixture Step;
  Step.Label = "Step";
  Step.Physimin = Physimin;
  Step.Physimax = Physimax;
  Step.Digimin = -2048;
  Step.Digimax = 2047;
  Step.NrSamples = 10;
  Step.Value = [](int64_t r, int32_t) {
    return static_cast<int16_t>(r < 50 ? -1000 : r < 90 ? 1000 : 2047);
  };
  TSignalFixture Other = Step;
  Other.Label = "Other";
  Other.NrSamples = 3;
  Other.Value = [](int64_t, int32_t) { return static_cast<int16_t>(5); };
  Fixture.Signals = {Other, Step};
  return Fixture;
}

class SignalPreviewTest : public ::testing::Test {
protected:
  void SetUp() override { SetCommandLine(std::vector<std::string>{"velastrin"}); }

  TTempDir Dir;
  TRecordingDialogs Boxes;
};

// Where in a pixel column of the image the plot has pixels of one colour, as fractions of
// the plot height from the bottom (0) to the top (1).
struct TColumnInk {
  bool Any = false;
  double Lowest = 2;
  double Highest = -1;
};

TColumnInk InkAt(const QImage& Image, const QRect& Plot, int X, const QColor& Colour) {
  TColumnInk Ink;
  for (int Y = Plot.top() + 1; Y < Plot.bottom(); ++Y)
    if (Image.pixelColor(X, Y) == Colour) {
      const double Height = static_cast<double>(Plot.bottom() - Y) / (Plot.height() - 1);
      Ink.Any = true;
      Ink.Lowest = std::min(Ink.Lowest, Height);
      Ink.Highest = std::max(Ink.Highest, Height);
    }
  return Ink;
}

bool HasColour(const QImage& Image, int X, int Top, int Bottom, const QColor& Colour) {
  for (int Y = Top; Y <= Bottom; ++Y)
    if (Image.pixelColor(X, Y) == Colour)
      return true;
  return false;
}

TEST_F(SignalPreviewTest, PlotShowsTheTraceWhereTheSignalIsAndMarksClipping) {
  const std::string Name = Dir.File("step.edf");
  WriteEdf(Name, StepFixture());
  TSignalPreview Preview;
  Preview.resize(482, 220);
  Preview.ShowSignal(Name, 1);
  ASSERT_TRUE(WaitFor([&] { return Idle(Preview); }));
  ASSERT_NE(Preview.Envelope(), nullptr);
  EXPECT_TRUE(Preview.Message().isEmpty()) << Preview.Message().toStdString();

  QImage Image(Preview.size(), QImage::Format_RGB32);
  Preview.render(&Image);
  const QRect Plot = Preview.PlotArea();
  const QColor Trace(0, 70, 170);
  const QColor Clipped(220, 0, 0);
  auto XAt = [&](double Fraction) {
    return Plot.left() + static_cast<int>(Fraction * (Plot.width() - 1));
  };
  // -1000 lies near the bottom of the range -1000..2047, 1000 about two thirds up, Digimax at
  // the top; nothing else of the column is ink.
  const TColumnInk Low = InkAt(Image, Plot, XAt(0.25), Trace);
  ASSERT_TRUE(Low.Any);
  EXPECT_LT(Low.Highest, 0.1);
  const TColumnInk Middle = InkAt(Image, Plot, XAt(0.70), Trace);
  ASSERT_TRUE(Middle.Any);
  EXPECT_GT(Middle.Lowest, 0.55);
  EXPECT_LT(Middle.Highest, 0.75);
  EXPECT_FALSE(InkAt(Image, Plot, XAt(0.95), Trace).Any);
  const TColumnInk Top = InkAt(Image, Plot, XAt(0.95), Clipped);
  ASSERT_TRUE(Top.Any);
  EXPECT_GT(Top.Lowest, 0.9);
  // The clipping mark above the plot, only over the clipped stretch.
  EXPECT_TRUE(HasColour(Image, XAt(0.95), 0, Plot.top() - 1, Clipped));
  EXPECT_FALSE(HasColour(Image, XAt(0.70), 0, Image.height() - 1, Clipped));
  EXPECT_FALSE(HasColour(Image, XAt(0.25), 0, Image.height() - 1, Clipped));
  EXPECT_FALSE(HasColour(Image, XAt(0.95), Plot.bottom() + 1, Image.height() - 1, Clipped));
}

TEST_F(SignalPreviewTest, HoverGivesClockTimeAndPhysicalValue) {
  const std::string Name = Dir.File("step.edf");
  // Physical 0..4095 over digital -2048..2047: the value is the digital one plus 2048.
  WriteEdf(Name, StepFixture(0, 4095));
  TSignalPreview Preview;
  Preview.resize(482, 220);
  Preview.ShowSignal(Name, 1);
  ASSERT_TRUE(WaitFor([&] { return Idle(Preview); }));
  const QRect Plot = Preview.PlotArea();
  // The fixture starts at 13:45:07.
  EXPECT_EQ(Preview.HoverText(Plot.left()).toStdString(), "13:45:07.000   1048 uV");
  const std::string End = Preview.HoverText(Plot.right()).toStdString();
  EXPECT_EQ(End.substr(0, 6), "13:46:") << End;
  EXPECT_NE(End.find("4095 uV   clipped"), std::string::npos) << End;
  EXPECT_TRUE(Preview.HoverText(Plot.left() - 1).isEmpty());
  EXPECT_TRUE(Preview.HoverText(Plot.right() + 1).isEmpty());
}

TEST_F(SignalPreviewTest, WithoutGainTheValuesAreDigital) {
  const std::string Name = Dir.File("flat.edf");
  // Equal physical limits leave the gain undefined; the file is still read.
  WriteEdf(Name, StepFixture(7, 7));
  TSignalPreview Preview;
  Preview.resize(482, 220);
  Preview.ShowSignal(Name, 1);
  ASSERT_TRUE(WaitFor([&] { return Idle(Preview); }));
  ASSERT_NE(Preview.Envelope(), nullptr);
  EXPECT_FALSE(Preview.Envelope()->GainValid);
  EXPECT_EQ(Preview.HoverText(Preview.PlotArea().left()).toStdString(), "13:45:07.000   -1000");
}

TEST_F(SignalPreviewTest, AnUnreadableSignalSaysWhy) {
  const std::string Name = Dir.File("short.edf");
  WriteEdf(Name, StepFixture());
  TSignalPreview Preview;
  Preview.ShowSignal(Name, 5);
  ASSERT_TRUE(WaitFor([&] { return Idle(Preview); }));
  EXPECT_EQ(Preview.Envelope(), nullptr);
  EXPECT_EQ(Preview.Message().toStdString(), "No preview: List index out of bounds (5)");
}

TEST_F(SignalPreviewTest, AnAnnotationSignalIsNotPlotted) {
  // edflib writes two signals and the EDF+ annotation signal as the third.
  const std::string Name = Dir.File("plus.edf");
  WriteEdflibFile(Name);
  TSignalPreview Preview;
  Preview.ShowSignal(Name, 2);
  ASSERT_TRUE(WaitFor([&] { return Idle(Preview); }));
  ASSERT_NE(Preview.Envelope(), nullptr);
  EXPECT_TRUE(Preview.Envelope()->Annotations);
  EXPECT_TRUE(Preview.Envelope()->Columns.empty());
  EXPECT_EQ(Preview.Message().toStdString(), "EDF+ annotations: text, no samples to plot");
  // The ordinary signal of the same file is plotted.
  Preview.ShowSignal(Name, 1);
  ASSERT_TRUE(WaitFor([&] { return Idle(Preview); }));
  ASSERT_NE(Preview.Envelope(), nullptr);
  EXPECT_FALSE(Preview.Envelope()->Annotations);
  EXPECT_EQ(Preview.Envelope()->Columns.size(), 12u); // 4 samples a second, 3 records
}

TEST_F(SignalPreviewTest, FollowsTheFileAndTheSignalNumber) {
  const std::string Name = Dir.File("three.edf");
  WriteEdf(Name, ThreeSignalFixture(5));
  TForm1 Form;
  TSignalPreview& Preview = *Form.SignalPreview();
  EXPECT_EQ(Preview.SignalIndex(), -1);
  Form.EditSignal1()->setText(QString::fromStdString(Name));
  EXPECT_EQ(Preview.FileName(), Name);
  EXPECT_EQ(Preview.SignalIndex(), 0);
  ASSERT_TRUE(WaitFor([&] { return Idle(Preview); }));
  ASSERT_NE(Preview.Envelope(), nullptr);
  EXPECT_EQ(Preview.Envelope()->Label, "EEG Fpz-Cz");

  Form.RzSpinEdit1()->setValue(3);
  EXPECT_EQ(Preview.SignalIndex(), 2);
  ASSERT_TRUE(WaitFor([&] { return Idle(Preview); }));
  ASSERT_NE(Preview.Envelope(), nullptr);
  EXPECT_EQ(Preview.Envelope()->Label, "EMG submental");
  EXPECT_EQ(Preview.Envelope()->SampleCount, 5);

  // A name that is no valid file clears the plot.
  Form.EditSignal1()->setText(QString::fromStdString(Name + ".missing"));
  EXPECT_EQ(Preview.SignalIndex(), -1);
  EXPECT_EQ(Preview.Envelope(), nullptr);
  EXPECT_FALSE(Preview.Busy());
}

TEST_F(SignalPreviewTest, AFileChangedWhileComputingNeverShowsTheOldResult) {
  const std::string First = Dir.File("first.edf");
  const std::string Second = Dir.File("second.edf");
  WriteEdf(First, StepFixture());
  WriteEdf(Second, ThreeSignalFixture(4));
  TForm1 Form;
  TSignalPreview& Preview = *Form.SignalPreview();
  // The first file's envelope is held on the worker until the second one is shown.
  std::promise<void> Release;
  std::shared_future<void> Released = Release.get_future().share();
  std::atomic<bool> FirstComputed = false;
  std::atomic<bool> FirstReturned = false;
  Preview.SetComputedHook([&, Released](const std::string& FileName, int32_t) {
    if (FileName != First)
      return;
    FirstComputed = true;
    Released.wait();
    FirstReturned = true;
  });
  Form.EditSignal1()->setText(QString::fromStdString(First));
  ASSERT_TRUE(WaitFor([&] { return FirstComputed.load(); }));
  EXPECT_TRUE(Preview.Busy());
  EXPECT_EQ(Preview.Envelope(), nullptr);

  Form.EditSignal1()->setText(QString::fromStdString(Second));
  ASSERT_TRUE(WaitFor([&] { return Idle(Preview); }));
  ASSERT_NE(Preview.Envelope(), nullptr);
  EXPECT_EQ(Preview.Envelope()->SampleCount, 16); // 4 records of 4 samples

  Release.set_value();
  ASSERT_TRUE(WaitFor([&] { return FirstReturned.load(); }));
  QThreadPool::globalInstance()->waitForDone();
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(Preview.FileName(), Second);
  ASSERT_NE(Preview.Envelope(), nullptr);
  EXPECT_EQ(Preview.Envelope()->SampleCount, 16);
  EXPECT_EQ(Preview.Envelope()->Label, "EEG Fpz-Cz");
}

TEST_F(SignalPreviewTest, ABatchRunReadsNoPreview) {
  const std::string Name = Dir.File("three.edf");
  WriteEdf(Name, ThreeSignalFixture(2));
  for (const char* Batch : {"/BATCH", "-batch"}) {
    SetCommandLine(std::vector<std::string>{"velastrin", Name, "2", Batch});
    TForm1 Form;
    EXPECT_EQ(Form.SignalList().size(), 3u) << Batch;
    EXPECT_EQ(Form.SignalPreview()->SignalIndex(), -1) << Batch;
    EXPECT_FALSE(Form.SignalPreview()->Busy()) << Batch;
  }
  // Without the switch the same command line shows the signal.
  SetCommandLine(std::vector<std::string>{"velastrin", Name, "2"});
  TForm1 Form;
  EXPECT_EQ(Form.SignalPreview()->FileName(), Name);
  EXPECT_EQ(Form.SignalPreview()->SignalIndex(), 1);
}

TEST_F(SignalPreviewTest, SitsBelowTheControlsAndGrowsWithTheWindow) {
  TForm1 Form;
  EXPECT_LT(Form.minimumSize().height(), Form.maximumSize().height());
  Form.resize(900, 700);
  Form.show();
  ASSERT_TRUE(WaitFor([&] { return Form.SignalPreview()->width() > 482; }));
  QWidget* Controls = Form.GroupBox1()->parentWidget();
  EXPECT_EQ(Controls->size(), QSize(482, 270));
  EXPECT_EQ(Controls->pos(), QPoint(0, 0));
  EXPECT_GE(Form.SignalPreview()->y(), 270);
  EXPECT_EQ(Form.SignalPreview()->width(), Form.centralWidget()->width());
  EXPECT_GT(Form.SignalPreview()->height(), 300);
}

// ---- Dropping files ------------------------------------------------------------------------

struct TDropCase {
  const char* Name;
  std::function<void(QMimeData&, const std::string& File)> Fill;
  bool Accepted;
  std::string FileName = "dropped night.edf";
};

// A file address that carries every byte of the name.
QUrl FileUrl(const std::string& File) {
  return QUrl::fromEncoded("file://" + QByteArray::fromStdString(File).toPercentEncoding("/"));
}

class FileDropTest : public SignalPreviewTest, public ::testing::WithParamInterface<TDropCase> {};

// Drags Data over Target and drops it; returns whether the drop was taken.
bool Drop(QWidget* Target, QMimeData& Data) {
  const QPoint At(5, 5);
  QDragEnterEvent Enter(At, Qt::CopyAction | Qt::MoveAction, &Data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Target, &Enter);
  QDropEvent Dropped(QPointF(At), Qt::CopyAction | Qt::MoveAction, &Data, Qt::LeftButton,
                     Qt::NoModifier);
  QApplication::sendEvent(Target, &Dropped);
  return Enter.isAccepted() && Dropped.isAccepted();
}

TEST_P(FileDropTest, AFileDroppedOnTheWindowBecomesTheInputName) {
  const std::string Name = Dir.File(GetParam().FileName);
  WriteEdf(Name, ThreeSignalFixture(2));
  for (const bool OnTheEdit : {false, true}) {
    TForm1 Form;
    Form.EditSignal1()->setText(QStringLiteral("typed"));
    QMimeData Data;
    GetParam().Fill(Data, Name);
    QWidget* Target = OnTheEdit ? static_cast<QWidget*>(Form.EditSignal1()) : &Form;
    EXPECT_EQ(Drop(Target, Data), GetParam().Accepted) << (OnTheEdit ? "edit" : "window");
    if (GetParam().Accepted) {
      // The whole name replaced, and examined as when typed.
      EXPECT_EQ(Form.EditSignal1()->text(), QFile::decodeName(QByteArray::fromStdString(Name)));
      EXPECT_EQ(Form.SignalList().size(), 3u);
      EXPECT_TRUE(Form.BtnExport()->isEnabled());
      EXPECT_EQ(Form.SignalPreview()->FileName(), Name);
    } else {
      EXPECT_EQ(Form.EditSignal1()->text().toStdString(), "typed");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Drops, FileDropTest,
    ::testing::Values(
        TDropCase{"OneFile",
                  [](QMimeData& Data, const std::string& File) {
                    Data.setUrls({QUrl::fromLocalFile(QString::fromStdString(File))});
                  },
                  true},
        // File managers add the name as text too; it must not be typed into the edit.
        TDropCase{"OneFileWithText",
                  [](QMimeData& Data, const std::string& File) {
                    Data.setUrls({QUrl::fromLocalFile(QString::fromStdString(File))});
                    Data.setText(QString::fromStdString(File));
                  },
                  true},
        // A name is bytes: one that is not UTF-8 still names its file.
        TDropCase{"NameNotUtf8",
                  [](QMimeData& Data, const std::string& File) { Data.setUrls({FileUrl(File)}); },
                  true, "night\xE9.edf"},
        TDropCase{"TwoFiles",
                  [](QMimeData& Data, const std::string& File) {
                    Data.setUrls({QUrl::fromLocalFile(QString::fromStdString(File)),
                                  QUrl::fromLocalFile(QString::fromStdString(File))});
                  },
                  false},
        TDropCase{"WebAddress",
                  [](QMimeData& Data, const std::string&) {
                    Data.setUrls({QUrl(QStringLiteral("https://example.org/night.edf"))});
                  },
                  false}),
    [](const ::testing::TestParamInfo<TDropCase>& Info) { return Info.param.Name; });

} // namespace
} // namespace velastrin
