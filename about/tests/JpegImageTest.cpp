#include "about/JpegImage.h"
#include "about/LogoData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace velastrin;

namespace {

std::string ReadFile(const std::filesystem::path& Name) {
  std::ifstream File(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

const unsigned char* Bytes(const std::string& S) {
  return reinterpret_cast<const unsigned char*>(S.data());
}

std::string Logo() {
  return std::string(reinterpret_cast<const char*>(VelastrinLogoJpeg), VelastrinLogoJpegSize);
}

} // namespace

TEST(JpegImage, BuiltInPicturesDecodeAtTheirSizes) {
  const QImage LogoImage = DecodeJpeg(VelastrinLogoJpeg, VelastrinLogoJpegSize);
  EXPECT_EQ(LogoImage.size(), QSize(241, 57));
  const QImage IconImage = DecodeJpeg(VelastrinIconJpeg, VelastrinIconJpegSize);
  EXPECT_EQ(IconImage.size(), QSize(32, 32));
}

TEST(JpegImage, LogoHasAWhiteGroundAndDarkLettering) {
  const QImage Image = DecodeJpeg(VelastrinLogoJpeg, VelastrinLogoJpegSize);
  ASSERT_FALSE(Image.isNull());
  EXPECT_GT(qGray(Image.pixel(0, 0)), 240);
  int Dark = 0;
  for (int X = 72; X < 231; ++X)
    if (qGray(Image.pixel(X, 18)) < 100)
      ++Dark;
  EXPECT_GT(Dark, 20);
}

struct TDamageCase {
  const char* Name;
  std::string (*Damage)(std::string);
  friend void PrintTo(const TDamageCase& C, std::ostream* Os) { *Os << C.Name; }
};

class JpegDamaged : public testing::TestWithParam<TDamageCase> {};

TEST_P(JpegDamaged, GivesAnEmptyPicture) {
  const std::string Data = GetParam().Damage(Logo());
  EXPECT_TRUE(DecodeJpeg(Bytes(Data), Data.size()).isNull());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, JpegDamaged,
    testing::Values(
        TDamageCase{"Empty", [](std::string) { return std::string(); }},
        TDamageCase{"StartMarkerOnly", [](std::string S) { return S.substr(0, 2); }},
        TDamageCase{"CutInTheHeader", [](std::string S) { return S.substr(0, 100); }},
        TDamageCase{"CutInHalf", [](std::string S) { return S.substr(0, S.size() / 2); }},
        TDamageCase{"EndMarkerMissing", [](std::string S) { return S.substr(0, S.size() - 2); }},
        TDamageCase{"NoStartMarker",
                    [](std::string S) {
                      S[1] = '\x00';
                      return S;
                    }},
        TDamageCase{"NotAJpegAtAll",
                    [](std::string) { return std::string("GIF89a, not what we wanted"); }}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(JpegImage, EveryTruncationOfTheIconIsEmptyAndNeverCrashes) {
  const std::string Icon(reinterpret_cast<const char*>(VelastrinIconJpeg), VelastrinIconJpegSize);
  for (std::size_t Length = 0; Length + 2 < Icon.size(); ++Length)
    EXPECT_TRUE(DecodeJpeg(Bytes(Icon), Length).isNull()) << Length;
}

TEST(JpegImage, OverwrittenBytesNeverCrashAndNeverChangeTheSize) {
  const std::string Icon(reinterpret_cast<const char*>(VelastrinIconJpeg), VelastrinIconJpegSize);
  for (std::size_t Pos = 0; Pos < Icon.size(); ++Pos) {
    for (char Value : {'\x00', '\xff', '\x5a'}) {
      std::string Damaged = Icon;
      Damaged[Pos] = Value;
      const QImage Image = DecodeJpeg(Bytes(Damaged), Damaged.size());
      if (!Image.isNull()) {
        EXPECT_EQ(Image.size(), QSize(32, 32)) << Pos;
      }
    }
  }
}

TEST(JpegImage, CommittedPicturesAreWhatTheGeneratorDraws) {
  const auto Out = std::filesystem::temp_directory_path() / "velastrin-about-logo-check";
  std::filesystem::create_directories(Out);
  const std::string Command = std::string("\"") + VELASTRIN_MAKE_LOGO + "\" \"" +
                              (Out / "logo.jpg").string() + "\" \"" + (Out / "icon.jpg").string() +
                              "\" \"" + (Out / "icon.png").string() + "\"";
  ASSERT_EQ(std::system(Command.c_str()), 0) << Command;
  const std::filesystem::path Source(VELASTRIN_SOURCE_DIR);
  EXPECT_EQ(ReadFile(Out / "logo.jpg"), ReadFile(Source / "about/resources/logo.jpg"));
  EXPECT_EQ(ReadFile(Out / "icon.jpg"), ReadFile(Source / "about/resources/icon.jpg"));
  EXPECT_EQ(ReadFile(Out / "icon.png"), ReadFile(Source / "packaging/velastrin.png"));
  // The program embeds exactly the committed logo.
  EXPECT_EQ(Logo(), ReadFile(Source / "about/resources/logo.jpg"));
  std::filesystem::remove_all(Out);
}
