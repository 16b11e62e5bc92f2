#include "about/About.h"

#include "about/BoxList.h"
#include "about/JpegImage.h"
#include "about/LogoData.h"
#include "about/verslab.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

#include <algorithm>
#include <cctype>

namespace velastrin {

namespace {

std::string UpperCase(std::string S) {
  std::transform(S.begin(), S.end(), S.begin(),
                 [](unsigned char C) { return static_cast<char>(std::toupper(C)); });
  return S;
}

std::string Trimmed(const std::string& S) {
  std::size_t B = 0, E = S.size();
  while (B < E && static_cast<unsigned char>(S[B]) <= ' ')
    ++B;
  while (E > B && static_cast<unsigned char>(S[E - 1]) <= ' ')
    --E;
  return S.substr(B, E - B);
}

// Lines end at a line feed, a carriage return, or a carriage return and line feed.
std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::size_t Start = 0;
  while (Start < Text.size()) {
    const std::size_t End = Text.find_first_of("\r\n", Start);
    if (End == std::string::npos) {
      Lines.push_back(Text.substr(Start));
      break;
    }
    Lines.push_back(Text.substr(Start, End - Start));
    Start = End + 1;
    if (Text[End] == '\r' && Start < Text.size() && Text[Start] == '\n')
      ++Start;
  }
  return Lines;
}

QLabel* MakeLabel(QWidget* Parent, const char* Text, int Left, int Top) {
  auto* Label = new QLabel(QString::fromUtf8(Text), Parent);
  Label->move(Left, Top);
  Label->adjustSize();
  return Label;
}

} // namespace

QUrl LinkToUrl(const std::string& Link) {
  const std::string Upper = UpperCase(Link);
  if (const std::size_t At = Upper.find("MAILTO:"); At != std::string::npos)
    return QUrl(QString::fromStdString("mailto:" + Trimmed(Link.substr(At + 7))));
  return QUrl(QString::fromStdString(Trimmed(Link)), QUrl::TolerantMode);
}

TNaloAboutForm::TNaloAboutForm(QWidget* Owner)
    : QDialog(Owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      FLinkOpener([](const std::string& Link) { QDesktopServices::openUrl(LinkToUrl(Link)); }) {
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(442, 249);
  QFont Font(QStringLiteral("MS Sans Serif"));
  Font.setPixelSize(13);
  setFont(Font);
  QPalette White = palette();
  White.setColor(QPalette::Window, Qt::white);
  White.setColor(QPalette::Base, Qt::white);
  setPalette(White);
  setAutoFillBackground(true);

  FImage1 = new QLabel(this);
  FImage1->setGeometry(16, 184, 241, 57);
  FImage1->setAttribute(Qt::WA_TranslucentBackground);

  FImage2 = new QLabel(this);
  FImage2->setGeometry(16, 16, 65, 73);
  FImage2->setAlignment(Qt::AlignCenter);
  FImage2->setCursor(Qt::PointingHandCursor);
  FImage2->installEventFilter(this);

  FLabel1 = MakeLabel(this, "ProgramName", 120, 16);

  FBoxList1 = new TBoxList(this);
  FBoxList1->setGeometry(120, 40, 313, 57);
  FBoxList1->SetWordWrap(true);
  FBoxList1->SetNumbered(false);
  FBoxList1->SetCurentItem(0);
  FBoxList1->SetSpacing(0);
  FBoxList1->SetMargin(0);
  FBoxList1->SetBackground(Qt::white);

  FVersionLabel1 = new TVersionLabel(this);
  FVersionLabel1->move(16, 104);
  FVersionLabel1->SetVersionResource(vrFileVersion);
  FVersionLabel1->SetInfoPrefix("Version");

  FVersionLabel2 = new TVersionLabel(this);
  FVersionLabel2->move(16, 128);
  FVersionLabel2->SetVersionResource(vrLegalCopyright);
  FVersionLabel2->SetInfoPrefix("Copyright \u00a9");

  FLabel2 = MakeLabel(this, "Email", 16, 152);
  QFont Bold = FLabel2->font();
  Bold.setBold(true);
  FLabel2->setFont(Bold);
  FLabel2->adjustSize();
  FLabel2->setCursor(Qt::PointingHandCursor);
  FLabel2->installEventFilter(this);

  FRzURLLabel1 = MakeLabel(this, "", 68, 152);
  QFont Underlined = FRzURLLabel1->font();
  Underlined.setUnderline(true);
  FRzURLLabel1->setFont(Underlined);
  QPalette Link = FRzURLLabel1->palette();
  Link.setColor(QPalette::WindowText, Link.color(QPalette::Highlight));
  FRzURLLabel1->setPalette(Link);
  FRzURLLabel1->setCursor(Qt::PointingHandCursor);
  FRzURLLabel1->installEventFilter(this);

  FButton1 = new QPushButton(QStringLiteral("Ok"), this);
  FButton1->setGeometry(360, 208, 75, 25);
  FButton1->setDefault(true);
  connect(FButton1, &QPushButton::clicked, this, [this] { Button1Click(); });

  LoadPictures(VelastrinLogoJpeg, VelastrinLogoJpegSize, VelastrinIconJpeg, VelastrinIconJpegSize);
}

TNaloAboutForm::~TNaloAboutForm() = default;

void TNaloAboutForm::LoadPictures(const unsigned char* Logo, std::size_t LogoSize,
                                  const unsigned char* Icon, std::size_t IconSize) {
  FImage1->setPixmap(QPixmap::fromImage(DecodeJpeg(Logo, LogoSize)));
  FImage2->setPixmap(QPixmap::fromImage(DecodeJpeg(Icon, IconSize)));
}

void TNaloAboutForm::SetProgramName(const std::string& Value) {
  FProgramName = Value;
  FLabel1->setText(QString::fromStdString(Value));
  FLabel1->adjustSize();
}

void TNaloAboutForm::SetDescription(const std::string& Value) {
  FDescription = Value;
  FBoxList1->SetItems(SplitLines(Value));
}

void TNaloAboutForm::SetEmailAddress(const std::string& Value) {
  FRzURLLabel1->setText(QString::fromStdString(Value));
  FRzURLLabel1->adjustSize();
  // An address given as a mail link (with or without the blank after the colon) is used as it
  // is; putting a second "mailto: " in front would break the link.
  const std::string Upper = UpperCase(Value);
  if (Upper.find("MAILTO: ") != std::string::npos || Trimmed(Upper).starts_with("MAILTO:"))
    FEmailLink = Value;
  else
    FEmailLink = "mailto: " + Value;
}

void TNaloAboutForm::SetWebAddress(const std::string& Value) {
  // A secure address keeps its own scheme; an empty one stays empty, so there is nothing to open.
  const std::string Upper = UpperCase(Value);
  if (Trimmed(Value).empty())
    FWebAddress.clear();
  else if (Upper.find("HTTP://") != std::string::npos ||
           Upper.find("HTTPS://") != std::string::npos)
    FWebAddress = Value;
  else
    FWebAddress = "http://" + Value;
  FImage2->setToolTip(QString::fromStdString(FWebAddress));
}

void TNaloAboutForm::SetLinkOpener(TLinkOpener Opener) {
  FLinkOpener = std::move(Opener);
}

void TNaloAboutForm::OpenLink(const std::string& Link) const {
  if (!Link.empty() && FLinkOpener)
    FLinkOpener(Link);
}

void TNaloAboutForm::Image2Click() {
  OpenLink(FWebAddress);
}

void TNaloAboutForm::RzURLLabel1Click() {
  OpenLink(FEmailLink);
}

void TNaloAboutForm::Label2DblClick() {
  OpenLink(FEmailLabelLink);
}

void TNaloAboutForm::Button1Click() {
  accept();
}

bool TNaloAboutForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::MouseButtonRelease) {
    const auto* Mouse = static_cast<QMouseEvent*>(Event);
    const auto* Widget = static_cast<QWidget*>(Watched);
    if (Mouse->button() == Qt::LeftButton && Widget->rect().contains(Mouse->position().toPoint())) {
      if (Watched == FImage2) {
        Image2Click();
        return true;
      }
      if (Watched == FRzURLLabel1) {
        RzURLLabel1Click();
        return true;
      }
    }
  } else if (Event->type() == QEvent::MouseButtonDblClick && Watched == FLabel2) {
    Label2DblClick();
    return true;
  }
  return QDialog::eventFilter(Watched, Event);
}

} // namespace velastrin
