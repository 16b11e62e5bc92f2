// Runtime services the rest of the system takes for granted: the exception family, the
// always-active assertion, the process-wide locale format settings, the command line, date
// encoding and the platform's date, time and number text routines.
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace velastrin {

using TDateTime = double; // days since 30 December 1899; the fraction is the time of day

// ---- Exceptions -------------------------------------------------------------------------

class Exception : public std::exception {
public:
  explicit Exception(std::string Message) : FMessage(std::move(Message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const noexcept { return FMessage; }

private:
  std::string FMessage;
};

class EConvertError : public Exception {
  using Exception::Exception;
};
class EInvalidOp : public Exception {
  using Exception::Exception;
};
class EAssertionFailed : public Exception {
  using Exception::Exception;
};
// A list index outside the list: "List index out of bounds (%d)".
class EListError : public Exception {
  using Exception::Exception;
};
class EStreamError : public Exception {
  using Exception::Exception;
};
// "Cannot open file "%s". %s"
class EFOpenError : public EStreamError {
  using EStreamError::EStreamError;
};
// "Cannot create file "%s". %s"
class EFCreateError : public EStreamError {
  using EStreamError::EStreamError;
};
// Reading or writing an open stream failed.
class EReadError : public EStreamError {
  using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
  using EStreamError::EStreamError;
};

// Raises EAssertionFailed with "%s (%s, line %d)": Text, the base name of File, Line.
[[noreturn]] void AssertFailed(const std::string& Text, const char* File, int Line);

} // namespace velastrin

// Always active, also in release builds.
#define VELASTRIN_ASSERT(Condition, Text)                                                          \
  do {                                                                                             \
    if (!(Condition))                                                                              \
      ::velastrin::AssertFailed((Text), __FILE__, __LINE__);                                       \
  } while (false)

namespace velastrin {

// ---- Locale format settings -------------------------------------------------------------

// Names, AM/PM texts and formats are UTF-8 text. Separators are single bytes: a locale whose
// mark is not ASCII gets the nearest ASCII one (a no-break space groups as a blank).
struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "M/d/yyyy";
  std::string LongDateFormat = "dddd, MMMM d, yyyy";
  std::string ShortTimeFormat = "h:nn AMPM";
  std::string LongTimeFormat = "h:nn:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  uint16_t TwoDigitYearCenturyWindow = 50;
};

// The one process-wide instance, read by every date, time and number text routine.
TFormatSettings& FormatSettings();

// Fills FormatSettings() from the environment's locale (LC_ALL, else LC_TIME / LC_NUMERIC,
// else LANG). The C and POSIX locales give the defaults above.
void InitFormatSettingsFromEnvironment();

// The settings of a locale given by its name ("nl_NL", "de-DE", "C") or Windows LCID.
TFormatSettings GetLocaleFormatSettingsByName(const std::string& LocaleName);
TFormatSettings GetLocaleFormatSettings(uint32_t LCID);
// Whether ICU knows a locale for this LCID. LCID 0 and the user and system default
// identifiers (0x0400, 0x0800) are always known and mean the process settings.
bool IsLCIDKnown(uint32_t LCID);

// Replaces one field of FormatSettings() for the lifetime of the guard and restores it on
// every way out. Not thread-safe: library code passes a TFormatSettings instead; this is for
// tests that set up the process as a user's locale would.
template <typename T> class TSettingOverride {
public:
  TSettingOverride(T TFormatSettings::*Field, T Value)
      : FField(Field), FSaved(FormatSettings().*Field) {
    FormatSettings().*FField = std::move(Value);
  }
  ~TSettingOverride() { FormatSettings().*FField = std::move(FSaved); }
  TSettingOverride(const TSettingOverride&) = delete;
  TSettingOverride& operator=(const TSettingOverride&) = delete;

private:
  T TFormatSettings::*FField;
  T FSaved;
};

// ---- "Now", replaceable for tests -------------------------------------------------------

TDateTime Now();
// Replaces the clock (an empty function restores the system clock).
void SetNowFunction(std::function<TDateTime()> Function);
uint16_t CurrentYear();

// ---- Command line -----------------------------------------------------------------------

void SetCommandLine(int argc, const char* const* argv);
void SetCommandLine(std::vector<std::string> Args); // Args[0] is the program path
int ParamCount();
std::string ParamStr(int Index); // 0: the program path; empty past the end
// True when some parameter is "-" or "/" followed by exactly Switch.
bool FindCmdLineSwitch(const std::string& Switch, bool IgnoreCase = true);

// ---- Dates ------------------------------------------------------------------------------

bool IsLeapYear(int Year);
int DaysInMonth(int Year, int Month);
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time);
TDateTime EncodeDate(int Year, int Month, int Day); // EConvertError on an invalid date
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
void DecodeDate(TDateTime Date, uint16_t& Year, uint16_t& Month, uint16_t& Day);
void DecodeTime(TDateTime Time, uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec);
int DayOfWeek(TDateTime Date); // 1 = Sunday .. 7 = Saturday

// The platform's date parse, time parse and formatting under the given settings. The forms
// without settings use FormatSettings(); only the clock (two-digit years, a date without
// year) is process-wide.
bool TryStrToDate(const std::string& S, TDateTime& Value, const TFormatSettings& Settings);
bool TryStrToTime(const std::string& S, TDateTime& Value, const TFormatSettings& Settings);
// EConvertError "'%s' is not a valid date" / "'%s' is not a valid time".
TDateTime StrToDate(const std::string& S, const TFormatSettings& Settings);
TDateTime StrToTime(const std::string& S, const TFormatSettings& Settings);
std::string FormatDateTime(const std::string& Format, TDateTime Value,
                           const TFormatSettings& Settings);
// Short date, plus the long time when the time is not midnight.
std::string DateTimeToStr(TDateTime Value, const TFormatSettings& Settings);

bool TryStrToDate(const std::string& S, TDateTime& Value);
bool TryStrToTime(const std::string& S, TDateTime& Value);
TDateTime StrToDate(const std::string& S);
TDateTime StrToTime(const std::string& S);
std::string FormatDateTime(const std::string& Format, TDateTime Value);
std::string DateTimeToStr(TDateTime Value);

// ---- Numbers ----------------------------------------------------------------------------

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber };

// The platform's float text under the separators of Settings (the form without settings:
// FormatSettings()). ffGeneral: at most Precision
// significant digits, trailing zeros dropped, fixed notation when the integer part has at
// most Precision digits and the magnitude is at least 0.00001, otherwise scientific with
// an exponent of at least Digits digits ("1.5E+020" style). ffExponent: Precision digits,
// "d.dddE+xx". ffFixed / ffNumber: Digits decimals (ffNumber groups thousands unless the
// thousands separator is 0); an integer part longer than Precision gives ffGeneral.
// Precision is 1..18; rounding is half away from zero on the decimal digits. NaN and
// infinities give "NAN", "INF", "-INF".
std::string FloatToStrF(long double Value, TFloatFormat Format, int Precision, int Digits,
                        const TFormatSettings& Settings);
std::string FloatToStrF(long double Value, TFloatFormat Format, int Precision, int Digits);
// Text-to-float with the given decimal mark: optional blanks, sign, digits, optional decimal
// mark and digits, optional exponent. No thousands separators.
bool TryStrToFloat(const std::string& S, long double& Value, char DecimalSeparator);
bool TryStrToFloat(const std::string& S, long double& Value, const TFormatSettings& Settings);
// The same under FormatSettings().DecimalSeparator.
bool TryStrToFloat(const std::string& S, long double& Value);
// The platform's integer syntax: blanks, sign, decimal digits or hex after $, x, X, 0x, 0X.
bool TryStrToInt(const std::string& S, int32_t& Value);
bool TryStrToInt64(const std::string& S, int64_t& Value);
std::string IntToStr(int64_t Value);

// ---- Small text helpers -----------------------------------------------------------------

std::string Trim(const std::string& S); // removes characters <= ' ' from both ends
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);
// Value in decimal with leading zeros up to Width digits; a minus sign goes before the zeros.
std::string ZeroPadded(int64_t Value, int Width);
std::string UpperCase(const std::string& S); // ASCII letters only
std::string LowerCase(const std::string& S);
// ASCII case-insensitive comparison: <0, 0, >0.
int CompareText(const std::string& A, const std::string& B);
bool SameText(const std::string& A, const std::string& B);

} // namespace velastrin
