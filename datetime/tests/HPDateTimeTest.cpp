#include "datetime/uHPDateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace velastrin;

namespace {

constexpr int64_t PsPerSecond = THPDateTime::PicosecondsPerSecond;
constexpr int64_t PsPerDay = THPDateTime::PicosecondsPerDay;

const THPDateTime& Fields(const std::shared_ptr<IHPDateTime>& Value) {
  return dynamic_cast<const THPDateTime&>(*Value);
}

int64_t PsOf(int Hour, int Minute, int Second, int MSec) {
  return ((static_cast<int64_t>(Hour) * 60 + Minute) * 60 + Second) * PsPerSecond +
         static_cast<int64_t>(MSec) * 1000000000;
}

// Another implementation of the interface, reached only through its serial and seconds.
class TForeignDateTime final : public IHPDateTime {
public:
  TForeignDateTime(TDateTime Serial, long double Seconds) : FSerial(Serial), FSeconds(Seconds) {}
  TDateTime GetDateTime() const override { return FSerial; }
  long double GetSeconds() const override { return FSeconds; }
  void SetSeconds(long double) override {}
  void SetDateTime(TDateTime) override {}
  void AddSeconds(long double) override {}
  void AddTime(uint16_t, uint16_t, long double) override {}
  void AddDayTime(uint16_t, uint16_t, uint16_t, long double) override {}
  void Assign(const std::shared_ptr<IHPDateTime>&) override {}
  bool Compare(const std::shared_ptr<IHPDateTime>&, uint16_t) const override { return false; }
  bool CompareDateTime(uint16_t, TDateTime) const override { return false; }
  long double Diff(const std::shared_ptr<IHPDateTime>&) const override { return 0; }
  long double DiffDateTime(TDateTime) const override { return 0; }
  void SetTime(int32_t, int32_t, long double) override {}

private:
  TDateTime FSerial;
  long double FSeconds;
};

TEST(HPDateTimeCreate, NoonOfDayZero) {
  auto Value = THPDateTime::Create(0.5);
  EXPECT_EQ(Fields(Value).Date(), 0.0);
  EXPECT_EQ(Fields(Value).Picoseconds(), 43200 * PsPerSecond);
  EXPECT_EQ(Value->GetDateTime(), 0.5);
  EXPECT_EQ(Value->GetSeconds(), 43200.0L);
}

struct MSecRow {
  std::string Name;
  int Hour, Minute, Second, MSec;
};

void PrintTo(const MSecRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class HPDateTimeMilliseconds : public testing::TestWithParam<MSecRow> {};

TEST_P(HPDateTimeMilliseconds, AreKeptExactly) {
  const MSecRow& Row = GetParam();
  const double Day = 37697; // 17 March 2003
  const TDateTime Serial = Day + EncodeTime(Row.Hour, Row.Minute, Row.Second, Row.MSec);
  auto Value = THPDateTime::Create(Serial);
  EXPECT_EQ(Fields(Value).Date(), Day);
  EXPECT_EQ(Fields(Value).Picoseconds(), PsOf(Row.Hour, Row.Minute, Row.Second, Row.MSec));
  EXPECT_NEAR(Value->GetDateTime(), Serial, 1e-9);
  // SetDateTime replaces both parts.
  Value->SetDateTime(5.25);
  Value->SetDateTime(Serial);
  EXPECT_EQ(Fields(Value).Picoseconds(), PsOf(Row.Hour, Row.Minute, Row.Second, Row.MSec));
}

INSTANTIATE_TEST_SUITE_P(
    Times, HPDateTimeMilliseconds,
    testing::Values(MSecRow{"QuarterPastTen", 10, 20, 30, 125},
                    MSecRow{"OneMillisecond", 0, 0, 0, 1},
                    MSecRow{"LastMillisecond", 23, 59, 59, 999}, MSecRow{"Noon", 12, 0, 0, 0},
                    MSecRow{"Mixed", 1, 2, 3, 456}, MSecRow{"Midnight", 0, 0, 0, 0}),
    [](const testing::TestParamInfo<MSecRow>& Info) { return Info.param.Name; });

TEST(HPDateTimeCreate, AFractionRoundingToAFullDayIsTheNextMidnight) {
  auto Value = THPDateTime::Create(100.99999999999);
  EXPECT_EQ(Fields(Value).Date(), 101.0);
  EXPECT_EQ(Fields(Value).Picoseconds(), 0);
}

TEST(HPDateTimeCreate, BeforeTheEpochTheFractionStillCountsFromMidnight) {
  auto Value = THPDateTime::Create(-1.25); // 29 December 1899, 06:00
  EXPECT_EQ(Fields(Value).Date(), -1.0);
  EXPECT_EQ(Fields(Value).Picoseconds(), PsOf(6, 0, 0, 0));
  EXPECT_EQ(Value->GetDateTime(), -1.25);
  EXPECT_TRUE(Value->CompareDateTime(hpLess, -0.5)); // 30 December 1899, 12:00
  EXPECT_EQ(Value->DiffDateTime(0.0), -18 * 3600.0L);
}

TEST(HPDateTimeCreate, NonFiniteValuesRaise) {
  EXPECT_THROW(THPDateTime::Create(std::numeric_limits<double>::quiet_NaN()), EInvalidOp);
  EXPECT_THROW(THPDateTime::Create(std::numeric_limits<double>::infinity()), EInvalidOp);
}

TEST(HPDateTimeSeconds, SetSecondsReplacesTheTimeOnly) {
  auto Value = THPDateTime::Create(10.5);
  Value->SetSeconds(1.000000000001L);
  EXPECT_EQ(Fields(Value).Date(), 10.0);
  EXPECT_EQ(Fields(Value).Picoseconds(), PsPerSecond + 1);
  Value->SetTime(1, 2, 3.5L);
  EXPECT_EQ(Fields(Value).Picoseconds(), PsOf(1, 2, 3, 500));
  EXPECT_EQ(Fields(Value).Date(), 10.0);
  EXPECT_THROW(Value->SetSeconds(1e10L), EInvalidOp);
}

struct AddRow {
  std::string Name;
  double StartDate;
  int64_t StartPs;
  long double Seconds;
  double Date;
  int64_t Ps;
};

void PrintTo(const AddRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class HPDateTimeAddSeconds : public testing::TestWithParam<AddRow> {};

// Any amount moves the point in time exactly and leaves 0 <= Picoseconds < one day.
TEST_P(HPDateTimeAddSeconds, MovesThePointInTimeAndNormalises) {
  const AddRow& Row = GetParam();
  auto Value = THPDateTime::Create(Row.StartDate);
  Value->SetSeconds(static_cast<long double>(Row.StartPs) / PsPerSecond);
  Value->AddSeconds(Row.Seconds);
  EXPECT_EQ(Fields(Value).Date(), Row.Date);
  EXPECT_EQ(Fields(Value).Picoseconds(), Row.Ps);
}

INSTANTIATE_TEST_SUITE_P(
    Amounts, HPDateTimeAddSeconds,
    testing::Values(
        AddRow{"IntoTheNextDay", 10, PsOf(23, 59, 59, 500), 86399.5L, 11, PsOf(23, 59, 59, 0)},
        AddRow{"WithinTheDay", 10, PsOf(1, 0, 0, 0), 1.25L, 10, PsOf(1, 0, 1, 250)},
        AddRow{"WholeDays", 10, PsOf(12, 0, 0, 0), 3 * 86400.0L, 13, PsOf(12, 0, 0, 0)},
        AddRow{"PastMidnight", 10, PsOf(23, 0, 0, 0), 7200.0L, 11, PsOf(1, 0, 0, 0)},
        AddRow{"NegativeBorrowsADay", 10, PsOf(0, 0, 10, 0), -20.0L, 9, PsOf(23, 59, 50, 0)},
        AddRow{"NegativeWholeDays", 10, PsOf(12, 0, 0, 0), -3 * 86400.0L, 7, PsOf(12, 0, 0, 0)},
        AddRow{"NegativeOnePicosecond", 10, 0, -1e-12L, 9, PsPerDay - 1},
        AddRow{"NegativeToExactMidnight", 10, PsOf(6, 0, 0, 0), -6 * 3600.0L, 10, 0},
        AddRow{"MoreThan16BitsOfDays", 10, 0, 65536 * 86400.0L, 65546, 0},
        AddRow{"ManyDaysAndSome", 10, PsOf(12, 0, 0, 0), 70000 * 86400.0L + 43200.5L, 70011,
               PsOf(0, 0, 0, 500)},
        AddRow{"ZeroNormalisesATimeBeyondOneDay", 10, PsPerDay + 5, 0.0L, 11, 5},
        AddRow{"ZeroNormalisesANegativeTime", 10, -5, 0.0L, 9, PsPerDay - 5},
        AddRow{"OnePicosecond", 10, PsPerDay - 1, 1e-12L, 11, 0}),
    [](const testing::TestParamInfo<AddRow>& Info) { return Info.param.Name; });

TEST(HPDateTimeAddSeconds, NonFiniteAmountsRaiseAndChangeNothing) {
  auto Value = THPDateTime::Create(10.5);
  EXPECT_THROW(Value->AddSeconds(std::numeric_limits<long double>::quiet_NaN()), EInvalidOp);
  EXPECT_THROW(Value->AddSeconds(-std::numeric_limits<long double>::infinity()), EInvalidOp);
  EXPECT_EQ(Value->GetDateTime(), 10.5);
}

TEST(HPDateTimeAddSeconds, AddTimeAndAddDayTimeAddTheirParts) {
  auto Value = THPDateTime::Create(10);
  Value->AddTime(25, 61, 1.5L);
  EXPECT_EQ(Fields(Value).Date(), 11.0);
  EXPECT_EQ(Fields(Value).Picoseconds(), PsOf(2, 1, 1, 500));
  Value->AddDayTime(2, 3, 4, 5.25L);
  EXPECT_EQ(Fields(Value).Date(), 13.0);
  EXPECT_EQ(Fields(Value).Picoseconds(), PsOf(5, 5, 6, 750));
  Value->AddDayTime(0, 0, 0, -1.5L);
  EXPECT_EQ(Fields(Value).Picoseconds(), PsOf(5, 5, 5, 250));
}

struct CompareRow {
  std::string Name;
  TDateTime This;
  TDateTime Other;
  bool Equal, Less;
};

void PrintTo(const CompareRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class HPDateTimeCompare : public testing::TestWithParam<CompareRow> {};

TEST_P(HPDateTimeCompare, OrdersByDayThenSeconds) {
  const CompareRow& Row = GetParam();
  auto A = THPDateTime::Create(Row.This);
  auto B = THPDateTime::Create(Row.Other);
  const bool Greater = !Row.Equal && !Row.Less;
  EXPECT_EQ(A->Compare(B, hpEqual), Row.Equal);
  EXPECT_EQ(A->Compare(B, hpNotEqual), !Row.Equal);
  EXPECT_EQ(A->Compare(B, hpLess), Row.Less);
  EXPECT_EQ(A->Compare(B, hpLessOrEqual), Row.Less || Row.Equal);
  EXPECT_EQ(A->Compare(B, hpGreater), Greater);
  EXPECT_EQ(A->Compare(B, hpGreaterOrEqual), Greater || Row.Equal);
  EXPECT_EQ(A->CompareDateTime(hpLess, Row.Other), Row.Less);
  EXPECT_EQ(A->CompareDateTime(hpEqual, Row.Other), Row.Equal);
  // The other way round the order turns.
  EXPECT_EQ(B->Compare(A, hpGreater), Row.Less);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, HPDateTimeCompare,
    testing::Values(CompareRow{"SameDaySmallerSeconds", 100.25, 100.75, false, true},
                    CompareRow{"SameDayLargerSeconds", 100.75, 100.25, false, false},
                    CompareRow{"EarlierDayLargerSeconds", 99.9, 100.1, false, true},
                    CompareRow{"LaterDaySmallerSeconds", 101.1, 100.9, false, false},
                    CompareRow{"Same", 100.5, 100.5, true, false},
                    CompareRow{"OneMillisecondApart", 100.5, 100.5 + 1.0 / 86400000, false, true}),
    [](const testing::TestParamInfo<CompareRow>& Info) { return Info.param.Name; });

TEST(HPDateTimeCompare, SeesPicoseconds) {
  auto A = THPDateTime::Create(100.5);
  auto B = THPDateTime::Create(100.5);
  B->SetSeconds(43200.000000000001L);
  EXPECT_TRUE(A->Compare(B, hpLess));
  EXPECT_TRUE(A->Compare(B, hpNotEqual));
  EXPECT_EQ(B->Diff(A), 1e-12L);
}

TEST(HPDateTimeCompare, OtherOperationsAreNotSupported) {
  auto A = THPDateTime::Create(1);
  auto B = THPDateTime::Create(2);
  for (uint16_t Operation : {0, 13, 20, 65535}) {
    SCOPED_TRACE(Operation);
    try {
      A->Compare(B, Operation);
      FAIL() << "no exception";
    } catch (const EInvalidOp& E) {
      EXPECT_STREQ(E.what(), "Operation not supported");
    }
    EXPECT_THROW(A->CompareDateTime(Operation, 2), EInvalidOp);
  }
}

TEST(HPDateTimeCompare, AMissingOtherIsAnAssertionFailure) {
  auto A = THPDateTime::Create(1);
  try {
    A->Compare(nullptr, hpEqual);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(std::string(E.what()).rfind("Parameter is NIL (uHPDateTime.cpp, line ", 0), 0u)
        << E.what();
  }
}

TEST(HPDateTimeCompare, WorksWithAnotherImplementation) {
  auto A = THPDateTime::Create(100.25);
  auto Other = std::make_shared<TForeignDateTime>(100.75, 64800.0L);
  EXPECT_TRUE(A->Compare(Other, hpLess));
  EXPECT_EQ(A->Diff(Other), -43200.0L);
  auto Earlier = std::make_shared<TForeignDateTime>(99.75, 64800.0L);
  EXPECT_TRUE(A->Compare(Earlier, hpGreater));
}

TEST(HPDateTimeAssign, CopiesDateAndPicoseconds) {
  auto Source = THPDateTime::Create(200.5);
  Source->SetSeconds(43200.123456789012L);
  auto Target = THPDateTime::Create(3);
  Target->Assign(Source);
  EXPECT_EQ(Fields(Target).Date(), 200.0);
  EXPECT_EQ(Fields(Target).Picoseconds(), Fields(Source).Picoseconds());
  EXPECT_TRUE(Target->Compare(Source, hpEqual));
  // The copy is a value of its own.
  Target->AddSeconds(1);
  EXPECT_TRUE(Source->Compare(Target, hpLess));
}

TEST(HPDateTimeAssign, FromAnotherImplementationTakesItsSerialAndSeconds) {
  auto Target = THPDateTime::Create(3);
  Target->Assign(std::make_shared<TForeignDateTime>(50.5, 43200.25L));
  EXPECT_EQ(Fields(Target).Date(), 50.0);
  EXPECT_EQ(Fields(Target).Picoseconds(), PsOf(12, 0, 0, 250));
}

TEST(HPDateTimeAssign, FromNothingRaisesAndKeepsTheValue) {
  auto Target = THPDateTime::Create(3.25);
  try {
    Target->Assign(nullptr);
    FAIL() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_STREQ(E.what(), "Cannot assign a Nil to a THPDateTime");
  }
  EXPECT_EQ(Target->GetDateTime(), 3.25);
}

TEST(HPDateTimeDiff, IsPositiveWhenThisIsLater) {
  auto A = THPDateTime::Create(101.5);
  auto B = THPDateTime::Create(100.25);
  EXPECT_EQ(A->Diff(B), 86400.0L + 6 * 3600.0L);
  EXPECT_EQ(B->Diff(A), -(86400.0L + 6 * 3600.0L));
  EXPECT_EQ(A->DiffDateTime(101.5), 0.0L);
  EXPECT_THROW(A->Diff(nullptr), EAssertionFailed);
}

TEST(HPDateTime, IsSharedByReference) {
  std::shared_ptr<IHPDateTime> A = THPDateTime::Create(1.5);
  std::shared_ptr<IHPDateTime> B = A;
  B->AddSeconds(60);
  EXPECT_TRUE(A->Compare(B, hpEqual));
  EXPECT_EQ(A.use_count(), 2);
  EXPECT_STREQ(IHPDateTime::IID, "{091B7F54-802D-420E-A3B3-C6CF5440D4A1}");
}

} // namespace
