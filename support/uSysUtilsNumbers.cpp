// The platform's number texts: float formatting and parsing, integer parsing.
#include "support/uSysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace velastrin {

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
  R += ZeroPadded(Exp < 0 ? -Exp : Exp, MinDigits);
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
