#include "app/Dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontInfo>
#include <QMessageBox>
#include <QPointer>

#include <cstdio>

namespace velastrin {

namespace {

TDialogs* GReplacement = nullptr;
bool GHeadless = false;
std::string GApplicationTitle;
QPointer<QWidget> GMainForm;

// Message texts use CR LF line breaks; Qt and terminals want LF.
std::string WithLineFeeds(std::string Text) {
  for (std::size_t Pos = 0; (Pos = Text.find("\r\n", Pos)) != std::string::npos;)
    Text.erase(Pos, 1);
  return Text;
}

// Texts name files, and file names are in the system's file-name encoding.
QString DisplayText(const std::string& Text) {
  return QFile::decodeName(QByteArray::fromStdString(WithLineFeeds(Text)));
}

QMessageBox::StandardButtons ToQtButtons(TMsgDlgButtons Buttons) {
  QMessageBox::StandardButtons Result;
  if (Buttons & mbYes)
    Result |= QMessageBox::Yes;
  if (Buttons & mbNo)
    Result |= QMessageBox::No;
  if (Buttons & mbOK)
    Result |= QMessageBox::Ok;
  return Result;
}

TModalResult DefaultAnswer(TMsgDlgButtons Buttons) {
  if (Buttons & mbYes)
    return TModalResult::Yes;
  if (Buttons & mbOK)
    return TModalResult::Ok;
  if (Buttons & mbNo)
    return TModalResult::No;
  return TModalResult::None;
}

} // namespace

TModalResult TQtDialogs::MessageBox(QWidget* Owner, const std::string& Text,
                                    const std::string& Caption, TMsgDlgType Icon,
                                    TMsgDlgButtons Buttons) {
  if (GHeadless) {
    // The bytes as they are: a file name in the text reaches the terminal unchanged.
    const std::string Line = WithLineFeeds(Caption) + ": " + WithLineFeeds(Text) + '\n';
    std::fwrite(Line.data(), 1, Line.size(), stderr);
    std::fflush(stderr);
    return DefaultAnswer(Buttons);
  }
  QMessageBox::Icon QtIcon = QMessageBox::Information;
  switch (Icon) {
  case TMsgDlgType::Warning:
    QtIcon = QMessageBox::Warning;
    break;
  case TMsgDlgType::Error:
    QtIcon = QMessageBox::Critical;
    break;
  case TMsgDlgType::Information:
    QtIcon = QMessageBox::Information;
    break;
  case TMsgDlgType::Confirmation:
    QtIcon = QMessageBox::Question;
    break;
  }
  QMessageBox Box(QtIcon, DisplayText(Caption), DisplayText(Text), ToQtButtons(Buttons),
                  Owner ? Owner : MainForm());
  Box.setTextFormat(Qt::PlainText);
  switch (Box.exec()) {
  case QMessageBox::Yes:
    return TModalResult::Yes;
  case QMessageBox::No:
    return TModalResult::No;
  case QMessageBox::Ok:
    return TModalResult::Ok;
  default:
    return TModalResult::None;
  }
}

bool TQtDialogs::OpenFileDialog(QWidget* Owner, std::string& FileName) {
  if (GHeadless)
    return false;
  QFileDialog Dialog(Owner);
  Dialog.setFileMode(QFileDialog::ExistingFile);
  Dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!FileName.empty())
    Dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(FileName)));
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty())
    return false;
  FileName = QFile::encodeName(Dialog.selectedFiles().constFirst()).toStdString();
  return true;
}

bool TQtDialogs::SaveFileDialog(QWidget* Owner, const std::string& Title, std::string& FileName) {
  if (GHeadless)
    return false;
  QFileDialog Dialog(Owner, QString::fromUtf8(Title));
  Dialog.setAcceptMode(QFileDialog::AcceptSave);
  Dialog.setFileMode(QFileDialog::AnyFile); // the folder must exist, the file need not
  Dialog.setOption(QFileDialog::DontConfirmOverwrite, true); // the export asks itself
  Dialog.setFilter(Dialog.filter() | QDir::Hidden);
  if (!FileName.empty())
    Dialog.selectFile(QFile::decodeName(QByteArray::fromStdString(FileName)));
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty())
    return false;
  FileName = QFile::encodeName(Dialog.selectedFiles().constFirst()).toStdString();
  return true;
}

TDialogs& Dialogs() {
  static TQtDialogs Platform;
  return GReplacement ? *GReplacement : Platform;
}

void SetDialogs(TDialogs* Replacement) {
  GReplacement = Replacement;
}

bool Headless() {
  return GHeadless;
}
void SetHeadless(bool Value) {
  GHeadless = Value;
}

const std::string& ApplicationTitle() {
  return GApplicationTitle;
}
void SetApplicationTitle(const std::string& Title) {
  GApplicationTitle = Title;
}

std::string ApplicationTitleFromPath(const std::string& ExePath) {
  const std::size_t Slash = ExePath.find_last_of('/');
  std::string Name = Slash == std::string::npos ? ExePath : ExePath.substr(Slash + 1);
  Name = Name.substr(0, Name.find('.'));
  for (std::size_t i = 1; i < Name.size(); ++i)
    if (Name[i] >= 'A' && Name[i] <= 'Z')
      Name[i] = static_cast<char>(Name[i] - 'A' + 'a');
  return Name;
}

QWidget* MainForm() {
  return GMainForm.data();
}
void SetMainForm(QWidget* Form) {
  GMainForm = Form;
}

QFont FormFont() {
  QFont Font;
  Font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                    QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
  Font.setStyleHint(QFont::SansSerif);
  Font.setPixelSize(13);
  // The layout was drawn for a narrow face; a wider stand-in gets one pixel less.
  const QString Family = QFontInfo(Font).family();
  if (!Family.contains(QStringLiteral("Sans Serif")) && !Family.contains(QStringLiteral("Arial")) &&
      !Family.contains(QStringLiteral("Liberation")))
    Font.setPixelSize(12);
  return Font;
}

std::string ErrorBoxText(const std::string& Message) {
  if (!Message.empty() && static_cast<unsigned char>(Message.back()) > '.')
    return Message + '.';
  return Message;
}

void ShowException(const std::exception& Error) {
  Dialogs().MessageBox(nullptr, ErrorBoxText(Error.what()), ApplicationTitle(), TMsgDlgType::Error,
                       mbOK);
}

void ShowUnknownException() {
  Dialogs().MessageBox(nullptr, ErrorBoxText("Unknown error"), ApplicationTitle(),
                       TMsgDlgType::Error, mbOK);
}

} // namespace velastrin
