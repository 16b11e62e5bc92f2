#include "about/About.h"

#include "about/BoxList.h"
#include "about/LogoData.h"
#include "about/VersionRecord.h"
#include "about/verslab.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

using namespace velastrin;

namespace {

const std::string Description =
    "Program to export an EDF signal to an ASCII\ntext file with user "
    "selectable separators.\nUse commandline parameter /? or /h for help";

// The form as the main window's About item fills it, with links recorded instead of opened.
struct TAboutFixture : testing::Test {
  TAboutFixture() {
    Form.SetLinkOpener([this](const std::string& Link) { Opened.push_back(Link); });
    Form.SetProgramName("Velastrin");
    Form.SetDescription(Description);
    Form.SetEmailAddress(VelastrinEmailAddress);
    Form.SetWebAddress(VelastrinWebAddress);
  }
  TNaloAboutForm Form;
  std::vector<std::string> Opened;
};

void SendMouse(QWidget* Widget, QEvent::Type Type) {
  const QPointF Inside(Widget->width() / 2.0, Widget->height() / 2.0);
  QMouseEvent Event(Type, Inside, Widget->mapToGlobal(Inside), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(Widget, &Event);
}

void Click(QWidget* Widget) {
  SendMouse(Widget, QEvent::MouseButtonPress);
  SendMouse(Widget, QEvent::MouseButtonRelease);
}

std::string OwnEntry(const char* Name) {
  return *OwnVersionRecord().Find(std::string("\\StringFileInfo\\040904b0\\") + Name);
}

} // namespace

TEST_F(TAboutFixture, WindowIsAFixedWhiteBoxCaptionedAbout) {
  EXPECT_EQ(Form.windowTitle().toStdString(), "About");
  EXPECT_EQ(Form.minimumSize(), QSize(442, 249));
  EXPECT_EQ(Form.maximumSize(), QSize(442, 249));
  EXPECT_EQ(Form.palette().color(QPalette::Window), QColor(Qt::white));
  EXPECT_EQ(Form.font().pixelSize(), 13);
  EXPECT_TRUE(Form.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(Form.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(Form.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(Form.windowFlags() & Qt::WindowContextHelpButtonHint);
}

struct TPlaceCase {
  const char* Name;
  QWidget* (*Control)(const TNaloAboutForm&);
  QRect Expected; // width and height 0: only the position is fixed
  friend void PrintTo(const TPlaceCase& C, std::ostream* Os) { *Os << C.Name; }
};

class AboutControlPlace : public testing::TestWithParam<TPlaceCase> {};

TEST_P(AboutControlPlace, StandsWhereTheLayoutPutsIt) {
  TNaloAboutForm Form;
  const QWidget* Control = GetParam().Control(Form);
  ASSERT_NE(Control, nullptr);
  EXPECT_EQ(Control->parentWidget(), &Form);
  EXPECT_EQ(Control->pos(), GetParam().Expected.topLeft());
  if (GetParam().Expected.width() > 0) {
    EXPECT_EQ(Control->size(), GetParam().Expected.size());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AboutControlPlace,
    testing::Values(
        TPlaceCase{"Image1", [](const TNaloAboutForm& F) -> QWidget* { return F.Image1(); },
                   QRect(16, 184, 241, 57)},
        TPlaceCase{"Image2", [](const TNaloAboutForm& F) -> QWidget* { return F.Image2(); },
                   QRect(16, 16, 65, 73)},
        TPlaceCase{"Label1", [](const TNaloAboutForm& F) -> QWidget* { return F.Label1(); },
                   QRect(120, 16, 0, 0)},
        TPlaceCase{"BoxList1", [](const TNaloAboutForm& F) -> QWidget* { return F.BoxList1(); },
                   QRect(120, 40, 313, 57)},
        TPlaceCase{"VersionLabel1",
                   [](const TNaloAboutForm& F) -> QWidget* { return F.VersionLabel1(); },
                   QRect(16, 104, 0, 0)},
        TPlaceCase{"VersionLabel2",
                   [](const TNaloAboutForm& F) -> QWidget* { return F.VersionLabel2(); },
                   QRect(16, 128, 0, 0)},
        TPlaceCase{"Label2", [](const TNaloAboutForm& F) -> QWidget* { return F.Label2(); },
                   QRect(16, 152, 0, 0)},
        TPlaceCase{"RzURLLabel1",
                   [](const TNaloAboutForm& F) -> QWidget* { return F.RzURLLabel1(); },
                   QRect(68, 152, 0, 0)},
        TPlaceCase{"Button1", [](const TNaloAboutForm& F) -> QWidget* { return F.Button1(); },
                   QRect(360, 208, 75, 25)}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(About, FreshBoxShowsItsDesignTexts) {
  TNaloAboutForm Form;
  EXPECT_EQ(Form.Label1()->text().toStdString(), "ProgramName");
  EXPECT_EQ(Form.Label2()->text().toStdString(), "Email");
  EXPECT_TRUE(Form.Label2()->font().bold());
  EXPECT_EQ(Form.Button1()->text().toStdString(), "Ok");
  EXPECT_TRUE(Form.RzURLLabel1()->font().underline());
  EXPECT_EQ(Form.Image2()->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(Form.Image2()->alignment(), Qt::AlignCenter);
}

TEST(About, DescriptionListIsPlainWrappedAndWhite) {
  TNaloAboutForm Form;
  const TBoxList* List = Form.BoxList1();
  EXPECT_TRUE(List->WordWrap());
  EXPECT_FALSE(List->Numbered());
  EXPECT_EQ(List->CurentItem(), 0);
  EXPECT_EQ(List->Spacing(), 0);
  EXPECT_EQ(List->Margin(), 0);
  EXPECT_EQ(List->Background(), QColor(Qt::white));
}

TEST_F(TAboutFixture, ShowsProgramNameDescriptionVersionAndCopyright) {
  EXPECT_EQ(Form.ProgramName(), "Velastrin");
  EXPECT_EQ(Form.Label1()->text().toStdString(), "Velastrin");
  EXPECT_EQ(Form.Description(), Description);
  EXPECT_EQ(Form.BoxList1()->Items(),
            (std::vector<std::string>{"Program to export an EDF signal to an ASCII",
                                      "text file with user selectable separators.",
                                      "Use commandline parameter /? or /h for help"}));
  EXPECT_EQ(Form.VersionLabel1()->text().toStdString(), "Version " +
                                                            std::string(VELASTRIN_PROJECT_VERSION) +
                                                            "." + VELASTRIN_BUILD_NUMBER_TEXT);
  EXPECT_EQ(Form.VersionLabel2()->text().toStdString(),
            "Copyright \u00a9 " + OwnEntry("LegalCopyright"));
  EXPECT_EQ(Form.VersionLabel1()->VersionResource(), vrFileVersion);
  EXPECT_EQ(Form.VersionLabel2()->VersionResource(), vrLegalCopyright);
  EXPECT_EQ(Form.RzURLLabel1()->text().toStdString(), VelastrinEmailAddress);
}

struct TLinesCase {
  const char* Name;
  const char* Text;
  std::vector<std::string> Lines;
  friend void PrintTo(const TLinesCase& C, std::ostream* Os) { *Os << C.Name; }
};

class AboutDescriptionLines : public testing::TestWithParam<TLinesCase> {};

TEST_P(AboutDescriptionLines, EndAtLineFeedCarriageReturnOrBoth) {
  TNaloAboutForm Form;
  Form.SetDescription(GetParam().Text);
  EXPECT_EQ(Form.BoxList1()->Items(), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AboutDescriptionLines,
    testing::Values(TLinesCase{"LineFeeds", "a\nb\nc", {"a", "b", "c"}},
                    TLinesCase{"CarriageReturns", "a\rb", {"a", "b"}},
                    TLinesCase{"BothTogether", "a\r\nb", {"a", "b"}},
                    TLinesCase{"EmptyLineKept", "a\n\nb", {"a", "", "b"}},
                    TLinesCase{"TrailingBreak", "a\n", {"a"}},
                    TLinesCase{"LineFeedThenReturnIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
                    TLinesCase{"Empty", "", {}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct TLinkCase {
  const char* Name;
  const char* Given;
  const char* Link;
  friend void PrintTo(const TLinkCase& C, std::ostream* Os) { *Os << C.Name; }
};

class AboutEmailLink : public testing::TestWithParam<TLinkCase> {};

TEST_P(AboutEmailLink, FollowsTheMailtoRule) {
  TNaloAboutForm Form;
  Form.SetEmailAddress(GetParam().Given);
  EXPECT_EQ(Form.EmailLink(), GetParam().Link);
  EXPECT_EQ(Form.RzURLLabel1()->text().toStdString(), GetParam().Given);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AboutEmailLink,
    testing::Values(
        TLinkCase{"PlainAddress", "support@velastrin.org", "mailto: support@velastrin.org"},
        TLinkCase{"UpperCaseMailto", "MAILTO: a@b.org", "MAILTO: a@b.org"},
        TLinkCase{"LowerCaseMailto", "mailto: a@b.org", "mailto: a@b.org"},
        TLinkCase{"MixedCaseMailtoInside", "Write to MailTo: a@b.org", "Write to MailTo: a@b.org"},
        TLinkCase{"MailtoWithoutBlank", "mailto:a@b.org", "mailto:a@b.org"},
        TLinkCase{"NameContainingMailto", "mailtoy@b.org", "mailto: mailtoy@b.org"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

class AboutWebAddress : public testing::TestWithParam<TLinkCase> {};

TEST_P(AboutWebAddress, GetsOneSchemeAndBecomesTheHint) {
  TNaloAboutForm Form;
  Form.SetWebAddress(GetParam().Given);
  EXPECT_EQ(Form.WebAddress(), GetParam().Link);
  EXPECT_EQ(Form.Image2()->toolTip().toStdString(), GetParam().Link);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AboutWebAddress,
    testing::Values(TLinkCase{"BareHost", "velastrin.org", "http://velastrin.org"},
                    TLinkCase{"HttpAlready", "http://velastrin.org", "http://velastrin.org"},
                    TLinkCase{"HttpsKeptAsItIs", "https://velastrin.org", "https://velastrin.org"},
                    TLinkCase{"UpperCaseScheme", "HTTP://VELASTRIN.ORG", "HTTP://VELASTRIN.ORG"},
                    TLinkCase{"Empty", "", ""}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(TAboutFixture, ClickOnTheIconOpensTheWebAddress) {
  Click(Form.Image2());
  EXPECT_EQ(Opened, std::vector<std::string>{"http://velastrin.org"});
}

TEST_F(TAboutFixture, ClickOnTheAddressOpensANewMail) {
  Click(Form.RzURLLabel1());
  EXPECT_EQ(Opened, std::vector<std::string>{"mailto: support@velastrin.org"});
}

TEST_F(TAboutFixture, DoubleClickOnEmailDoesNothingAsNoLinkIsStoredThere) {
  SendMouse(Form.Label2(), QEvent::MouseButtonDblClick);
  Click(Form.Label2());
  EXPECT_TRUE(Opened.empty());
}

TEST_F(TAboutFixture, ClickOnTheIconWithoutWebAddressOpensNothing) {
  Form.SetWebAddress("");
  Click(Form.Image2());
  EXPECT_TRUE(Opened.empty());
}

TEST(About, LinksBecomeUrlsTheDesktopUnderstands) {
  const QUrl Mail = LinkToUrl("mailto: support@velastrin.org");
  EXPECT_EQ(Mail.scheme().toStdString(), "mailto");
  EXPECT_EQ(Mail.path().toStdString(), "support@velastrin.org");
  EXPECT_EQ(LinkToUrl("MAILTO: a@b.org").path().toStdString(), "a@b.org");
  const QUrl Web = LinkToUrl("http://velastrin.org");
  EXPECT_EQ(Web.scheme().toStdString(), "http");
  EXPECT_EQ(Web.host().toStdString(), "velastrin.org");
}

TEST_F(TAboutFixture, OkEndsTheModalBoxWithResultOk) {
  QTimer::singleShot(0, Form.Button1(), [this] { Form.Button1()->click(); });
  EXPECT_EQ(Form.exec(), QDialog::Accepted);
}

TEST_F(TAboutFixture, ClosingEndsTheModalBoxWithoutOk) {
  QTimer::singleShot(0, &Form, [this] { Form.close(); });
  EXPECT_EQ(Form.exec(), QDialog::Rejected);
}

TEST(About, BuiltInPicturesFillBothImages) {
  TNaloAboutForm Form;
  EXPECT_EQ(Form.Image1()->pixmap().size(), QSize(241, 57));
  EXPECT_EQ(Form.Image2()->pixmap().size(), QSize(32, 32));
}

TEST_F(TAboutFixture, DamagedPicturesLeaveTheImagesEmptyAndTheBoxStillOpens) {
  const std::size_t Half = VelastrinLogoJpegSize / 2;
  const unsigned char Garbage[] = {0xFF, 0xD8, 0xFF, 0x00, 0x12};
  Form.LoadPictures(VelastrinLogoJpeg, Half, Garbage, sizeof Garbage);
  EXPECT_TRUE(Form.Image1()->pixmap().isNull());
  EXPECT_TRUE(Form.Image2()->pixmap().isNull());
  QTimer::singleShot(0, Form.Button1(), [this] {
    EXPECT_TRUE(Form.isVisible());
    Form.Button1()->click();
  });
  EXPECT_EQ(Form.exec(), QDialog::Accepted);
}
