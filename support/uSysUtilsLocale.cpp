// The locale format settings: the process-wide instance and the settings ICU gives a locale.
#include "support/uSysUtils.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/uloc.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace velastrin {

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

bool IsAsciiLetter(char C) {
  return (C | 0x20) >= 'a' && (C | 0x20) <= 'z';
}

// Our format letters for a run of Count ICU pattern letters C; empty for fields that have no
// counterpart (eras, time zones and the like).
std::string FieldLetters(char C, std::size_t Count, bool WideYears) {
  switch (C) {
  case 'd':
    return std::string(std::min<std::size_t>(Count, 2), 'd');
  case 'M':
  case 'L':
    return std::string(std::min<std::size_t>(Count, 4), 'M');
  case 'y':
  case 'Y':
  case 'u':
    return (Count == 2 && !WideYears) ? "yy" : "yyyy";
  case 'E':
  case 'c':
  case 'e':
    return Count >= 4 ? "dddd" : "ddd";
  case 'h':
  case 'H':
  case 'k':
  case 'K':
    return Count >= 2 ? "hh" : "h";
  case 'm':
    return Count >= 2 ? "nn" : "n";
  case 's':
    return Count >= 2 ? "ss" : "s";
  case 'a':
  case 'b':
  case 'B':
    return "AMPM";
  default:
    return {};
  }
}

// Appends the quoted literal that opens at I ("''" is a quote character) to Literal and
// returns the position after it.
std::size_t ReadQuoted(const std::string& Pattern, std::size_t I, std::string& Literal) {
  std::size_t J = I + 1;
  if (J < Pattern.size() && Pattern[J] == '\'') {
    Literal += '\'';
    return J + 1;
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
  return J + 1;
}

// Collects a converted pattern: literal text between fields, and the fields.
class TPatternWriter {
public:
  TPatternWriter(bool Time, bool MarkSeparators) : FTime(Time), FMarkSeparators(MarkSeparators) {}

  std::string& Literal() { return FLiteral; }
  void Field(const std::string& Letters) {
    Flush(true);
    FResult.Format += Letters;
    FHadField = true;
  }
  TConvertedPattern Finish() {
    Flush(false);
    // Drop literals left at either end by removed fields (a time zone, an era).
    FResult.Format = Trim(FResult.Format);
    return FResult;
  }

private:
  // Between two fields the first plain mark becomes the separator, written as "/" or ":";
  // letters, quotes and those two marks are quoted so they stay literal.
  void Flush(bool BeforeField) {
    const bool Between = FHadField && BeforeField;
    for (char C : FLiteral) {
      if (FMarkSeparators && Between && FResult.Separator == 0 && C != ' ' && C != ',' &&
          static_cast<unsigned char>(C) < 0x80 && !IsAsciiLetter(C))
        FResult.Separator = C;
      if (Between && FResult.Separator != 0 && C == FResult.Separator)
        FResult.Format += FTime ? ':' : '/';
      else if (C == '/' || C == ':' || C == '"' || C == '\'' || IsAsciiLetter(C))
        FResult.Format.append(1, '"').append(1, C).append(1, '"');
      else
        FResult.Format += C;
    }
    FLiteral.clear();
  }

  bool FTime;
  bool FMarkSeparators;
  bool FHadField = false;
  std::string FLiteral;
  TConvertedPattern FResult;
};

// Turns an ICU date/time pattern into our format letters: d/M/y for dates, h/n/s for times,
// "AMPM" for the day period; the separator between fields becomes "/" or ":".
TConvertedPattern ConvertPattern(const std::string& Pattern, bool Time, bool MarkSeparators,
                                 bool WideYears) {
  TPatternWriter Writer(Time, MarkSeparators);
  std::size_t I = 0;
  while (I < Pattern.size()) {
    const char C = Pattern[I];
    if (C == '\'') {
      I = ReadQuoted(Pattern, I, Writer.Literal());
    } else if (IsAsciiLetter(C)) {
      std::size_t J = I;
      while (J < Pattern.size() && Pattern[J] == C)
        ++J;
      const std::string Letters = FieldLetters(C, J - I, WideYears);
      if (!Letters.empty())
        Writer.Field(Letters);
      else
        Writer.Literal().clear();
      I = J;
    } else {
      Writer.Literal() += C;
      ++I;
    }
  }
  return Writer.Finish();
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

} // namespace velastrin
