#include "datetime/uDateTime.h"

#include "support/uLocale.h"
#include "support/udStr.h"
#include "support/udroot.h"

#include <charconv>
#include <cmath>

namespace velastrin {

namespace {

// Composite tokens expand into locale formats; a locale whose formats name composites
// again must not recurse without end.
constexpr int MaxExpandDepth = 8;

// Serials of 1 January 0001 and of 1 January 10000: the values that have a calendar date.
constexpr double MinSerial = -693593.0;
constexpr double EndSerial = 2958466.0;

// The text between the quotes of a quoted literal, or the literal character itself.
std::string LiteralText(const std::string& TokenText) {
  if (TokenText.size() >= 2 && (TokenText.front() == '"' || TokenText.front() == '\''))
    return TokenText.substr(1, TokenText.size() - 2);
  return TokenText;
}

// Characters of S from Start (0-based), empty where S is too short.
std::string Part(const std::string& S, std::size_t Start, std::size_t Count) {
  return Start < S.size() ? S.substr(Start, Count) : std::string();
}

std::string NameAt(const TDynStringArray& Names, int Index) {
  if (Index < 0 || static_cast<std::size_t>(Index) >= Names.size())
    return std::string();
  return Names[static_cast<std::size_t>(Index)];
}

// An LCID that is not installed gets the default locale's settings; the name lists, not
// the settings, are where such an LCID is reported.
TFormatSettings LocaleSettings(uint16_t LCID) {
  return GetLocaleFormatSettings(IsValidLCID(LCID) ? LCID : 0);
}

bool HasCalendarDate(TDateTime Value) {
  return std::isfinite(Value) && Value >= MinSerial && Value < EndSerial;
}

} // namespace

TDateTimeStringConvertor::TDateTimeStringConvertor()
    : FFormatSettings(LocaleSettings(0)), FTokenizer(std::make_unique<TDateTimeFormatTokenizer>()) {
}

TDateTimeStringConvertor::~TDateTimeStringConvertor() = default;

void TDateTimeStringConvertor::SetLCID(uint16_t Value) {
  FLCID = Value;
  FFormatSettings = LocaleSettings(Value);
}

std::string TDateTimeStringConvertor::ExpandFormat(const std::string& F) {
  return ExpandFormatAt(F, 0);
}

std::string TDateTimeStringConvertor::ExpandFormatAt(const std::string& F, int Depth) {
  if (Depth > MaxExpandDepth)
    return std::string();
  const TFormatSettings& Process = velastrin::FormatSettings();
  if (F.empty())
    return ExpandFormatAt(Process.ShortDateFormat + " " + Process.LongTimeFormat, Depth + 1);

  // A local tokenizer: composites expand recursively while this walk is under way.
  TDateTimeFormatTokenizer Walk;
  Walk.SetText(F);
  std::string Result;
  TDateTimeTokenKind Previous = dtkNone;
  for (bool More = Walk.First(); More; More = Walk.Next()) {
    const TDateTimeTokenKind Kind = Walk.Kind();
    switch (Kind) {
    case dtkDateTime:
      Result +=
          ExpandFormatAt(FFormatSettings.ShortDateFormat + " " + Process.LongTimeFormat, Depth + 1);
      break;
    case dtkShortDate:
      Result += ExpandFormatAt(FFormatSettings.ShortDateFormat, Depth + 1);
      break;
    case dtkLongDate:
      Result += ExpandFormatAt(FFormatSettings.LongDateFormat, Depth + 1);
      break;
    case dtkShortTime:
      Result += ExpandFormatAt(FFormatSettings.ShortTimeFormat, Depth + 1);
      break;
    case dtkLongTime:
      Result += ExpandFormatAt(FFormatSettings.LongTimeFormat, Depth + 1);
      break;
    case dtkMonth:
    case dtkMonth2:
      // Right after an hour (separators aside) "m" means minutes.
      if (Previous == dtkHour || Previous == dtkHour2)
        Result += Kind == dtkMonth ? "N" : "NN";
      else
        Result += Walk.Token();
      break;
    default:
      Result += Walk.Token();
      break;
    }
    if (Kind != dtkDateSep && Kind != dtkTimeSep && Kind != dtkAnyChar)
      Previous = Kind;
  }
  return Result;
}

void TDateTimeStringConvertor::SetFormat(const std::string& F) {
  FFormat = ExpandFormat(F);
  Render();
}

bool TDateTimeStringConvertor::IsTokenSupported() {
  const TDateTimeTokenKind Kind = FTokenizer->Kind();
  return (Kind >= dtkDateTime && Kind <= dtkSecond2) || (Kind >= dtkMSec && Kind <= dtkLiteral);
}

bool TDateTimeStringConvertor::IsFormatValid() {
  FTokenizer->SetText(FFormat);
  if (!FTokenizer->First())
    return false;
  do {
    if (!IsTokenSupported())
      return false;
  } while (FTokenizer->Next());
  return true;
}

TDateTime TDateTimeStringConvertor::GetDateTime() const {
  return FDateTime;
}

void TDateTimeStringConvertor::SetDateTime(TDateTime Value) {
  FDateTime = Value;
  Render();
}

void TDateTimeStringConvertor::Render() {
  // A value without a calendar date (NaN, infinite, outside the years 1..9999) has no
  // text; decoding it would give garbage fields.
  if (IsFormatValid() && HasCalendarDate(FDateTime)) {
    BuildText(FText);
    FTextValid = true;
  } else {
    FText.clear();
    FTextValid = false;
  }
}

void TDateTimeStringConvertor::BuildText(std::string& S) {
  FTokenizer->SetText(FFormat);
  FAmPmPresent = false;
  for (bool More = FTokenizer->First(); More; More = FTokenizer->Next()) {
    const TDateTimeTokenKind Kind = FTokenizer->Kind();
    if (Kind == dtkAmPm || Kind == dtkAP || Kind == dtkAmPmLocale)
      FAmPmPresent = true;
  }

  ClearFields();
  FDayOfWeek = 0;
  if (HasCalendarDate(FDateTime)) {
    DecodeDate(FDateTime, FYear, FMonth, FDay);
    DecodeTime(FDateTime, FHour, FMinute, FSecond, FMSec);
    FDayOfWeek = static_cast<uint16_t>(velastrin::DayOfWeek(FDateTime));
  }

  S.clear();
  for (bool More = FTokenizer->First(); More; More = FTokenizer->Next()) {
    std::string Part;
    FormatToken(FTokenizer->Kind(), FTokenizer->Token(), Part);
    S += Part;
  }
}

void TDateTimeStringConvertor::FormatToken(TDateTimeTokenKind Kind, const std::string& TokenText,
                                           std::string& S) {
  const TFormatSettings& Process = velastrin::FormatSettings();
  const bool Morning = FHour < 12;
  S.clear();
  int Width = 0, MaxLen = 0;
  if (const uint16_t* Field = NumberField(Kind, Width, MaxLen)) {
    // With an AM/PM marker the afternoon shows 1..11; 0 and 12 stay as they are.
    const bool Afternoon = Field == &FHour && FAmPmPresent && FHour > 12;
    S = ZeroPadded(Afternoon ? FHour - 12 : *Field, Width);
    return;
  }
  switch (Kind) {
  case dtkDayShort:
    S = NameAt(GetShortDayNames(FLCID), FDayOfWeek - 1);
    break;
  case dtkDayLong:
    S = NameAt(GetLongDayNames(FLCID), FDayOfWeek - 1);
    break;
  case dtkMonthShort:
    S = NameAt(GetShortMonthNames(FLCID), FMonth - 1);
    break;
  case dtkMonthLong:
    S = NameAt(GetLongMonthNames(FLCID), FMonth - 1);
    break;
  case dtkYear2:
    S = ZeroPadded(FYear % 100u, 2);
    break;
  case dtkAmPm: // "am/pm" as written: characters 1-2 or 4-5
    S = Morning ? Part(TokenText, 0, 2) : Part(TokenText, 3, 2);
    break;
  case dtkAP: // "a/p" as written: character 1 or 3
    S = Morning ? Part(TokenText, 0, 1) : Part(TokenText, 2, 1);
    break;
  case dtkAmPmLocale:
    S = Morning ? Process.TimeAMString : Process.TimePMString;
    break;
  case dtkDateSep:
    S = std::string(1, Process.DateSeparator);
    break;
  case dtkTimeSep:
    S = std::string(1, Process.TimeSeparator);
    break;
  case dtkAnyChar:
    S = TokenText;
    break;
  case dtkLiteral:
    S = LiteralText(TokenText);
    break;
  default:
    break;
  }
}

void TDateTimeStringConvertor::ClearFields() {
  FYear = 0;
  FMonth = 0;
  FDayOfWeek = 0;
  FDay = 0;
  FHour = 0;
  FMinute = 0;
  FSecond = 0;
  FMSec = 0;
}

void TDateTimeStringConvertor::SetText(const std::string& S) {
  FText = S;
  FTextValid = false;
  if (!IsFormatValid())
    return;

  ClearFields();
  // The marker belongs to this text alone: a "pm" read under an earlier format must not
  // move the hours of a text that has no marker.
  FPMMarker = false;
  FDateFieldParsed = false;
  // Read under the stored format exactly as BuildText writes it. Expanding it once more
  // is not always a no-op: in "hh?c" the composite's month follows the hour in the stored
  // text and would turn into minutes, so the parse would disagree with the rendering.
  FTokenizer->SetText(FFormat);
  int32_t Pos = 1;
  bool More = FTokenizer->First();
  if (!More)
    return;
  bool Fits = true;
  while (More && Fits) {
    Fits = ParseToken(FTokenizer->Kind(), FTokenizer->Token(), Pos, S);
    if (Fits)
      More = FTokenizer->Next();
  }
  // Whatever follows the last token is not examined.
  if (Fits)
    FTextValid = EncodeFields();
}

uint16_t* TDateTimeStringConvertor::NumberField(TDateTimeTokenKind Kind, int& Width, int& MaxLen) {
  // One table for writing (Width digits at least) and reading (Width to MaxLen digits).
  // The two-digit year is not here: it writes and reads through the century.
  struct TRow {
    TDateTimeTokenKind Kind;
    uint16_t TDateTimeStringConvertor::*Field;
    int Width, MaxLen;
  };
  using C = TDateTimeStringConvertor;
  // clang-format off
  static constexpr TRow Rows[] = {
      {dtkDay, &C::FDay, 1, 2}, {dtkDay2, &C::FDay, 2, 2}, {dtkMonth, &C::FMonth, 1, 2},
      {dtkMonth2, &C::FMonth, 2, 2}, {dtkYear4, &C::FYear, 4, 4}, {dtkHour, &C::FHour, 1, 2},
      {dtkHour2, &C::FHour, 2, 2}, {dtkMinute, &C::FMinute, 1, 2}, {dtkMinute2, &C::FMinute, 2, 2},
      {dtkSecond, &C::FSecond, 1, 2}, {dtkSecond2, &C::FSecond, 2, 2}, {dtkMSec, &C::FMSec, 1, 3},
      {dtkMSec3, &C::FMSec, 3, 3}};
  // clang-format on
  for (const TRow& Row : Rows)
    if (Row.Kind == Kind) {
      Width = Row.Width;
      MaxLen = Row.MaxLen;
      return &(this->*Row.Field);
    }
  return nullptr;
}

bool TDateTimeStringConvertor::ParseNumber(int32_t& Pos, const std::string& S, uint16_t& Field,
                                           int MinLen, int MaxLen) {
  uint16_t Value = 0;
  int P = Pos;
  if (!ScanNumber(S, P, Value, MinLen, MaxLen))
    return false;
  Field = Value;
  Pos = P;
  return true;
}

bool TDateTimeStringConvertor::ParseToken(TDateTimeTokenKind Kind, const std::string& TokenText,
                                          int32_t& Pos, const std::string& S) {
  const TFormatSettings& Process = velastrin::FormatSettings();
  int P = Pos;
  bool Ok = false;
  int Width = 0, MaxLen = 0;
  if (uint16_t* Field = NumberField(Kind, Width, MaxLen)) {
    if (Field == &FDay || Field == &FMonth || Field == &FYear)
      FDateFieldParsed = true;
    return ParseNumber(Pos, S, *Field, Width, MaxLen);
  }
  switch (Kind) {
  case dtkDayShort:
  case dtkDayLong: {
    int Index = -1;
    Ok = MatchOneOf(Kind == dtkDayShort ? GetShortDayNames(FLCID) : GetLongDayNames(FLCID), S,
                    Index, P);
    if (Ok)
      FDayOfWeek = static_cast<uint16_t>(Index + 1);
    break;
  }
  case dtkMonthShort:
  case dtkMonthLong: {
    FDateFieldParsed = true;
    int Index = -1;
    Ok = MatchOneOf(Kind == dtkMonthShort ? GetShortMonthNames(FLCID) : GetLongMonthNames(FLCID), S,
                    Index, P);
    if (Ok)
      FMonth = static_cast<uint16_t>(Index + 1);
    break;
  }
  case dtkYear2: {
    FDateFieldParsed = true;
    uint16_t Two = 0;
    if (!ParseNumber(Pos, S, Two, 2, 2))
      return false;
    // The current century, unless that lies more than the window before this year.
    const int ThisYear = CurrentYear();
    int Year = (ThisYear / 100) * 100 + Two;
    if (Year < ThisYear - Process.TwoDigitYearCenturyWindow)
      Year += 100;
    FYear = static_cast<uint16_t>(Year);
    return true;
  }
  case dtkAmPm:
  case dtkAP:
  case dtkAmPmLocale: {
    const bool Locale = Kind == dtkAmPmLocale;
    const std::string PM = Locale ? Process.TimePMString : (Kind == dtkAmPm ? "PM" : "P");
    const std::string AM = Locale ? Process.TimeAMString : (Kind == dtkAmPm ? "AM" : "A");
    FPMMarker = false;
    if (MatchText(S, P, PM, true)) {
      FPMMarker = true;
      Ok = true;
    } else {
      Ok = MatchText(S, P, AM, true);
    }
    break;
  }
  case dtkDateSep:
    Ok = MatchText(S, P, std::string(1, Process.DateSeparator), true);
    break;
  case dtkTimeSep:
    Ok = MatchText(S, P, std::string(1, Process.TimeSeparator), true);
    break;
  case dtkAnyChar:
    ++Pos; // any one character, even past the end
    return true;
  case dtkLiteral:
    Ok = MatchText(S, P, LiteralText(TokenText), true);
    break;
  default:
    return false;
  }
  if (Ok)
    Pos = P;
  return Ok;
}

bool TDateTimeStringConvertor::EncodeFields() {
  // "AM" never subtracts: 12 AM stays 12.
  if (FPMMarker && FHour < 12)
    FHour = static_cast<uint16_t>(FHour + 12);
  TDateTime Date = 0;
  TDateTime Time = 0;
  const bool DateValid = TryEncodeDate(FYear, FMonth, FDay, Date);
  const bool TimeValid = TryEncodeTime(FHour, FMinute, FSecond, FMSec, Time);
  if (DateValid && TimeValid) {
    // Before 30 December 1899 the serial is negative and the time of day is its fraction
    // all the same, so it is subtracted.
    FDateTime = Date < 0 ? Date - Time : Date + Time;
    return true;
  }
  if (DateValid) {
    FDateTime = Date; // a valid date with an invalid time is rejected
    return false;
  }
  // A text whose date part was read but is no real date (31 February) is rejected; only a
  // format without date fields gives a pure time of day.
  if (FDateFieldParsed)
    return false;
  if (TimeValid)
    FDateTime = Time;
  return TimeValid;
}

bool TryStrToDateTimeFmt(const std::string& S, const std::string& F, double& Value, int32_t LCID) {
  VELASTRIN_ASSERT(LCID == 0 || IsValidLCID(static_cast<uint32_t>(LCID)), "Invalid LCID");
  TDateTimeStringConvertor Convertor;
  Convertor.SetLCID(static_cast<uint16_t>(static_cast<uint32_t>(LCID) & 0xFFFFu));
  Convertor.SetFormat(F);
  VELASTRIN_ASSERT(Convertor.IsFormatValid(), "Invalid datetime format string");
  Convertor.SetText(S);
  if (!Convertor.TextValid())
    return false;
  Value = Convertor.DateTime();
  return true;
}

void InitUnit_uDateTime() {
  static bool Registered = false;
  if (Registered)
    return;
  RegisterUnit("uDateTime", "2.0", "Torvane", EncodeDate(2004, 2, 18) + EncodeTime(17, 6, 0, 0));
  Registered = true;
}

} // namespace velastrin
