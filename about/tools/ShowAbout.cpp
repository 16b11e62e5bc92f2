// Shows the About box as the main window's About item does, for looking at it on a desktop.
//
//   velastrin_show_about                  show it until Ok or the close box
//   velastrin_show_about <file.png>       show it, save a screen shot of it and close

#include "about/About.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  velastrin::TNaloAboutForm Form;
  Form.SetProgramName("Velastrin");
  Form.SetDescription("Program to export an EDF signal to an ASCII\ntext file with user "
                      "selectable separators.\nUse commandline parameter /? or /h for help");
  Form.SetEmailAddress(velastrin::VelastrinEmailAddress);
  Form.SetWebAddress(velastrin::VelastrinWebAddress);
  if (argc > 1) {
    const QString FileName = QString::fromLocal8Bit(argv[1]);
    QTimer::singleShot(700, &Form, [&Form, FileName] {
      const QRect Frame = Form.frameGeometry();
      const QPixmap Shot = QGuiApplication::primaryScreen()->grabWindow(
          0, Frame.x(), Frame.y(), Frame.width(), Frame.height());
      if (!Shot.save(FileName))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(FileName));
      Form.accept();
    });
  }
  return Form.exec() == QDialog::Accepted ? 0 : 1;
}
