#include "datetime/uHPDateTime.h"

#include "support/uMath.h"

#include <cmath>

namespace velastrin {

namespace {

constexpr long double PsPerSecond = static_cast<long double>(THPDateTime::PicosecondsPerSecond);
constexpr int64_t MSecsPerDay = 86400000;

// The largest amount of seconds whose picoseconds still fit into 64 bits.
constexpr long double MaxSeconds = 9.2e6L;

[[noreturn]] void InvalidFloat() {
  throw EInvalidOp("Invalid floating point operation");
}

// Day and picoseconds of any IHPDateTime: a THPDateTime gives its own fields (no detour
// through a double, which cannot hold picoseconds), another implementation its serial.
struct TDayTime {
  double Date;
  int64_t Picoseconds;
};

TDayTime DayTimeOf(const IHPDateTime& Value) {
  if (const auto* Own = dynamic_cast<const THPDateTime*>(&Value))
    return {Own->Date(), Own->Picoseconds()};
  const long double Seconds = Value.GetSeconds();
  if (!std::isfinite(Seconds) || std::fabs(Seconds) > MaxSeconds)
    InvalidFloat();
  return {std::trunc(Value.GetDateTime()), RoundAwayFromZero(Seconds * PsPerSecond)};
}

} // namespace

std::shared_ptr<IHPDateTime> THPDateTime::Create(TDateTime Value) {
  std::shared_ptr<THPDateTime> Result(new THPDateTime());
  Result->SetDateTime(Value);
  return Result;
}

TDateTime THPDateTime::GetDateTime() const {
  // Before 30 December 1899 the serial is negative while its fraction still counts forward
  // from midnight, so the time of day is subtracted there.
  const long double Fraction = GetSeconds() / 86400.0L;
  return static_cast<TDateTime>(FDate < 0 ? FDate - Fraction : FDate + Fraction);
}

long double THPDateTime::GetSeconds() const {
  return static_cast<long double>(FPicoseconds) / PsPerSecond;
}

void THPDateTime::SetSeconds(long double Seconds) {
  if (!std::isfinite(Seconds) || std::fabs(Seconds) > MaxSeconds)
    InvalidFloat();
  FPicoseconds = RoundAwayFromZero(Seconds * PsPerSecond);
}

void THPDateTime::SetTime(int32_t Hours, int32_t Minutes, long double Seconds) {
  SetSeconds(static_cast<long double>(Hours) * 3600 + static_cast<long double>(Minutes) * 60 +
             Seconds);
}

void THPDateTime::SetDateTime(TDateTime Value) {
  if (!std::isfinite(Value))
    InvalidFloat();
  double Whole = std::trunc(Value);
  // The serial resolves milliseconds; a fraction that rounds to a full day is the next day.
  int64_t MSec = RoundAwayFromZero(std::fabs(static_cast<long double>(Value) - Whole) *
                                   static_cast<long double>(MSecsPerDay));
  if (MSec >= MSecsPerDay) {
    MSec -= MSecsPerDay;
    Whole += 1;
  }
  const int32_t Hour = static_cast<int32_t>(MSec / 3600000);
  const int32_t Minute = static_cast<int32_t>(MSec / 60000 % 60);
  const int64_t Second = MSec / 1000 % 60;
  const int64_t Milli = MSec % 1000;
  FDate = Whole;
  SetTime(Hour, Minute,
          static_cast<long double>(Second) + static_cast<long double>(Milli) / 1000.0L);
}

// Adds any amount, negative or of many days, exactly to the point in time: whole days go
// to Date without a 16-bit limit, and afterwards 0 <= Picoseconds < one day, borrowing from
// or carrying into Date as needed. A time of day set out of range by SetSeconds is
// normalised the same way. Non-finite amounts raise EInvalidOp.
void THPDateTime::AddSeconds(long double Seconds) {
  if (!std::isfinite(Seconds))
    InvalidFloat();
  const long double Remainder = std::fmod(Seconds, 86400.0L); // exact, sign of Seconds
  const long double Days = (Seconds - Remainder) / 86400.0L;  // integral

  // Normalise first so that the sum below cannot overflow.
  int64_t Carry = FPicoseconds / PicosecondsPerDay;
  int64_t Ps = FPicoseconds % PicosecondsPerDay;
  if (Ps < 0) {
    Ps += PicosecondsPerDay;
    --Carry;
  }
  Ps += RoundAwayFromZero(Remainder * PsPerSecond); // |added| <= one day
  if (Ps >= PicosecondsPerDay) {
    Ps -= PicosecondsPerDay;
    ++Carry;
  } else if (Ps < 0) {
    Ps += PicosecondsPerDay;
    --Carry;
  }
  FDate =
      static_cast<double>(static_cast<long double>(FDate) + Days + static_cast<long double>(Carry));
  FPicoseconds = Ps;
}

void THPDateTime::AddTime(uint16_t Hours, uint16_t Minutes, long double Seconds) {
  AddSeconds(Seconds + static_cast<long double>(Hours) * 3600 +
             static_cast<long double>(Minutes) * 60);
}

void THPDateTime::AddDayTime(uint16_t Days, uint16_t Hours, uint16_t Minutes, long double Seconds) {
  AddSeconds(Seconds + static_cast<long double>(Days) * 86400 +
             static_cast<long double>(Hours) * 3600 + static_cast<long double>(Minutes) * 60);
}

void THPDateTime::Assign(const std::shared_ptr<IHPDateTime>& Source) {
  if (!Source)
    throw EConvertError("Cannot assign a Nil to a THPDateTime");
  const TDayTime Value = DayTimeOf(*Source);
  FDate = Value.Date;
  FPicoseconds = Value.Picoseconds;
}

bool THPDateTime::Compare(const std::shared_ptr<IHPDateTime>& Other, uint16_t Operation) const {
  VELASTRIN_ASSERT(Other != nullptr, "Parameter is NIL");
  if (Operation < hpEqual || Operation > hpGreaterOrEqual)
    throw EInvalidOp("Operation not supported");
  const TDayTime That = DayTimeOf(*Other);
  // By the day first, then by the time of day.
  int Order = 0;
  if (FDate != That.Date)
    Order = FDate < That.Date ? -1 : 1;
  else if (FPicoseconds != That.Picoseconds)
    Order = FPicoseconds < That.Picoseconds ? -1 : 1;
  switch (Operation) {
  case hpEqual:
    return Order == 0;
  case hpNotEqual:
    return Order != 0;
  case hpLess:
    return Order < 0;
  case hpLessOrEqual:
    return Order <= 0;
  case hpGreater:
    return Order > 0;
  default:
    return Order >= 0;
  }
}

bool THPDateTime::CompareDateTime(uint16_t Operation, TDateTime Value) const {
  return Compare(Create(Value), Operation);
}

long double THPDateTime::Diff(const std::shared_ptr<IHPDateTime>& Other) const {
  VELASTRIN_ASSERT(Other != nullptr, "Parameter is NIL");
  const TDayTime That = DayTimeOf(*Other);
  return (static_cast<long double>(FDate) - That.Date) * 86400.0L +
         static_cast<long double>(FPicoseconds - That.Picoseconds) / PsPerSecond;
}

long double THPDateTime::DiffDateTime(TDateTime Value) const {
  return Diff(Create(Value));
}

} // namespace velastrin
