// What is wrong with the chosen input file, in the main window: one line ("Read leniently: 3
// header fields repaired") with a Details... button that opens the findings of `velastrin check`
// as a read-only table that can be copied. The line is hidden for a file strict reading accepts.
#pragma once

#include "check/uEDFFindings.h"

#include <QDialog>
#include <QWidget>

#include <memory>
#include <string>

class QLabel;
class QPushButton;
class QTableWidget;

namespace velastrin {

// The line's text for F; empty when strict reading accepts the file.
std::string FindingsSummary(const TEDFFindings& F);

// The findings of one file, one row per header field and per failed file check.
class TFindingsDialog : public QDialog {
  Q_OBJECT

public:
  static const QStringList Columns;

  TFindingsDialog(const TEDFFindings& Findings, QWidget* Parent = nullptr);

  QTableWidget* Table() const { return FTable; }
  // The selected rows (all rows when none is selected) as tab-separated lines under a line
  // of column names.
  QString SelectionText() const;
  // Puts SelectionText on the clipboard.
  void Copy();

protected:
  void keyPressEvent(QKeyEvent* Event) override;

private:
  QTableWidget* FTable = nullptr;
};

class TFindingsLine : public QWidget {
  Q_OBJECT

public:
  explicit TFindingsLine(QWidget* Parent = nullptr);
  ~TFindingsLine() override;

  // Examines FileName (when it names a file) and shows the line, or hides it.
  void Examine(const std::string& FileName);
  void Clear();

  QLabel* Label() const { return FLabel; }
  QPushButton* DetailsButton() const { return FDetails; }
  // The findings shown, or null.
  const TEDFFindings* Findings() const { return FFindings.get(); }
  // Opens the table of the findings shown, modally.
  void DetailsClick();
  // The table of the findings shown, not yet shown (tests look at it without a modal loop).
  std::unique_ptr<TFindingsDialog> CreateDetails();

private:
  QLabel* FLabel = nullptr;
  QPushButton* FDetails = nullptr;
  std::unique_ptr<TEDFFindings> FFindings;
};

} // namespace velastrin
