// Random formats and texts: parsing never raises, walks always end, and a stored format
// reads the same when it is expanded again. Seeds are fixed so a failure can be repeated.
#include "datetime/uDateTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

using namespace velastrin;

namespace {

constexpr int Rounds = 100000;

std::string RandomText(std::mt19937& Random, const std::string& Alphabet, int MaxLength) {
  std::uniform_int_distribution<int> Length(0, MaxLength);
  std::uniform_int_distribution<std::size_t> Pick(0, Alphabet.size() - 1);
  std::string S;
  for (int i = Length(Random); i > 0; --i)
    S += Alphabet[Pick(Random)];
  return S;
}

const std::string FormatAlphabet = "dDmMyYhHnNsSzZtTcCaApP/:?'\" .-x\xE9";
const std::string TextAlphabet = "0123456789+-.:/ ?aApPmM'\"xJjanMar\xE9\xFF";

TEST(DateTimeFuzz, TokenizerWalksEndAndMoveForward) {
  std::mt19937 Random(20040218);
  TDateTimeFormatTokenizer Tokenizer;
  for (int Round = 0; Round < Rounds; ++Round) {
    const std::string Format = RandomText(Random, FormatAlphabet, 16);
    Tokenizer.SetText(Format);
    int32_t Before = 1;
    int Steps = 0;
    for (bool More = Tokenizer.First(); More; More = Tokenizer.Next()) {
      ASSERT_GT(Tokenizer.Position(), Before) << Format;
      ASSERT_LE(Tokenizer.Position(), static_cast<int32_t>(Format.size()) + 1) << Format;
      ASSERT_NE(Tokenizer.Kind(), dtkNone) << Format;
      Before = Tokenizer.Position();
      ASSERT_LE(++Steps, static_cast<int>(Format.size())) << Format;
    }
  }
}

// Formatting a value and parsing the text back agree for random formats that hold every
// field once, in any order, with separators between them.
TEST(DateTimeFuzz, RandomCompleteFormatsReadBackWhatTheyWrote) {
  std::mt19937 Random(17062004);
  std::vector<std::string> Fields{"dd", "mm", "yyyy", "hh", "nn", "ss", "zzz"};
  // Numbers are read as whole digit runs, so something must stand between two fields.
  const std::vector<std::string> Between{" ", "?", "/", ":", "'x'", "-", "."};
  std::uniform_int_distribution<std::size_t> PickBetween(0, Between.size() - 1);
  std::uniform_int_distribution<int> Day(0, 36524); // 1 Jan 1900 .. 31 Dec 1999
  std::uniform_int_distribution<int> MSec(0, 86399999);
  TDateTimeStringConvertor Writer;
  TDateTimeStringConvertor Reader;
  for (int Round = 0; Round < Rounds / 10; ++Round) {
    std::shuffle(Fields.begin(), Fields.end(), Random);
    std::string Format;
    for (const std::string& Field : Fields)
      Format += Field + Between[PickBetween(Random)];
    const TDateTime Value = 1 + Day(Random) + MSec(Random) / 86400000.0;
    Writer.SetFormat(Format);
    // "mm" right after the hour means minutes; such a format has no month to read.
    if (Writer.Format().find("MM") == std::string::npos)
      continue;
    Writer.SetDateTime(Value);
    Reader.SetFormat(Format);
    Reader.SetText(Writer.Text());
    ASSERT_TRUE(Reader.TextValid()) << Format << " / " << Writer.Text();
    ASSERT_NEAR(Reader.DateTime(), Value, 1e-8) << Format << " / " << Writer.Text();
  }
}

TEST(DateTimeFuzz, ParsingNeverRaisesAndValidTextsGiveRealValues) {
  std::mt19937 Random(1985);
  const char* const Formats[] = {
      "hh?nn?ss",       "dd.mm.yyyy hh:nn:ss.zzz", "d/m/yy h:n:s.z", "dd mmm yyyy hh:nn am/pm",
      "yyyy-mm-dd a/p", "'at' hh:nn ampm",         "ddd dd mmmm yy", "c"};
  TDateTimeStringConvertor Convertor;
  for (const char* Format : Formats) {
    Convertor.SetFormat(Format);
    ASSERT_TRUE(Convertor.IsFormatValid()) << Format;
    for (int Round = 0; Round < Rounds / 4; ++Round) {
      const std::string Text = RandomText(Random, TextAlphabet, 24);
      ASSERT_NO_THROW(Convertor.SetText(Text)) << Format << " / " << Text;
      if (!Convertor.TextValid())
        continue;
      const TDateTime Value = Convertor.DateTime();
      ASSERT_TRUE(std::isfinite(Value)) << Format << " / " << Text;
      ASSERT_LT(Convertor.Hour(), 24) << Format << " / " << Text;
      ASSERT_LT(Convertor.Minute(), 60) << Format << " / " << Text;
      ASSERT_LT(Convertor.Second(), 60) << Format << " / " << Text;
      ASSERT_LT(Convertor.MSec(), 1000) << Format << " / " << Text;
    }
  }
}

} // namespace
