#include "about/verslab.h"

#include "ElfFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace velastrin;
using namespace velastrin::test;

namespace {

const std::string OwnFileVersion =
    std::string(VELASTRIN_PROJECT_VERSION) + "." + VELASTRIN_BUILD_NUMBER_TEXT;

// An executable-like file whose record holds Entries.
std::string FixtureWith(const std::string& Name, TEntries Entries, uint64_t PadTo = 0) {
  TElfLayout Layout;
  Layout.Payload = RecordPayload(Entries);
  Layout.PadTo = PadTo;
  return WriteTempFile(Name, MakeElf(Layout));
}

const TEntries FullRecord = {
    {"\\VarFileInfo\\Translation", "0407 04e4"},
    {"\\FixedFileInfo\\FileFlags", "5"},
    {"\\FixedFileInfo\\FileFlagsMask", "63"},
    {"\\StringFileInfo\\040704e4\\FileVersion", "3.7.1.12"},
    {"\\StringFileInfo\\040704e4\\CompanyName", "Fixture Company"},
    {"\\StringFileInfo\\040704e4\\Comments", ""},
};

} // namespace

struct TKindCase {
  const char* Name;
  TVersionResources Kind;
  const char* Key;
  const char* Prefix;
  friend void PrintTo(const TKindCase& C, std::ostream* Os) { *Os << C.Name; }
};

class VersionLabelKind : public testing::TestWithParam<TKindCase> {};

TEST_P(VersionLabelKind, ChoosingItRestoresItsDefaultKeyAndPrefix) {
  TVersionLabel Label;
  Label.SetVersionResourceKey("SomethingElse");
  Label.SetInfoPrefix("Other:");
  Label.SetVersionResource(GetParam().Kind);
  EXPECT_EQ(Label.VersionResourceKey(), GetParam().Key);
  EXPECT_EQ(Label.InfoPrefix(), GetParam().Prefix);
}

TEST_P(VersionLabelKind, ShowsNoDataAfterItsPrefixForAFileWithoutVersionInformation) {
  const std::string Plain = WriteTempFile("plain.txt", "a file without a version record\n");
  TVersionLabel Label;
  Label.SetFilename(Plain);
  Label.SetVersionResource(GetParam().Kind);
  EXPECT_EQ(Label.InfoString(), std::string(GetParam().Prefix) + " < No Data Available >");
  EXPECT_EQ(Label.text().toStdString(), Label.InfoString());
}

TEST_P(VersionLabelKind, NamesTheFailureForAFileThatDoesNotExist) {
  TVersionLabel Label;
  Label.SetFilename("/nonexistent/velastrin.exe");
  Label.SetVersionResource(GetParam().Kind);
  const bool FileKind = GetParam().Kind == vrDateTime || GetParam().Kind == vrFileSize;
  EXPECT_EQ(Label.InfoString(),
            std::string(GetParam().Prefix) + " " +
                (FileKind ? "<Error getting file handle>" : "< Error retrieving version info >"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionLabelKind,
    testing::Values(
        TKindCase{"CompanyName", vrCompanyName, "CompanyName", "Company Name:"},
        TKindCase{"FileDescription", vrFileDescription, "FileDescription", "File Description:"},
        TKindCase{"FileVersion", vrFileVersion, "FileVersion", "File Version:"},
        TKindCase{"InternalName", vrInternalName, "InternalName", "Internal Name:"},
        TKindCase{"LegalCopyright", vrLegalCopyright, "LegalCopyright", "Legal Copyright:"},
        TKindCase{"OriginalFilename", vrOriginalFilename, "OriginalFilename", "Original Filename:"},
        TKindCase{"ProductName", vrProductName, "ProductName", "Product Name:"},
        TKindCase{"ProductVersion", vrProductVersion, "ProductVersion", "Product Version:"},
        TKindCase{"Comments", vrComments, "Comments", "Comments:"},
        TKindCase{"Flags", vrFlags, "Flags", "Flags:"},
        TKindCase{"ShortFileVersion", vrShortFileVersion, "FileVersion", "v"},
        TKindCase{"DateTime", vrDateTime, "DateTime", "File Date/Time:"},
        TKindCase{"FileSize", vrFileSize, "Filesize", "File Size:"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(VersionLabel, StartsAsFileVersionOfTheRunningProgramWithItsDefaults) {
  TVersionLabel Label;
  EXPECT_EQ(Label.VersionResource(), vrFileVersion);
  EXPECT_TRUE(Label.ShowInfoPrefix());
  EXPECT_TRUE(Label.Filename().empty());
  EXPECT_EQ(Label.FileSizeFormat(), "#,#0\" Bytes\"");
  EXPECT_FALSE(Label.wordWrap());
  EXPECT_EQ(Label.InfoString(), "File Version: " + OwnFileVersion);
  // The first translation replaced the "-1" default.
  EXPECT_EQ(Label.LangCharset(), "040904b0");
}

TEST(VersionLabel, ReadsTheSameRecordFromTheProgramFileByName) {
  TVersionLabel Label;
  Label.SetFilename("/proc/self/exe");
  Label.SetVersionResource(vrShortFileVersion);
  const std::string Minor = std::to_string(VELASTRIN_VERSION_MINOR);
  EXPECT_EQ(Label.InfoString(), "v " + std::to_string(VELASTRIN_VERSION_MAJOR) + "." +
                                    (Minor.size() < 2 ? "0" + Minor : Minor));
  Label.SetVersionResource(vrProductName);
  EXPECT_EQ(Label.InfoString(), "Product Name: Velastrin");
}

TEST(VersionLabel, WithoutPrefixShowsTheValueAloneAndSizesItselfToTheText) {
  TVersionLabel Label;
  Label.SetShowInfoPrefix(false);
  EXPECT_EQ(Label.InfoString(), OwnFileVersion);
  const int Narrow = Label.width();
  Label.SetShowInfoPrefix(true);
  Label.SetInfoPrefix("A rather long prefix before the version:");
  EXPECT_GT(Label.width(), Narrow);
}

struct TEntryCase {
  const char* Name;
  TVersionResources Kind;
  const char* LangCharset;
  const char* Key; // nullptr: the kind's default
  std::string Expected;
  friend void PrintTo(const TEntryCase& C, std::ostream* Os) { *Os << C.Name; }
};

class VersionLabelEntry : public testing::TestWithParam<TEntryCase> {};

TEST_P(VersionLabelEntry, ShowsTheValueOrTheStatedErrorText) {
  const std::string File = FixtureWith("full.bin", FullRecord);
  TVersionLabel Label;
  Label.SetShowInfoPrefix(false);
  Label.SetLangCharset(GetParam().LangCharset);
  Label.SetFilename(File);
  Label.SetVersionResource(GetParam().Kind);
  if (GetParam().Key)
    Label.SetVersionResourceKey(GetParam().Key);
  EXPECT_EQ(Label.InfoString(), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionLabelEntry,
    testing::Values(
        TEntryCase{"FirstTranslationChosen", vrFileVersion, "-1", nullptr, "3.7.1.12"},
        TEntryCase{"GivenLanguageUsed", vrCompanyName, "040704E4", nullptr, "Fixture Company"},
        TEntryCase{"OtherLanguageMissing", vrCompanyName, "040904b0", nullptr,
                   "< Error retrieving string version info >"},
        TEntryCase{"KeyMissing", vrProductName, "-1", nullptr,
                   "< Error retrieving string version info >"},
        TEntryCase{"EmptyValue", vrComments, "-1", nullptr, "< No Version Info >"},
        TEntryCase{"OwnKey", vrComments, "-1", "CompanyName", "Fixture Company"},
        TEntryCase{"ShortVersion", vrShortFileVersion, "-1", nullptr, "3.07"},
        TEntryCase{"FlagsUnderMask", vrFlags, "-1", nullptr, "Debug Build, Patched Build"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct TBrokenRecordCase {
  const char* Name;
  TVersionResources Kind;
  TEntries Entries;
  const char* Expected;
  friend void PrintTo(const TBrokenRecordCase& C, std::ostream* Os) { *Os << C.Name; }
};

class VersionLabelBrokenRecord : public testing::TestWithParam<TBrokenRecordCase> {};

TEST_P(VersionLabelBrokenRecord, ShowsTheStatedErrorText) {
  const std::string File = FixtureWith("broken.bin", GetParam().Entries);
  TVersionLabel Label;
  Label.SetFilename(File);
  Label.SetVersionResource(GetParam().Kind);
  EXPECT_EQ(Label.InfoString(), Label.InfoPrefix() + " " + GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionLabelBrokenRecord,
    testing::Values(TBrokenRecordCase{"NoTranslationTable",
                                      vrFileVersion,
                                      {{"\\StringFileInfo\\040904b0\\FileVersion", "1.2"}},
                                      "< Error retrieving translation info >"},
                    TBrokenRecordCase{"TranslationTooShort",
                                      vrFileVersion,
                                      {{"\\VarFileInfo\\Translation", "0409"}},
                                      "< Error retrieving translation info >"},
                    TBrokenRecordCase{"TranslationNotHex",
                                      vrFileVersion,
                                      {{"\\VarFileInfo\\Translation", "04x9 04b0"}},
                                      "< Error retrieving translation info >"},
                    TBrokenRecordCase{"NoFixedPart",
                                      vrFlags,
                                      {{"\\VarFileInfo\\Translation", "0409 04b0"}},
                                      "< Error retrieving fixed version info >"},
                    TBrokenRecordCase{"FlagsNotANumber",
                                      vrFlags,
                                      {{"\\FixedFileInfo\\FileFlags", "debug"},
                                       {"\\FixedFileInfo\\FileFlagsMask", "63"}},
                                      "< Error retrieving fixed version info >"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(VersionLabel, DamagedRecordShowsTheReadError) {
  TElfLayout Layout;
  Layout.Payload = std::string("\\K\0V\0", 5); // no closing empty key
  const std::string File = WriteTempFile("damaged.bin", MakeElf(Layout));
  TVersionLabel Label;
  Label.SetFilename(File);
  Label.SetVersionResource(vrCompanyName);
  EXPECT_EQ(Label.InfoString(), "Company Name: < Error retrieving version info >");
}

TEST(VersionLabel, FileDateUsesTheGivenFormat) {
  const std::string File = FixtureWith("dated.bin", FullRecord);
  // 2021-03-04 05:06:07 UTC; the tests run with TZ=UTC.
  const auto When = std::chrono::file_clock::from_sys(std::chrono::sys_seconds{
      std::chrono::sys_days{std::chrono::year{2021} / 3 / 4} + std::chrono::hours{5} +
      std::chrono::minutes{6} + std::chrono::seconds{7}});
  std::filesystem::last_write_time(File, When);
  TVersionLabel Label;
  Label.SetFilename(File);
  Label.SetDateTimeFormat("yyyy-MM-dd HH:mm:ss");
  Label.SetVersionResource(vrDateTime);
  EXPECT_EQ(Label.InfoString(), "File Date/Time: 2021-03-04 05:06:07");
}

TEST(VersionLabel, FileSizeUsesTheGroupedByteFormat) {
  const std::string File = FixtureWith("sized.bin", FullRecord, 1234567);
  ASSERT_EQ(std::filesystem::file_size(File), 1234567u);
  TVersionLabel Label;
  Label.SetFilename(File);
  Label.SetVersionResource(vrFileSize);
  EXPECT_EQ(Label.InfoString(), "File Size: 1,234,567 Bytes");
  Label.SetFileSizeFormat("0");
  EXPECT_EQ(Label.InfoString(), "File Size: 1234567");
}

TEST(VersionLabel, FolderGivesNoFileHandle) {
  TVersionLabel Label;
  Label.SetFilename(std::filesystem::temp_directory_path().string());
  Label.SetVersionResource(vrFileSize);
  EXPECT_EQ(Label.InfoString(), "File Size: <Error getting file handle>");
}

struct TShortCase {
  const char* Name;
  const char* Version;
  const char* Expected;
  friend void PrintTo(const TShortCase& C, std::ostream* Os) { *Os << C.Name; }
};

class ShortVersion : public testing::TestWithParam<TShortCase> {};

TEST_P(ShortVersion, KeepsTheFirstTwoNumbers) {
  EXPECT_EQ(ShortVersionText(GetParam().Version), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ShortVersion,
                         testing::Values(TShortCase{"FourParts", "1.0.0.7", "1.00"},
                                         TShortCase{"TwoDigitMinor", "2.15.3", "2.15"},
                                         TShortCase{"ThreeDigitMinor", "10.123.4", "10.123"},
                                         TShortCase{"OnePart", "3", "3.00"},
                                         TShortCase{"Empty", "", "0.00"},
                                         TShortCase{"MajorNotANumber", "x.5", "0.05"},
                                         TShortCase{"MinorNotANumber", "4.b1", "4.00"},
                                         TShortCase{"BlanksAroundNumbers", " 4 . 5 ", "4.05"},
                                         TShortCase{"Negative", "-1.-2", "-1.-02"}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

struct TFlagsCase {
  const char* Name;
  uint32_t Flags;
  const char* Expected;
  friend void PrintTo(const TFlagsCase& C, std::ostream* Os) { *Os << C.Name; }
};

class VersionFlags : public testing::TestWithParam<TFlagsCase> {};

TEST_P(VersionFlags, AreListedInTheirFixedOrder) {
  EXPECT_EQ(VersionFlagsText(GetParam().Flags), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionFlags,
    testing::Values(TFlagsCase{"None", 0, ""}, TFlagsCase{"DebugOnly", 0x01, "Debug Build"},
                    TFlagsCase{"SpecialOnly", 0x20, "Special Build"},
                    TFlagsCase{"PreReleaseAndPrivate", 0x0A, "Pre-Release Build, Private Build"},
                    TFlagsCase{"All", 0x3F,
                               "Debug Build, Pre-Release Build, Patched Build, Private Build, "
                               "InfoInferred, Special Build"},
                    TFlagsCase{"UnknownBitsIgnored", 0x40 | 0x10, "InfoInferred"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct TSizeCase {
  const char* Name;
  int64_t Value;
  const char* Format;
  const char* ThousandSep;
  const char* Expected;
  friend void PrintTo(const TSizeCase& C, std::ostream* Os) { *Os << C.Name; }
};

class ByteCount : public testing::TestWithParam<TSizeCase> {};

TEST_P(ByteCount, FollowsTheNumberFormat) {
  EXPECT_EQ(FormatByteCount(GetParam().Value, GetParam().Format, GetParam().ThousandSep, "."),
            GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ByteCount,
    testing::Values(TSizeCase{"Default", 1234567, "#,#0\" Bytes\"", ",", "1,234,567 Bytes"},
                    TSizeCase{"DefaultZero", 0, "#,#0\" Bytes\"", ",", "0 Bytes"},
                    TSizeCase{"BelowAThousand", 999, "#,#0\" Bytes\"", ",", "999 Bytes"},
                    TSizeCase{"ExactlyAThousand", 1000, "#,#0\" Bytes\"", ",", "1,000 Bytes"},
                    TSizeCase{"OtherSeparator", 1234567, "#,#0\" Bytes\"", ".", "1.234.567 Bytes"},
                    TSizeCase{"LeadingZeros", 42, "0000", ",", "0042"},
                    TSizeCase{"NoGrouping", 123456, "0", ",", "123456"},
                    TSizeCase{"OptionalDigitZero", 0, "#", ",", ""},
                    TSizeCase{"DecimalPlaces", 5, "0.00", ",", "5.00"},
                    TSizeCase{"QuotedPrefix", 1234, "'Size: '#,##0", ",", "Size: 1,234"},
                    TSizeCase{"EmptyFormat", 77, "", ",", "77"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(VersionLabel, AnotherFileGetsItsOwnFirstTranslation) {
  const std::string German = FixtureWith("german.bin", FullRecord);
  TVersionLabel Label;
  EXPECT_EQ(Label.LangCharset(), "040904b0");
  Label.SetFilename(German);
  EXPECT_EQ(Label.LangCharset(), "040704e4");
  EXPECT_EQ(Label.InfoString(), "File Version: 3.7.1.12");
  Label.SetFilename("");
  EXPECT_EQ(Label.LangCharset(), "040904b0");
  EXPECT_EQ(Label.InfoString(), "File Version: " + OwnFileVersion);
}

TEST(VersionLabel, LanguageSetByHandStaysWhenTheFileChanges) {
  TVersionLabel Label;
  Label.SetLangCharset("040704e4");
  Label.SetFilename(FixtureWith("german2.bin", FullRecord));
  EXPECT_EQ(Label.LangCharset(), "040704e4");
  Label.SetFilename("");
  EXPECT_EQ(Label.InfoString(), "File Version: < Error retrieving string version info >");
}
