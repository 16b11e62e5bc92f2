#include "support/uSysUtils.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/uloc.h>
#include <unicode/unistr.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <memory>

namespace velastrin {

// ---- Exceptions -------------------------------------------------------------------------

void AssertFailed(const std::string& Text, const char* File, int Line) {
  std::string Name = File ? File : "";
  const auto Slash = Name.find_last_of("/\\");
  if (Slash != std::string::npos)
    Name.erase(0, Slash + 1);
  throw EAssertionFailed(Text + " (" + Name + ", line " + std::to_string(Line) + ")");
}

// ---- Small text helpers -----------------------------------------------------------------

namespace {

bool IsBlankChar(char C) {
  return static_cast<unsigned char>(C) <= ' ';
}
char AsciiUpper(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C;
}
char AsciiLower(char C) {
  return (C >= 'A' && C <= 'Z') ? static_cast<char>(C + 32) : C;
}

} // namespace

std::string Trim(const std::string& S) {
  return TrimLeft(TrimRight(S));
}

std::string TrimLeft(const std::string& S) {
  std::size_t I = 0;
  while (I < S.size() && IsBlankChar(S[I]))
    ++I;
  return S.substr(I);
}

std::string TrimRight(const std::string& S) {
  std::size_t N = S.size();
  while (N > 0 && IsBlankChar(S[N - 1]))
    --N;
  return S.substr(0, N);
}

std::string UpperCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    C = AsciiUpper(C);
  return R;
}

std::string LowerCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    C = AsciiLower(C);
  return R;
}

int CompareText(const std::string& A, const std::string& B) {
  const std::size_t N = std::min(A.size(), B.size());
  for (std::size_t I = 0; I < N; ++I) {
    const int CA = static_cast<unsigned char>(AsciiUpper(A[I]));
    const int CB = static_cast<unsigned char>(AsciiUpper(B[I]));
    if (CA != CB)
      return CA - CB;
  }
  return static_cast<int>(A.size()) - static_cast<int>(B.size()) < 0   ? -1
         : static_cast<int>(A.size()) - static_cast<int>(B.size()) > 0 ? 1
                                                                       : 0;
}

bool SameText(const std::string& A, const std::string& B) {
  return A.size() == B.size() && CompareText(A, B) == 0;
}

// ---- Locale format settings -------------------------------------------------------------

TFormatSettings& FormatSettings() {
  static TFormatSettings Settings;
  return Settings;
}

namespace {

std::string ToUtf8(const icu::UnicodeString& U) {
  std::string R;
  U.toUTF8String(R);
  return R;
}

// One 8-bit character for a separator symbol: ASCII stays, the no-break spaces that many
// locales group digits with become a blank, anything else falls back to Fallback.
char SeparatorChar(const icu::UnicodeString& U, char Fallback) {
  if (U.length() != 1)
    return Fallback;
  const char16_t C = U.charAt(0);
  if (C < 0x80)
    return static_cast<char>(C);
  if (C == 0x00A0 || C == 0x202F || C == 0x2009 || C == 0x2007)
    return ' ';
  if (C == 0x2019) // Swiss grouping apostrophe
    return '\'';
  return Fallback;
}

// ICU pattern text in UTF-8 with the exotic blanks (narrow no-break space before "a" in
// English time patterns, for example) turned into ordinary blanks.
std::string PatternText(const icu::UnicodeString& Pattern) {
  icu::UnicodeString P = Pattern;
  P.findAndReplace(icu::UnicodeString(static_cast<UChar32>(0x202F)), icu::UnicodeString(" "));
  P.findAndReplace(icu::UnicodeString(static_cast<UChar32>(0x00A0)), icu::UnicodeString(" "));
  P.findAndReplace(icu::UnicodeString(static_cast<UChar32>(0x200F)), icu::UnicodeString(""));
  P.findAndReplace(icu::UnicodeString(static_cast<UChar32>(0x200E)), icu::UnicodeString(""));
  return ToUtf8(P);
}

struct TConvertedPattern {
  std::string Format;
  char Separator = 0; // first literal character standing between two fields
};

// Turns an ICU date/time pattern into our format letters: d/M/y for dates, h/n/s for times,
// "AMPM" for the day period; the separator between fields becomes "/" or ":".
TConvertedPattern ConvertPattern(const std::string& Pattern, bool Time, bool MarkSeparators,
                                 bool WideYears) {
  TConvertedPattern R;
  std::string Literal;
  bool HadField = false;
  auto FlushLiteral = [&](bool BeforeField) {
    if (Literal.empty())
      return;
    const char Mark = Time ? ':' : '/';
    std::string Out;
    for (char C : Literal) {
      const bool Special =
          C == '/' || C == ':' || C == '"' || C == '\'' || ((C | 0x20) >= 'a' && (C | 0x20) <= 'z');
      if (MarkSeparators && HadField && BeforeField && R.Separator == 0 && C != ' ' && C != ',' &&
          static_cast<unsigned char>(C) < 0x80 && !((C | 0x20) >= 'a' && (C | 0x20) <= 'z')) {
        R.Separator = C;
      }
      if (HadField && BeforeField && R.Separator != 0 && C == R.Separator) {
        Out += Mark;
      } else if (Special) {
        Out += '"';
        Out += C;
        Out += '"';
      } else {
        Out += C;
      }
    }
    R.Format += Out;
    Literal.clear();
  };
  std::size_t I = 0;
  while (I < Pattern.size()) {
    const char C = Pattern[I];
    if (C == '\'') {
      // quoted literal; '' is a quote character
      std::size_t J = I + 1;
      if (J < Pattern.size() && Pattern[J] == '\'') {
        Literal += '\'';
        I = J + 1;
        continue;
      }
      while (J < Pattern.size()) {
        if (Pattern[J] == '\'') {
          if (J + 1 < Pattern.size() && Pattern[J + 1] == '\'') {
            Literal += '\'';
            J += 2;
            continue;
          }
          break;
        }
        Literal += Pattern[J++];
      }
      I = J + 1;
      continue;
    }
    if ((C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z')) {
      std::size_t J = I;
      while (J < Pattern.size() && Pattern[J] == C)
        ++J;
      const std::size_t Count = J - I;
      std::string Field;
      switch (C) {
      case 'd':
        Field = std::string(std::min<std::size_t>(Count, 2), 'd');
        break;
      case 'M':
      case 'L':
        Field = std::string(std::min<std::size_t>(Count, 4), 'M');
        break;
      case 'y':
      case 'Y':
      case 'u':
        Field = (Count == 2 && !WideYears) ? "yy" : "yyyy";
        break;
      case 'E':
      case 'c':
      case 'e':
        Field = Count >= 4 ? "dddd" : "ddd";
        break;
      case 'h':
      case 'H':
      case 'k':
      case 'K':
        Field = Count >= 2 ? "hh" : "h";
        break;
      case 'm':
        Field = Count >= 2 ? "nn" : "n";
        break;
      case 's':
        Field = Count >= 2 ? "ss" : "s";
        break;
      case 'a':
      case 'b':
      case 'B':
        Field = "AMPM";
        break;
      default:
        break; // eras, time zones and the like have no counterpart
      }
      if (!Field.empty()) {
        FlushLiteral(true);
        R.Format += Field;
        HadField = true;
      } else {
        Literal.clear();
      }
      I = J;
      continue;
    }
    Literal += C;
    ++I;
  }
  FlushLiteral(false);
  // Drop literals left at either end by removed fields (a time zone, an era).
  R.Format = Trim(R.Format);
  return R;
}

// Short dates get four-digit years, as desktop date settings commonly use.
std::string ConvertedDateFormat(const icu::Locale& Loc, icu::DateFormat::EStyle Style, bool Time,
                                char& Separator) {
  std::unique_ptr<icu::DateFormat> Fmt(Time ? icu::DateFormat::createTimeInstance(Style, Loc)
                                            : icu::DateFormat::createDateInstance(Style, Loc));
  auto* Simple = dynamic_cast<icu::SimpleDateFormat*>(Fmt.get());
  if (!Simple)
    return {};
  icu::UnicodeString Pattern;
  Simple->toPattern(Pattern);
  const bool Full = Style == icu::DateFormat::kFull || Style == icu::DateFormat::kLong;
  TConvertedPattern R = ConvertPattern(PatternText(Pattern), Time, !Full, !Time && !Full);
  if (R.Separator != 0)
    Separator = R.Separator;
  return R.Format;
}

std::string CanonicalLocaleName(const std::string& Name) {
  std::string N = Name;
  const auto Dot = N.find_first_of(".@");
  if (Dot != std::string::npos)
    N.erase(Dot);
  return N;
}

bool IsDefaultLocaleName(const std::string& Name) {
  const std::string N = CanonicalLocaleName(Name);
  return N.empty() || N == "C" || N == "POSIX";
}

} // namespace

TFormatSettings GetLocaleFormatSettingsByName(const std::string& LocaleName) {
  TFormatSettings R;
  if (IsDefaultLocaleName(LocaleName))
    return R;
  const icu::Locale Loc = icu::Locale::createCanonical(CanonicalLocaleName(LocaleName).c_str());
  if (Loc.isBogus())
    return R;

  UErrorCode Status = U_ZERO_ERROR;
  icu::DateFormatSymbols Symbols(Loc, Status);
  if (U_SUCCESS(Status)) {
    int32_t Count = 0;
    const icu::UnicodeString* Names = Symbols.getMonths(Count, icu::DateFormatSymbols::FORMAT,
                                                        icu::DateFormatSymbols::ABBREVIATED);
    for (int32_t I = 0; I < Count && I < 12; ++I)
      R.ShortMonthNames[I] = ToUtf8(Names[I]);
    Names = Symbols.getMonths(Count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
    for (int32_t I = 0; I < Count && I < 12; ++I)
      R.LongMonthNames[I] = ToUtf8(Names[I]);
    // ICU's weekday arrays start at index 1 (Sunday).
    Names = Symbols.getWeekdays(Count, icu::DateFormatSymbols::FORMAT,
                                icu::DateFormatSymbols::ABBREVIATED);
    for (int32_t I = 1; I < Count && I <= 7; ++I)
      R.ShortDayNames[I - 1] = ToUtf8(Names[I]);
    Names =
        Symbols.getWeekdays(Count, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
    for (int32_t I = 1; I < Count && I <= 7; ++I)
      R.LongDayNames[I - 1] = ToUtf8(Names[I]);
    Names = Symbols.getAmPmStrings(Count);
    if (Count >= 2) {
      R.TimeAMString = ToUtf8(Names[0]);
      R.TimePMString = ToUtf8(Names[1]);
    }
  }

  Status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols Numbers(Loc, Status);
  if (U_SUCCESS(Status)) {
    R.DecimalSeparator =
        SeparatorChar(Numbers.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol), '.');
    R.ThousandSeparator =
        SeparatorChar(Numbers.getSymbol(icu::DecimalFormatSymbols::kGroupingSeparatorSymbol), ' ');
    if (R.ThousandSeparator == R.DecimalSeparator)
      R.ThousandSeparator = R.DecimalSeparator == '.' ? ',' : '.';
  }

  char DateSep = R.DateSeparator;
  char TimeSep = R.TimeSeparator;
  std::string F = ConvertedDateFormat(Loc, icu::DateFormat::kShort, false, DateSep);
  if (!F.empty())
    R.ShortDateFormat = F;
  char Unused = 0;
  F = ConvertedDateFormat(Loc, icu::DateFormat::kFull, false, Unused);
  if (!F.empty())
    R.LongDateFormat = F;
  F = ConvertedDateFormat(Loc, icu::DateFormat::kShort, true, TimeSep);
  if (!F.empty())
    R.ShortTimeFormat = F;
  F = ConvertedDateFormat(Loc, icu::DateFormat::kMedium, true, TimeSep);
  if (!F.empty())
    R.LongTimeFormat = F;
  R.DateSeparator = DateSep;
  R.TimeSeparator = TimeSep;
  return R;
}

namespace {

bool LocaleNameForLCID(uint32_t LCID, std::string& Name) {
  char Buffer[ULOC_FULLNAME_CAPACITY] = {};
  UErrorCode Status = U_ZERO_ERROR;
  const int32_t Length = uloc_getLocaleForLCID(LCID, Buffer, sizeof(Buffer) - 1, &Status);
  if (U_FAILURE(Status) || Status == U_USING_DEFAULT_WARNING || Length <= 0)
    return false;
  Name.assign(Buffer, static_cast<std::size_t>(Length));
  return true;
}

} // namespace

namespace {

// LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT stand for the current locale.
bool IsDefaultLCID(uint32_t LCID) {
  return LCID == 0 || LCID == 0x0400 || LCID == 0x0800;
}

} // namespace

bool IsLCIDKnown(uint32_t LCID) {
  if (IsDefaultLCID(LCID))
    return true;
  std::string Name;
  return LocaleNameForLCID(LCID, Name);
}

TFormatSettings GetLocaleFormatSettings(uint32_t LCID) {
  if (IsDefaultLCID(LCID))
    return FormatSettings();
  std::string Name;
  if (!LocaleNameForLCID(LCID, Name))
    return TFormatSettings{};
  return GetLocaleFormatSettingsByName(Name);
}

void InitFormatSettingsFromEnvironment() {
  auto Env = [](const char* Name) -> std::string {
    const char* V = std::getenv(Name);
    return V ? std::string(V) : std::string();
  };
  const std::string All = Env("LC_ALL");
  const std::string Lang = Env("LANG");
  std::string TimeName = All;
  std::string NumericName = All;
  if (All.empty()) {
    TimeName = Env("LC_TIME");
    if (TimeName.empty())
      TimeName = Lang;
    NumericName = Env("LC_NUMERIC");
    if (NumericName.empty())
      NumericName = Lang;
  }
  TFormatSettings Settings = GetLocaleFormatSettingsByName(TimeName);
  if (NumericName != TimeName) {
    const TFormatSettings Numeric = GetLocaleFormatSettingsByName(NumericName);
    Settings.DecimalSeparator = Numeric.DecimalSeparator;
    Settings.ThousandSeparator = Numeric.ThousandSeparator;
  }
  FormatSettings() = Settings;
}

// ---- Dates ------------------------------------------------------------------------------

namespace {

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

// ---- "Now" ------------------------------------------------------------------------------

namespace {

std::function<TDateTime()>& NowFunction() {
  static std::function<TDateTime()> F;
  return F;
}

TDateTime SystemNow() {
  using namespace std::chrono;
  const auto T = system_clock::now();
  const std::time_t Secs = system_clock::to_time_t(T);
  std::tm Local{};
  localtime_r(&Secs, &Local);
  const int MSec =
      static_cast<int>(duration_cast<milliseconds>(T.time_since_epoch()).count() % 1000);
  TDateTime D = 0, Tm = 0;
  TryEncodeDate(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday, D);
  TryEncodeTime(Local.tm_hour, Local.tm_min, std::min(Local.tm_sec, 59), MSec < 0 ? 0 : MSec, Tm);
  return D + Tm;
}

} // namespace

TDateTime Now() {
  return NowFunction() ? NowFunction()() : SystemNow();
}

void SetNowFunction(std::function<TDateTime()> Function) {
  NowFunction() = std::move(Function);
}

uint16_t CurrentYear() {
  uint16_t Y = 0, M = 0, D = 0;
  DecodeDate(Now(), Y, M, D);
  return Y;
}

// ---- Command line -----------------------------------------------------------------------

namespace {

std::vector<std::string>& CommandLine() {
  static std::vector<std::string> Args;
  return Args;
}

} // namespace

void SetCommandLine(int argc, const char* const* argv) {
  std::vector<std::string> Args;
  for (int I = 0; I < argc; ++I)
    Args.emplace_back(argv[I] ? argv[I] : "");
  SetCommandLine(std::move(Args));
}

void SetCommandLine(std::vector<std::string> Args) {
  CommandLine() = std::move(Args);
}

int ParamCount() {
  const auto N = CommandLine().size();
  return N == 0 ? 0 : static_cast<int>(N - 1);
}

std::string ParamStr(int Index) {
  if (Index < 0 || static_cast<std::size_t>(Index) >= CommandLine().size())
    return {};
  return CommandLine()[static_cast<std::size_t>(Index)];
}

bool FindCmdLineSwitch(const std::string& Switch, bool IgnoreCase) {
  for (int I = 1; I <= ParamCount(); ++I) {
    const std::string P = ParamStr(I);
    if (P.size() < 2 || (P[0] != '-' && P[0] != '/'))
      continue;
    const std::string Rest = P.substr(1);
    if (IgnoreCase ? SameText(Rest, Switch) : Rest == Switch)
      return true;
  }
  return false;
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
    switch (AsciiUpper(C)) {
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

std::string PaddedNumber(int64_t Value, int Width) {
  std::string R = std::to_string(Value < 0 ? -Value : Value);
  if (static_cast<int>(R.size()) < Width)
    R.insert(0, static_cast<std::size_t>(Width) - R.size(), '0');
  return Value < 0 ? "-" + R : R;
}

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
                  const TFormatSettings& FS, int Level) {
  char LastToken = ' ';
  std::size_t I = 0;
  auto Count = [&](char C) {
    std::size_t J = I;
    while (J < F.size() && AsciiUpper(F[J]) == AsciiUpper(C))
      ++J;
    const std::size_t N = J - I;
    I = J;
    return static_cast<int>(N);
  };
  while (I < F.size()) {
    const char Starter = F[I];
    char Token = AsciiUpper(Starter);
    if (Token >= 'A' && Token <= 'Z') {
      if (Token == 'M' && LastToken == 'H')
        Token = 'N';
      LastToken = Token;
    }
    switch (Token) {
    case 'Y': {
      const int N = Count('Y');
      Out += N <= 2 ? PaddedNumber(P.Year % 100, 2) : PaddedNumber(P.Year, 4);
      break;
    }
    case 'M': {
      const int N = Count('M');
      if (N == 1)
        Out += PaddedNumber(P.Month, 0);
      else if (N == 2)
        Out += PaddedNumber(P.Month, 2);
      else if (P.Month >= 1 && P.Month <= 12)
        Out += N == 3 ? FS.ShortMonthNames[P.Month - 1] : FS.LongMonthNames[P.Month - 1];
      break;
    }
    case 'D': {
      const int N = Count('D');
      if (N == 1)
        Out += PaddedNumber(P.Day, 0);
      else if (N == 2)
        Out += PaddedNumber(P.Day, 2);
      else if (N == 3)
        Out += FS.ShortDayNames[P.WeekDay - 1];
      else if (N == 4)
        Out += FS.LongDayNames[P.WeekDay - 1];
      else if (Level < 2)
        AppendFormat(Out, N == 5 ? FS.ShortDateFormat : FS.LongDateFormat, P, FS, Level + 1);
      break;
    }
    case 'H': {
      const bool Twelve = AmPmFollows(F, I);
      const int N = Count('H');
      int H = P.Hour;
      if (Twelve) {
        if (H == 0)
          H = 12;
        else if (H > 12)
          H -= 12;
      }
      Out += PaddedNumber(H, N >= 2 ? 2 : 0);
      break;
    }
    case 'N': {
      const int N = Count(Starter);
      Out += PaddedNumber(P.Min, N >= 2 ? 2 : 0);
      break;
    }
    case 'S': {
      const int N = Count('S');
      Out += PaddedNumber(P.Sec, N >= 2 ? 2 : 0);
      break;
    }
    case 'Z': {
      const int N = Count('Z');
      Out += PaddedNumber(P.MSec, N >= 3 ? 3 : 0);
      break;
    }
    case 'T': {
      const int N = Count('T');
      if (Level < 2)
        AppendFormat(Out, N == 1 ? FS.ShortTimeFormat : FS.LongTimeFormat, P, FS, Level + 1);
      break;
    }
    case 'C': {
      Count('C');
      if (Level < 2) {
        AppendFormat(Out, FS.ShortDateFormat, P, FS, Level + 1);
        if (P.Hour != 0 || P.Min != 0 || P.Sec != 0) {
          Out += ' ';
          AppendFormat(Out, FS.LongTimeFormat, P, FS, Level + 1);
        }
      }
      break;
    }
    case 'A': {
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
        Out += Starter;
        ++I;
      }
      break;
    }
    case '/':
      if (FS.DateSeparator != 0)
        Out += FS.DateSeparator;
      ++I;
      break;
    case ':':
      if (FS.TimeSeparator != 0)
        Out += FS.TimeSeparator;
      ++I;
      break;
    case '\'':
    case '"': {
      std::size_t J = I + 1;
      while (J < F.size() && F[J] != Starter)
        Out += F[J++];
      I = J < F.size() ? J + 1 : J;
      break;
    }
    default:
      Out += Starter;
      ++I;
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

// ---- Numbers ----------------------------------------------------------------------------

namespace {

// The value as decimal digits: Value = 0.Digits x 10^Exponent, Digits without trailing
// zeros ("" for zero), rounded to Significant digits.
struct TDecimal {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

// Fifty significant digits: enough that rounding them once more, half away from zero as
// users expect (0.125 -> 0.13), never meets a tie the exact value does not have.
TDecimal RawDecimal(long double Value) {
  TDecimal R;
  R.Negative = std::signbit(Value);
  const long double A = std::fabs(Value);
  if (A == 0)
    return R;
  char Buf[128];
  const auto Res = std::to_chars(Buf, Buf + sizeof(Buf), A, std::chars_format::scientific, 50);
  const std::string T(Buf, Res.ptr);
  const auto E = T.find('e');
  for (std::size_t I = 0; I < E; ++I)
    if (T[I] >= '0' && T[I] <= '9')
      R.Digits += T[I];
  int Exp = 0;
  std::from_chars(T.data() + E + 1 + (T[E + 1] == '+' ? 1 : 0), T.data() + T.size(), Exp);
  R.Exponent = Exp + 1;
  return R;
}

// Keeps Count significant digits, rounding half away from zero; drops trailing zeros.
TDecimal RoundDecimal(TDecimal D, int Count) {
  if (D.Digits.empty())
    return D;
  if (Count < 0) {
    D.Digits.clear();
  } else if (static_cast<std::size_t>(Count) < D.Digits.size()) {
    const bool Up = D.Digits[static_cast<std::size_t>(Count)] >= '5';
    D.Digits.resize(static_cast<std::size_t>(Count));
    if (Up) {
      int I = Count - 1;
      while (I >= 0 && D.Digits[static_cast<std::size_t>(I)] == '9')
        D.Digits[static_cast<std::size_t>(I--)] = '0';
      if (I >= 0) {
        ++D.Digits[static_cast<std::size_t>(I)];
      } else {
        D.Digits.insert(D.Digits.begin(), '1');
        ++D.Exponent;
      }
    }
  }
  while (!D.Digits.empty() && D.Digits.back() == '0')
    D.Digits.pop_back();
  if (D.Digits.empty())
    D.Exponent = 0;
  return D;
}

TDecimal ToDecimal(long double Value, int Significant) {
  return RoundDecimal(RawDecimal(Value), Significant);
}

// Rounded at Decimals places after the point, and to at most Significant digits.
TDecimal ToDecimalFixed(long double Value, int Significant, int Decimals) {
  const TDecimal Raw = RawDecimal(Value);
  return RoundDecimal(Raw, std::min(Significant, Raw.Exponent + Decimals));
}

char DigitAt(const TDecimal& D, int Index) { // Index 0 = first digit
  return Index >= 0 && Index < static_cast<int>(D.Digits.size()) ? D.Digits[Index] : '0';
}

std::string ExponentText(int Exp, int MinDigits) {
  std::string R = "E";
  R += Exp < 0 ? '-' : '+';
  R += PaddedNumber(Exp < 0 ? -Exp : Exp, MinDigits);
  return R;
}

std::string SignOf(const TDecimal& D) {
  return D.Negative && !D.Digits.empty() ? "-" : "";
}

std::string FixedText(const TDecimal& D, int Decimals, bool Grouping, const TFormatSettings& FS) {
  std::string IntPart;
  if (D.Exponent <= 0)
    IntPart = "0";
  else
    for (int I = 0; I < D.Exponent; ++I)
      IntPart += DigitAt(D, I);
  if (Grouping && FS.ThousandSeparator != 0) {
    std::string G;
    const int N = static_cast<int>(IntPart.size());
    for (int I = 0; I < N; ++I) {
      if (I > 0 && (N - I) % 3 == 0)
        G += FS.ThousandSeparator;
      G += IntPart[I];
    }
    IntPart = G;
  }
  std::string R = SignOf(D) + IntPart;
  if (Decimals > 0) {
    R += FS.DecimalSeparator;
    for (int I = 0; I < Decimals; ++I)
      R += DigitAt(D, D.Exponent + I);
  }
  return R;
}

std::string ExponentFormText(const TDecimal& D, int Precision, int Digits, char DecimalSeparator) {
  std::string R = SignOf(D);
  R += DigitAt(D, 0);
  if (Precision > 1) {
    R += DecimalSeparator;
    for (int I = 1; I < Precision; ++I)
      R += DigitAt(D, I);
  }
  R += ExponentText(D.Digits.empty() ? 0 : D.Exponent - 1, Digits);
  return R;
}

} // namespace

std::string FloatToStrF(long double Value, TFloatFormat Format, int Precision, int Digits,
                        const TFormatSettings& FS) {
  if (std::isnan(Value))
    return "NAN";
  if (std::isinf(Value))
    return Value < 0 ? "-INF" : "INF";
  Precision = std::clamp(Precision, 1, 18);
  switch (Format) {
  case TFloatFormat::ffGeneral: {
    Digits = std::clamp(Digits, 0, 4);
    const TDecimal D = ToDecimal(Value, Precision);
    if (D.Digits.empty())
      return "0";
    const int Len = static_cast<int>(D.Digits.size());
    if (D.Exponent <= Precision && D.Exponent >= -4) {
      std::string R = SignOf(D);
      if (D.Exponent <= 0) {
        R += '0';
        R += FS.DecimalSeparator;
        R.append(static_cast<std::size_t>(-D.Exponent), '0');
        R += D.Digits;
      } else {
        R += D.Digits.substr(0, static_cast<std::size_t>(std::min(Len, D.Exponent)));
        if (D.Exponent < Len)
          R.append(1, FS.DecimalSeparator).append(D.Digits.substr(D.Exponent));
        else
          R.append(static_cast<std::size_t>(D.Exponent - Len), '0');
      }
      return R;
    }
    std::string R = SignOf(D);
    R += D.Digits[0];
    if (Len > 1)
      R.append(1, FS.DecimalSeparator).append(D.Digits.substr(1));
    R += ExponentText(D.Exponent - 1, Digits);
    return R;
  }
  case TFloatFormat::ffExponent:
    return ExponentFormText(ToDecimal(Value, Precision), Precision, std::clamp(Digits, 0, 4),
                            FS.DecimalSeparator);
  case TFloatFormat::ffFixed:
  case TFloatFormat::ffNumber: {
    Digits = std::clamp(Digits, 0, 18);
    // An integer part longer than the precision falls back to the general format.
    if (ToDecimal(Value, Precision).Exponent > Precision)
      return FloatToStrF(Value, TFloatFormat::ffGeneral, Precision, 0, FS);
    const TDecimal D = ToDecimalFixed(Value, Precision, Digits);
    return FixedText(D, Digits, Format == TFloatFormat::ffNumber, FS);
  }
  }
  return {};
}

std::string FloatToStrF(long double Value, TFloatFormat Format, int Precision, int Digits) {
  return FloatToStrF(Value, Format, Precision, Digits, FormatSettings());
}

bool TryStrToFloat(const std::string& S, long double& Value, const TFormatSettings& Settings) {
  return TryStrToFloat(S, Value, Settings.DecimalSeparator);
}

bool TryStrToFloat(const std::string& S, long double& Value) {
  return TryStrToFloat(S, Value, FormatSettings().DecimalSeparator);
}

bool TryStrToFloat(const std::string& S, long double& Value, char Dec) {
  std::size_t I = 0;
  const std::size_t N = S.size();
  while (I < N && S[I] == ' ')
    ++I;
  std::string T;
  if (I < N && (S[I] == '+' || S[I] == '-')) {
    if (S[I] == '-')
      T += '-';
    ++I;
  }
  int MantissaDigits = 0;
  while (I < N && S[I] >= '0' && S[I] <= '9') {
    T += S[I++];
    ++MantissaDigits;
  }
  if (I < N && S[I] == Dec) {
    T += '.';
    ++I;
    while (I < N && S[I] >= '0' && S[I] <= '9') {
      T += S[I++];
      ++MantissaDigits;
    }
  }
  if (MantissaDigits == 0)
    return false;
  bool NegativeExponent = false;
  if (I < N && (S[I] == 'e' || S[I] == 'E')) {
    T += 'e';
    ++I;
    if (I < N && (S[I] == '+' || S[I] == '-')) {
      NegativeExponent = S[I] == '-';
      T += S[I++];
    }
    int ExpDigits = 0;
    while (I < N && S[I] >= '0' && S[I] <= '9') {
      T += S[I++];
      ++ExpDigits;
    }
    if (ExpDigits == 0)
      return false;
  }
  while (I < N && S[I] == ' ')
    ++I;
  if (I != N)
    return false;
  long double V = 0;
  const char* First = T.data();
  const auto Res = std::from_chars(First, T.data() + T.size(), V);
  if (Res.ptr != T.data() + T.size())
    return false;
  if (Res.ec == std::errc::result_out_of_range) {
    if (!NegativeExponent)
      return false;
    V = T[0] == '-' ? -0.0L : 0.0L; // underflow reads as zero
  } else if (Res.ec != std::errc()) {
    return false;
  }
  Value = V;
  return true;
}

bool TryStrToInt64(const std::string& S, int64_t& Value) {
  std::size_t I = 0;
  const std::size_t N = S.size();
  while (I < N && S[I] == ' ')
    ++I;
  bool Negative = false;
  if (I < N && (S[I] == '+' || S[I] == '-')) {
    Negative = S[I] == '-';
    ++I;
  }
  int Base = 10;
  if (I < N && S[I] == '$') {
    Base = 16;
    ++I;
  } else if (I < N && (S[I] == 'x' || S[I] == 'X')) {
    Base = 16;
    ++I;
  } else if (I + 1 < N && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
    Base = 16;
    I += 2;
  }
  if (I >= N)
    return false;
  // The magnitude may reach 2^63 for the most negative value.
  constexpr uint64_t Limit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1;
  uint64_t Magnitude = 0;
  for (; I < N; ++I) {
    const char C = S[I];
    int Digit = -1;
    if (C >= '0' && C <= '9')
      Digit = C - '0';
    else if (Base == 16 && C >= 'a' && C <= 'f')
      Digit = C - 'a' + 10;
    else if (Base == 16 && C >= 'A' && C <= 'F')
      Digit = C - 'A' + 10;
    if (Digit < 0)
      return false;
    if (Magnitude > (Limit - static_cast<uint64_t>(Digit)) / static_cast<uint64_t>(Base))
      return false;
    Magnitude = Magnitude * static_cast<uint64_t>(Base) + static_cast<uint64_t>(Digit);
  }
  if (!Negative && Magnitude == Limit)
    return false;
  Value = Negative ? static_cast<int64_t>(0 - Magnitude) : static_cast<int64_t>(Magnitude);
  return true;
}

bool TryStrToInt(const std::string& S, int32_t& Value) {
  int64_t V = 0;
  if (!TryStrToInt64(S, V) || V < std::numeric_limits<int32_t>::min() ||
      V > std::numeric_limits<int32_t>::max())
    return false;
  Value = static_cast<int32_t>(V);
  return true;
}

std::string IntToStr(int64_t Value) {
  char Buf[32];
  const auto Res = std::to_chars(Buf, Buf + sizeof(Buf), Value);
  return std::string(Buf, Res.ptr);
}

} // namespace velastrin
