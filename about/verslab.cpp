#include "about/verslab.h"

#include "about/VersionRecord.h"

#include <QDateTime>
#include <QLocale>

#include <array>
#include <charconv>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velastrin {

namespace {

struct TKindDefaults {
  const char* Key;
  const char* Prefix;
};

constexpr std::array<TKindDefaults, 13> KindDefaults{{
    {"CompanyName", "Company Name:"},
    {"FileDescription", "File Description:"},
    {"FileVersion", "File Version:"},
    {"InternalName", "Internal Name:"},
    {"LegalCopyright", "Legal Copyright:"},
    {"OriginalFilename", "Original Filename:"},
    {"ProductName", "Product Name:"},
    {"ProductVersion", "Product Version:"},
    {"Comments", "Comments:"},
    {"Flags", "Flags:"},
    {"FileVersion", "v"},
    {"DateTime", "File Date/Time:"},
    {"Filesize", "File Size:"},
}};

std::string Trimmed(std::string_view S) {
  std::size_t B = 0, E = S.size();
  while (B < E && static_cast<unsigned char>(S[B]) <= ' ')
    ++B;
  while (E > B && static_cast<unsigned char>(S[E - 1]) <= ' ')
    --E;
  return std::string(S.substr(B, E - B));
}

// A whole number in the 32-bit range, else 0.
int64_t NumberOrZero(std::string_view S) {
  const std::string T = Trimmed(S);
  const char* First = T.data();
  const char* Last = T.data() + T.size();
  if (First != Last && *First == '+')
    ++First;
  int32_t Value = 0;
  const auto [Ptr, Ec] = std::from_chars(First, Last, Value);
  if (Ec != std::errc() || Ptr != Last || First == Last)
    return 0;
  return Value;
}

bool ParseUnsigned(std::string_view S, uint32_t& Value, int Base = 10) {
  const std::string T = Trimmed(S);
  const auto [Ptr, Ec] = std::from_chars(T.data(), T.data() + T.size(), Value, Base);
  return !T.empty() && Ec == std::errc() && Ptr == T.data() + T.size();
}

std::string Hex4(uint32_t Value) {
  char Buffer[16];
  const auto [Ptr, Ec] = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, 16);
  (void)Ec;
  std::string Text(Buffer, Ptr);
  if (Text.size() < 4)
    Text.insert(0, 4 - Text.size(), '0');
  return Text;
}

std::string Decimal(uint64_t Value) {
  char Buffer[24];
  const auto [Ptr, Ec] = std::to_chars(Buffer, Buffer + sizeof Buffer, Value);
  (void)Ec;
  return std::string(Buffer, Ptr);
}

// The first "language code-page" pair of the translation table.
bool FirstTranslation(const std::string& Table, uint32_t& Language, uint32_t& CodePage) {
  const std::string T = Trimmed(Table);
  const std::size_t Blank = T.find(' ');
  if (Blank == std::string::npos)
    return false;
  std::string Second = T.substr(Blank + 1);
  if (const std::size_t Next = Second.find(' '); Next != std::string::npos)
    Second.resize(Next);
  return ParseUnsigned(T.substr(0, Blank), Language, 16) && Language <= 0xFFFF &&
         ParseUnsigned(Second, CodePage, 16) && CodePage <= 0xFFFF;
}

// Closes the descriptor on every way out.
class TFileHandle {
public:
  explicit TFileHandle(const std::string& Name) : FHandle(::open(Name.c_str(), O_RDONLY)) {}
  ~TFileHandle() {
    if (FHandle >= 0)
      ::close(FHandle);
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  int Get() const { return FHandle; }

private:
  int FHandle;
};

std::string RunningExecutable() {
  std::error_code Error;
  const auto Path = std::filesystem::read_symlink("/proc/self/exe", Error);
  return Error ? std::string() : Path.string();
}

} // namespace

std::string VersionFlagsText(uint32_t Flags) {
  static constexpr std::array<std::pair<uint32_t, const char*>, 6> Names{{
      {VS_FF_DEBUG, ", Debug Build"},
      {VS_FF_PRERELEASE, ", Pre-Release Build"},
      {VS_FF_PATCHED, ", Patched Build"},
      {VS_FF_PRIVATEBUILD, ", Private Build"},
      {VS_FF_INFOINFERRED, ", InfoInferred"},
      {VS_FF_SPECIALBUILD, ", Special Build"},
  }};
  std::string Text;
  for (const auto& [Flag, Name] : Names)
    if (Flags & Flag)
      Text += Name;
  if (Text.starts_with(", "))
    Text.erase(0, 2);
  return Text;
}

std::string ShortVersionText(const std::string& Version) {
  const std::size_t Dot1 = Version.find('.');
  const std::string Major = Version.substr(0, Dot1);
  std::string Minor;
  if (Dot1 != std::string::npos)
    Minor = Version.substr(Dot1 + 1, Version.find('.', Dot1 + 1) - Dot1 - 1);
  const int64_t MinorValue = NumberOrZero(Minor);
  std::string MinorText = Decimal(static_cast<uint64_t>(MinorValue < 0 ? -MinorValue : MinorValue));
  if (MinorText.size() < 2)
    MinorText.insert(0, 2 - MinorText.size(), '0');
  const int64_t MajorValue = NumberOrZero(Major);
  std::string Text = MajorValue < 0 ? "-" + Decimal(static_cast<uint64_t>(-MajorValue))
                                    : Decimal(static_cast<uint64_t>(MajorValue));
  Text += '.';
  if (MinorValue < 0)
    Text += '-';
  return Text + MinorText;
}

std::string FormatByteCount(int64_t Value, const std::string& Format,
                            const std::string& ThousandSep, const std::string& DecimalSep) {
  // Split the format into the text before the first digit place, the number pattern and the
  // text after the last digit place; quoted text is copied without its quotes.
  std::string Prefix, Suffix;
  int IntegerZeros = 0, DecimalZeros = 0;
  bool Grouping = false, SeenDigit = false, InDecimals = false;
  for (std::size_t I = 0; I < Format.size(); ++I) {
    const char C = Format[I];
    std::string* Literal = SeenDigit ? &Suffix : &Prefix;
    if (C == '"' || C == '\'') {
      const std::size_t Close = Format.find(C, I + 1);
      const std::size_t End = Close == std::string::npos ? Format.size() : Close;
      Literal->append(Format, I + 1, End - I - 1);
      I = End;
    } else if (C == '0' || C == '#') {
      if (!Suffix.empty()) // digit places after literal text: keep the text where it stood
        Prefix += std::exchange(Suffix, std::string());
      SeenDigit = true;
      if (C == '0')
        ++(InDecimals ? DecimalZeros : IntegerZeros);
    } else if (C == ',' && !InDecimals) {
      Grouping = true;
    } else if (C == '.' && !InDecimals) {
      InDecimals = true;
    } else {
      Literal->push_back(C);
    }
  }
  if (!SeenDigit && Format.empty())
    IntegerZeros = 1;

  const uint64_t Magnitude = Value < 0 ? 0 - static_cast<uint64_t>(Value) : Value;
  std::string Digits = Decimal(Magnitude);
  if (Magnitude == 0 && IntegerZeros == 0)
    Digits.clear(); // "#" shows nothing for zero, as a digit place that is not required
  if (static_cast<int>(Digits.size()) < IntegerZeros)
    Digits.insert(0, IntegerZeros - Digits.size(), '0');
  std::string Number;
  for (std::size_t I = 0; I < Digits.size(); ++I) {
    if (Grouping && I > 0 && (Digits.size() - I) % 3 == 0)
      Number += ThousandSep;
    Number += Digits[I];
  }
  if (DecimalZeros > 0)
    Number += DecimalSep + std::string(DecimalZeros, '0');
  return (Value < 0 ? "-" : "") + Prefix + Number + Suffix;
}

TVersionLabel::TVersionLabel(QWidget* Parent) : QLabel(Parent) {
  setWordWrap(false);
  FDateTimeFormat = QLocale::system().dateFormat(QLocale::ShortFormat).toStdString();
  FVersionResourceKey = DefaultKey(FVersionResource);
  FInfoPrefix = DefaultPrefix(FVersionResource);
  UpdateInfo();
}

std::string TVersionLabel::DefaultKey(TVersionResources Kind) {
  return KindDefaults.at(Kind).Key;
}

std::string TVersionLabel::DefaultPrefix(TVersionResources Kind) {
  return KindDefaults.at(Kind).Prefix;
}

void TVersionLabel::SetVersionResource(TVersionResources Value) {
  FVersionResource = Value;
  FVersionResourceKey = DefaultKey(Value);
  FInfoPrefix = DefaultPrefix(Value);
  UpdateInfo();
}

void TVersionLabel::SetVersionResourceKey(const std::string& Value) {
  FVersionResourceKey = Value;
  UpdateInfo();
}

void TVersionLabel::SetInfoPrefix(const std::string& Value) {
  FInfoPrefix = Value;
  UpdateInfo();
}

void TVersionLabel::SetShowInfoPrefix(bool Value) {
  FShowInfoPrefix = Value;
  UpdateInfo();
}

void TVersionLabel::SetLangCharset(const std::string& Value) {
  FLangCharset = Value;
  FLangCharsetFromFile = false;
  UpdateInfo();
}

void TVersionLabel::SetFilename(const std::string& Value) {
  FFilename = Value;
  // The language found in the previous file need not exist in this one.
  if (FLangCharsetFromFile)
    FLangCharset = "-1";
  UpdateInfo();
}

void TVersionLabel::SetDateTimeFormat(const std::string& Value) {
  FDateTimeFormat = Value;
  UpdateInfo();
}

void TVersionLabel::SetFileSizeFormat(const std::string& Value) {
  FFileSizeFormat = Value;
  UpdateInfo();
}

void TVersionLabel::UpdateInfo() {
  const std::string Value = ValueText();
  FInfoString = FShowInfoPrefix ? FInfoPrefix + " " + Value : Value;
  setText(QString::fromStdString(FInfoString));
  adjustSize();
}

std::string TVersionLabel::ValueText() {
  if (FVersionResource == vrDateTime || FVersionResource == vrFileSize)
    return FileValueText();

  TVersionRecord Read;
  const TVersionRecord* Record = &OwnVersionRecord();
  if (!FFilename.empty()) {
    const TVersionReadResult Result = ReadVersionRecord(FFilename, Read);
    if (Result == TVersionReadResult::vrrNoRecord)
      return NoDataAvailableText;
    if (Result == TVersionReadResult::vrrFailed)
      return ErrorVersionInfoText;
    Record = &Read;
  }

  if (FVersionResource == vrFlags) {
    const std::string* Flags = Record->Find(FileFlagsKey);
    const std::string* Mask = Record->Find(FileFlagsMaskKey);
    uint32_t FlagsValue = 0, MaskValue = 0;
    if (!Flags || !Mask || !ParseUnsigned(*Flags, FlagsValue) || !ParseUnsigned(*Mask, MaskValue))
      return ErrorFixedVersionInfoText;
    return VersionFlagsText(FlagsValue & MaskValue);
  }

  if (FLangCharset == "-1") {
    const std::string* Table = Record->Find(TranslationKey);
    uint32_t Language = 0, CodePage = 0;
    if (!Table || !FirstTranslation(*Table, Language, CodePage))
      return ErrorTranslationInfoText;
    FLangCharset = Hex4(Language) + Hex4(CodePage);
    FLangCharsetFromFile = true;
  }
  const std::string* Entry =
      Record->Find(std::string(StringFileInfoKey) + FLangCharset + "\\" + FVersionResourceKey);
  if (!Entry)
    return ErrorStringVersionInfoText;
  if (Entry->empty()) // the stored text is only its terminating NUL
    return NoVersionInfoText;
  return FVersionResource == vrShortFileVersion ? ShortVersionText(*Entry) : *Entry;
}

std::string TVersionLabel::FileValueText() {
  const std::string Name = FFilename.empty() ? RunningExecutable() : FFilename;
  TFileHandle File(Name);
  struct stat Status {};
  if (File.Get() < 0 || ::fstat(File.Get(), &Status) != 0 || S_ISDIR(Status.st_mode))
    return ErrorFileHandleText;

  // Only files that carry a version record show these entries too.
  if (!FFilename.empty()) {
    TVersionRecord Record;
    const TVersionReadResult Result = ReadVersionRecord(FFilename, Record);
    if (Result == TVersionReadResult::vrrNoRecord)
      return NoDataAvailableText;
    if (Result == TVersionReadResult::vrrFailed)
      return ErrorVersionInfoText;
  }

  const QLocale Locale = QLocale::system();
  if (FVersionResource == vrFileSize)
    return FormatByteCount(Status.st_size, FFileSizeFormat, Locale.groupSeparator().toStdString(),
                           Locale.decimalPoint().toStdString());
  const int64_t Msecs = static_cast<int64_t>(Status.st_mtim.tv_sec) * 1000 +
                        static_cast<int64_t>(Status.st_mtim.tv_nsec) / 1000000;
  return Locale
      .toString(QDateTime::fromMSecsSinceEpoch(Msecs), QString::fromStdString(FDateTimeFormat))
      .toStdString();
}

} // namespace velastrin
