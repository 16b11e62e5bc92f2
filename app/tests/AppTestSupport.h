// Shared pieces of the application tests: the offscreen application object and a dialog seam
// that answers and records every box. EDF fixtures and files come from the export tests.
#pragma once

#include "app/Dialogs.h"
#include "export/tests/ExportTestSupport.h"
#include "support/uSysUtils.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace velastrin::testing {

// One message box as the program asked for it.
struct TShownBox {
  std::string Text;
  std::string Caption;
  TMsgDlgType Icon;
  TMsgDlgButtons Buttons;
};

// Answers message boxes from a queue (Yes or OK when it is empty) and file dialogs with a
// preset choice; records everything. Installs itself for its lifetime.
class TRecordingDialogs : public TDialogs {
public:
  TRecordingDialogs() { SetDialogs(this); }
  ~TRecordingDialogs() override { SetDialogs(nullptr); }

  TModalResult MessageBox(QWidget* Owner, const std::string& Text, const std::string& Caption,
                          TMsgDlgType Icon, TMsgDlgButtons Buttons) override;
  bool OpenFileDialog(QWidget* Owner, std::string& FileName) override;
  bool SaveFileDialog(QWidget* Owner, const std::string& Title, std::string& FileName) override;

  std::deque<TModalResult> Answers;
  // The next file dialog's choice; an empty optional-like flag means Cancel.
  bool FileDialogAccepts = false;
  std::string FileDialogChoice;

  std::vector<TShownBox> Boxes;
  std::vector<std::string> FileDialogPresets;
  std::vector<std::string> FileDialogTitles;
};

} // namespace velastrin::testing
