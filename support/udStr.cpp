#include "support/udStr.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <algorithm>

namespace velastrin {

// ---- Integer and number checks and conversions ------------------------------------------

namespace {

bool IsAsciiDigit(char C) {
  return C >= '0' && C <= '9';
}
bool IsAsciiLetter(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
}
char Upper(char C) {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C;
}

// 0-based index of the first C in S; npos for the "no separator" code 0.
std::size_t FindSep(const std::string& S, char C) {
  return C == 0 ? std::string::npos : S.find(C);
}
std::size_t FindLastSep(const std::string& S, char C) {
  return C == 0 ? std::string::npos : S.rfind(C);
}

bool IntegerInRange(const std::string& S, int64_t Min, int64_t Max, int64_t& Value) {
  int64_t V = 0;
  if (!TryStrToInt64(Trim(S), V) || V < Min || V > Max)
    return false;
  Value = V;
  return true;
}

// Optional sign, digits, optional "." and digits, optional exponent; at least one digit.
bool IsDecimalRealSyntax(const std::string& T) {
  std::size_t I = 0;
  const std::size_t N = T.size();
  if (I < N && (T[I] == '+' || T[I] == '-'))
    ++I;
  int Digits = 0;
  while (I < N && IsAsciiDigit(T[I]))
    ++I, ++Digits;
  if (I < N && T[I] == '.') {
    ++I;
    while (I < N && IsAsciiDigit(T[I]))
      ++I, ++Digits;
  }
  if (Digits == 0)
    return false;
  if (I < N && (T[I] == 'e' || T[I] == 'E')) {
    ++I;
    if (I < N && (T[I] == '+' || T[I] == '-'))
      ++I;
    int ExpDigits = 0;
    while (I < N && IsAsciiDigit(T[I]))
      ++I, ++ExpDigits;
    if (ExpDigits == 0)
      return false;
  }
  return I == N;
}

// S with DecSep replaced by Mark and ThouSep dropped (a separator 0 means none).
std::string WithoutSeparators(const std::string& S, char DecSep, char ThouSep, char Mark) {
  std::string T;
  T.reserve(S.size());
  for (char C : S) {
    if (DecSep != 0 && C == DecSep)
      T += Mark;
    else if (ThouSep == 0 || C != ThouSep)
      T += C;
  }
  return T;
}

} // namespace

bool IsInteger(const std::string& S) {
  int64_t V = 0;
  return IntegerInRange(S, -2147483648LL, 2147483647LL, V);
}

bool IsSmallInt(const std::string& S) {
  int64_t V = 0;
  return IntegerInRange(S, -32768, 32767, V);
}

bool IsWord(const std::string& S) {
  int64_t V = 0;
  return IntegerInRange(S, 0, 65535, V);
}

bool IsFloat(const std::string& S) {
  return IsFloat(S, FormatSettings());
}

bool IsFloat(const std::string& S, const TFormatSettings& Settings) {
  const char Dec = Settings.DecimalSeparator;
  std::string T = S;
  if (Dec != '.') {
    const auto P = FindSep(T, Dec);
    if (P != std::string::npos)
      T[P] = '.';
  }
  T = Trim(T);
  if (!IsDecimalRealSyntax(T))
    return false;
  // A number too large for the extended type is no usable number.
  long double V = 0;
  if (!TryStrToFloat(T, V, '.'))
    return false;
  if (!IsInteger(S) && Dec != '.')
    return FindSep(S, Dec) != std::string::npos;
  return true;
}

bool IsFloatSep(const std::string& Text, char DecSep, char ThouSep) {
  return IsFloatSep(Text, DecSep, ThouSep, FormatSettings());
}

bool IsFloatSep(const std::string& Text, char DecSep, char ThouSep,
                const TFormatSettings& Settings) {
  const std::string S = Trim(Text);
  const auto FirstDec = FindSep(S, DecSep);
  const auto FirstThou = FindSep(S, ThouSep);
  if (FirstDec != std::string::npos && FirstThou != std::string::npos && FirstDec < FirstThou)
    return false;
  if (FirstThou != std::string::npos) {
    const auto LastDec = FindLastSep(S, DecSep);
    const std::size_t IntLen = LastDec == std::string::npos ? S.size() : LastDec;
    if (LastDec != std::string::npos && S.find(ThouSep, LastDec + 1) != std::string::npos)
      return false;
    for (std::size_t Count = 1; Count <= IntLen; ++Count) {
      const std::size_t Index = IntLen - Count;
      const char C = S[Index];
      if (Count % 4 == 0) {
        if (C == ThouSep)
          continue;
        if (Index == 0 && C == '-')
          break;
        return false;
      }
      if (C == ThouSep)
        return false;
    }
  }
  return IsFloat(WithoutSeparators(S, DecSep, ThouSep, Settings.DecimalSeparator), Settings);
}

long double StrToFloatSep(const std::string& Text, char DecSep, char ThouSep) {
  return StrToFloatSep(Text, DecSep, ThouSep, FormatSettings());
}

long double StrToFloatSep(const std::string& Text, char DecSep, char ThouSep,
                          const TFormatSettings& Settings) {
  const std::string S = Trim(Text);
  if (!IsFloatSep(S, DecSep, ThouSep, Settings))
    throw EConvertError("Invalid Float Format");
  const std::string T = WithoutSeparators(S, DecSep, ThouSep, Settings.DecimalSeparator);
  long double V = 0;
  if (!TryStrToFloat(T, V, Settings))
    throw EConvertError("Invalid Float Format");
  return V;
}

bool DetectFloatSeparators(const std::string& Text, char& DecSep, char& ThouSep, bool PreferLast) {
  const std::string S = Trim(Text);
  const std::size_t Len = S.size();
  auto SignOrDigit = [](char C) { return C == '+' || C == '-' || IsAsciiDigit(C); };

  if (DecSep == 0) {
    std::size_t I = Len;
    while (I > 0 && (SignOrDigit(S[I - 1]) || IsAsciiLetter(S[I - 1])))
      --I;
    if (I > 0) {
      const std::size_t Pos = I; // 1-based position of C
      const char C = S[Pos - 1];
      if (C != ThouSep) {
        const bool Earlier = S.substr(0, Pos - 1).find(C) != std::string::npos;
        if (!Earlier && (Pos > 4 || Len - Pos != 3))
          DecSep = C;
        if (PreferLast)
          DecSep = C;
      }
    }
  }

  if (ThouSep == 0 && Len > 0) {
    if (!SignOrDigit(S[0]))
      throw EConvertError("Invalid Float Format");
    const std::size_t Limit = std::min<std::size_t>(4, Len);
    std::size_t P = 0;
    while (P < Limit && SignOrDigit(S[P]))
      ++P;
    if (P < Limit && !(DecSep != 0 && S[P] == DecSep)) {
      const char Candidate = S[P];
      bool Holds = true;
      for (std::size_t J = P; J < Len; ++J) {
        const std::size_t Distance = J - P;
        if (DecSep != 0 && S[J] == DecSep) {
          if (Distance % 4 != 0)
            throw EConvertError("Invalid Float Format");
          break;
        }
        if ((Distance % 4 == 0) != (S[J] == Candidate)) {
          Holds = false;
          break;
        }
      }
      if (Holds)
        ThouSep = Candidate;
    }
  }
  return DecSep != 0 && ThouSep != 0;
}

namespace {

// Float text reads no other field of the settings than the two separators.
TFormatSettings SeparatorSettings(char DecSep, char ThouSep) {
  TFormatSettings Settings;
  Settings.DecimalSeparator = DecSep == 0 ? '.' : DecSep;
  Settings.ThousandSeparator = ThouSep;
  return Settings;
}

} // namespace

std::string FloatToStrFSep(long double Value, TFloatFormat Format, int Precision, int Digits,
                           char DecSep, char ThouSep) {
  return FloatToStrF(Value, Format, Precision, Digits, SeparatorSettings(DecSep, ThouSep));
}

std::string FloatToStrMaxLen(long double Value, char DecSep, char ThouSep, int MaxLen) {
  const TFormatSettings Settings = SeparatorSettings(DecSep, ThouSep);
  // Precision stops mattering above the 18 digits of the extended type.
  for (int P = std::min(MaxLen, 18); P >= 1; --P) {
    std::string T = FloatToStrF(Value, TFloatFormat::ffGeneral, P, 0, Settings);
    if (static_cast<int>(T.size()) <= MaxLen)
      return T;
  }
  throw EConvertError("String exceeds max string length");
}

// ---- Date and time texts ----------------------------------------------------------------

namespace {

bool IsDateFmtSeparator(char C) {
  const char U = Upper(C);
  return !(U == ' ' || U == 'D' || U == 'M' || U == 'Y');
}

bool IsTimeFmtSeparator(char C) {
  const char U = Upper(C);
  return !(U == ' ' || U == '.' || U == 'A' || U == 'H' || U == 'M' || U == 'N' || U == 'P' ||
           U == 'S' || U == 'Z');
}

bool IsTimeTextSeparator(char C) {
  const char U = Upper(C);
  return !(U == ' ' || IsAsciiDigit(C) || U == 'A' || U == 'M' || U == 'P');
}

// Each "?" of Fmt, the n-th separator of Fmt, and the n-th separator of S become Sep.
void ResolveWildcards(std::string& S, std::string& Fmt, char Sep, bool (*FmtSep)(char),
                      bool (*TextSep)(char)) {
  int N = 0;
  for (char& F : Fmt) {
    if (!FmtSep(F))
      continue;
    ++N;
    if (F != '?')
      continue;
    F = Sep;
    int M = 0;
    for (char& C : S) {
      if (TextSep(C) && ++M == N) {
        C = Sep;
        break;
      }
    }
  }
}

bool IsDateTextSeparator(char C) {
  return !(C == ' ' || IsAsciiDigit(C));
}

} // namespace

bool IsValidDateFmt(const std::string& Text, const std::string& Format) {
  return IsValidDateFmt(Text, Format, FormatSettings());
}

bool IsValidDateFmt(const std::string& Text, const std::string& Format,
                    const TFormatSettings& Settings) {
  if (Trim(Text).empty())
    return false;
  const char Sep = Settings.DateSeparator;
  std::string S = Text;
  std::string Fmt = Format;
  ResolveWildcards(S, Fmt, Sep, IsDateFmtSeparator, IsDateTextSeparator);

  std::string Short = Fmt;
  for (char& C : Short)
    if (IsDateFmtSeparator(C))
      C = Sep;
  TFormatSettings Local = Settings;
  Local.ShortDateFormat = Short;

  std::string S2 = Trim(S);
  for (char& C : S2)
    if (!(C == ' ' || IsAsciiDigit(C) || IsAsciiLetter(C)))
      C = Sep;
  TDateTime Date = 0;
  if (!TryStrToDate(S2, Date, Local))
    return false;
  return SameText(S, FormatDateTime(Fmt, Date, Local));
}

bool IsValidTimeFmt(const std::string& Text, const std::string& Format) {
  return IsValidTimeFmt(Text, Format, FormatSettings());
}

bool IsValidTimeFmt(const std::string& Text, const std::string& Format,
                    const TFormatSettings& Settings) {
  if (Trim(Text).empty())
    return false;
  const char Sep = Settings.TimeSeparator;
  std::string S = Text;
  std::string Fmt = Format;
  ResolveWildcards(S, Fmt, Sep, IsTimeFmtSeparator, IsTimeTextSeparator);

  std::string Long = Fmt;
  for (std::size_t I = 0; I < Long.size(); ++I) {
    const char U = Upper(Long[I]);
    const bool Kept = U == ' ' || U == 'A' || U == 'H' || U == 'M' || U == 'N' || U == 'P' ||
                      U == 'S' || U == 'Z' ||
                      (U == '.' && I + 1 < Long.size() && Upper(Long[I + 1]) == 'Z');
    if (!Kept)
      Long[I] = Sep;
  }
  TFormatSettings Local = Settings;
  Local.LongTimeFormat = Long;
  // The point kept before the milliseconds is read as the decimal mark whatever the
  // locale's mark is.
  Local.DecimalSeparator = '.';

  std::string S2 = Trim(S);
  for (std::size_t I = 0; I < S2.size(); ++I) {
    const char C = S2[I];
    if (C == ' ' || IsAsciiDigit(C) || IsAsciiLetter(C))
      continue;
    if (C == '.' && I + 1 < Long.size() && Upper(Long[I + 1]) == 'Z')
      continue;
    S2[I] = Sep;
  }
  TDateTime Time = 0;
  if (!TryStrToTime(S2, Time, Local))
    return false;
  return SameText(S, FormatDateTime(Fmt, Time, Local));
}

TDateTime StrToDateFmt(const std::string& S, const std::string& Fmt) {
  return StrToDateFmt(S, Fmt, FormatSettings());
}

TDateTime StrToDateFmt(const std::string& S, const std::string& Fmt,
                       const TFormatSettings& Settings) {
  if (!IsValidDateFmt(S, Fmt, Settings))
    throw EConvertError(S + " is not a valid date");
  const char Sep = Settings.DateSeparator;
  std::string Fmt2 = Fmt;
  for (char& C : Fmt2)
    if (IsDateFmtSeparator(C))
      C = Sep;
  std::string S2 = S;
  for (char& C : S2)
    if (!(C == ' ' || IsAsciiDigit(C)))
      C = Sep;
  TFormatSettings Local = Settings;
  Local.ShortDateFormat = Fmt2;
  TDateTime Date = 0;
  if (!TryStrToDate(S2, Date, Local))
    throw EConvertError(S + " is not a valid date");
  return Date;
}

// ---- Fixed-width fields and words -------------------------------------------------------

std::string CharString(char Ch, int Count) {
  return Count <= 0 ? std::string() : std::string(static_cast<std::size_t>(Count), Ch);
}

std::string Spaces(int Count) {
  return CharString(' ', Count);
}

std::string PadRight(const std::string& S, int Width) {
  if (Width <= 0)
    return {};
  std::string R = S.substr(0, static_cast<std::size_t>(Width));
  R.resize(static_cast<std::size_t>(Width), ' ');
  return R;
}

bool IsLeftAligned(const std::string& S) {
  return TrimRight(S) == Trim(S);
}

bool IsPrintable(const std::string& S) {
  return std::all_of(S.begin(), S.end(), [](char C) {
    const auto U = static_cast<unsigned char>(C);
    return U >= 32 && U <= 126;
  });
}

bool IsDigit(char Ch) {
  return IsAsciiDigit(Ch);
}

void ExtractToken(std::string& S, const std::string& Delimiters, std::string& Token) {
  const auto P = Delimiters.empty() ? std::string::npos : S.find_first_of(Delimiters);
  if (P == std::string::npos) {
    Token = Trim(S);
    S.clear();
    return;
  }
  Token = Trim(S.substr(0, P));
  S.erase(0, P + 1);
}

std::string QuoteStr(const std::string& S) {
  return '"' + S + '"';
}

void ExtractQuoted(std::string& S, bool AddQuotes, std::string& Quoted) {
  const auto Open = S.find('"');
  if (Open == std::string::npos) {
    Quoted.clear();
    return;
  }
  const auto Close = S.find('"', Open + 1);
  std::string Inner;
  if (Close == std::string::npos) {
    Inner = S.substr(Open + 1);
    S.clear();
  } else {
    Inner = S.substr(Open + 1, Close - Open - 1);
    S.erase(0, std::min(S.size(), Close + 2));
  }
  Quoted = AddQuotes ? QuoteStr(Inner) : Inner;
}

// ---- Scanning at a position -------------------------------------------------------------

bool ScanCharSet(const std::string& S, int& Pos, const std::string& CharSet, std::string& Token,
                 int MinLen, int MaxLen) {
  if (Pos < 1 || static_cast<std::size_t>(Pos) > S.size())
    return false;
  const std::size_t Start = static_cast<std::size_t>(Pos) - 1;
  std::size_t End = Start;
  while (End < S.size() && (CharSet.empty() || CharSet.find(S[End]) != std::string::npos))
    ++End;
  const auto Len = static_cast<int64_t>(End - Start);
  if (Len == 0 || (MaxLen >= 0 && Len > MaxLen) || (MinLen >= 0 && Len < MinLen))
    return false;
  Token = S.substr(Start, End - Start);
  Pos += static_cast<int>(Len);
  return true;
}

bool ScanNumber(const std::string& S, int& Pos, uint16_t& Value, int MinLen, int MaxLen) {
  int P = Pos;
  std::string Token;
  if (!ScanCharSet(S, P, "+0123456789", Token, MinLen, MaxLen))
    return false;
  int64_t V = 0;
  if (!IntegerInRange(Token, 0, 65535, V))
    return false;
  Value = static_cast<uint16_t>(V);
  Pos = P;
  return true;
}

namespace {

bool IsAscii(const std::string& S) {
  return std::all_of(S.begin(), S.end(),
                     [](char C) { return static_cast<unsigned char>(C) < 0x80; });
}

bool IsValidUtf8(const std::string& S) {
  UErrorCode Status = U_ZERO_ERROR;
  int32_t Length = 0;
  u_strFromUTF8(nullptr, 0, &Length, S.data(), static_cast<int32_t>(S.size()), &Status);
  return Status == U_BUFFER_OVERFLOW_ERROR || U_SUCCESS(Status);
}

// Case-insensitive equality: ASCII folding, and Unicode case folding for UTF-8 text.
bool SameTextLocale(const std::string& A, const std::string& B) {
  if (SameText(A, B))
    return true;
  if ((IsAscii(A) && IsAscii(B)) || !IsValidUtf8(A) || !IsValidUtf8(B))
    return false;
  const auto UA = icu::UnicodeString::fromUTF8(A);
  const auto UB = icu::UnicodeString::fromUTF8(B);
  return UA.caseCompare(UB, U_FOLD_CASE_DEFAULT) == 0;
}

} // namespace

bool MatchText(const std::string& S, int& Pos, const std::string& Candidate, bool IgnoreCase) {
  if (Candidate.empty())
    return true;
  if (Pos < 1 || static_cast<std::size_t>(Pos) > S.size())
    return false;
  const std::string Sub = S.substr(static_cast<std::size_t>(Pos) - 1, Candidate.size());
  if (Sub.size() != Candidate.size())
    return false;
  const bool Equal = IgnoreCase ? SameTextLocale(Sub, Candidate) : Sub == Candidate;
  if (Equal)
    Pos += static_cast<int>(Candidate.size());
  return Equal;
}

bool MatchOneOf(const TDynStringArray& Candidates, const std::string& S, int& Index, int& Pos) {
  for (std::size_t I = 0; I < Candidates.size(); ++I) {
    if (MatchText(S, Pos, Candidates[I], true)) {
      Index = static_cast<int>(I);
      return true;
    }
  }
  Index = -1;
  return false;
}

void ExtractDelimited(const std::string& S, char OpenCh, char CloseCh, std::string& Result,
                      bool KeepDelims, int& Pos) {
  Result.clear();
  if (Pos <= 0 || static_cast<std::size_t>(Pos) > S.size())
    return;
  const auto Open = S.find(OpenCh, static_cast<std::size_t>(Pos) - 1);
  if (Open == std::string::npos)
    return;
  const auto Close = S.find(CloseCh, Open + 1);
  if (Close == std::string::npos) {
    Result = S.substr(Open + 1);
    Pos = static_cast<int>(S.size()) + 1;
  } else {
    Result = S.substr(Open + 1, Close - Open - 1);
    Pos = static_cast<int>(Close) + 2;
  }
  if (KeepDelims)
    Result = OpenCh + Result + CloseCh;
}

// ---- Start-up ---------------------------------------------------------------------------

namespace {

std::string& ProjectFileSetting() {
  static std::string Setting;
  return Setting;
}

} // namespace

const std::string& PSGProjectFile() {
  return ProjectFileSetting();
}

void InitUnit_udStr() {
  if (IsUnitRegistered("udStr"))
    return;
  RegisterUnit("udStr", "1.1.4", "Torvane", EncodeDate(2003, 3, 17) + EncodeTime(15, 5, 0, 0));
  ProjectFileSetting() = ReadProgramsIni("KLV", "PSGProjectFile", "");
}

} // namespace velastrin
