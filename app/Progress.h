// The progress dialog of the export: a bar with the percentage and a Cancel button that only
// raises a flag, which the export polls once per data record.
#pragma once

#include <QDialog>

#include <vector>

#include <QPointer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velastrin {

class TFormProgress : public QDialog {
  Q_OBJECT

public:
  explicit TFormProgress(QWidget* Owner = nullptr);

  QProgressBar* ProgressBar() const { return FProgressBar; }
  QLabel* RzLabel1() const { return FRzLabel1; }
  QPushButton* RzButton1() const { return FRzButton1; }
  bool Cancelled() const { return FCancelled; }

  // Shows Percent on the bar; a new value repaints it at once, the same value does nothing.
  void SetPercentage(int Percent);

  // The Cancel button: asks the export to stop, nothing else.
  void RzButton1Click();

protected:
  void showEvent(QShowEvent* Event) override;
  // Neither the caption bar nor Escape closes the dialog: Cancel is the only way out.
  void closeEvent(QCloseEvent* Event) override;
  void reject() override;

private:
  QProgressBar* FProgressBar = nullptr;
  QLabel* FRzLabel1 = nullptr;
  QPushButton* FRzButton1 = nullptr;
  bool FCancelled = false;
};

// Disables every enabled top-level window of the application but one, and enables them
// again when it goes out of scope, so that only the kept window takes input.
class TTaskWindowsDisabler {
public:
  explicit TTaskWindowsDisabler(QWidget* Keep);
  ~TTaskWindowsDisabler();
  TTaskWindowsDisabler(const TTaskWindowsDisabler&) = delete;
  TTaskWindowsDisabler& operator=(const TTaskWindowsDisabler&) = delete;

private:
  std::vector<QPointer<QWidget>> FDisabled;
};

} // namespace velastrin
