#include "app/SignalPreview.h"

#include "app/AnnotationList.h"
#include "edf/uEDFPlus.h"
#include "support/uSysUtils.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTime>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace velastrin {

namespace {

constexpr int MarginLeft = 60;
constexpr int MarginRight = 10;
constexpr int MarginTop = 20;
constexpr int MarginBottom = 22;
// The clipping marks stand this far outside the plot, above for Digimax, below for Digimin.
constexpr int ClipMarkGap = 2;
constexpr int ClipMarkHeight = 3;
// Time labels stand at least this far apart.
constexpr int TimeLabelSpacing = 90;
// Above the plot: the hypnogram, a row per stage from W down to N3, then the lane of events.
constexpr int StageRows = 5;
constexpr int StageRowHeight = 10;
constexpr int EventLaneHeight = 10;
// Below each of them, so that the clipping marks above the plot stay clear.
constexpr int MarkGap = ClipMarkGap + ClipMarkHeight + 2;
// An event within this many pixels of the mouse is named.
constexpr int HoverReach = 2;
constexpr std::size_t HoverEvents = 3;

const QColor TraceColour(0, 70, 170);
const QColor ClippedColour(220, 0, 0);
const QColor GridColour(225, 225, 225);
const QColor GapColour(170, 170, 170);
const QColor EventColour(200, 90, 0);
const QColor EventBandColour(255, 214, 160);
const QColor UnscoredColour(230, 230, 230);

constexpr double SecondsPerDay = 86400;

const QString NoPreview = QStringLiteral("No preview: ");

// Clock time of day, SecondsOfDay past midnight, with milliseconds when Fraction.
QString ClockText(double SecondsOfDay, bool Fraction) {
  double Seconds = std::fmod(SecondsOfDay, SecondsPerDay);
  if (Seconds < 0)
    Seconds += SecondsPerDay;
  const auto Milliseconds = static_cast<int>(std::llround(Seconds * 1000)) % 86400000;
  return QTime::fromMSecsSinceStartOfDay(Milliseconds)
      .toString(Fraction ? QStringLiteral("hh:mm:ss.zzz") : QStringLiteral("hh:mm:ss"));
}

QString ValueText(double Value) {
  return QString::number(Value, 'g', 5);
}

// The distance between two time labels: a step a clock reader knows, at least MinSeconds.
double TimeStep(double MinSeconds) {
  static constexpr double Steps[] = {0.1,  0.2,  0.5,  1,     2,     5,     10,
                                     15,   30,   60,   120,   300,   600,   900,
                                     1800, 3600, 7200, 10800, 21600, 43200, 86400};
  for (const double Step : Steps)
    if (Step >= MinSeconds)
      return Step;
  return std::ceil(MinSeconds / SecondsPerDay) * SecondsPerDay;
}

// The hypnogram's row of a stage, from the top; Movement and Unscored have none.
int StageRow(TSleepStage Stage) {
  switch (Stage) {
  case TSleepStage::Wake:
    return 0;
  case TSleepStage::REM:
    return 1;
  case TSleepStage::N1:
    return 2;
  case TSleepStage::N2:
    return 3;
  case TSleepStage::N3:
    return 4;
  case TSleepStage::Movement:
  case TSleepStage::Unscored:
    break;
  }
  return -1;
}

QColor StageColour(TSleepStage Stage) {
  switch (Stage) {
  case TSleepStage::Wake:
    return {230, 160, 40};
  case TSleepStage::REM:
    return {200, 40, 40};
  case TSleepStage::N1:
    return {120, 180, 230};
  case TSleepStage::N2:
    return {50, 110, 200};
  case TSleepStage::N3:
    return {20, 40, 130};
  case TSleepStage::Movement:
  case TSleepStage::Unscored:
    break;
  }
  return UnscoredColour;
}

// A strip under the plot (hypnogram, events): white inside a grey frame, drawn first so that
// marks at either end stay visible, and its row names in the left margin in a font a row fits.
void DrawStripFrame(QPainter& Painter, const QRect& Strip, const QColor& TextColour,
                    const std::vector<std::pair<QRect, QString>>& Names) {
  Painter.fillRect(Strip, Qt::white);
  Painter.setPen(QColor(160, 160, 160));
  Painter.drawRect(Strip.adjusted(0, 0, -1, -1));
  QFont Small = Painter.font();
  Small.setPixelSize(StageRowHeight - 1);
  Painter.save();
  Painter.setFont(Small);
  Painter.setPen(TextColour);
  for (const auto& [Box, Name] : Names)
    Painter.drawText(Box, Qt::AlignRight | Qt::AlignVCenter, Name);
  Painter.restore();
}

} // namespace

TSignalPreview::TSignalPreview(QWidget* Parent) : QWidget(Parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  FList = new TAnnotationList(this);
  FList->hide();
}

TSignalPreview::~TSignalPreview() {
  Cancel();
}

void TSignalPreview::resizeEvent(QResizeEvent* Event) {
  QWidget::resizeEvent(Event);
  FList->setGeometry(rect());
}

QSize TSignalPreview::sizeHint() const {
  return {482, 220};
}

QSize TSignalPreview::minimumSizeHint() const {
  return {240, 120};
}

void TSignalPreview::ShowSignal(const std::string& FileName, int32_t SignalIndex) {
  if (FileName == FFileName && SignalIndex == FSignalIndex)
    return;
  FFileName = FileName;
  FSignalIndex = SignalIndex;
  Start();
}

void TSignalPreview::Clear() {
  Cancel();
  FFileName.clear();
  FSignalIndex = -1;
  FEnvelope.reset();
  FMessage.clear();
  FAnnotations.reset();
  FAnnotationSignal = false;
  FList->hide();
  update();
}

void TSignalPreview::Cancel() {
  CancelAnnotations();
  FStop.request_stop();
  if (FWatcher) {
    // The computation may still end, but nobody hears of it: no stale envelope can arrive.
    FWatcher->disconnect(this);
    FWatcher->deleteLater();
    FWatcher = nullptr;
  }
  FBusy = false;
}

void TSignalPreview::Start() {
  Cancel();
  FEnvelope.reset();
  StartAnnotations();
  // The header is read here: reading it looks at the process-wide format settings, which
  // this thread may change. The worker only reads data records.
  std::shared_ptr<TEnvelopeReader> Reader;
  try {
    Reader = std::make_shared<TEnvelopeReader>(FFileName, FSignalIndex);
  } catch (const std::exception& Error) {
    FMessage = NoPreview + QString::fromStdString(Error.what());
  } catch (...) {
    FMessage = NoPreview + QStringLiteral("Unknown error");
  }
  if (!Reader) {
    update();
    emit Finished();
    return;
  }
  FMessage = QStringLiteral("Reading signal...");
  FBusy = true;
  FStop = std::stop_source();
  FWatcher = new QFutureWatcher<TOutcome>(this);
  connect(FWatcher, &QFutureWatcherBase::finished, this, &TSignalPreview::Delivered);
  // The task holds copies only: it may outlive this widget.
  FWatcher->setFuture(QtConcurrent::run([Reader, Name = FFileName, Index = FSignalIndex,
                                         Stop = FStop.get_token(), Hook = FComputedHook] {
    TOutcome Outcome;
    try {
      Outcome.Envelope = Reader->Compute(EnvelopeColumns, Stop);
    } catch (const std::exception& Error) {
      Outcome.Error = Error.what();
    } catch (...) {
      Outcome.Error = "Unknown error";
    }
    if (Hook)
      Hook(Name, Index);
    return Outcome;
  }));
  update();
}

void TSignalPreview::Delivered() {
  TOutcome Outcome = FWatcher->result();
  FWatcher->deleteLater();
  FWatcher = nullptr;
  FBusy = false;
  FEnvelope = std::move(Outcome.Envelope);
  if (!Outcome.Error.empty())
    FMessage = NoPreview + QString::fromStdString(Outcome.Error);
  else if (FEnvelope && FEnvelope->Annotations)
    FMessage = QStringLiteral("EDF+ annotations: text, no samples to plot");
  else if (FEnvelope && FEnvelope->Columns.empty())
    FMessage = QStringLiteral("The signal holds no samples");
  else
    FMessage.clear();
  update();
  emit Finished();
}

void TSignalPreview::CancelAnnotations() {
  FAnnotationStop.request_stop();
  if (FAnnotationWatcher) {
    FAnnotationWatcher->disconnect(this);
    FAnnotationWatcher->deleteLater();
    FAnnotationWatcher = nullptr;
  }
}

void TSignalPreview::StartAnnotations() {
  FAnnotations.reset();
  // The header here, as for the envelope; the worker reads the data records.
  std::shared_ptr<const TEDFPlusReader> Reader;
  try {
    Reader = std::make_shared<const TEDFPlusReader>(FFileName);
  } catch (...) {
    // The envelope's reader names what is wrong with the file.
  }
  FAnnotationSignal = Reader && Reader->Header().IsAnnotationSignal(FSignalIndex);
  FList->setVisible(FAnnotationSignal);
  if (!Reader || Reader->Header().AnnotationSignals.empty())
    return;
  if (!Reader->Header().Readable) {
    FList->ShowMessage(QStringLiteral("No annotations: the file's records cannot be read"));
    return;
  }
  FList->ShowMessage(QStringLiteral("Reading annotations..."));
  FAnnotationStop = std::stop_source();
  FAnnotationWatcher = new QFutureWatcher<TAnnotationOutcome>(this);
  connect(FAnnotationWatcher, &QFutureWatcherBase::finished, this,
          &TSignalPreview::AnnotationsDelivered);
  FAnnotationWatcher->setFuture(
      QtConcurrent::run([Reader, Signal = FSignalIndex, Stop = FAnnotationStop.get_token()] {
        TAnnotationOutcome Outcome;
        try {
          if (std::optional<TEDFPlusRecording> Plus = Reader->Read(Stop))
            Outcome.Annotations = DescribeAnnotations(*Plus, Signal);
        } catch (const std::exception& Error) {
          Outcome.Error = Error.what();
        } catch (...) {
          Outcome.Error = "Unknown error";
        }
        return Outcome;
      }));
}

void TSignalPreview::AnnotationsDelivered() {
  TAnnotationOutcome Outcome = FAnnotationWatcher->result();
  FAnnotationWatcher->deleteLater();
  FAnnotationWatcher = nullptr;
  FAnnotations = std::move(Outcome.Annotations);
  if (FAnnotations)
    FList->Show(*FAnnotations);
  else
    FList->ShowMessage(QStringLiteral("No annotations: ") + QString::fromStdString(Outcome.Error));
  update();
  emit AnnotationsFinished();
}

bool TSignalPreview::ShowsStages() const {
  return FAnnotations && !FAnnotationSignal && !FAnnotations->Stages.empty();
}

bool TSignalPreview::ShowsEvents() const {
  return FAnnotations && !FAnnotationSignal && !FAnnotations->Events.empty();
}

QRect TSignalPreview::StageStrip() const {
  if (!ShowsStages())
    return {};
  return QRect(MarginLeft, MarginTop, std::max(1, width() - MarginLeft - MarginRight),
               StageRows * StageRowHeight);
}

QRect TSignalPreview::EventLane() const {
  if (!ShowsEvents())
    return {};
  const int Top = ShowsStages() ? StageStrip().bottom() + 1 + MarkGap : MarginTop;
  return QRect(MarginLeft, Top, std::max(1, width() - MarginLeft - MarginRight), EventLaneHeight);
}

QRect TSignalPreview::PlotArea() const {
  int Top = MarginTop;
  if (ShowsEvents())
    Top = EventLane().bottom() + 1 + MarkGap;
  else if (ShowsStages())
    Top = StageStrip().bottom() + 1 + MarkGap;
  return QRect(MarginLeft, Top, std::max(1, width() - MarginLeft - MarginRight),
               std::max(1, height() - Top - MarginBottom));
}

double TSignalPreview::Span() const {
  if (FAnnotations && (FAnnotations->Broken() || !FEnvelope))
    return FAnnotations->Seconds;
  return FEnvelope ? static_cast<double>(FEnvelope->Seconds) : 0.0;
}

double TSignalPreview::TimeAt(int X) const {
  const QRect Plot = PlotArea();
  return static_cast<double>(X - Plot.left()) / std::max(1, Plot.width() - 1) * Span();
}

int TSignalPreview::XAt(double Seconds) const {
  const QRect Plot = PlotArea();
  const double S = Span();
  return Plot.left() +
         static_cast<int>(std::lround(S > 0 ? Seconds / S * (Plot.width() - 1) : 0.0));
}

std::vector<TSignalPreview::TPlotRun> TSignalPreview::PlotRuns(int Width) const {
  const std::size_t N = FEnvelope->Columns.size();
  const TPlotRun Whole{0, Width, 0, N, 0.0};
  if (!FAnnotations || !FAnnotations->Broken() || FAnnotations->RecordDuration <= 0)
    return {Whole};
  const auto Records =
      static_cast<int64_t>(std::llround(FEnvelope->Seconds / FAnnotations->RecordDuration));
  const double Total = Span();
  if (Records <= 0 || Total <= 0 || FEnvelope->SampleCount <= 0)
    return {Whole};
  const auto S = static_cast<__int128>(FEnvelope->SampleCount);
  // The column that holds the first sample of Record; Up: the first column starting at or
  // after that sample.
  auto ColumnOf = [&](int64_t Record, bool Up) {
    const __int128 Sample = static_cast<__int128>(Record) * S / Records;
    const __int128 Scaled = Sample * static_cast<__int128>(N);
    return static_cast<std::size_t>(Up ? (Scaled + S - 1) / S : Scaled / S);
  };
  std::vector<TPlotRun> Runs;
  for (const TRecordRun& R : FAnnotations->Runs) {
    const int64_t First = std::min(R.FirstRecord, Records);
    const int64_t End = std::min(R.EndRecord, Records);
    if (End <= First)
      continue;
    const double Length = static_cast<double>(End - First) * FAnnotations->RecordDuration;
    TPlotRun Run;
    Run.X0 = std::clamp(static_cast<int>(std::floor(R.Begin / Total * Width)), 0, Width - 1);
    Run.X1 = std::clamp(static_cast<int>(std::floor((R.Begin + Length) / Total * Width)),
                        Run.X0 + 1, Width);
    Run.CBegin = std::min(ColumnOf(First, false), N - 1);
    Run.CEnd = std::clamp(ColumnOf(End, true), Run.CBegin + 1, N);
    Run.Offset = R.Begin - static_cast<double>(First) * FAnnotations->RecordDuration;
    Runs.push_back(Run);
  }
  return Runs;
}

std::pair<std::size_t, std::size_t> TSignalPreview::ColumnsAt(int X, const TPlotRun& Run) const {
  const std::size_t N = Run.CEnd - Run.CBegin;
  const auto W = static_cast<std::size_t>(Run.X1 - Run.X0);
  const std::size_t First = Run.CBegin + static_cast<std::size_t>(X) * N / W;
  const std::size_t End =
      std::max(First + 1, Run.CBegin + (static_cast<std::size_t>(X) + 1) * N / W);
  return {First, std::min(End, Run.CEnd)};
}

std::pair<double, double> TSignalPreview::ValueRange() const {
  double Low = std::numeric_limits<double>::max();
  double High = std::numeric_limits<double>::lowest();
  for (const TEnvelopeColumn& C : FEnvelope->Columns) {
    // A negative gain turns the digital order round.
    const double A = FEnvelope->Physical(C.Min);
    const double B = FEnvelope->Physical(C.Max);
    Low = std::min({Low, A, B});
    High = std::max({High, A, B});
  }
  if (High - Low <= std::abs(High) * 1e-12) {
    // A flat line sits in the middle.
    const double Half = std::max(1.0, std::abs(High) * 0.1);
    return {Low - Half, High + Half};
  }
  const double Pad = (High - Low) * 0.04;
  return {Low - Pad, High + Pad};
}

QString TSignalPreview::MarksText(int X) const {
  if (!FAnnotations || FAnnotationSignal)
    return {};
  const double At = TimeAt(X);
  QStringList Texts;
  if (ShowsStages()) {
    const std::vector<TStageSpan>& Stages = FAnnotations->Stages;
    const auto It = std::upper_bound(Stages.begin(), Stages.end(), At,
                                     [](double T, const TStageSpan& S) { return T < S.Begin; });
    if (It != Stages.begin() && std::prev(It)->End > At)
      Texts << QStringLiteral("stage ") +
                   QString::fromStdString(SleepStageName(std::prev(It)->Stage));
  }
  const double Reach = HoverReach * std::abs(TimeAt(X + 1) - At);
  std::size_t Found = 0;
  for (const TAnnotationMark& M : FAnnotations->Events)
    if (At >= M.Onset - Reach && At <= M.Onset + M.Duration + Reach && Found++ < HoverEvents)
      Texts << QString::fromStdString(M.Text);
  if (Found > HoverEvents)
    Texts << QStringLiteral("%1 more").arg(Found - HoverEvents);
  return Texts.join(QStringLiteral("; "));
}

QString TSignalPreview::HoverText(int X) const {
  const QRect Plot = PlotArea();
  if (!FEnvelope || FEnvelope->Columns.empty() || X < Plot.left() || X > Plot.right())
    return {};
  const QString Marks = MarksText(X);
  const QString MarksPart = Marks.isEmpty() ? QString() : QStringLiteral("   ") + Marks;
  const double StartOfDay =
      (FEnvelope->StartDateTime - std::floor(FEnvelope->StartDateTime)) * SecondsPerDay;
  const std::vector<TPlotRun> Runs = PlotRuns(Plot.width());
  const int PX = X - Plot.left();
  const auto Run = std::find_if(Runs.begin(), Runs.end(),
                                [PX](const TPlotRun& R) { return PX >= R.X0 && PX < R.X1; });
  if (Run == Runs.end())
    return ClockText(StartOfDay + TimeAt(X), Span() < 600) + QStringLiteral("   no recording") +
           MarksPart;
  const auto [First, End] = ColumnsAt(PX - Run->X0, *Run);
  int Min = std::numeric_limits<int>::max();
  int Max = std::numeric_limits<int>::min();
  bool Clipped = false;
  for (std::size_t c = First; c < End; ++c) {
    Min = std::min<int>(Min, FEnvelope->Columns[c].Min);
    Max = std::max<int>(Max, FEnvelope->Columns[c].Max);
    Clipped = Clipped || FEnvelope->Columns[c].Clipped();
  }
  const double Start =
      FEnvelope->SecondsAt(FEnvelope->FirstSample(static_cast<int64_t>(First))) + Run->Offset;
  double A = FEnvelope->Physical(Min);
  double B = FEnvelope->Physical(Max);
  if (A > B)
    std::swap(A, B);
  QString Text = ClockText(StartOfDay + Start, Span() < 600) + QStringLiteral("   ");
  Text += A == B ? ValueText(A) : ValueText(A) + QStringLiteral(" to ") + ValueText(B);
  if (FEnvelope->GainValid && !Trim(FEnvelope->Physidim).empty())
    Text += QStringLiteral(" ") + QString::fromStdString(Trim(FEnvelope->Physidim));
  if (Clipped)
    Text += QStringLiteral("   clipped");
  return Text + MarksPart;
}

void TSignalPreview::paintEvent(QPaintEvent* /*Event*/) {
  QPainter Painter(this);
  Painter.fillRect(rect(), palette().window());
  const QRect Plot = PlotArea();
  Painter.fillRect(Plot, Qt::white);

  const bool Drawable = FEnvelope && !FEnvelope->Columns.empty();
  if (Drawable) {
    const auto [Low, High] = ValueRange();
    DrawAxes(Painter, Plot, Low, High);
    DrawTrace(Painter, Plot, Low, High);
    DrawStages(Painter);
    DrawEvents(Painter);
    // Title: the signal and its unit.
    const std::string Unit = FEnvelope->GainValid ? Trim(FEnvelope->Physidim) : "digital";
    Painter.setPen(palette().windowText().color());
    Painter.drawText(
        QRect(Plot.left(), 0, Plot.width(), MarginTop - 3), Qt::AlignLeft | Qt::AlignBottom,
        QString::fromStdString(Trim(FEnvelope->Label)) +
            (Unit.empty() ? QString() : QStringLiteral(" (%1)").arg(QString::fromStdString(Unit))));
    const QString Hover = FHoverX >= 0 ? HoverText(FHoverX) : QString();
    if (!Hover.isEmpty()) {
      Painter.setPen(QColor(120, 120, 120));
      Painter.drawLine(FHoverX, MarginTop, FHoverX, Plot.bottom());
      Painter.setPen(palette().windowText().color());
      Painter.drawText(QRect(Plot.left(), 0, Plot.width(), MarginTop - 3),
                       Qt::AlignRight | Qt::AlignBottom,
                       Painter.fontMetrics().elidedText(Hover, Qt::ElideRight, Plot.width()));
    }
  }
  Painter.setPen(QColor(160, 160, 160));
  Painter.drawRect(Plot.adjusted(0, 0, -1, -1));
  const QString Text = Drawable ? QString() : FMessage;
  if (!Text.isEmpty()) {
    Painter.setPen(QColor(100, 100, 100));
    Painter.drawText(Plot.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, Text);
  }
}

void TSignalPreview::DrawAxes(QPainter& Painter, const QRect& Plot, double Low, double High) const {
  const QColor Text = palette().windowText().color();
  const QFontMetrics Metrics = Painter.fontMetrics();
  // Values at round steps of 1, 2 or 5 times a power of ten, three to five of them.
  const double Raw = (High - Low) / 4;
  const double Magnitude = std::pow(10.0, std::floor(std::log10(Raw)));
  const double Normal = Raw / Magnitude;
  const double Step = (Normal <= 1 ? 1 : Normal <= 2 ? 2 : Normal <= 5 ? 5 : 10) * Magnitude;
  for (double Value = std::ceil(Low / Step) * Step; Value <= High; Value += Step) {
    const double Shown = std::abs(Value) < Step * 1e-9 ? 0.0 : Value;
    const int Y = Plot.bottom() -
                  static_cast<int>(std::lround((Shown - Low) / (High - Low) * (Plot.height() - 1)));
    Painter.setPen(GridColour);
    Painter.drawLine(Plot.left(), Y, Plot.right(), Y);
    Painter.setPen(Text);
    Painter.drawText(QRect(0, Y - Metrics.height() / 2, MarginLeft - 4, Metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, ValueText(Shown));
  }
  // Clock time, at whole steps of the clock.
  const double Seconds = Span();
  if (Seconds <= 0)
    return;
  const double TimeStepSeconds = TimeStep(Seconds * TimeLabelSpacing / std::max(1, Plot.width()));
  const double StartOfDay =
      (FEnvelope->StartDateTime - std::floor(FEnvelope->StartDateTime)) * SecondsPerDay;
  const double FirstTick =
      std::ceil(StartOfDay / TimeStepSeconds - 1e-9) * TimeStepSeconds - StartOfDay;
  for (double T = FirstTick; T <= Seconds + 1e-9; T += TimeStepSeconds) {
    const int X = Plot.left() + static_cast<int>(std::lround(T / Seconds * (Plot.width() - 1)));
    Painter.setPen(GridColour);
    Painter.drawLine(X, Plot.top(), X, Plot.bottom());
    Painter.setPen(Text);
    const QString Label = ClockText(StartOfDay + T, TimeStepSeconds < 1);
    const int LabelWidth = Metrics.horizontalAdvance(Label);
    const int Left = std::clamp(X - LabelWidth / 2, 0, std::max(0, width() - LabelWidth));
    Painter.drawText(
        QPoint(Left, Plot.bottom() + ClipMarkGap + ClipMarkHeight + 2 + Metrics.ascent()), Label);
  }
}

void TSignalPreview::DrawTrace(QPainter& Painter, const QRect& Plot, double Low,
                               double High) const {
  const std::vector<TPlotRun> Runs = PlotRuns(Plot.width());
  // What lies between the runs was not recorded: hatched, with no trace.
  int Covered = 0;
  auto Hatch = [&](int From, int To) {
    if (To > From)
      Painter.fillRect(Plot.left() + From, Plot.top() + 1, To - From, Plot.height() - 2,
                       QBrush(GapColour, Qt::BDiagPattern));
  };
  for (const TPlotRun& Run : Runs) {
    Hatch(Covered, Run.X0);
    Covered = std::max(Covered, Run.X1);
    DrawRun(Painter, Plot, Low, High, Run);
  }
  Hatch(Covered, Plot.width());
}

void TSignalPreview::DrawRun(QPainter& Painter, const QRect& Plot, double Low, double High,
                             const TPlotRun& Run) const {
  const double Scale = (Plot.height() - 1) / (High - Low);
  auto YOf = [&](double Value) {
    return Plot.bottom() - static_cast<int>(std::lround((Value - Low) * Scale));
  };
  int PreviousTop = -1;
  int PreviousBottom = -1;
  for (int X = Run.X0; X < Run.X1; ++X) {
    const auto [First, End] = ColumnsAt(X - Run.X0, Run);
    int Min = std::numeric_limits<int>::max();
    int Max = std::numeric_limits<int>::min();
    bool ClippedLow = false;
    bool ClippedHigh = false;
    for (std::size_t c = First; c < End; ++c) {
      const TEnvelopeColumn& C = FEnvelope->Columns[c];
      Min = std::min<int>(Min, C.Min);
      Max = std::max<int>(Max, C.Max);
      ClippedLow = ClippedLow || C.ClippedLow;
      ClippedHigh = ClippedHigh || C.ClippedHigh;
    }
    int Top = YOf(FEnvelope->Physical(Max));
    int Bottom = YOf(FEnvelope->Physical(Min));
    if (Top > Bottom)
      std::swap(Top, Bottom);
    // Join the previous column, so that a steep stretch stays one line.
    if (PreviousTop >= 0) {
      Top = std::min(Top, PreviousBottom);
      Bottom = std::max(Bottom, PreviousTop);
    }
    PreviousTop = Top;
    PreviousBottom = Bottom;
    const int PX = Plot.left() + X;
    Painter.fillRect(PX, Top, 1, Bottom - Top + 1,
                     ClippedLow || ClippedHigh ? ClippedColour : TraceColour);
    // With a negative gain Digimax lies at the bottom.
    const bool Inverted = FEnvelope->GainValid && FEnvelope->Gain < 0;
    if (ClippedHigh || ClippedLow) {
      const bool MarkTop = Inverted ? ClippedLow : ClippedHigh;
      const bool MarkBottom = Inverted ? ClippedHigh : ClippedLow;
      if (MarkTop)
        Painter.fillRect(PX, Plot.top() - ClipMarkGap - ClipMarkHeight, 1, ClipMarkHeight,
                         ClippedColour);
      if (MarkBottom)
        Painter.fillRect(PX, Plot.bottom() + ClipMarkGap + 1, 1, ClipMarkHeight, ClippedColour);
    }
  }
}

void TSignalPreview::DrawStages(QPainter& Painter) const {
  if (!ShowsStages())
    return;
  const QRect Strip = StageStrip();
  std::vector<std::pair<QRect, QString>> Names;
  for (const TSleepStage Stage :
       {TSleepStage::Wake, TSleepStage::REM, TSleepStage::N1, TSleepStage::N2, TSleepStage::N3})
    Names.emplace_back(
        QRect(0, Strip.top() + StageRow(Stage) * StageRowHeight, MarginLeft - 4, StageRowHeight),
        QString::fromStdString(SleepStageName(Stage)));
  DrawStripFrame(Painter, Strip, palette().windowText().color(), Names);
  // Stages past the records the envelope read stay inside the strip.
  Painter.save();
  Painter.setClipRect(Strip);
  // A bar in its row per stage, joined to the next one as a hypnogram is drawn.
  int PreviousY = -1;
  double PreviousEnd = -1;
  for (const TStageSpan& Span : FAnnotations->Stages) {
    const int X0 = XAt(Span.Begin);
    const int Width = std::max(1, XAt(Span.End) - X0);
    const int Row = StageRow(Span.Stage);
    if (Row < 0) {
      Painter.fillRect(X0, Strip.top(), Width, Strip.height(), UnscoredColour);
      PreviousY = -1;
      continue;
    }
    const int Top = Strip.top() + Row * StageRowHeight;
    Painter.fillRect(X0, Top + 2, Width, StageRowHeight - 4, StageColour(Span.Stage));
    const int Y = Top + StageRowHeight / 2;
    if (PreviousY >= 0 && PreviousY != Y && PreviousEnd == Span.Begin) {
      Painter.setPen(QColor(90, 90, 90));
      Painter.drawLine(X0, PreviousY, X0, Y);
    }
    PreviousY = Y;
    PreviousEnd = Span.End;
  }
  Painter.restore();
}

void TSignalPreview::DrawEvents(QPainter& Painter) const {
  if (!ShowsEvents())
    return;
  const QRect Lane = EventLane();
  DrawStripFrame(Painter, Lane, palette().windowText().color(),
                 {{QRect(0, Lane.top(), MarginLeft - 4, Lane.height()), QStringLiteral("Events")}});
  // Thousands of events fold into one mark per pixel column: 1 within a band, 2 a tick.
  std::vector<uint8_t> Marks(static_cast<std::size_t>(Lane.width()), 0);
  auto Mark = [&](int X, uint8_t Kind) {
    const int Column = X - Lane.left();
    if (Column >= 0 && Column < Lane.width())
      Marks[static_cast<std::size_t>(Column)] =
          std::max(Marks[static_cast<std::size_t>(Column)], Kind);
  };
  for (const TAnnotationMark& M : FAnnotations->Events) {
    const int X0 = XAt(M.Onset);
    if (M.Duration > 0)
      for (int X = std::max(X0, Lane.left()),
               X1 = std::min(XAt(M.Onset + M.Duration), Lane.right());
           X <= X1; ++X)
        Mark(X, 1);
    Mark(X0, 2);
    Mark(X0 + 1, 2); // two pixels wide: one is lost beside the frame
  }
  for (int Column = 0; Column < Lane.width();) {
    const uint8_t Kind = Marks[static_cast<std::size_t>(Column)];
    int End = Column + 1;
    while (End < Lane.width() && Marks[static_cast<std::size_t>(End)] == Kind)
      ++End;
    if (Kind > 0)
      Painter.fillRect(Lane.left() + Column, Lane.top(), End - Column, Lane.height(),
                       Kind == 2 ? EventColour : EventBandColour);
    Column = End;
  }
}

void TSignalPreview::mouseMoveEvent(QMouseEvent* Event) {
  FHoverX = static_cast<int>(Event->position().x());
  update();
}

void TSignalPreview::leaveEvent(QEvent* /*Event*/) {
  FHoverX = -1;
  update();
}

} // namespace velastrin
