// The About box: program name, description, version and copyright from the executable's
// version record, a contact e-mail link and a logo that opens the project's web address.
#pragma once

#include <QDialog>

#include <cstddef>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QUrl;

namespace velastrin {

class TBoxList;
class TVersionLabel;

inline constexpr const char* VelastrinEmailAddress = "support@velastrin.org";
inline constexpr const char* VelastrinWebAddress = "http://velastrin.org";

// The URL handed to the desktop for a link of the box: a mail link loses the blank that may
// follow "mailto:", which a URL cannot carry there.
QUrl LinkToUrl(const std::string& Link);

class TNaloAboutForm : public QDialog {
  Q_OBJECT

public:
  // Opens a link (web or mail); replaceable so that tests can watch instead of launching a browser.
  using TLinkOpener = std::function<void(const std::string& Link)>;

  explicit TNaloAboutForm(QWidget* Owner = nullptr);
  ~TNaloAboutForm() override;

  const std::string& ProgramName() const { return FProgramName; }
  void SetProgramName(const std::string& Value);
  const std::string& Description() const { return FDescription; }
  void SetDescription(const std::string& Value);
  // The link behind the e-mail label ("mailto: " and the address unless given as a mail link).
  const std::string& EmailLink() const { return FEmailLink; }
  void SetEmailAddress(const std::string& Value);
  const std::string& WebAddress() const { return FWebAddress; }
  void SetWebAddress(const std::string& Value);

  void SetLinkOpener(TLinkOpener Opener);
  // Decodes the logo into Image1 and the icon into Image2; a picture that does not decode
  // leaves its control empty. The constructor loads the pictures built into the program.
  void LoadPictures(const unsigned char* Logo, std::size_t LogoSize, const unsigned char* Icon,
                    std::size_t IconSize);

  // Event handlers, named after their controls.
  void Image2Click();
  void RzURLLabel1Click();
  void Label2DblClick();
  void Button1Click();

  // The controls, for the owner and for tests.
  QLabel* Image1() const { return FImage1; }
  QLabel* Image2() const { return FImage2; }
  QLabel* Label1() const { return FLabel1; }
  TBoxList* BoxList1() const { return FBoxList1; }
  TVersionLabel* VersionLabel1() const { return FVersionLabel1; }
  TVersionLabel* VersionLabel2() const { return FVersionLabel2; }
  QLabel* Label2() const { return FLabel2; }
  QLabel* RzURLLabel1() const { return FRzURLLabel1; }
  QPushButton* Button1() const { return FButton1; }

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  void OpenLink(const std::string& Link) const;

  std::string FProgramName;
  std::string FDescription;
  std::string FWebAddress;
  std::string FEmailLink;
  // Opened by a double click on "Email"; the opener never fills it.
  std::string FEmailLabelLink;
  TLinkOpener FLinkOpener;

  QLabel* FImage1 = nullptr;
  QLabel* FImage2 = nullptr;
  QLabel* FLabel1 = nullptr;
  TBoxList* FBoxList1 = nullptr;
  TVersionLabel* FVersionLabel1 = nullptr;
  TVersionLabel* FVersionLabel2 = nullptr;
  QLabel* FLabel2 = nullptr;
  QLabel* FRzURLLabel1 = nullptr;
  QPushButton* FButton1 = nullptr;
};

} // namespace velastrin
