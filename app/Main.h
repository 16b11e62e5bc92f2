// The main window: choosing the EDF file, the signal, the separator and the output names,
// the export run with its two output files, the command line and batch mode, and the
// program's start-up.
#pragma once

#include <QMainWindow>
#include <QSpinBox>

#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velastrin {

class TEDFFile;
class TFormProgress;
class TFindingsLine;
class TSignalPreview;

// The input name with its extension replaced by Ext (or Ext appended when it has none); the
// extension is the part from the last "." after the last "/".
std::string ChangeFileExt(const std::string& FileName, const std::string& Ext);

// The help text of the command line, with CR LF line breaks.
std::string CommandLineHelpText();

// A whole-number spin control that keeps every value it is given inside its range: a typed
// number outside the range is accepted while typing and brought to the nearest bound when
// the control is left.
class TSpinEdit : public QSpinBox {
  Q_OBJECT

public:
  using QSpinBox::QSpinBox;

protected:
  QValidator::State validate(QString& Input, int& Pos) const override;
  void fixup(QString& Input) const override;
};

// What the last export did; batch mode turns it into the exit status.
enum class TExportOutcome { NotRun, Completed, Cancelled };

// Exit statuses of batch mode.
namespace ExitStatus {
inline constexpr int Success = 0;
inline constexpr int ExportFailed = 1;
inline constexpr int NotStarted = 2;
inline constexpr int Cancelled = 3;
} // namespace ExitStatus

class TForm1 : public QMainWindow {
  Q_OBJECT

public:
  // Builds the window and runs FormCreate, which reads the command line (SetCommandLine).
  explicit TForm1(QWidget* Parent = nullptr);
  ~TForm1() override;

  // Event handlers, named after their controls.
  void FormCreate();
  void FormDestroy();
  void EditSignal1Change();
  void RzSpinEdit1Change();
  void Button1Click();
  void Button3Click();
  void Button4Click();
  void BtnExportClick();
  void BtnCloseClick();
  void About1Click();
  // The one-shot idle handler of batch mode: exports once, then closes the window.
  void BatchIdle();

  // Examines one EDF file and fills List with a description per signal.
  void FillSignalList(const std::string& FileName, std::vector<std::string>& List);
  void UpdateExportButton();
  void WriteSignalInfo(TEDFFile& File, int SignalNumber, const std::string& FileName);
  // False when the user cancelled.
  bool WriteSignalData(TEDFFile& File, int SignalNumber, const std::string& FileName);

  // State.
  const std::vector<std::string>& SignalList() const { return FSignalList; }
  const std::string& Separator() const { return FSeparator; }
  bool BatchMode() const { return FBatchMode; }
  TExportOutcome LastExportOutcome() const { return FLastExportOutcome; }
  // The process's exit status: 0 in interactive use, the batch outcome otherwise.
  int ExitStatus() const { return FExitStatus; }

  // Called in the export loop before the pending messages of data record Record are
  // processed; lets tests press the dialog's buttons at a chosen record.
  using TRecordHook = std::function<void(int64_t Record, TFormProgress& Dialog)>;
  void SetRecordHook(TRecordHook Hook) { FRecordHook = std::move(Hook); }

  // Controls.
  QGroupBox* GroupBox1() const { return FGroupBox1; }
  QLabel* Label1() const { return FLabel1; }
  QLineEdit* EditSignal1() const { return FEditSignal1; }
  QPushButton* Button1() const { return FButton1; }
  QLabel* Label4() const { return FLabel4; }
  TSpinEdit* RzSpinEdit1() const { return FRzSpinEdit1; }
  QLabel* Label5() const { return FLabel5; }
  QGroupBox* RadioGroup1() const { return FRadioGroup1; }
  QRadioButton* RadioItem(int Index) const { return FRadioItems.at(Index); }
  int RadioGroup1ItemIndex() const;
  void SetRadioGroup1ItemIndex(int Index);
  QGroupBox* GroupBox2() const { return FGroupBox2; }
  QLabel* Label2() const { return FLabel2; }
  QLineEdit* EditSignalInfoOut() const { return FEditSignalInfoOut; }
  QPushButton* Button3() const { return FButton3; }
  QLabel* Label3() const { return FLabel3; }
  QLineEdit* EditSignalDataOut() const { return FEditSignalDataOut; }
  QPushButton* Button4() const { return FButton4; }
  QPushButton* BtnExport() const { return FBtnExport; }
  QPushButton* BtnClose() const { return FBtnClose; }
  QAction* About1() const { return FAbout1; }
  // The plot of the selected signal below the controls.
  TSignalPreview* SignalPreview() const { return FPreview; }
  // The line that says what is wrong with the input file, below the controls.
  TFindingsLine* FindingsLine() const { return FFindingsLine; }

protected:
  void showEvent(QShowEvent* Event) override;

private:
  void CreateControls();
  void ConnectHandlers();
  void ShowSelectedSignal();
  // Points the preview at the selected signal, or at none.
  void UpdatePreview();
  bool BrowseOutput(QLineEdit* Edit);
  std::string BatchNotStartedReason() const;
  // Batch mode clamps a signal number outside the file's range; this says so, or is empty.
  std::string ClampedSignalNote() const;

  std::vector<std::string> FSignalList;
  std::string FSeparator;
  bool FBatchMode = false;
  bool FCentred = false;
  TExportOutcome FLastExportOutcome = TExportOutcome::NotRun;
  int FExitStatus = ExitStatus::Success;
  std::optional<int> FRequestedSignal;      // the signal number the command line asked for
  std::optional<std::string> FUnreadSignal; // a parameter 2 that was no signal number
  TRecordHook FRecordHook;
  // An error raised by a change handler while FormCreate sets a control; FormCreate
  // raises it again so that the rest of the command line is skipped.
  bool FInFormCreate = false;
  std::exception_ptr FPendingError;

  QGroupBox* FGroupBox1 = nullptr;
  QLabel* FLabel1 = nullptr;
  QLineEdit* FEditSignal1 = nullptr;
  QPushButton* FButton1 = nullptr;
  QLabel* FLabel4 = nullptr;
  TSpinEdit* FRzSpinEdit1 = nullptr;
  QLabel* FLabel5 = nullptr;
  QGroupBox* FRadioGroup1 = nullptr;
  QButtonGroup* FRadioButtons = nullptr;
  std::vector<QRadioButton*> FRadioItems;
  QGroupBox* FGroupBox2 = nullptr;
  QLabel* FLabel2 = nullptr;
  QLineEdit* FEditSignalInfoOut = nullptr;
  QPushButton* FButton3 = nullptr;
  QLabel* FLabel3 = nullptr;
  QLineEdit* FEditSignalDataOut = nullptr;
  QPushButton* FButton4 = nullptr;
  QPushButton* FBtnExport = nullptr;
  QPushButton* FBtnClose = nullptr;
  QAction* FAbout1 = nullptr;
  TSignalPreview* FPreview = nullptr;
  TFindingsLine* FFindingsLine = nullptr;
};

// The program: start-up, the main window and the message loop. Returns the exit status.
int RunProgram(int argc, char** argv);

} // namespace velastrin
