#include "app/tests/AppTestSupport.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace velastrin::testing {

namespace {

// One offscreen application object for the whole test program.
class TQtEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    FApplication = new QApplication(FArgc, FArgv);
    SetApplicationTitle("Velastrin");
  }
  void TearDown() override {
    delete FApplication;
    FApplication = nullptr;
  }

private:
  int FArgc = 1;
  char FName[16] = "app_tests";
  char* FArgv[2] = {FName, nullptr};
  QApplication* FApplication = nullptr;
};

[[maybe_unused]] ::testing::Environment* const QtEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace

TModalResult TRecordingDialogs::MessageBox(QWidget*, const std::string& Text,
                                           const std::string& Caption, TMsgDlgType Icon,
                                           TMsgDlgButtons Buttons) {
  Boxes.push_back({Text, Caption, Icon, Buttons});
  if (!Answers.empty()) {
    const TModalResult Answer = Answers.front();
    Answers.pop_front();
    return Answer;
  }
  return (Buttons & mbYes) ? TModalResult::Yes : TModalResult::Ok;
}

bool TRecordingDialogs::OpenFileDialog(QWidget*, std::string& FileName) {
  FileDialogPresets.push_back(FileName);
  FileDialogTitles.push_back("");
  if (FileDialogAccepts)
    FileName = FileDialogChoice;
  return FileDialogAccepts;
}

bool TRecordingDialogs::SaveFileDialog(QWidget*, const std::string& Title, std::string& FileName) {
  FileDialogPresets.push_back(FileName);
  FileDialogTitles.push_back(Title);
  if (FileDialogAccepts)
    FileName = FileDialogChoice;
  return FileDialogAccepts;
}

} // namespace velastrin::testing
