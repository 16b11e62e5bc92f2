#include "support/uLocale.h"
#include "support/uMath.h"
#include "support/udDisk.h"

#include "SupportTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velastrin {
namespace {

namespace fs = std::filesystem;

// ---- Locale identifiers -----------------------------------------------------------------

TEST(LocaleIds, LanguageAndLocaleIdentifiersCombine) {
  EXPECT_EQ(MakeLangID(0x07, 0x01), 0x0407); // German (Germany)
  EXPECT_EQ(MakeLangID(0x09, 0x02), 0x0809); // English (United Kingdom)
  EXPECT_EQ(MakeLangID(0x3FF, 0x3F), 0xFFFF);
  EXPECT_EQ(MakeLCID(0x0407, 0x1), 0x00010407u); // German phone book sort
  EXPECT_EQ(MakeLCID(0xFFFF, 0xFFFF), 0xFFFFFFFFu);
  EXPECT_EQ(LangIDFromLCID(0x00010407u), 0x0407);
  EXPECT_EQ(LangIDFromLCID(0xABCD1234u), 0x1234);
}

TEST(LocaleIds, ValidMeansZeroOrKnownToTheLocaleData) {
  EXPECT_TRUE(IsValidLCID(0));
  EXPECT_TRUE(IsValidLCID(0x0409));
  EXPECT_TRUE(IsValidLCID(0x0407));
  EXPECT_TRUE(IsValidLCID(0x0413));
  EXPECT_FALSE(IsValidLCID(0x12345678));
  EXPECT_FALSE(IsValidLCID(0xFFFFFFFF));
}

TEST(LocaleNames, ListsHaveSevenDaysAndTwelveMonthsSundayAndJanuaryFirst) {
  EXPECT_EQ(GetShortDayNames(0x0409).size(), 7u);
  EXPECT_EQ(GetLongDayNames(0x0409).size(), 7u);
  EXPECT_EQ(GetShortMonthNames(0x0409).size(), 12u);
  EXPECT_EQ(GetLongMonthNames(0x0409).size(), 12u);
  EXPECT_EQ(GetShortDayNames(0x0409)[0], "Sun");
  EXPECT_EQ(GetLongDayNames(0x0409)[6], "Saturday");
  EXPECT_EQ(GetShortMonthNames(0x0409)[11], "Dec");
  EXPECT_EQ(GetLongMonthNames(0x0409)[0], "January");
}

TEST(LocaleNames, OtherLanguagesComeAsUtf8) {
  EXPECT_EQ(GetLongMonthNames(0x0407)[2], "M\xC3\xA4rz");
  EXPECT_EQ(GetLongDayNames(0x0407)[0], "Sonntag");
  EXPECT_EQ(GetLongMonthNames(0x0413)[9], "oktober");
  EXPECT_EQ(GetLongMonthNames(0x040C)[7], "ao\xC3\xBBt"); // French: août
}

TEST(LocaleNames, ZeroIsTheProcessLocale) {
  test::TSettingsScope Scope;
  EXPECT_EQ(GetLongMonthNames(0)[2], "March");
  FormatSettings().ShortDayNames[1] = "Ma";
  EXPECT_EQ(GetShortDayNames(0)[1], "Ma");
}

TEST(LocaleNames, UnknownIdentifierFailsTheAssertion) {
  using Getter = TDynStringArray (*)(uint32_t);
  for (Getter G : {&GetShortDayNames, &GetLongDayNames, &GetShortMonthNames, &GetLongMonthNames}) {
    try {
      G(0x12345678);
      ADD_FAILURE() << "no exception";
    } catch (const EAssertionFailed& E) {
      EXPECT_EQ(std::string(E.what()).rfind("Invalid LCID (uLocale.cpp, line ", 0), 0u) << E.what();
    }
  }
}

// ---- Rounding ---------------------------------------------------------------------------

struct RoundRow {
  std::string Name;
  long double X;
  int64_t Expected;
};

class Rounding : public ::testing::TestWithParam<RoundRow> {};

TEST_P(Rounding, HalvesGoAwayFromZero) {
  EXPECT_EQ(RoundAwayFromZero(GetParam().X), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, Rounding,
    ::testing::Values(RoundRow{"Zero", 0.0L, 0}, RoundRow{"PositiveHalf", 0.5L, 1},
                      RoundRow{"NegativeHalf", -0.5L, -1}, RoundRow{"TwoAndHalf", 2.5L, 3},
                      RoundRow{"MinusTwoAndHalf", -2.5L, -3}, RoundRow{"BelowHalf", 2.4999L, 2},
                      RoundRow{"AboveMinusHalf", -2.4999L, -2}, RoundRow{"Whole", 7.0L, 7},
                      RoundRow{"MinusWhole", -7.0L, -7}, RoundRow{"SampleValue", 32767.5L, 32768},
                      RoundRow{"LargeHalf", 1e18L + 0.5L, 1000000000000000001LL},
                      RoundRow{"NegativeLarge", -9.2e18L, -9200000000000000000LL}),
    [](const auto& I) { return I.param.Name; });

TEST(RoundingLimits, NoIntegerBeyondSixtyFourBits) {
  EXPECT_THROW(RoundAwayFromZero(1e19L), EInvalidOp);
  EXPECT_THROW(RoundAwayFromZero(-1e19L), EInvalidOp);
  EXPECT_THROW(RoundAwayFromZero(std::nanl("")), EInvalidOp);
  EXPECT_THROW(RoundAwayFromZero(INFINITY), EInvalidOp);
}

// ---- File attributes --------------------------------------------------------------------

class FileAttributes : public ::testing::Test {
protected:
  void SetUp() override {
    FDir = fs::temp_directory_path() / ("velastrin-attr-" + std::to_string(::getpid()));
    fs::create_directories(FDir);
    FFile = (FDir / "plain.edf").string();
    std::ofstream(FFile) << "0       ";
  }
  void TearDown() override {
    std::error_code E;
    fs::remove_all(FDir, E);
  }
  fs::path FDir;
  std::string FFile;
};

TEST_F(FileAttributes, MissingFileHasNoAttributes) {
  const std::string Missing = (FDir / "absent.edf").string();
  EXPECT_FALSE(IsFileCompressed(Missing));
  EXPECT_FALSE(FileHasAttributes(Missing, faCompressed));
  EXPECT_TRUE(FileHasAttributes(Missing, 0)); // no bits asked for
  EXPECT_FALSE(IsFileCompressed(""));
}

TEST_F(FileAttributes, FifoDoesNotBlock) {
  const std::string Fifo = (FDir / "pipe").string();
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  EXPECT_FALSE(IsFileCompressed(Fifo));
}

TEST_F(FileAttributes, CompressionFlagIsTheCompressedAttribute) {
  const int Fd = ::open(FFile.c_str(), O_RDONLY);
  ASSERT_GE(Fd, 0);
  int Flags = 0;
  const bool CanRead = ::ioctl(Fd, FS_IOC_GETFLAGS, &Flags) == 0;
  bool Set = false;
  if (CanRead && !(Flags & FS_COMPR_FL)) {
    EXPECT_FALSE(IsFileCompressed(FFile));
    int WithFlag = Flags | FS_COMPR_FL;
    Set = ::ioctl(Fd, FS_IOC_SETFLAGS, &WithFlag) == 0 &&
          ::ioctl(Fd, FS_IOC_GETFLAGS, &WithFlag) == 0 && (WithFlag & FS_COMPR_FL);
  }
  ::close(Fd);
  if (!Set)
    GTEST_SKIP() << "this file system cannot mark a file compressed";
  EXPECT_TRUE(IsFileCompressed(FFile));
  EXPECT_TRUE(FileHasAttributes(FFile, faCompressed));
  EXPECT_FALSE(FileHasAttributes(FFile, faCompressed | 0x1));
}

} // namespace
} // namespace velastrin
