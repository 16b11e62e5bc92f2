// Calendar dates and the platform's date and time texts: parsing and formatting.
#include "support/uSysUtils.h"

#include <chrono>
#include <cmath>

namespace velastrin {

// ---- Dates ------------------------------------------------------------------------------

namespace {

char UpperAscii(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C;
}

constexpr double MSecsPerDay = 86400000.0;
constexpr int64_t MinDateSerial = -693593; // 1 January 0001
constexpr int64_t MaxDateSerial = 2958465; // 31 December 9999

std::chrono::sys_days Epoch() {
  return std::chrono::sys_days{std::chrono::year{1899} / std::chrono::December / 30};
}

// Whole days (toward zero) and the milliseconds of the absolute fraction, rounded; a
// rounding that reaches a full day moves to the next calendar day.
void SplitSerial(TDateTime Value, int64_t& Days, int64_t& MSecs) {
  const double Whole = std::trunc(Value);
  Days = static_cast<int64_t>(Whole);
  MSecs = std::llround(std::fabs(Value - Whole) * MSecsPerDay);
  if (MSecs >= static_cast<int64_t>(MSecsPerDay)) {
    MSecs = 0;
    Days += 1;
  }
}

bool SerialInRange(TDateTime Value) {
  return std::isfinite(Value) && Value > static_cast<double>(MinDateSerial - 1) &&
         Value < static_cast<double>(MaxDateSerial + 1);
}

} // namespace

bool IsLeapYear(int Year) {
  return (Year % 4 == 0) && (Year % 100 != 0 || Year % 400 == 0);
}

int DaysInMonth(int Year, int Month) {
  static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12)
    return 0;
  return Days[Month - 1] + ((Month == 2 && IsLeapYear(Year)) ? 1 : 0);
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
      Day > DaysInMonth(Year, Month))
    return false;
  using namespace std::chrono;
  const sys_days D{year{Year} / month{static_cast<unsigned>(Month)} /
                   day{static_cast<unsigned>(Day)}};
  Date = static_cast<double>((D - Epoch()).count());
  return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
    return false;
  Time =
      (static_cast<double>(Hour) * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime R = 0;
  if (!TryEncodeDate(Year, Month, Day, R))
    throw EConvertError("Invalid argument to date encode");
  return R;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime R = 0;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, R))
    throw EConvertError("Invalid argument to time encode");
  return R;
}

void DecodeDate(TDateTime Date, uint16_t& Year, uint16_t& Month, uint16_t& Day) {
  Year = Month = Day = 0;
  if (!SerialInRange(Date))
    return;
  int64_t Days = 0, MSecs = 0;
  SplitSerial(Date, Days, MSecs);
  if (Days < MinDateSerial || Days > MaxDateSerial)
    return;
  using namespace std::chrono;
  const year_month_day D{Epoch() + days{Days}};
  Year = static_cast<uint16_t>(static_cast<int>(D.year()));
  Month = static_cast<uint16_t>(static_cast<unsigned>(D.month()));
  Day = static_cast<uint16_t>(static_cast<unsigned>(D.day()));
}

void DecodeTime(TDateTime Time, uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec) {
  Hour = Min = Sec = MSec = 0;
  if (!std::isfinite(Time))
    return;
  int64_t Days = 0, MSecs = 0;
  SplitSerial(std::fmod(Time, 1.0), Days, MSecs);
  Hour = static_cast<uint16_t>(MSecs / 3600000);
  Min = static_cast<uint16_t>(MSecs / 60000 % 60);
  Sec = static_cast<uint16_t>(MSecs / 1000 % 60);
  MSec = static_cast<uint16_t>(MSecs % 1000);
}

int DayOfWeek(TDateTime Date) {
  int64_t Days = 0, MSecs = 0;
  SplitSerial(Date, Days, MSecs);
  // Serial 0 (30 December 1899) was a Saturday.
  const int64_t W = ((Days + 6) % 7 + 7) % 7; // 0 = Sunday
  return static_cast<int>(W) + 1;
}

// ---- Date and time text -----------------------------------------------------------------

namespace {

void ScanBlanks(const std::string& S, std::size_t& Pos) {
  while (Pos < S.size() && S[Pos] == ' ')
    ++Pos;
}

// Blanks, then a run of decimal digits (value at most 99999, longer runs fail).
bool ScanUnsigned(const std::string& S, std::size_t& Pos, int& Value, int& Digits) {
  std::size_t P = Pos;
  ScanBlanks(S, P);
  int V = 0, N = 0;
  while (P < S.size() && S[P] >= '0' && S[P] <= '9') {
    V = V * 10 + (S[P] - '0');
    if (V > 99999)
      return false;
    ++N;
    ++P;
  }
  if (N == 0)
    return false;
  Value = V;
  Digits = N;
  Pos = P;
  return true;
}

bool ScanChar(const std::string& S, std::size_t& Pos, char C) {
  std::size_t P = Pos;
  ScanBlanks(S, P);
  if (P < S.size() && S[P] == C) {
    Pos = P + 1;
    return true;
  }
  return false;
}

bool ScanText(const std::string& S, std::size_t& Pos, const std::string& Text) {
  if (Text.empty())
    return false;
  std::size_t P = Pos;
  ScanBlanks(S, P);
  if (P + Text.size() <= S.size() && SameText(S.substr(P, Text.size()), Text)) {
    Pos = P + Text.size();
    return true;
  }
  return false;
}

enum class TDateOrder { MDY, DMY, YMD };

TDateOrder GetDateOrder(const std::string& Format) {
  for (char C : Format) {
    switch (UpperAscii(C)) {
    case 'D':
      return TDateOrder::DMY;
    case 'M':
      return TDateOrder::MDY;
    case 'Y':
    case 'E':
      return TDateOrder::YMD;
    default:
      break;
    }
  }
  return TDateOrder::MDY;
}

} // namespace

bool TryStrToDate(const std::string& S, TDateTime& Value, const TFormatSettings& FS) {
  const TDateOrder Order = GetDateOrder(FS.ShortDateFormat);
  std::size_t Pos = 0;
  int N1 = 0, N2 = 0, N3 = 0, L1 = 0, L2 = 0, L3 = 0;
  if (!(ScanUnsigned(S, Pos, N1, L1) && ScanChar(S, Pos, FS.DateSeparator) &&
        ScanUnsigned(S, Pos, N2, L2)))
    return false;
  int Y = 0, M = 0, D = 0, YearDigits = 0;
  if (ScanChar(S, Pos, FS.DateSeparator)) {
    if (!ScanUnsigned(S, Pos, N3, L3))
      return false;
    switch (Order) {
    case TDateOrder::MDY:
      Y = N3, YearDigits = L3, M = N1, D = N2;
      break;
    case TDateOrder::DMY:
      Y = N3, YearDigits = L3, M = N2, D = N1;
      break;
    case TDateOrder::YMD:
      Y = N1, YearDigits = L1, M = N2, D = N3;
      break;
    }
    if (YearDigits <= 2) {
      const int Window = FS.TwoDigitYearCenturyWindow;
      const int CenturyBase = CurrentYear() - Window;
      Y += CenturyBase / 100 * 100;
      if (Window > 0 && Y < CenturyBase)
        Y += 100;
    }
  } else {
    Y = CurrentYear();
    if (Order == TDateOrder::DMY) {
      D = N1;
      M = N2;
    } else {
      M = N1;
      D = N2;
    }
  }
  ScanBlanks(S, Pos);
  if (Pos != S.size())
    return false;
  return TryEncodeDate(Y, M, D, Value);
}

bool TryStrToTime(const std::string& S, TDateTime& Value, const TFormatSettings& FS) {
  std::size_t Pos = 0;
  int BaseHour = -1;
  auto ScanAmPm = [&]() {
    if (ScanText(S, Pos, FS.TimeAMString) || ScanText(S, Pos, "AM"))
      BaseHour = 0;
    else if (ScanText(S, Pos, FS.TimePMString) || ScanText(S, Pos, "PM"))
      BaseHour = 12;
  };
  ScanAmPm();
  int Hour = 0, Min = 0, Sec = 0, MSec = 0, L = 0;
  if (!ScanUnsigned(S, Pos, Hour, L))
    return false;
  if (ScanChar(S, Pos, FS.TimeSeparator)) {
    if (!ScanUnsigned(S, Pos, Min, L))
      return false;
    if (ScanChar(S, Pos, FS.TimeSeparator)) {
      if (!ScanUnsigned(S, Pos, Sec, L))
        return false;
      if (ScanChar(S, Pos, FS.DecimalSeparator) && !ScanUnsigned(S, Pos, MSec, L))
        return false;
    }
  }
  if (BaseHour < 0)
    ScanAmPm();
  if (BaseHour >= 0) {
    if (Hour == 0 || Hour > 12)
      return false;
    if (Hour == 12)
      Hour = 0;
    Hour += BaseHour;
  }
  ScanBlanks(S, Pos);
  if (Pos != S.size())
    return false;
  return TryEncodeTime(Hour, Min, Sec, MSec, Value);
}

TDateTime StrToDate(const std::string& S, const TFormatSettings& Settings) {
  TDateTime R = 0;
  if (!TryStrToDate(S, R, Settings))
    throw EConvertError("'" + S + "' is not a valid date");
  return R;
}

TDateTime StrToTime(const std::string& S, const TFormatSettings& Settings) {
  TDateTime R = 0;
  if (!TryStrToTime(S, R, Settings))
    throw EConvertError("'" + S + "' is not a valid time");
  return R;
}

bool TryStrToDate(const std::string& S, TDateTime& Value) {
  return TryStrToDate(S, Value, FormatSettings());
}

bool TryStrToTime(const std::string& S, TDateTime& Value) {
  return TryStrToTime(S, Value, FormatSettings());
}

TDateTime StrToDate(const std::string& S) {
  return StrToDate(S, FormatSettings());
}

TDateTime StrToTime(const std::string& S) {
  return StrToTime(S, FormatSettings());
}

namespace {

bool StartsWithText(const std::string& F, std::size_t I, const char* Text) {
  const std::string T = Text;
  return I + T.size() <= F.size() && SameText(F.substr(I, T.size()), T);
}

// Whether an AM/PM token follows (outside quoted text), which puts "h" on the 12-hour clock.
bool AmPmFollows(const std::string& F, std::size_t From) {
  char Quote = 0;
  for (std::size_t I = From; I < F.size(); ++I) {
    const char C = F[I];
    if (Quote) {
      if (C == Quote)
        Quote = 0;
      continue;
    }
    if (C == '"' || C == '\'') {
      Quote = C;
      continue;
    }
    if ((C == 'a' || C == 'A') && (StartsWithText(F, I, "am/pm") || StartsWithText(F, I, "a/p") ||
                                   StartsWithText(F, I, "ampm")))
      return true;
  }
  return false;
}

struct TDateParts {
  uint16_t Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0, MSec = 0;
  int WeekDay = 1;
};

void AppendFormat(std::string& Out, const std::string& F, const TDateParts& P,
                  const TFormatSettings& FS, int Level);

// The length of the run of C (either case) at I; moves I past it.
int RunLength(const std::string& F, std::size_t& I, char C) {
  const std::size_t From = I;
  while (I < F.size() && UpperAscii(F[I]) == UpperAscii(C))
    ++I;
  return static_cast<int>(I - From);
}

// A format that stands for other formats ("ddddd", "t", "c") expands two levels deep at most,
// so settings that name each other cannot recurse without end.
void AppendNested(std::string& Out, const std::string& Format, const TDateParts& P,
                  const TFormatSettings& FS, int Level) {
  if (Level < 2)
    AppendFormat(Out, Format, P, FS, Level + 1);
}

// A run of "y", "m" (month) or "d".
void AppendDateRun(std::string& Out, char Token, int N, const TDateParts& P,
                   const TFormatSettings& FS, int Level) {
  if (Token == 'Y') {
    Out += N <= 2 ? ZeroPadded(P.Year % 100, 2) : ZeroPadded(P.Year, 4);
  } else if (N <= 2) {
    Out += ZeroPadded(Token == 'M' ? P.Month : P.Day, N == 2 ? 2 : 0);
  } else if (Token == 'M') {
    if (P.Month >= 1 && P.Month <= 12)
      Out += N == 3 ? FS.ShortMonthNames[P.Month - 1] : FS.LongMonthNames[P.Month - 1];
  } else if (N <= 4) {
    Out += N == 3 ? FS.ShortDayNames[P.WeekDay - 1] : FS.LongDayNames[P.WeekDay - 1];
  } else {
    AppendNested(Out, N == 5 ? FS.ShortDateFormat : FS.LongDateFormat, P, FS, Level);
  }
}

// A run of "h", "n" ("m" after an hour), "s" or "z"; Twelve puts the hour on the 12-hour clock.
void AppendTimeRun(std::string& Out, char Token, int N, bool Twelve, const TDateParts& P) {
  switch (Token) {
  case 'H': {
    int H = P.Hour;
    if (Twelve)
      H = H == 0 ? 12 : H > 12 ? H - 12 : H;
    Out += ZeroPadded(H, N >= 2 ? 2 : 0);
    break;
  }
  case 'N':
    Out += ZeroPadded(P.Min, N >= 2 ? 2 : 0);
    break;
  case 'S':
    Out += ZeroPadded(P.Sec, N >= 2 ? 2 : 0);
    break;
  default: // 'Z'
    Out += ZeroPadded(P.MSec, N >= 3 ? 3 : 0);
    break;
  }
}

// "am/pm", "a/p" (written in the case given) or "ampm" (the settings' texts) at I, or a lone
// "a"; moves I past what it wrote.
void AppendDayPeriod(std::string& Out, const std::string& F, std::size_t& I, const TDateParts& P,
                     const TFormatSettings& FS) {
  const bool PM = P.Hour >= 12;
  if (StartsWithText(F, I, "am/pm")) {
    Out += PM ? F.substr(I + 3, 2) : F.substr(I, 2);
    I += 5;
  } else if (StartsWithText(F, I, "a/p")) {
    Out += PM ? F.substr(I + 2, 1) : F.substr(I, 1);
    I += 3;
  } else if (StartsWithText(F, I, "ampm")) {
    Out += PM ? FS.TimePMString : FS.TimeAMString;
    I += 4;
  } else {
    Out += F[I++];
  }
}

// A character that is no format letter: a separator, quoted text or itself.
void AppendLiteral(std::string& Out, const std::string& F, std::size_t& I,
                   const TFormatSettings& FS) {
  const char C = F[I];
  if (C == '\'' || C == '"') {
    std::size_t J = I + 1;
    while (J < F.size() && F[J] != C)
      Out += F[J++];
    I = J < F.size() ? J + 1 : J;
    return;
  }
  ++I;
  if (C != '/' && C != ':')
    Out += C;
  else if (const char Sep = C == '/' ? FS.DateSeparator : FS.TimeSeparator; Sep != 0)
    Out += Sep;
}

void AppendFormat(std::string& Out, const std::string& F, const TDateParts& P,
                  const TFormatSettings& FS, int Level) {
  char LastToken = ' ';
  std::size_t I = 0;
  while (I < F.size()) {
    const char Starter = F[I];
    char Token = UpperAscii(Starter);
    if (Token >= 'A' && Token <= 'Z') {
      if (Token == 'M' && LastToken == 'H')
        Token = 'N';
      LastToken = Token;
    }
    switch (Token) {
    case 'Y':
    case 'M':
    case 'D': {
      const int N = RunLength(F, I, Starter);
      AppendDateRun(Out, Token, N, P, FS, Level);
      break;
    }
    case 'H':
    case 'N':
    case 'S':
    case 'Z': {
      const bool Twelve = Token == 'H' && AmPmFollows(F, I);
      const int N = RunLength(F, I, Starter);
      AppendTimeRun(Out, Token, N, Twelve, P);
      break;
    }
    case 'T':
      AppendNested(Out, RunLength(F, I, Starter) == 1 ? FS.ShortTimeFormat : FS.LongTimeFormat, P,
                   FS, Level);
      break;
    case 'C':
      RunLength(F, I, Starter);
      if (Level < 2) {
        AppendNested(Out, FS.ShortDateFormat, P, FS, Level);
        if (P.Hour != 0 || P.Min != 0 || P.Sec != 0) {
          Out += ' ';
          AppendNested(Out, FS.LongTimeFormat, P, FS, Level);
        }
      }
      break;
    case 'A':
      AppendDayPeriod(Out, F, I, P, FS);
      break;
    default:
      AppendLiteral(Out, F, I, FS);
      break;
    }
  }
}

TDateParts PartsOf(TDateTime Value) {
  TDateParts P;
  DecodeDate(Value, P.Year, P.Month, P.Day);
  DecodeTime(Value, P.Hour, P.Min, P.Sec, P.MSec);
  P.WeekDay = DayOfWeek(Value);
  return P;
}

} // namespace

std::string FormatDateTime(const std::string& Format, TDateTime Value,
                           const TFormatSettings& Settings) {
  std::string Out;
  const TDateParts P = PartsOf(Value);
  AppendFormat(Out, Format.empty() ? std::string("c") : Format, P, Settings, 0);
  return Out;
}

std::string DateTimeToStr(TDateTime Value, const TFormatSettings& Settings) {
  return FormatDateTime("c", Value, Settings);
}

std::string FormatDateTime(const std::string& Format, TDateTime Value) {
  return FormatDateTime(Format, Value, FormatSettings());
}

std::string DateTimeToStr(TDateTime Value) {
  return DateTimeToStr(Value, FormatSettings());
}

} // namespace velastrin
