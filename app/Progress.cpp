#include "app/Progress.h"

#include "app/Dialogs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace velastrin {

namespace {
constexpr int ClientWidth = 295;
constexpr int ClientHeight = 115;
} // namespace

TFormProgress::TFormProgress(QWidget* Owner)
    : QDialog(Owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(QStringLiteral("FormProgress"));
  setFixedSize(ClientWidth, ClientHeight);
  setFont(FormFont());

  FRzButton1 = new QPushButton(QStringLiteral("Cancel"), this);
  FRzButton1->setGeometry(108, 80, 75, 25);
  FRzButton1->setAutoDefault(false);

  FProgressBar = new QProgressBar(this);
  FProgressBar->setGeometry(8, 16, 277, 20);
  FProgressBar->setRange(0, 100);
  FProgressBar->setValue(0);
  FProgressBar->setTextVisible(true);
  FProgressBar->setAlignment(Qt::AlignCenter);
  FProgressBar->setFormat(QStringLiteral("%p%"));

  FRzLabel1 = new QLabel(QStringLiteral("Progress"), this);
  FRzLabel1->move(116, 48);
  FRzLabel1->adjustSize();

  connect(FRzButton1, &QPushButton::clicked, this, [this] { RzButton1Click(); });
  FRzButton1->setFocus();
}

void TFormProgress::SetPercentage(int Percent) {
  if (Percent == FProgressBar->value())
    return;
  FProgressBar->setValue(Percent);
  FProgressBar->repaint();
}

void TFormProgress::RzButton1Click() {
  FCancelled = true;
}

void TFormProgress::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  // Over the owner, or over the main window when there is none.
  QWidget* Over = parentWidget() ? parentWidget()->window() : MainForm();
  QRect Area;
  if (Over && Over != this && Over->isVisible())
    Area = Over->frameGeometry();
  else if (screen())
    Area = screen()->availableGeometry();
  if (Area.isValid())
    move(Area.center() - rect().center());
}

void TFormProgress::closeEvent(QCloseEvent* Event) {
  Event->ignore();
}

void TFormProgress::reject() {}

TTaskWindowsDisabler::TTaskWindowsDisabler(QWidget* Keep) {
  const auto Windows = QApplication::topLevelWidgets();
  for (QWidget* Window : Windows) {
    if (Window == Keep || !Window->isEnabled() || Window->windowType() == Qt::Desktop)
      continue;
    Window->setEnabled(false);
    FDisabled.emplace_back(Window);
  }
}

TTaskWindowsDisabler::~TTaskWindowsDisabler() {
  for (const auto& Window : FDisabled)
    if (Window)
      Window->setEnabled(true);
}

} // namespace velastrin
