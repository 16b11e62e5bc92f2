#include "app/Main.h"

#include "about/About.h"
#include "app/Dialogs.h"
#include "app/FileDrop.h"
#include "app/FileFindings.h"
#include "app/Progress.h"
#include "app/SignalPreview.h"
#include "datetime/uDateTime.h"
#include "edf/uEDF.h"
#include "edf/uEDFExportCheck.h"
#include "edf/uEDFPlus.h"
#include "export/ExportText.h"
#include "export/SignalExport.h"
#include "support/uMath.h"
#include "support/uTAL.h"
#include "support/uUCS.h"
#include "support/udDisk.h"
#include "support/udStr.h"
#include "support/udroot.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sys/stat.h>

namespace velastrin {

namespace {

constexpr int ClientWidth = 482;
constexpr int ClientHeight = 270;
constexpr const char* NoValidFile = "No valid EDF file selected";
constexpr const char* SaveDialogTitle = "Enter Output Filename";

// Runs a clean-up step on every way out of a scope.
template <typename F> class TScopeExit {
public:
  explicit TScopeExit(F Action) : FAction(std::move(Action)) {}
  ~TScopeExit() { FAction(); }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;

private:
  F FAction;
};

// The hourglass for the whole application; the previous cursor comes back on every way out.
class THourglass {
public:
  THourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~THourglass() { QApplication::restoreOverrideCursor(); }
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;
};

// A regular file (or a link to one): folders, devices and pipes are no input files.
bool FileExists(const std::string& FileName) {
  struct stat Info {};
  return !FileName.empty() && ::stat(FileName.c_str(), &Info) == 0 && S_ISREG(Info.st_mode);
}

// The switch words the program knows, compared without regard to case.
constexpr std::array<const char*, 8> SwitchWords{"space", "comma", "tab", "crlf",
                                                 "batch", "?",     "h",   "info"};

// Every parameter that begins with "-" is a switch. On this platform an absolute path begins
// with "/", so "/" makes a switch only of the known switch words; any other "/..." is a path,
// whether it exists or not, so that an output name is never dropped for a switch.
bool IsSwitchParam(const std::string& Param) {
  if (Param.empty())
    return false;
  if (Param[0] == '-')
    return true;
  if (Param[0] != '/')
    return false;
  const std::string Word = Param.substr(1);
  return std::any_of(SwitchWords.begin(), SwitchWords.end(),
                     [&Word](const char* Switch) { return SameText(Word, Switch); });
}

// A file name is bytes, Qt's text is not: a name that is not valid UTF-8 would not survive a
// round trip through QString. The edit keeps the bytes it was given beside its text and hands
// them back as long as nobody has changed the text.
constexpr const char* FileNameBytes = "velastrinFileNameBytes";

void SetFileNameText(QLineEdit* Edit, const std::string& FileName) {
  const QByteArray Bytes = QByteArray::fromStdString(FileName);
  Edit->setProperty(FileNameBytes, Bytes);
  Edit->setText(QFile::decodeName(Bytes));
}

bool IsBlank(const QString& Text) {
  return Text.trimmed().isEmpty();
}

std::string Text(const QLineEdit* Edit) {
  const QByteArray Bytes = Edit->property(FileNameBytes).toByteArray();
  if (!Bytes.isNull() && QFile::decodeName(Bytes) == Edit->text())
    return Bytes.toStdString();
  return QFile::encodeName(Edit->text()).toStdString();
}

// Opens an EDF file read-only with lenient header checking, as the examination and the
// export both do. The signal list and preview also read BDF; the export does not.
void OpenForReading(TEDFFile& File, const std::string& FileName, bool AcceptBDF = false) {
  File.SetFileName(FileName);
  File.SetReadOnly(true);
  File.SetStrict(false);
  File.SetAcceptBDF(AcceptBDF);
  File.SetActive(true);
}

// The data file goes out in large writes.
constexpr std::size_t DataWriterBufferSize = std::size_t{1} << 20;
// The longest the progress dialog goes without processing its events during an export.
constexpr std::chrono::milliseconds EventInterval{20};

// Percentage before data record Record of Count, rounded half to even.
int ProgressPercentage(int64_t Record, int64_t Count) {
  return static_cast<int>(
      std::nearbyint(static_cast<double>(Record) / static_cast<double>(Count) * 100.0));
}

// An annotation signal holds text, not samples: it shows no frequency.
std::string SignalDescription(const TCustomEDFSignalInfo& Signal, const TCustomEDFFileInfo& Info) {
  if (IsAnnotationSignal(Info, Signal))
    return Trim(Signal.SignalLabel()) + " (annotations)";
  return Trim(Signal.SignalLabel()) + " (" +
         SampleFrequencyText(Signal, Info, FormatSettings().DecimalSeparator) + "Hz)";
}

// Before the numbers of an annotation signal are exported: a warning that points to the table
// of "velastrin export". True to go on; a file that cannot be read is left to the export.
bool AnnotationExportConfirmed(QWidget* Owner, const std::string& InputName, int SignalNumber) {
  try {
    TEDFFile File;
    OpenForReading(File, InputName);
    if (SignalNumber < 1 || SignalNumber > File.SignalCount() ||
        !IsAnnotationSignal(*File.FileInfo(), *File.GetSignal(SignalNumber - 1)))
      return true;
  } catch (const std::exception&) {
    return true;
  }
  return Dialogs().MessageBox(
             Owner,
             "Signal " + std::to_string(SignalNumber) +
                 " holds EDF+ annotations, not samples: this export writes its bytes as "
                 "numbers.\r\n\r\nFor a table of the annotations (onset, clock time, duration, "
                 "text) use:\r\nvelastrin export --signal annotations --sep comma \"" +
                 InputName + "\"\r\n\r\nExport the numbers anyway?",
             "EDF+ annotations", TMsgDlgType::Warning, mbYes | mbNo) == TModalResult::Yes;
}

// Catches what an event handler lets through Qt's own dispatch, as the last line of defence.
class TVelastrinApplication : public QApplication {
public:
  using QApplication::QApplication;
  bool notify(QObject* Receiver, QEvent* Event) override {
    bool Result = false;
    RunHandler([&] { Result = QApplication::notify(Receiver, Event); });
    return Result;
  }
};

bool EnvironmentSet(const char* Name) {
  const char* Value = std::getenv(Name);
  return Value && *Value;
}

void WriteStdErr(const std::string& Line) {
  std::string Out = Line;
  for (std::size_t Pos = 0; (Pos = Out.find("\r\n", Pos)) != std::string::npos;)
    Out.erase(Pos, 1);
  Out += '\n';
  std::fwrite(Out.data(), 1, Out.size(), stderr);
  std::fflush(stderr);
}

} // namespace

std::string ChangeFileExt(const std::string& FileName, const std::string& Ext) {
  const std::size_t Dot = FileName.find_last_of('.');
  const std::size_t Slash = FileName.find_last_of('/');
  if (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash))
    return FileName + Ext;
  return FileName.substr(0, Dot) + Ext;
}

std::string CommandLineHelpText() {
  return "The possible commandline parameters are:\r\n\r\n"
         "EDFInputfile SignalNumber [InfoOutputFile [DataOutputFile]] [swithes 1..N]\r\n\r\n"
         "possible swithes are:\r\n\r\n"
         "/SPACE /COMMA /TAB and /CRLF for selecting separator character\r\n\r\n"
         "/BATCH for runnning the program without user interaction\r\n\r\n"
         "Switches may start with - as well as /. Any other parameter that starts with / "
         "is a file name, so absolute paths stay names in every position";
}

// ---- TSpinEdit ----------------------------------------------------------------------------

QValidator::State TSpinEdit::validate(QString& Input, int& /*Pos*/) const {
  const QString Trimmed = Input.trimmed();
  if (Trimmed.isEmpty() || Trimmed == QLatin1String("-") || Trimmed == QLatin1String("+"))
    return QValidator::Intermediate;
  bool Ok = false;
  const qlonglong Value = Trimmed.toLongLong(&Ok);
  if (!Ok)
    return QValidator::Invalid;
  return Value >= minimum() && Value <= maximum() ? QValidator::Acceptable
                                                  : QValidator::Intermediate;
}

void TSpinEdit::fixup(QString& Input) const {
  bool Ok = false;
  const qlonglong Value = Input.trimmed().toLongLong(&Ok);
  if (Ok)
    Input = textFromValue(static_cast<int>(std::clamp<qlonglong>(Value, minimum(), maximum())));
}

// ---- TForm1 -------------------------------------------------------------------------------

TForm1::TForm1(QWidget* Parent) : QMainWindow(Parent) {
  CreateControls();
  ConnectHandlers();
  // An error in the creation handler goes to the default error box; the window still opens.
  if (!RunHandler([this] { FormCreate(); }) && FindCmdLineSwitch("batch")) {
    // A script waits for the program to end: batch mode still ends it, without exporting.
    FBatchMode = true;
    QTimer::singleShot(0, this, [this] { BatchIdle(); });
  }
}

TForm1::~TForm1() {
  FormDestroy();
}

void TForm1::CreateControls() {
  setWindowTitle(QStringLiteral("Velastrin convertor"));
  setFont(FormFont());

  FAbout1 = menuBar()->addAction(QStringLiteral("About"));

  // The controls keep their fixed places on top; the signal preview takes the rest of the
  // window, which can be resized.
  auto* Central = new QWidget(this);
  auto* Column = new QVBoxLayout(Central);
  Column->setContentsMargins(0, 0, 0, 0);
  Column->setSpacing(0);
  auto* Client = new QWidget(Central);
  Client->setFixedSize(ClientWidth, ClientHeight);
  Column->addWidget(Client, 0, Qt::AlignLeft | Qt::AlignTop);
  FFindingsLine = new TFindingsLine(Central);
  Column->addWidget(FFindingsLine);
  FPreview = new TSignalPreview(Central);
  Column->addWidget(FPreview, 1);
  setCentralWidget(Central);

  auto Label = [](QWidget* Owner, const char* Caption, int Left, int Top) {
    auto* Result = new QLabel(QString::fromUtf8(Caption), Owner);
    Result->move(Left, Top);
    Result->adjustSize();
    return Result;
  };
  auto Edit = [](QWidget* Owner, int Left, int Top, int Width) {
    auto* Result = new QLineEdit(Owner);
    Result->setGeometry(Left, Top - 2, Width, 24);
    return Result;
  };
  auto Button = [](QWidget* Owner, const char* Caption, int Left, int Top, int Width) {
    auto* Result = new QPushButton(QString::fromUtf8(Caption), Owner);
    Result->setGeometry(Left, Top - 2, Width, 27);
    Result->setAutoDefault(false);
    return Result;
  };

  FGroupBox1 = new QGroupBox(QStringLiteral("EDF Input Signal"), Client);
  FGroupBox1->setGeometry(0, 0, ClientWidth, 96);
  FLabel1 = Label(FGroupBox1, "FileName", 16, 24);
  FEditSignal1 = Edit(FGroupBox1, 128, 20, 261);
  FButton1 = Button(FGroupBox1, "Browse...", 404, 20, 67);
  FLabel4 = Label(FGroupBox1, "Signal number", 16, 60);
  FRzSpinEdit1 = new TSpinEdit(FGroupBox1);
  FRzSpinEdit1->setGeometry(128, 54, 47, 24);
  FRzSpinEdit1->setRange(1, 1);
  FRzSpinEdit1->setSingleStep(1);
  FRzSpinEdit1->setValue(1);
  FRzSpinEdit1->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  FRzSpinEdit1->setEnabled(false);
  FLabel5 = Label(FGroupBox1, NoValidFile, 192, 60);
  FLabel5->setMinimumWidth(ClientWidth - 192 - 8);

  FRadioGroup1 = new QGroupBox(QStringLiteral("ASCII Export Separator"), Client);
  FRadioGroup1->setGeometry(0, 96, ClientWidth, 57);
  FRadioButtons = new QButtonGroup(this);
  const char* Items[] = {"Space", "Comma", "Tab", "CRLF"};
  const int ColumnWidth = (ClientWidth - 16) / SeparatorChoiceCount;
  for (int i = 0; i < SeparatorChoiceCount; ++i) {
    auto* Item = new QRadioButton(QString::fromUtf8(Items[i]), FRadioGroup1);
    Item->setGeometry(8 + i * ColumnWidth, 24, ColumnWidth - 4, 22);
    FRadioButtons->addButton(Item, i);
    FRadioItems.push_back(Item);
  }
  SetRadioGroup1ItemIndex(static_cast<int>(TSeparatorChoice::CRLF));

  FGroupBox2 = new QGroupBox(QStringLiteral("Output Filenames"), Client);
  FGroupBox2->setGeometry(0, 153, ClientWidth, 81);
  FLabel2 = Label(FGroupBox2, "Signal Information", 12, 24);
  FEditSignalInfoOut = Edit(FGroupBox2, 128, 20, 262);
  FButton3 = Button(FGroupBox2, "Browse...", 405, 20, 67);
  FLabel3 = Label(FGroupBox2, "ASCII Signal Data", 12, 52);
  FEditSignalDataOut = Edit(FGroupBox2, 128, 48, 262);
  FButton4 = Button(FGroupBox2, "Browse...", 405, 48, 67);

  FBtnExport = Button(Client, "Export", 204, 240, 75);
  FBtnExport->setEnabled(false);
  FBtnClose = Button(Client, "Close", 400, 240, 75);

  // Group by group, as the window reads.
  QWidget* TabOrder[] = {FEditSignal1,   FButton1,           FRzSpinEdit1,   FRadioItems[0],
                         FRadioItems[1], FRadioItems[2],     FRadioItems[3], FEditSignalInfoOut,
                         FButton3,       FEditSignalDataOut, FButton4,       FBtnExport,
                         FBtnClose};
  for (std::size_t i = 1; i < std::size(TabOrder); ++i)
    setTabOrder(TabOrder[i - 1], TabOrder[i]);
}

void TForm1::ConnectHandlers() {
  // Every handler runs behind RunHandler: no error crosses the event loop.
  auto Guarded = [this](void (TForm1::*Handler)()) {
    return [this, Handler] {
      try {
        (this->*Handler)();
      } catch (...) {
        if (FInFormCreate)
          FPendingError = std::current_exception();
        else
          RunHandler([] { throw; });
      }
    };
  };
  connect(FEditSignal1, &QLineEdit::textChanged, this, Guarded(&TForm1::EditSignal1Change));
  connect(FRzSpinEdit1, &QSpinBox::textChanged, this, Guarded(&TForm1::RzSpinEdit1Change));
  connect(FButton1, &QPushButton::clicked, this, Guarded(&TForm1::Button1Click));
  connect(FButton3, &QPushButton::clicked, this, Guarded(&TForm1::Button3Click));
  connect(FButton4, &QPushButton::clicked, this, Guarded(&TForm1::Button4Click));
  connect(FBtnExport, &QPushButton::clicked, this, Guarded(&TForm1::BtnExportClick));
  connect(FBtnClose, &QPushButton::clicked, this, Guarded(&TForm1::BtnCloseClick));
  connect(FAbout1, &QAction::triggered, this, Guarded(&TForm1::About1Click));
  // After the change handlers, so that the preview sees the signal list they leave.
  connect(FEditSignal1, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
  connect(FRzSpinEdit1, &QSpinBox::valueChanged, this, [this] { UpdatePreview(); });
  connect(FEditSignal1, &QLineEdit::textChanged, this, [this] {
    if (!FBatchMode && !FindCmdLineSwitch("batch"))
      FFindingsLine->Examine(Text(FEditSignal1));
  });
  // A dropped file becomes the input name, exactly as if typed.
  new TFileDrop(this,
                [this](const std::string& FileName) { SetFileNameText(FEditSignal1, FileName); });
}

void TForm1::showEvent(QShowEvent* Event) {
  QMainWindow::showEvent(Event);
  if (FCentred || !screen())
    return;
  FCentred = true;
  const QRect Desktop = screen()->availableGeometry();
  move(Desktop.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

int TForm1::RadioGroup1ItemIndex() const {
  return FRadioButtons->checkedId();
}

void TForm1::SetRadioGroup1ItemIndex(int Index) {
  if (Index >= 0 && Index < SeparatorChoiceCount)
    FRadioItems[static_cast<std::size_t>(Index)]->setChecked(true);
}

// ---- Start-up and command line ------------------------------------------------------------

void TForm1::FormCreate() {
  FSignalList.clear();
  if (FindCmdLineSwitch("?") || FindCmdLineSwitch("h")) {
    Dialogs().MessageBox(this, CommandLineHelpText(), "Commandline parameters",
                         TMsgDlgType::Information, mbOK);
    return;
  }

  FInFormCreate = true;
  TScopeExit Leave([this] { FInFormCreate = false; });
  auto RaisePending = [this] {
    if (FPendingError)
      std::rethrow_exception(std::exchange(FPendingError, nullptr));
  };
  for (int i = 1; i <= ParamCount(); ++i) {
    const std::string Param = ParamStr(i);
    if (IsSwitchParam(Param))
      continue; // a switch still takes up its position
    switch (i) {
    case 1:
      SetFileNameText(FEditSignal1, Param);
      RaisePending();
      break;
    case 2:
      if (int32_t Number = 0; IsInteger(Param) && TryStrToInt(Trim(Param), Number)) {
        FRzSpinEdit1->setValue(Number);
        FRequestedSignal = Number;
      } else {
        FUnreadSignal = Param;
      }
      RaisePending();
      break;
    case 3:
      SetFileNameText(FEditSignalInfoOut, Param);
      break;
    case 4:
      SetFileNameText(FEditSignalDataOut, Param);
      break;
    default:
      break;
    }
  }
  // Names given on the command line count as if chosen in the save dialog: a blank one
  // disables Export, so batch mode cannot write a file without a name.
  UpdateExportButton();
  FBatchMode = FindCmdLineSwitch("batch");
  const char* Switches[] = {"space", "comma", "tab", "crlf"};
  for (int Choice = 0; Choice < SeparatorChoiceCount; ++Choice)
    if (FindCmdLineSwitch(Switches[Choice]))
      SetRadioGroup1ItemIndex(Choice);
  if (FBatchMode)
    QTimer::singleShot(0, this, [this] { BatchIdle(); });
}

void TForm1::FormDestroy() {
  FSignalList.clear();
}

std::string TForm1::ClampedSignalNote() const {
  const int Exported = FRzSpinEdit1->value();
  if (FUnreadSignal) {
    // Digits beyond the range of a number read are still a whole number.
    const std::string Text = Trim(*FUnreadSignal);
    const std::size_t Sign = !Text.empty() && (Text[0] == '-' || Text[0] == '+') ? 1 : 0;
    const bool Digits =
        Text.size() > Sign && Text.find_first_not_of("0123456789", Sign) == std::string::npos;
    return "signal number \"" + *FUnreadSignal + "\" is " +
           (Digits ? "out of range" : "not a whole number") + "; signal " +
           std::to_string(Exported) + " exported";
  }
  if (!FRequestedSignal || *FRequestedSignal == Exported)
    return {};
  const int Count = FRzSpinEdit1->maximum();
  if (*FRequestedSignal > Count)
    return "signal number " + std::to_string(*FRequestedSignal) + " is above the " +
           CountText(Count, "signal") + " of the file; signal " + std::to_string(Exported) +
           " exported";
  return "signal number " + std::to_string(*FRequestedSignal) + " is below 1; signal " +
         std::to_string(Exported) + " exported";
}

std::string TForm1::BatchNotStartedReason() const {
  if (IsBlank(FEditSignal1->text()) || !FRzSpinEdit1->isEnabled()) {
    const std::string FileName = Text(FEditSignal1);
    std::string Reason = std::string(NoValidFile) + ": \"" + FileName + "\"";
    // The file may have changed since it was examined; say what is wrong with it now.
    if (const std::string Cause = InputRefusal(FileName); !Cause.empty())
      Reason += ": " + Cause;
    return Reason;
  }
  return "No output file name given";
}

void TForm1::BatchIdle() {
  if (FBtnExport->isEnabled()) {
    try {
      BtnExportClick();
      FExitStatus = FLastExportOutcome == TExportOutcome::Cancelled ? ExitStatus::Cancelled
                                                                    : ExitStatus::Success;
      if (const std::string Note = ClampedSignalNote();
          !Note.empty() && FLastExportOutcome == TExportOutcome::Completed)
        WriteStdErr(Note);
    } catch (const EExportRefused& Refusal) {
      // Refused before anything was written: the export did not start.
      FExitStatus = ExitStatus::NotStarted;
      WriteStdErr(Refusal.Message());
    } catch (const std::exception& Error) {
      FExitStatus = ExitStatus::ExportFailed;
      WriteStdErr(ErrorBoxText(Error.what()));
      Dialogs().MessageBox(this, "There was an exception during the export", "Exception raised!",
                           TMsgDlgType::Warning, mbOK);
    } catch (...) {
      FExitStatus = ExitStatus::ExportFailed;
      WriteStdErr(ErrorBoxText("Unknown error"));
      Dialogs().MessageBox(this, "There was an exception during the export", "Exception raised!",
                           TMsgDlgType::Warning, mbOK);
    }
  } else {
    FExitStatus = ExitStatus::NotStarted;
    WriteStdErr(BatchNotStartedReason());
  }
  close();
}

// ---- Main window --------------------------------------------------------------------------

void TForm1::EditSignal1Change() {
  FRzSpinEdit1->setMinimum(1);
  FRzSpinEdit1->setEnabled(false);
  FSignalList.clear();
  const std::string FileName = Text(FEditSignal1);
  if (FileExists(FileName))
    FillSignalList(FileName, FSignalList);
  else
    FLabel5->setText(QString::fromUtf8(NoValidFile));
  if (!FSignalList.empty()) {
    FRzSpinEdit1->setValue(1);
    FRzSpinEdit1->setMaximum(static_cast<int>(FSignalList.size()));
    FRzSpinEdit1->setEnabled(true);
    SetFileNameText(FEditSignalInfoOut, ChangeFileExt(FileName, ".txt"));
    SetFileNameText(FEditSignalDataOut, ChangeFileExt(FileName, ".ascii"));
    // The value may have been 1 already, which raises no change: show the new file's signal.
    ShowSelectedSignal();
  }
  UpdateExportButton();
}

void TForm1::FillSignalList(const std::string& FileName, std::vector<std::string>& List) {
  List.clear();
  TEDFFile File;
  OpenForReading(File, FileName, true);
  if (!OpenFileRefusal(File).empty()) {
    FLabel5->setText(QString::fromUtf8(NoValidFile));
    return;
  }
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  for (int32_t i = 0; i < Info.NrSignals(); ++i) {
    const TCustomEDFSignalInfo& Signal = *File.GetSignal(i);
    List.push_back(SignalDescription(Signal, Info));
  }
}

void TForm1::RzSpinEdit1Change() {
  ShowSelectedSignal();
}

void TForm1::ShowSelectedSignal() {
  const int Index = FRzSpinEdit1->value() - 1;
  if (Index >= 0 && static_cast<std::size_t>(Index) < FSignalList.size())
    FLabel5->setText(QString::fromStdString(FSignalList[static_cast<std::size_t>(Index)]));
}

void TForm1::UpdatePreview() {
  const int Index = FRzSpinEdit1->value() - 1;
  // A batch run exports at once; nobody looks at the preview.
  if (FBatchMode || FindCmdLineSwitch("batch") || Index < 0 ||
      static_cast<std::size_t>(Index) >= FSignalList.size())
    FPreview->Clear();
  else
    FPreview->ShowSignal(Text(FEditSignal1), Index);
}

void TForm1::UpdateExportButton() {
  FBtnExport->setEnabled(!IsBlank(FEditSignal1->text()) && FRzSpinEdit1->isEnabled() &&
                         !IsBlank(FEditSignalInfoOut->text()) &&
                         !IsBlank(FEditSignalDataOut->text()));
}

void TForm1::Button1Click() {
  std::string FileName = Text(FEditSignal1);
  if (Dialogs().OpenFileDialog(this, FileName))
    SetFileNameText(FEditSignal1, FileName);
}

bool TForm1::BrowseOutput(QLineEdit* Edit) {
  std::string FileName = Text(Edit);
  const bool Chosen = Dialogs().SaveFileDialog(this, SaveDialogTitle, FileName);
  if (Chosen)
    SetFileNameText(Edit, FileName);
  UpdateExportButton();
  return Chosen;
}

void TForm1::Button3Click() {
  BrowseOutput(FEditSignalInfoOut);
}

void TForm1::Button4Click() {
  BrowseOutput(FEditSignalDataOut);
}

void TForm1::BtnCloseClick() {
  close();
}

void TForm1::About1Click() {
  TNaloAboutForm Box(this);
  Box.SetProgramName("Velastrin");
  Box.SetDescription("Program to export an EDF signal to an ASCII\ntext file with user "
                     "selectable separators.\nUse commandline parameter /? or /h for help");
  Box.SetEmailAddress(VelastrinEmailAddress);
  Box.SetWebAddress(VelastrinWebAddress);
  Box.exec();
}

// ---- Export run ---------------------------------------------------------------------------

void TForm1::BtnExportClick() {
  FLastExportOutcome = TExportOutcome::NotRun;
  const std::string InputName = Text(FEditSignal1);
  const std::string InfoName = Text(FEditSignalInfoOut);
  const std::string DataName = Text(FEditSignalDataOut);
  // Before any question and before anything is opened for writing.
  if (const std::string Clash = OutputClash(InputName, InfoName, DataName); !Clash.empty())
    throw EExportRefused(Clash);
  // The signal list and preview show a BDF file; only velastrin export writes it out.
  if (InputRefusal(InputName) == BDFExportRefusal)
    throw EExportRefused("\"" + InputName + "\": " + std::string(BDFExportRefusal));
  if (!FBatchMode && !AnnotationExportConfirmed(this, InputName, FRzSpinEdit1->value()))
    return;
  if (!FBatchMode && (FileExists(InfoName) || FileExists(DataName)) &&
      Dialogs().MessageBox(this,
                           "One or more output files already exist!\r\n\r\n"
                           "Do you want to overwrite these files?",
                           "Overwrite file(s)", TMsgDlgType::Confirmation,
                           mbYes | mbNo) != TModalResult::Yes)
    return;

  FBtnExport->setEnabled(false);
  TScopeExit EnableExport([this] { FBtnExport->setEnabled(true); });

  bool Completed = false;
  {
    auto File = std::make_unique<TEDFFile>();
    OpenForReading(*File, InputName);
    VELASTRIN_ASSERT(File->IsValid(), "Not a valid EDFFile!");
    if (const std::string Refusal = OpenFileRefusal(*File); !Refusal.empty())
      throw EExportRefused(std::string(NoValidFile) + ": \"" + InputName + "\": " + Refusal);
    FSeparator = SeparatorText(RadioGroup1ItemIndex());
    const int SignalNumber = FRzSpinEdit1->value();
    // A formula from a physical limit that could not be read would be a wrong result.
    if (const std::string Refusal = SignalRefusal(*File, SignalNumber); !Refusal.empty())
      throw EExportRefused("\"" + InputName + "\": " + Refusal);
    THourglass Hourglass;
    WriteSignalInfo(*File, SignalNumber, InfoName);
    Completed = WriteSignalData(*File, SignalNumber, DataName);
  }
  FLastExportOutcome = Completed ? TExportOutcome::Completed : TExportOutcome::Cancelled;
  if (!FBatchMode && Completed)
    Dialogs().MessageBox(this, "The signal has been exported!", "Export Successful",
                         TMsgDlgType::Information, mbOK);
}

void TForm1::WriteSignalInfo(TEDFFile& File, int SignalNumber, const std::string& FileName) {
  TTextFileWriter Writer(FileName);
  ExportSignalInfo(File, SignalNumber, ExportOptions(FSeparator, FormatSettings()), Writer);
  Writer.Close();
}

bool TForm1::WriteSignalData(TEDFFile& File, int SignalNumber, const std::string& FileName) {
  TTextFileWriter Writer(FileName, DataWriterBufferSize);
  bool Completed = false;
  {
    auto Dialog = std::make_unique<TFormProgress>();
    Dialog->setWindowTitle(QStringLiteral("ASCII conversion"));
    if (Headless())
      Dialog->setUpdatesEnabled(false); // nobody sees it: the bar is not painted
    TTaskWindowsDisabler OnlyTheDialog(Dialog.get());
    Dialog->show();
    // Pending events are processed whenever the percentage moves and at least every
    // EventInterval, not once per record: the bar still moves at every percent and a click
    // on Cancel still stops the export before the next record.
    auto LastEvents = std::chrono::steady_clock::now();
    int Shown = -1;
    const TExportProgress Progress = [&](int64_t Record, int64_t RecordCount) {
      const int Percent = ProgressPercentage(Record, RecordCount);
      Dialog->SetPercentage(Percent);
      if (FRecordHook)
        FRecordHook(Record, *Dialog);
      const auto Now = std::chrono::steady_clock::now();
      if (Percent != Shown || Now - LastEvents >= EventInterval) {
        Shown = Percent;
        QCoreApplication::processEvents();
        LastEvents = std::chrono::steady_clock::now();
      }
      if (!Dialog->Cancelled())
        return true;
      Dialogs().MessageBox(Dialog.get(), "The user has cancelled the conversion", "User abort",
                           TMsgDlgType::Error, mbOK);
      return false;
    };
    Completed = ExportSignalData(File, SignalNumber, ExportOptions(FSeparator, FormatSettings()),
                                 Writer, Progress);
  }
  Writer.Close();
  return Completed;
}

// ---- Program ------------------------------------------------------------------------------

int RunProgram(int argc, char** argv) {
  // Without any display the program still runs: batch exports on servers and in scripts.
  const bool NoDisplay = !EnvironmentSet("DISPLAY") && !EnvironmentSet("WAYLAND_DISPLAY") &&
                         !EnvironmentSet("QT_QPA_PLATFORM");
  if (NoDisplay)
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // On a platform without screen nobody can answer a box: it goes to standard error instead.
  const QByteArray Platform = qgetenv("QT_QPA_PLATFORM");
  const bool Offscreen = Platform.startsWith("offscreen") || Platform.startsWith("minimal");
  if (Offscreen) {
    // Standard error is the program's report to the script: keep the platform's chatter
    // about the offscreen surface out of it.
    qInstallMessageHandler([](QtMsgType Type, const QMessageLogContext&, const QString& Text) {
      if (Type == QtCriticalMsg || Type == QtFatalMsg)
        WriteStdErr(Text.toStdString());
    });
  }
  SetHeadless(Offscreen);

  SetCommandLine(argc, argv);
  InitFormatSettingsFromEnvironment();
  InitUnit_udroot();
  InitUnit_uMath();
  InitUnit_udStr();
  InitUnit_uDateTime();
  InitUnit_uTAL();
  InitUnit_uUCS();
  InitUnit_udDisk();
  InitUnit_uEDF();

  // Qt reads only the program name: the parameters are the program's own.
  int QtArgc = 1;
  char* QtArgv[] = {argv[0], nullptr};
  TVelastrinApplication Application(QtArgc, QtArgv);
  SetApplicationTitle(ApplicationTitleFromPath(ParamStr(0)));
  QApplication::setApplicationName(
      QFile::decodeName(QByteArray::fromStdString(ApplicationTitle())));

  const bool Help = FindCmdLineSwitch("?") || FindCmdLineSwitch("h");
  if (Offscreen && (Help || !FindCmdLineSwitch("batch"))) {
    // Nobody could use the window: say why, and how to run the program instead.
    if (NoDisplay && !Help)
      WriteStdErr("velastrin: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are "
                  "not set); export with /BATCH, or see \"velastrin --help\" for the commands "
                  "that need none.\n");
    WriteStdErr(CommandLineHelpText());
    return ExitStatus::NotStarted;
  }

  TForm1 Form;
  SetMainForm(&Form);
  // Without a screen the windows still open and close as always, but nothing is painted.
  if (Offscreen)
    Form.setUpdatesEnabled(false);
  Form.show();
  QApplication::exec();
  return Form.ExitStatus();
}

} // namespace velastrin
