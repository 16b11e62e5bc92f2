// A date-time value with a picosecond time of day, shared by reference.
#pragma once

#include "support/uSysUtils.h"

#include <cstdint>
#include <memory>

namespace velastrin {

// Comparison operations of IHPDateTime::Compare and CompareDateTime.
enum : uint16_t {
  hpEqual = 14,
  hpNotEqual = 15,
  hpLess = 16,
  hpLessOrEqual = 17,
  hpGreater = 18,
  hpGreaterOrEqual = 19,
};

// A point in time as whole days since 30 December 1899 plus the time of day in picoseconds.
// Held through std::shared_ptr; copies share the object.
class IHPDateTime {
public:
  static constexpr const char* IID = "{091B7F54-802D-420E-A3B3-C6CF5440D4A1}";

  virtual ~IHPDateTime() = default;

  // The date-time serial (resolution about a microsecond, as a double allows).
  virtual TDateTime GetDateTime() const = 0;
  // Seconds of the day.
  virtual long double GetSeconds() const = 0;
  // Replaces the time of day; the date is not touched.
  virtual void SetSeconds(long double Seconds) = 0;
  // The date and the time of day to the millisecond.
  virtual void SetDateTime(TDateTime Value) = 0;
  virtual void AddSeconds(long double Seconds) = 0;
  virtual void AddTime(uint16_t Hours, uint16_t Minutes, long double Seconds) = 0;
  virtual void AddDayTime(uint16_t Days, uint16_t Hours, uint16_t Minutes, long double Seconds) = 0;
  // Takes the value of Source; a null Source raises EConvertError.
  virtual void Assign(const std::shared_ptr<IHPDateTime>& Source) = 0;
  // This value against Other under Operation 14..19 (equal, not equal, less, less or equal,
  // greater, greater or equal); other operations raise EInvalidOp.
  virtual bool Compare(const std::shared_ptr<IHPDateTime>& Other, uint16_t Operation) const = 0;
  virtual bool CompareDateTime(uint16_t Operation, TDateTime Value) const = 0;
  // Seconds from Other to this value: positive when this one is later.
  virtual long double Diff(const std::shared_ptr<IHPDateTime>& Other) const = 0;
  virtual long double DiffDateTime(TDateTime Value) const = 0;
  virtual void SetTime(int32_t Hours, int32_t Minutes, long double Seconds) = 0;
};

class THPDateTime final : public IHPDateTime {
public:
  static constexpr int64_t PicosecondsPerSecond = 1000000000000LL;
  static constexpr int64_t PicosecondsPerDay = 86400LL * PicosecondsPerSecond;

  static std::shared_ptr<IHPDateTime> Create(TDateTime Value);

  TDateTime GetDateTime() const override;
  long double GetSeconds() const override;
  void SetSeconds(long double Seconds) override;
  void SetDateTime(TDateTime Value) override;
  void AddSeconds(long double Seconds) override;
  void AddTime(uint16_t Hours, uint16_t Minutes, long double Seconds) override;
  void AddDayTime(uint16_t Days, uint16_t Hours, uint16_t Minutes, long double Seconds) override;
  void Assign(const std::shared_ptr<IHPDateTime>& Source) override;
  bool Compare(const std::shared_ptr<IHPDateTime>& Other, uint16_t Operation) const override;
  bool CompareDateTime(uint16_t Operation, TDateTime Value) const override;
  long double Diff(const std::shared_ptr<IHPDateTime>& Other) const override;
  long double DiffDateTime(TDateTime Value) const override;
  void SetTime(int32_t Hours, int32_t Minutes, long double Seconds) override;

  // Whole days since 30 December 1899.
  double Date() const { return FDate; }
  // Time of day.
  int64_t Picoseconds() const { return FPicoseconds; }

private:
  THPDateTime() = default;

  double FDate = 0;
  int64_t FPicoseconds = 0;
};

} // namespace velastrin
