// The application's services around its windows: message boxes, the open and save dialogs,
// the default error box, the application title and the main form. Message boxes and file
// dialogs go through one replaceable object so that tests can answer and record them.
#pragma once

#include <exception>
#include <string>

class QFont;
class QWidget;

namespace velastrin {

enum class TMsgDlgType { Warning, Error, Information, Confirmation };

using TMsgDlgButtons = unsigned;
inline constexpr TMsgDlgButtons mbYes = 1;
inline constexpr TMsgDlgButtons mbNo = 2;
inline constexpr TMsgDlgButtons mbOK = 4;

enum class TModalResult { None, Ok, Yes, No };

class TDialogs {
public:
  virtual ~TDialogs() = default;
  // Shows a modal message box and returns the button pressed.
  virtual TModalResult MessageBox(QWidget* Owner, const std::string& Text,
                                  const std::string& Caption, TMsgDlgType Icon,
                                  TMsgDlgButtons Buttons) = 0;
  // Open dialog with default settings, preset with FileName; on OK FileName is the choice.
  virtual bool OpenFileDialog(QWidget* Owner, std::string& FileName) = 0;
  // Save dialog titled Title that does not ask before overwriting, preset with FileName.
  virtual bool SaveFileDialog(QWidget* Owner, const std::string& Title, std::string& FileName) = 0;
};

// The dialogs of the platform. Without a display (Headless) a message box writes its caption
// and text to standard error and takes its default answer (Yes or OK); file dialogs cancel.
class TQtDialogs : public TDialogs {
public:
  TModalResult MessageBox(QWidget* Owner, const std::string& Text, const std::string& Caption,
                          TMsgDlgType Icon, TMsgDlgButtons Buttons) override;
  bool OpenFileDialog(QWidget* Owner, std::string& FileName) override;
  bool SaveFileDialog(QWidget* Owner, const std::string& Title, std::string& FileName) override;
};

// The dialogs in use; SetDialogs(nullptr) returns to the platform's.
TDialogs& Dialogs();
void SetDialogs(TDialogs* Replacement);

// The program runs without a display, on the offscreen platform.
bool Headless();
void SetHeadless(bool Value);

// The caption of the default error box.
const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& Title);
// The executable's file name up to its first ".", every letter after the first in lower case.
std::string ApplicationTitleFromPath(const std::string& ExePath);

// The window a dialog without owner is centred over.
QWidget* MainForm();
void SetMainForm(QWidget* Form);

// The font of the program's windows: "MS Sans Serif" of 13 pixels, or, where that family is
// missing, the nearest sans-serif at a size that keeps the captions inside their places.
QFont FormFont();

// The text of the default error box: Message with a full stop appended when its last
// character lies above ".".
std::string ErrorBoxText(const std::string& Message);
// The default error box for an error that left an event handler: the message, the
// application title as caption, an error icon and an OK button.
void ShowException(const std::exception& Error);
void ShowUnknownException();

// Runs an event handler and turns any error leaving it into the default error box, so that
// no exception crosses the event loop. Returns whether Handler ended normally.
template <typename F> bool RunHandler(F&& Handler) {
  try {
    Handler();
    return true;
  } catch (const std::exception& Error) {
    ShowException(Error);
  } catch (...) {
    ShowUnknownException();
  }
  return false;
}

} // namespace velastrin
