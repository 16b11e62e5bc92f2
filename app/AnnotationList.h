// The annotations of an EDF+ annotation signal in the main window, in the preview's place: a
// line with their number and the file's kind, a line naming damaged lists, and a read-only
// table (onset as clock time, duration, text) that can be copied with its button or Ctrl+C.
#pragma once

#include "app/RecordingAnnotations.h"

#include <QAbstractTableModel>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableView;

namespace velastrin {

// The rows of the table; the rows are worked out beforehand, so that the model only hands
// out their texts.
class TAnnotationTableModel : public QAbstractTableModel {
  Q_OBJECT

public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetRows(std::vector<TAnnotationRow> Rows);
  const std::vector<TAnnotationRow>& Rows() const { return FRows; }

  int rowCount(const QModelIndex& Parent = {}) const override;
  int columnCount(const QModelIndex& Parent = {}) const override;
  QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
  QVariant headerData(int Section, Qt::Orientation Orientation,
                      int Role = Qt::DisplayRole) const override;

private:
  std::vector<TAnnotationRow> FRows;
};

class TAnnotationList : public QWidget {
  Q_OBJECT

public:
  explicit TAnnotationList(QWidget* Parent = nullptr);

  // Shows what Annotations says of the signal, or, with none, Message alone.
  void Show(const TRecordingAnnotations& Annotations);
  void ShowMessage(const QString& Message);

  QLabel* SummaryLabel() const { return FSummary; }
  QLabel* DamageLabel() const { return FDamage; }
  QTableView* Table() const { return FTable; }
  const TAnnotationTableModel& Model() const { return *FModel; }
  // The selected rows (all rows when none is selected) as tab-separated lines under a line
  // of column names.
  QString SelectionText() const;
  // Puts SelectionText on the clipboard.
  void Copy();

protected:
  void keyPressEvent(QKeyEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  QLabel* FSummary = nullptr;
  QLabel* FDamage = nullptr;
  QPushButton* FCopy = nullptr;
  QTableView* FTable = nullptr;
  TAnnotationTableModel* FModel = nullptr;
};

} // namespace velastrin
