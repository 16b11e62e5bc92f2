#include "app/SignalPreview.h"

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

const QColor TraceColour(0, 70, 170);
const QColor ClippedColour(220, 0, 0);
const QColor GridColour(225, 225, 225);

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

} // namespace

TSignalPreview::TSignalPreview(QWidget* Parent) : QWidget(Parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

TSignalPreview::~TSignalPreview() {
  Cancel();
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
  update();
}

void TSignalPreview::Cancel() {
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

QRect TSignalPreview::PlotArea() const {
  return QRect(MarginLeft, MarginTop, std::max(1, width() - MarginLeft - MarginRight),
               std::max(1, height() - MarginTop - MarginBottom));
}

std::pair<std::size_t, std::size_t> TSignalPreview::ColumnsAt(int X, int Width) const {
  const std::size_t N = FEnvelope->Columns.size();
  const auto W = static_cast<std::size_t>(Width);
  const std::size_t First = static_cast<std::size_t>(X) * N / W;
  const std::size_t End = std::max(First + 1, (static_cast<std::size_t>(X) + 1) * N / W);
  return {First, std::min(End, N)};
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

QString TSignalPreview::HoverText(int X) const {
  const QRect Plot = PlotArea();
  if (!FEnvelope || FEnvelope->Columns.empty() || X < Plot.left() || X > Plot.right())
    return {};
  const auto [First, End] = ColumnsAt(X - Plot.left(), Plot.width());
  int Min = std::numeric_limits<int>::max();
  int Max = std::numeric_limits<int>::min();
  bool Clipped = false;
  for (std::size_t c = First; c < End; ++c) {
    Min = std::min<int>(Min, FEnvelope->Columns[c].Min);
    Max = std::max<int>(Max, FEnvelope->Columns[c].Max);
    Clipped = Clipped || FEnvelope->Columns[c].Clipped();
  }
  const double Start = FEnvelope->SecondsAt(FEnvelope->FirstSample(static_cast<int64_t>(First)));
  const double StartOfDay =
      (FEnvelope->StartDateTime - std::floor(FEnvelope->StartDateTime)) * SecondsPerDay;
  double A = FEnvelope->Physical(static_cast<int16_t>(Min));
  double B = FEnvelope->Physical(static_cast<int16_t>(Max));
  if (A > B)
    std::swap(A, B);
  QString Text = ClockText(StartOfDay + Start, FEnvelope->Seconds < 600) + QStringLiteral("   ");
  Text += A == B ? ValueText(A) : ValueText(A) + QStringLiteral(" to ") + ValueText(B);
  if (FEnvelope->GainValid && !Trim(FEnvelope->Physidim).empty())
    Text += QStringLiteral(" ") + QString::fromStdString(Trim(FEnvelope->Physidim));
  if (Clipped)
    Text += QStringLiteral("   clipped");
  return Text;
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
      Painter.drawLine(FHoverX, Plot.top(), FHoverX, Plot.bottom());
      Painter.setPen(palette().windowText().color());
      Painter.drawText(QRect(Plot.left(), 0, Plot.width(), MarginTop - 3),
                       Qt::AlignRight | Qt::AlignBottom, Hover);
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
  const double Seconds = static_cast<double>(FEnvelope->Seconds);
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
  const double Scale = (Plot.height() - 1) / (High - Low);
  auto YOf = [&](double Value) {
    return Plot.bottom() - static_cast<int>(std::lround((Value - Low) * Scale));
  };
  int PreviousTop = -1;
  int PreviousBottom = -1;
  for (int X = 0; X < Plot.width(); ++X) {
    const auto [First, End] = ColumnsAt(X, Plot.width());
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
    int Top = YOf(FEnvelope->Physical(static_cast<int16_t>(Max)));
    int Bottom = YOf(FEnvelope->Physical(static_cast<int16_t>(Min)));
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

void TSignalPreview::mouseMoveEvent(QMouseEvent* Event) {
  FHoverX = static_cast<int>(Event->position().x());
  update();
}

void TSignalPreview::leaveEvent(QEvent* /*Event*/) {
  FHoverX = -1;
  update();
}

} // namespace velastrin
