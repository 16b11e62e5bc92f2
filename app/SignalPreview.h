// The preview of the selected signal in the main window: its envelope over the whole recording
// against clock time, in physical units, with clipped stretches marked. The envelope is
// computed on a worker thread; a new selection cancels the computation under way.
#pragma once

#include "edf/uSignalEnvelope.h"

#include <QFutureWatcher>
#include <QWidget>

#include <functional>
#include <optional>
#include <stop_token>
#include <string>

namespace velastrin {

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

  // The rectangle the trace is drawn in.
  QRect PlotArea() const;
  // Clock time and value under pixel column X of the plot, or empty outside it.
  QString HoverText(int X) const;

  // Runs on the worker thread once an envelope is computed, before it is handed back; lets
  // tests hold a computation at that point.
  using TComputedHook = std::function<void(const std::string& FileName, int32_t SignalIndex)>;
  void SetComputedHook(TComputedHook Hook) { FComputedHook = std::move(Hook); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

signals:
  // A computation for the current selection ended: with an envelope, an error, or nothing.
  void Finished();

protected:
  void paintEvent(QPaintEvent* Event) override;
  void mouseMoveEvent(QMouseEvent* Event) override;
  void leaveEvent(QEvent* Event) override;

private:
  struct TOutcome {
    std::optional<TSignalEnvelope> Envelope;
    std::string Error;
  };
  void Start();
  void Cancel();
  void Delivered();
  void DrawAxes(class QPainter& Painter, const QRect& Plot, double Low, double High) const;
  void DrawTrace(class QPainter& Painter, const QRect& Plot, double Low, double High) const;
  // The envelope columns folded into pixel column X of the plot: first and end column.
  std::pair<std::size_t, std::size_t> ColumnsAt(int X, int Width) const;
  // The physical range over the whole envelope.
  std::pair<double, double> ValueRange() const;

  std::string FFileName;
  int32_t FSignalIndex = -1;
  bool FBusy = false;
  std::optional<TSignalEnvelope> FEnvelope;
  QString FMessage;
  int FHoverX = -1;
  std::stop_source FStop;
  QFutureWatcher<TOutcome>* FWatcher = nullptr;
  TComputedHook FComputedHook;
};

} // namespace velastrin
