#include "export/SampleText.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

namespace velastrin {
namespace {

struct TTableCase {
  const char* Name;
  const char* Separator;
  bool Standard;
};

void PrintTo(const TTableCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class SampleTextTableCase : public ::testing::TestWithParam<TTableCase> {};

// Every one of the 65,536 values, in one run, against the library's own conversion.
TEST_P(SampleTextTableCase, WritesEveryValueWithItsSeparator) {
  const TTableCase& C = GetParam();
  const TSampleTextTable Own(C.Separator);
  const TSampleTextTable* Shared = StandardSampleTextTable(C.Separator);
  EXPECT_EQ(Shared != nullptr, C.Standard);
  const TSampleTextTable& Table = Shared ? *Shared : Own;

  std::vector<int16_t> Samples;
  std::string Expected;
  for (int Value = 32767; Value >= -32768; --Value) {
    Samples.push_back(static_cast<int16_t>(Value));
    Expected += std::to_string(Value) + C.Separator;
  }
  std::vector<char> Out(Samples.size() * Table.MaxBytesPerValue());
  char* End = Table.Append(Out.data(), Samples.data(), Samples.size());
  EXPECT_EQ(std::string(Out.data(), static_cast<std::size_t>(End - Out.data())), Expected);

  // BDF's 24-bit values: the 16-bit table, and the digit groups beyond it, every power-of-ten
  // edge and a sweep of the range.
  std::vector<int32_t> Wide{INT32_MIN, INT32_MAX, -8388608, 8388607, -100000000, 99999999};
  for (int32_t Edge = 1; Edge <= 10000000; Edge *= 10)
    for (const int32_t V : {Edge - 1, Edge, -Edge, 1 - Edge})
      Wide.push_back(V);
  for (int32_t V = -8388608; V <= 8388607; V += 9973)
    Wide.push_back(V);
  std::string WideExpected;
  for (const int32_t V : Wide)
    WideExpected += std::to_string(V) + C.Separator;
  std::vector<char> WideOut(Wide.size() * Table.MaxBytesPerWideValue());
  End = Table.Append(WideOut.data(), Wide.data(), Wide.size());
  EXPECT_EQ(std::string(WideOut.data(), End), WideExpected);
}

INSTANTIATE_TEST_SUITE_P(
    SampleText, SampleTextTableCase,
    ::testing::Values(TTableCase{"Space", " ", true}, TTableCase{"Comma", ",", true},
                      TTableCase{"Tab", "\t", true}, TTableCase{"CrLf", "\r\n", true},
                      TTableCase{"Empty", "", false},
                      TTableCase{"TenCharacters", " | ; | ; |", false},
                      TTableCase{"BeyondTheTable", "<separator>", false}),
    [](const ::testing::TestParamInfo<TTableCase>& Info) { return std::string(Info.param.Name); });

TEST(SampleText, TheLastValueEndsExactlyWhereItsTextEnds) {
  const TSampleTextTable& Table = *StandardSampleTextTable(",");
  std::vector<char> Out(64, 'x');
  const int16_t Samples[] = {-1, 7};
  char* End = Table.Append(Out.data(), Samples, 2);
  EXPECT_EQ(std::string(Out.data(), static_cast<std::size_t>(End - Out.data())), "-1,7,");
}

// Texts made as values occur: each once, in the order written, and none beyond its room.
TEST(SampleText, GivenTextsAreMadeWhenTheirValueFirstOccurs) {
  std::vector<int> Made;
  const TSampleTextTable Table(
      ";",
      [&](int16_t Value) {
        Made.push_back(Value);
        return Value == 99 ? std::string(20, '9') : "v" + std::to_string(Value);
      },
      8);
  const int16_t Samples[] = {-32768, 5, -32768, 32767, 5};
  std::vector<char> Out(std::size(Samples) * Table.MaxBytesPerValue());
  char* End = Table.Append(Out.data(), Samples, std::size(Samples));
  EXPECT_EQ(std::string(Out.data(), End), "v-32768;v5;v-32768;v32767;v5;");
  EXPECT_EQ(Made, (std::vector<int>{-32768, 5, 32767}));
  const int16_t TooLong[] = {99};
  EXPECT_THROW(Table.Append(Out.data(), TooLong, 1), std::length_error);
}

} // namespace
} // namespace velastrin
