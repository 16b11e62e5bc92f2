// One function per field kind. Number texts never go through the user's locale: the separators
// are the header's own.
#include "edf/uEDFFieldKind.h"

#include "datetime/uDateTime.h"
#include "support/udStr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace velastrin {

namespace {

constexpr const char* TooLong = "String exceeds max string length";

std::string HexByte(unsigned char Byte) {
  char Text[8];
  std::snprintf(Text, sizeof Text, "0x%02X", Byte);
  return Text;
}

std::string ShownBytes(const std::string& Bytes) {
  std::string Text;
  for (const char C : Bytes) {
    const auto Byte = static_cast<unsigned char>(C);
    if (C == '\\')
      Text += "\\\\";
    else if (Byte >= 32 && Byte <= 126)
      Text += C;
    else
      Text += "\\x" + HexByte(Byte).substr(2);
  }
  return Text;
}

// Shortest text that reads back as the same double.
std::string NumberWords(long double Value) {
  char Text[40];
  const auto Result = std::to_chars(Text, Text + sizeof Text, static_cast<double>(Value));
  return std::string(Text, Result.ptr);
}

bool HasChar(const std::string& S, char Ch) {
  return S.find(Ch) != std::string::npos;
}

// IsInteger's syntax and 32-bit range.
bool ReadInteger(const std::string& S, int32_t& Value) {
  return IsInteger(S) && TryStrToInt(Trim(S), Value);
}

// A number under the given separators. Infinite results of overlong exponents are not values a
// header can mean, so they count as unreadable. The separator routines also accept the decimal
// mark of the settings they are given; a header must read alike under every user locale, so
// that mark is "." here.
bool ReadDecimal(const std::string& S, TEDFNumberFormat Format, long double& Value) {
  static const TFormatSettings Plain;
  const std::string T = Trim(S);
  if (!IsFloatSep(T, Format.Decimal, Format.Thousands, Plain))
    return false;
  try {
    const long double V = StrToFloatSep(T, Format.Decimal, Format.Thousands, Plain);
    if (!std::isfinite(V))
      return false;
    Value = V;
    return true;
  } catch (const EConvertError&) {
    return false;
  }
}

bool IsPlainNumber(const std::string& Trimmed) {
  long double Value = 0;
  return ReadDecimal(Trimmed, {}, Value);
}

bool InRange(const TEDFFieldDef& Def, long double Value) {
  const bool AboveLow = Def.AboveMinimum ? Value > Def.Minimum : Value >= Def.Minimum;
  return AboveLow && Value <= Def.Maximum;
}

std::string RangeProblem(const TEDFFieldDef& Def) {
  if (std::isfinite(Def.Maximum))
    return "outside " + NumberWords(Def.Minimum) + " to " + NumberWords(Def.Maximum);
  if (Def.AboveMinimum || Def.Minimum == 1)
    return "not greater than " + NumberWords(Def.AboveMinimum ? Def.Minimum : Def.Minimum - 1);
  if (Def.Minimum == 0)
    return "negative";
  return "below " + NumberWords(Def.Minimum);
}

// ---- Text kinds ---------------------------------------------------------------------------

std::vector<std::string> TextProblems(const std::string& Stored) {
  std::vector<std::string> Problems;
  if (!IsLeftAligned(Stored))
    Problems.push_back("not left-aligned");
  int Count = 0;
  unsigned char First = 0;
  for (const char C : Stored) {
    const auto Byte = static_cast<unsigned char>(C);
    if (Byte >= 32 && Byte <= 126)
      continue;
    if (Count++ == 0)
      First = Byte;
  }
  if (Count == 1)
    Problems.push_back("byte " + HexByte(First) + " is not printable ASCII");
  else if (Count > 1)
    Problems.push_back(std::to_string(Count) + " bytes are not printable ASCII (first " +
                       HexByte(First) + ")");
  return Problems;
}

// Free text, identification text and reserved fields: lenient reading takes anything;
// trailing blanks and controls are padding.
TEDFFieldReading ReadText(const std::string& Raw) {
  TEDFFieldReading R;
  R.Text = TrimRight(Raw);
  R.Read = R.Lenient = true;
  R.Strict = IsStrictText(R.Text);
  if (!R.Strict)
    R.Problems = TextProblems(R.Text);
  return R;
}

TEDFFieldReading ReadVersion(const TEDFFieldDef& Def, const std::string& Raw) {
  TEDFFieldReading R;
  R.Text = TrimRight(Raw);
  R.Read = true;
  R.Strict = R.Lenient = R.Text == Def.Expected;
  if (R.Strict)
    return R;
  if (FormatOfVersion(Raw) == TEDFFormat::BDF && FormatOfVersion(Def.Expected) == TEDFFormat::EDF)
    R.Problems.push_back("version byte 255: a BDF file (24-bit samples), not read as EDF");
  else if (Trim(Raw) == Def.Expected)
    R.Problems.push_back("not left-aligned");
  else
    R.Problems.push_back("version is \"" + ShownBytes(R.Text) + "\", not \"" +
                         ShownBytes(std::string(Def.Expected)) + "\"");
  return R;
}

// The "|"-separated starts of List of which Text begins with one; empty when none.
std::string_view MatchingStart(std::string_view Text, std::string_view List) {
  while (!List.empty()) {
    const std::size_t Bar = List.find('|');
    const std::string_view Start = List.substr(0, Bar);
    if (!Start.empty() && Text.starts_with(Start))
      return Start;
    List = Bar == std::string_view::npos ? std::string_view() : List.substr(Bar + 1);
  }
  return {};
}

// A reserved field is free text whose start may also name the format: BDF wants "24BIT" or
// "BDF+C"/"BDF+D", and the start of one format's field has no place in the other's.
TEDFFieldReading ReadReserved(const TEDFFieldDef& Def, const std::string& Raw) {
  TEDFFieldReading R = ReadText(Raw);
  if (const std::string_view Foreign = MatchingStart(R.Text, Def.Foreign); !Foreign.empty())
    R.Problems.push_back("starts with \"" + std::string(Foreign) +
                         "\", which belongs to the other format (EDF or BDF)");
  else if (!Def.Expected.empty() && MatchingStart(R.Text, Def.Expected).empty()) {
    std::string Starts(Def.Expected);
    std::replace(Starts.begin(), Starts.end(), '|', ',');
    R.Problems.push_back("does not start with one of " + Starts);
  }
  R.Strict = R.Problems.empty();
  return R;
}

// ---- Date and time ------------------------------------------------------------------------

// The lenient repairs shared by start date and start time: blanks read as "0", and a missing
// leading zero of the first two parts is put back.
std::string RepairDateTimeText(const std::string& Text) {
  std::string S = Text;
  for (char& Ch : S)
    if (Ch == ' ')
      Ch = '0';
  if (S.size() >= 2 && !IsDigit(S[1]))
    S.insert(0, "0");
  if (S.size() >= 5 && !IsDigit(S[4]))
    S.insert(3, "0");
  return S;
}

// "dd?mm?yy": two digits per part; the separators are any characters but digits and blanks.
bool HasStartDateShape(const std::string& S) {
  auto IsSeparator = [](char C) { return C != ' ' && !IsDigit(C); };
  if (S.size() != 8 || !IsSeparator(S[2]) || !IsSeparator(S[5]))
    return false;
  for (int i : {0, 1, 3, 4, 6, 7})
    if (!IsDigit(S[i]))
      return false;
  return true;
}

// The day a start date text of that shape names, with the century by EDF's rule (the
// platform's date parse would read two-digit years through the window around the current
// year instead, which gives 1900 for "00" from 2050 on and so would refuse 29.02.00 depending
// on the clock).
bool ReadStartDate(const std::string& S, TDateTime& Date) {
  if (!HasStartDateShape(S))
    return false;
  const int YY = (S[6] - '0') * 10 + (S[7] - '0');
  double V = 0;
  const std::string Full =
      S.substr(0, 2) + "." + S.substr(3, 2) + "." + std::to_string(EDFYearFromTwoDigits(YY));
  if (!TryStrToDateTimeFmt(Full, "dd.mm.yyyy", V, 0))
    return false;
  Date = std::trunc(V);
  return true;
}

// "dd.mm.yy" or "hh.nn.ss": two digits per part, "." between them.
std::vector<std::string> DateTimeProblems(const std::string& Raw, bool IsTime, bool Lenient) {
  const std::string T = Trim(Raw);
  if (T.empty())
    return {"empty"};
  const char* What = IsTime ? "time" : "date";
  const char* Form = IsTime ? "hh.nn.ss" : "dd.mm.yy";
  std::vector<std::string> Problems;
  // The first other separator; a NUL byte counts as one too.
  const auto Other =
      std::find_if(T.begin(), T.end(), [](char C) { return !IsDigit(C) && C != ' ' && C != '.'; });
  const bool Separator = Other != T.end();
  if (Separator)
    Problems.push_back(std::string(What) + " uses '" + ShownBytes(std::string(1, *Other)) +
                       "' instead of '.'");
  bool Shape = Raw.size() == 8;
  for (std::size_t i = 0; Shape && i < 8; ++i)
    Shape = (i == 2 || i == 5) ? !IsDigit(Raw[i]) : IsDigit(Raw[i]);
  if (!Shape)
    Problems.push_back(std::string("not in the form ") + Form + " (two digits per part)");
  if (!Lenient && !Separator && Shape)
    Problems.push_back(std::string("not a real ") + What);
  else if (!Lenient)
    Problems.push_back(std::string("no ") + What + " even when read leniently");
  return Problems;
}

} // namespace

bool HasStrictForm(TEDFFieldKind Kind, const std::string& Raw) {
  if (Kind == TEDFFieldKind::Date)
    return Raw.size() == 8 && Raw[2] == '.' && Raw[5] == '.' && HasStartDateShape(Raw);
  return IsValidTimeFmt(Raw, "hh.nn.ss");
}

namespace {

TEDFFieldReading ReadDate(const std::string& Raw) {
  TEDFFieldReading R;
  R.Read = ReadStartDate(RepairDateTimeText(Trim(Raw)), R.DateTime);
  R.Lenient = R.Read && R.DateTime >= 0;
  R.Strict = R.Lenient && HasStrictForm(TEDFFieldKind::Date, Raw);
  if (!R.Strict)
    R.Problems = DateTimeProblems(Raw, false, R.Lenient);
  return R;
}

TEDFFieldReading ReadTime(const std::string& Raw) {
  TEDFFieldReading R;
  double V = 0;
  R.Read = TryStrToDateTimeFmt(RepairDateTimeText(Trim(Raw)), "hh?nn?ss", V, 0);
  if (R.Read)
    R.DateTime = V - std::trunc(V);
  R.Lenient = R.Read && V >= 0;
  R.Strict = R.Lenient && HasStrictForm(TEDFFieldKind::Time, Raw);
  if (!R.Strict)
    R.Problems = DateTimeProblems(Raw, true, R.Lenient);
  return R;
}

// ---- Numbers ------------------------------------------------------------------------------

std::string SeparatorProblem(const std::string& Trimmed) {
  const bool Comma = HasChar(Trimmed, ',');
  const bool Point = HasChar(Trimmed, '.');
  if (Comma && !Point)
    return "decimal comma";
  if (Comma && Point)
    return "thousands separator";
  return "not a number";
}

// The problems every number field shares; false for an empty field, of which nothing more can
// be said.
bool LayoutProblems(const TEDFFieldDef& Def, const std::string& Raw, TEDFFieldReading& R) {
  if (Trim(Raw).empty()) {
    R.Problems.push_back("empty");
    return false;
  }
  if (Def.StrictAligned && !IsLeftAligned(Raw))
    R.Problems.push_back("not left-aligned");
  return true;
}

TEDFFieldReading ReadIntegerField(const TEDFFieldDef& Def, const std::string& Raw) {
  TEDFFieldReading R;
  int32_t Value = 0;
  R.Read = ReadInteger(Raw, Value);
  R.Number = Value;
  R.Integer = Value;
  R.Lenient = R.Read && InRange(Def, R.Number);
  R.Strict = R.Lenient && (!Def.StrictAligned || IsLeftAligned(Raw));
  if (R.Strict || !LayoutProblems(Def, Raw, R))
    return R;
  if (!R.Read)
    R.Problems.push_back(IsPlainNumber(Trim(Raw)) ? "not an integer (written with a fraction)"
                                                  : "not an integer");
  else if (!R.Lenient)
    R.Problems.push_back(RangeProblem(Def));
  return R;
}

TEDFFieldReading ReadDecimalField(const TEDFFieldDef& Def, const std::string& Raw,
                                  TEDFNumberFormat Format) {
  TEDFFieldReading R;
  R.Read = ReadDecimal(Raw, Format, R.Number);
  R.Lenient = R.Read && InRange(Def, R.Number);
  R.Strict = R.Lenient && (!Def.StrictAligned || IsLeftAligned(Raw)) &&
             (!Def.StrictPlain || Format.IsPlain());
  if (R.Strict || !LayoutProblems(Def, Raw, R))
    return R;
  const std::string T = Trim(Raw);
  if (!IsPlainNumber(T))
    R.Problems.push_back(SeparatorProblem(T));
  else if (!R.Read)
    R.Problems.push_back("not a number with the chosen separators");
  else if (!R.Lenient)
    R.Problems.push_back(RangeProblem(Def));
  else if (Def.StrictPlain && !Format.IsPlain())
    R.Problems.push_back("read with separators other than '.'");
  return R;
}

// Strictly an integer; leniently also a number without fraction; both within the range.
TEDFFieldReading ReadDigitalLimit(const TEDFFieldDef& Def, const std::string& Raw,
                                  TEDFNumberFormat Format) {
  TEDFFieldReading R;
  int32_t Value = 0;
  const bool Whole = ReadInteger(Raw, Value) && InRange(Def, Value);
  if (Whole) {
    R.Read = true;
    R.Number = Value;
    R.Integer = Value;
  } else {
    long double V = 0;
    R.Read = ReadDecimal(Raw, Format, V) && V == std::trunc(V) && InRange(Def, V);
    if (R.Read) {
      R.Number = V;
      R.Integer = static_cast<int64_t>(V);
    }
  }
  R.Lenient = R.Read;
  R.Whole = Whole;
  R.Strict = Whole && IsLeftAligned(Raw);
  if (R.Strict)
    return R;
  const std::string T = Trim(Raw);
  if (T.empty()) {
    R.Problems.push_back("empty");
    return R;
  }
  if (!IsLeftAligned(Raw))
    R.Problems.push_back("not left-aligned");
  if (IsInteger(T)) {
    if (!Whole)
      R.Problems.push_back(RangeProblem(Def));
  } else {
    R.Problems.push_back(IsPlainNumber(T) ? "not an integer (written with a fraction)"
                                          : "not an integer");
  }
  return R;
}

} // namespace

TEDFFieldReading ReadField(const TEDFFieldDef& Def, const std::string& Raw,
                           TEDFNumberFormat Format) {
  switch (Def.Kind) {
  case TEDFFieldKind::FreeText:
  case TEDFFieldKind::IdentificationText:
    return ReadText(Raw);
  case TEDFFieldKind::Reserved:
    return ReadReserved(Def, Raw);
  case TEDFFieldKind::Version:
    return ReadVersion(Def, Raw);
  case TEDFFieldKind::Date:
    return ReadDate(Raw);
  case TEDFFieldKind::Time:
    return ReadTime(Raw);
  case TEDFFieldKind::Integer:
    return ReadIntegerField(Def, Raw);
  case TEDFFieldKind::Decimal:
    return ReadDecimalField(Def, Raw, Format);
  case TEDFFieldKind::DigitalLimit:
    return ReadDigitalLimit(Def, Raw, Format);
  }
  return {};
}

TEDFNumberFormat GuessNumberFormat(const std::string& Raw) {
  char Decimal = 0;
  char Thousands = 0;
  try {
    for (const bool PreferLast : {false, true})
      if (DetectFloatSeparators(Raw, Decimal, Thousands, PreferLast))
        break;
  } catch (const EConvertError&) {
    return {};
  }
  return {Decimal == 0 ? '.' : Decimal, Thousands};
}

namespace {

// The first Count blank-separated sub-fields; fewer when the text runs out or two blanks meet.
std::vector<std::string> SubFields(const std::string& Text, std::size_t Count) {
  std::vector<std::string> Parts;
  std::size_t Pos = 0;
  while (Parts.size() < Count && Pos < Text.size()) {
    const std::size_t End = std::min(Text.find(' ', Pos), Text.size());
    if (End == Pos)
      break; // an empty sub-field
    Parts.push_back(Text.substr(Pos, End - Pos));
    Pos = End + 1;
  }
  return Parts;
}

// "dd-MMM-yyyy" with an English month in capitals; Date gets the day.
bool ReadPlusDate(const std::string& Text, TDateTime& Date) {
  static constexpr std::string_view Months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (Text.size() != 11 || Text[2] != '-' || Text[6] != '-')
    return false;
  int32_t Day = 0, Year = 0;
  for (int i : {0, 1, 7, 8, 9, 10})
    if (!IsDigit(Text[i]))
      return false;
  TryStrToInt(Text.substr(0, 2), Day);
  TryStrToInt(Text.substr(7, 4), Year);
  for (int m = 0; m < 12; ++m)
    if (Text.compare(3, 3, Months[m]) == 0)
      return TryEncodeDate(static_cast<uint16_t>(Year), static_cast<uint16_t>(m + 1),
                           static_cast<uint16_t>(Day), Date);
  return false;
}

std::string Quoted(const std::string& Text) {
  return "\"" + ShownBytes(Text) + "\"";
}

} // namespace

std::vector<std::string> EDFPlusPatientProblems(const std::string& Patient) {
  const std::vector<std::string> Parts = SubFields(Patient, 4);
  if (Parts.size() < 4)
    return {"does not hold the four EDF+ sub-fields (code, sex, birthdate, name) separated by "
            "single blanks"};
  std::vector<std::string> Problems;
  if (Parts[1] != "M" && Parts[1] != "F" && Parts[1] != "X")
    Problems.push_back("sex sub-field " + Quoted(Parts[1]) + " is not M, F or X");
  TDateTime Date = 0;
  if (Parts[2] != "X" && !ReadPlusDate(Parts[2], Date))
    Problems.push_back("birthdate sub-field " + Quoted(Parts[2]) + " is not dd-MMM-yyyy or X");
  return Problems;
}

std::vector<std::string> EDFPlusRecordingProblems(const std::string& Recording,
                                                  TDateTime StartDate) {
  const std::vector<std::string> Parts = SubFields(Recording, 5);
  if (Parts.size() < 5 || Parts[0] != "Startdate")
    return {"does not begin with the five EDF+ sub-fields (Startdate, date, investigation, "
            "technician, equipment) separated by single blanks"};
  TDateTime Date = 0;
  if (Parts[1] == "X")
    return {};
  if (!ReadPlusDate(Parts[1], Date))
    return {"Startdate sub-field " + Quoted(Parts[1]) + " is not dd-MMM-yyyy or X"};
  if (Date != std::trunc(StartDate))
    return {"Startdate " + Parts[1] + " disagrees with the start date " + DateFieldText(StartDate)};
  return {};
}

bool IsStrictText(const std::string& Stored) {
  return IsPrintable(Stored) && IsLeftAligned(Stored);
}

std::string ProblemText(const std::vector<std::string>& Problems) {
  std::string Text;
  for (const std::string& Part : Problems)
    Text += (Text.empty() ? "" : "; ") + Part;
  return Text;
}

std::string HeaderSizeProblem(int64_t HeaderBytes, bool SignalsValid, int64_t NrSignals) {
  if (!SignalsValid)
    return "cannot be checked: NrSignals is not valid";
  const int64_t Expected = EDFHeaderSize(NrSignals);
  if (HeaderBytes == Expected)
    return {};
  return "header size " + std::to_string(HeaderBytes) + " does not match " +
         std::to_string(NrSignals) + " signals (" + std::to_string(Expected) + " expected)";
}

std::string DigitalOrderProblem(long double Digimin, long double Digimax) {
  if (Digimin < Digimax)
    return {};
  return "Digimin not below Digimax (" + NumberWords(Digimin) + " and " + NumberWords(Digimax) +
         ")";
}

std::string IntegerFieldText(const TEDFFieldDef& Def, int64_t Value) {
  char Text[24];
  const auto Result = std::to_chars(Text, Text + sizeof Text, Value);
  std::string S(Text, Result.ptr);
  // A text longer than the field would store another number.
  if (static_cast<int>(S.size()) > Def.Width)
    throw EConvertError(TooLong);
  return S;
}

std::string DecimalFieldText(const TEDFFieldDef& Def, long double Value, TEDFNumberFormat Format) {
  const std::string General = FloatToStrMaxLen(Value, Format.Decimal, Format.Thousands, Def.Width);
  const auto ReadsBack = [&](const std::string& Text) {
    const TEDFFieldReading R = ReadField(Def, Text, Format);
    return R.Read && R.Number == Value;
  };
  if (!std::isfinite(Value) || ReadsBack(General))
    return General;
  // The general format spends characters on "E+" and a padded exponent, so it rounds some
  // values that a field holds exactly ("3276.E7" comes back as "3.28E+10"). The value's own
  // digits with a bare exponent keep it: "3.276E10", else "3276E7".
  char Buffer[64];
  const std::string_view Shortest(
      Buffer,
      static_cast<std::size_t>(
          std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::scientific).ptr -
          Buffer));
  const std::size_t E = Shortest.find('e');
  const bool Negative = Shortest.front() == '-';
  std::string Digits;
  for (const char C : Shortest.substr(0, E))
    if (C >= '0' && C <= '9')
      Digits += C;
  int Exponent = 0;
  std::from_chars(Shortest.data() + E + 1 + (Shortest[E + 1] == '+'),
                  Shortest.data() + Shortest.size(), Exponent);
  const std::string Sign = Negative ? "-" : "";
  const std::string Point =
      Digits.size() > 1 ? Sign + Digits[0] + Format.Decimal + Digits.substr(1) : Sign + Digits;
  const int Moved = Exponent - static_cast<int>(Digits.size()) + 1;
  for (const std::string& Text :
       {Point + "E" + std::to_string(Exponent), Sign + Digits + "E" + std::to_string(Moved)})
    if (static_cast<int>(Text.size()) <= Def.Width && ReadsBack(Text))
      return Text;
  return General; // no text of the field holds Value: the general format's rounding
}

std::string DateFieldText(TDateTime Date) {
  uint16_t Year = 0, Month = 0, Day = 0;
  DecodeDate(Date, Year, Month, Day);
  if (Year < 1985 || Year > 2084)
    throw EConvertError("Start year " + std::to_string(Year) +
                        " cannot be written in an EDF header (1985 to 2084)");
  return ZeroPadded(Day, 2) + "." + ZeroPadded(Month, 2) + "." + ZeroPadded(Year % 100, 2);
}

std::string TimeFieldText(TDateTime Time) {
  uint16_t Hour = 0, Min = 0, Sec = 0, MSec = 0;
  DecodeTime(Time, Hour, Min, Sec, MSec);
  return ZeroPadded(Hour, 2) + "." + ZeroPadded(Min, 2) + "." + ZeroPadded(Sec, 2);
}

} // namespace velastrin
