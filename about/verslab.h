// TVersionLabel: a label that shows one entry of a file's version record, optionally after a
// prefix ("File Version: 1.0.0.7"), and the file's date or size.
#pragma once

#include <QLabel>

#include <cstdint>
#include <string>

namespace velastrin {

enum TVersionResources {
  vrCompanyName,
  vrFileDescription,
  vrFileVersion,
  vrInternalName,
  vrLegalCopyright,
  vrOriginalFilename,
  vrProductName,
  vrProductVersion,
  vrComments,
  vrFlags,
  vrShortFileVersion,
  vrDateTime,
  vrFileSize
};

// The texts shown instead of a value.
inline constexpr const char* NoDataAvailableText = "< No Data Available >";
inline constexpr const char* ErrorVersionInfoText = "< Error retrieving version info >";
inline constexpr const char* ErrorFixedVersionInfoText = "< Error retrieving fixed version info >";
inline constexpr const char* ErrorTranslationInfoText = "< Error retrieving translation info >";
inline constexpr const char* ErrorStringVersionInfoText =
    "< Error retrieving string version info >";
inline constexpr const char* NoVersionInfoText = "< No Version Info >";
inline constexpr const char* ErrorFileHandleText = "<Error getting file handle>";

class TVersionLabel : public QLabel {
  Q_OBJECT

public:
  explicit TVersionLabel(QWidget* Parent = nullptr);

  TVersionResources VersionResource() const { return FVersionResource; }
  // Also sets the key and the prefix to the kind's defaults.
  void SetVersionResource(TVersionResources Value);
  const std::string& VersionResourceKey() const { return FVersionResourceKey; }
  void SetVersionResourceKey(const std::string& Value);
  const std::string& InfoPrefix() const { return FInfoPrefix; }
  void SetInfoPrefix(const std::string& Value);
  bool ShowInfoPrefix() const { return FShowInfoPrefix; }
  void SetShowInfoPrefix(bool Value);
  // "-1": take the first language and code page of the record's translation table; the value
  // then becomes that pair, until another Filename asks for its own first translation.
  const std::string& LangCharset() const { return FLangCharset; }
  void SetLangCharset(const std::string& Value);
  // Empty: the running executable.
  const std::string& Filename() const { return FFilename; }
  void SetFilename(const std::string& Value);
  // A Qt date-time format (QLocale::toString); default: the system locale's short date format.
  const std::string& DateTimeFormat() const { return FDateTimeFormat; }
  void SetDateTimeFormat(const std::string& Value);
  // A number format: "0" and "#" digit places, "," groups thousands, "." decimal places,
  // text in double or single quotes as it stands.
  const std::string& FileSizeFormat() const { return FFileSizeFormat; }
  void SetFileSizeFormat(const std::string& Value);

  const std::string& InfoString() const { return FInfoString; }

  static std::string DefaultKey(TVersionResources Kind);
  static std::string DefaultPrefix(TVersionResources Kind);

private:
  void UpdateInfo();
  std::string ValueText();
  std::string FileValueText();

  TVersionResources FVersionResource = vrFileVersion;
  std::string FVersionResourceKey;
  std::string FInfoPrefix;
  bool FShowInfoPrefix = true;
  std::string FLangCharset = "-1";
  // LangCharset was "-1" and got replaced by the file's first translation.
  bool FLangCharsetFromFile = false;
  std::string FFilename;
  std::string FDateTimeFormat;
  std::string FFileSizeFormat = "#,#0\" Bytes\"";
  std::string FInfoString;
};

// The flags ", Debug Build", ", Pre-Release Build"... of Flags, without the leading ", ".
std::string VersionFlagsText(uint32_t Flags);
// "%d.%.2d" of the first two "."-separated numbers of Version; a part that is no number is 0.
std::string ShortVersionText(const std::string& Version);
// Value under a number format such as "#,#0\" Bytes\"" with ThousandSep between digit groups.
std::string FormatByteCount(int64_t Value, const std::string& Format,
                            const std::string& ThousandSep, const std::string& DecimalSep);

} // namespace velastrin
