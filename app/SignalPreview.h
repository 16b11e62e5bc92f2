// The preview of the selected signal in the main window: its envelope over the whole recording
// against clock time, in physical units, with clipped stretches marked. Above the plot the
// recording's EDF+ annotations: a hypnogram strip when they hold sleep stages and a lane of
// events; the gaps of an EDF+D file are breaks in the plot. For an annotation signal a table
// of its annotations takes the plot's place. The envelope and the annotations are read on
// worker threads; a new selection cancels what is under way.
#pragma once

#include "app/RecordingAnnotations.h"
#include "edf/uSignalEnvelope.h"

#include <QFutureWatcher>
#include <QWidget>

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace velastrin {

class TAnnotationList;

class TSignalPreview : public QWidget {
  Q_OBJECT

public:
  // Envelope columns computed per signal; the plot folds them into its pixel columns.
  static constexpr int32_t EnvelopeColumns = 4096;

  explicit TSignalPreview(QWidget* Parent = nullptr);
  ~TSignalPreview() override;

  // Shows signal SignalIndex (0-based) of FileName; the same selection again changes nothing.
  void ShowSignal(const std::string& FileName, int32_t SignalIndex);
  // Shows no signal, cancelling a computation under way.
  void Clear();

  // A computation is under way.
  bool Busy() const { return FBusy; }
  // The envelope drawn, or null while there is none for the current selection.
  const TSignalEnvelope* Envelope() const { return FEnvelope ? &*FEnvelope : nullptr; }
  const std::string& FileName() const { return FFileName; }
  int32_t SignalIndex() const { return FSignalIndex; }
  // What the plot says instead of a trace ("Reading signal...", an error), or empty.
  const QString& Message() const { return FMessage; }

  // The annotations are being read.
  bool AnnotationsBusy() const { return FAnnotationWatcher != nullptr; }
  // The recording's annotations, or null (a plain EDF file, or not read yet).
  const TRecordingAnnotations* Annotations() const {
    return FAnnotations ? &*FAnnotations : nullptr;
  }
  // The table shown instead of the plot while an annotation signal is selected.
  TAnnotationList* AnnotationList() const { return FList; }

  // The rectangle the trace is drawn in.
  QRect PlotArea() const;
  // The hypnogram strip and the lane of events above the plot; empty when not shown.
  QRect StageStrip() const;
  QRect EventLane() const;
  // Clock time and value under pixel column X of the plot, then the annotations there, or
  // empty outside the plot.
  QString HoverText(int X) const;
  // The sleep stage and the events at pixel column X, or empty.
  QString MarksText(int X) const;

  // Runs on the worker thread once an envelope is computed, before it is handed back; lets
  // tests hold a computation at that point.
  using TComputedHook = std::function<void(const std::string& FileName, int32_t SignalIndex)>;
  void SetComputedHook(TComputedHook Hook) { FComputedHook = std::move(Hook); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

signals:
  // A computation for the current selection ended: with an envelope, an error, or nothing.
  void Finished();
  // The annotations of the current selection have been read, or could not be.
  void AnnotationsFinished();

protected:
  void paintEvent(QPaintEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void leaveEvent(QEvent* Event) override;

private:
  struct TOutcome {
    std::optional<TSignalEnvelope> Envelope;
    std::string Error;
  };
  struct TAnnotationOutcome {
    std::optional<TRecordingAnnotations> Annotations;
    std::string Error;
  };
  // Pixel columns X0 up to X1 of the plot that show envelope columns CBegin up to CEnd: the
  // whole plot, or one stretch of records without a gap; Offset is the time of the gaps
  // before them.
  struct TPlotRun {
    int X0 = 0;
    int X1 = 0;
    std::size_t CBegin = 0;
    std::size_t CEnd = 0;
    double Offset = 0;
  };
  void Start();
  void Cancel();
  void Delivered();
  void StartAnnotations();
  void CancelAnnotations();
  void AnnotationsDelivered();
  void DrawAxes(class QPainter& Painter, const QRect& Plot, double Low, double High) const;
  void DrawTrace(class QPainter& Painter, const QRect& Plot, double Low, double High) const;
  void DrawRun(class QPainter& Painter, const QRect& Plot, double Low, double High,
               const TPlotRun& Run) const;
  void DrawStages(class QPainter& Painter) const;
  void DrawEvents(class QPainter& Painter) const;
  // The envelope columns of Run folded into its pixel column X: first and end column.
  std::pair<std::size_t, std::size_t> ColumnsAt(int X, const TPlotRun& Run) const;
  std::vector<TPlotRun> PlotRuns(int Width) const;
  // The physical range over the whole envelope.
  std::pair<double, double> ValueRange() const;
  // Seconds along the time axis, and the conversions between them and pixel columns.
  double Span() const;
  double TimeAt(int X) const;
  int XAt(double Seconds) const;
  bool ShowsStages() const;
  bool ShowsEvents() const;

  std::string FFileName;
  int32_t FSignalIndex = -1;
  bool FBusy = false;
  std::optional<TSignalEnvelope> FEnvelope;
  QString FMessage;
  int FHoverX = -1;
  std::stop_source FStop;
  QFutureWatcher<TOutcome>* FWatcher = nullptr;
  TComputedHook FComputedHook;

  std::optional<TRecordingAnnotations> FAnnotations;
  bool FAnnotationSignal = false;
  std::stop_source FAnnotationStop;
  QFutureWatcher<TAnnotationOutcome>* FAnnotationWatcher = nullptr;
  TAnnotationList* FList = nullptr;
};

} // namespace velastrin
