#include "export/PhysicalText.h"

#include "edf/uEDFExportCheck.h"
#include "edf/uEDFHeader.h"
#include "edf/uEDFLayout.h"

#include <charconv>
#include <climits>
#include <cmath>

namespace velastrin {

namespace {

// Value rounded to Precision significant digits, in fixed notation where that stays short.
std::string DecimalText(long double Value, int Precision) {
  char Buffer[64];
  const auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Value,
                                    std::chars_format::scientific, Precision - 1);
  std::string_view Text(Buffer, static_cast<std::size_t>(Result.ptr - Buffer));
  const bool Negative = Text.front() == '-';
  if (Negative)
    Text.remove_prefix(1);
  const std::size_t E = Text.find('e');
  std::string Digits(1, Text[0]);
  if (E > 2)
    Digits.append(Text.substr(2, E - 2));
  while (Digits.size() > 1 && Digits.back() == '0')
    Digits.pop_back();
  int Exponent = 0;
  std::string_view ExpText = Text.substr(E + 1);
  if (ExpText.front() == '+')
    ExpText.remove_prefix(1);
  std::from_chars(ExpText.data(), ExpText.data() + ExpText.size(), Exponent);
  if (Digits == "0")
    return "0";

  std::string Out = Negative ? "-" : "";
  if (Exponent < -20 || Exponent >= 21) {
    Out += Digits[0];
    if (Digits.size() > 1)
      Out += "." + Digits.substr(1);
    return Out + "e" + std::to_string(Exponent);
  }
  if (Exponent < 0)
    return Out + "0." + std::string(static_cast<std::size_t>(-Exponent - 1), '0') + Digits;
  const auto Whole = static_cast<std::size_t>(Exponent) + 1;
  if (Digits.size() <= Whole)
    return Out + Digits + std::string(Whole - Digits.size(), '0');
  return Out + Digits.substr(0, Whole) + "." + Digits.substr(Whole);
}

// M * 10^Power as a decimal text without an exponent.
std::string ScaledText(int64_t M, int Power) {
  std::string Digits = std::to_string(M < 0 ? -M : M);
  std::string Out = M < 0 ? "-" : "";
  if (M == 0)
    return "0";
  if (Power >= 0)
    return Out + Digits + std::string(static_cast<std::size_t>(Power), '0');
  const auto Fraction = static_cast<std::size_t>(-Power);
  if (Digits.size() <= Fraction)
    Digits.insert(0, Fraction - Digits.size() + 1, '0');
  Digits.insert(Digits.size() - Fraction, 1, '.');
  while (Digits.back() == '0')
    Digits.pop_back();
  if (Digits.back() == '.')
    Digits.pop_back();
  return Out + Digits;
}

} // namespace

long double TCalibration::Gain() const {
  return (Physimax - Physimin) / static_cast<long double>(Digimax - Digimin);
}

long double TCalibration::Physical(int32_t Digital) const {
  return static_cast<long double>(Digital - Digimin) * Gain() + Physimin;
}

int64_t TCalibration::Digital(const std::string& Text) const {
  double Value = 0;
  const auto Result = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Result.ec != std::errc() || Result.ptr != Text.data() + Text.size())
    return INT64_MIN;
  const double K = static_cast<double>(Gain());
  return std::llround((Value - static_cast<double>(Physimin)) / K + Digimin);
}

// The limits as the formula of the info file takes them: a decimal comma is read too.
TCalibration CalibrationOf(const TCustomEDFSignalInfo& Signal) {
  return {PhysicalLimit(Signal, TSignalField::Physimin).value_or(0),
          PhysicalLimit(Signal, TSignalField::Physimax).value_or(0), Signal.Digimin(),
          Signal.Digimax()};
}

std::string PhysicalRefusal(const TCustomEDFSignalInfo& Signal) {
  const std::optional<long double> Physimin = PhysicalLimit(Signal, TSignalField::Physimin);
  const std::optional<long double> Physimax = PhysicalLimit(Signal, TSignalField::Physimax);
  if (!Physimin)
    return "its physical minimum cannot be read";
  if (!Physimax)
    return "its physical maximum cannot be read";
  if (!Signal.FieldValid(TSignalField::Digimin) || !Signal.FieldValid(TSignalField::Digimax))
    return "its digital limits cannot be read";
  if (*Physimin == *Physimax)
    return "Physimin equals Physimax";
  if (Signal.Digimin() == Signal.Digimax())
    return "Digimin equals Digimax";
  return {};
}

std::size_t PhysicalTextLength(const TCalibration& Calibration) {
  const long double Largest =
      std::max(std::fabs(Calibration.Physical(-32768)), std::fabs(Calibration.Physical(32767)));
  const int Whole = Largest < 10 ? 1 : static_cast<int>(std::floor(std::log10(Largest))) + 1;
  // The nearest multiple of 10^(p - 1), p the power of ten of the gain, is within a tenth of
  // the gain: PhysicalValueText stops there at the latest.
  const int Power = static_cast<int>(std::floor(std::log10(std::fabs(Calibration.Gain())))) - 1;
  const int Fraction = std::max(0, -Power);
  return static_cast<std::size_t>(1 + Whole + 1 + Fraction);
}

std::string PhysicalValueText(const TCalibration& Calibration, int32_t Digital) {
  const long double Value = Calibration.Physical(Digital);
  const long double K = Calibration.Gain();
  const auto MapsBack = [&](const std::string& Text) {
    if (Calibration.Digital(Text) != Digital)
      return false;
    long double Parsed = 0;
    std::from_chars(Text.data(), Text.data() + Text.size(), Parsed);
    return std::llround((Parsed - Calibration.Physimin) / K + Calibration.Digimin) == Digital;
  };
  // The nearest multiple of the largest power of ten that maps back. Above 10^Power > |K|
  // at most one multiple lies close enough, and a multiple of a larger power shows as this
  // one with its zeros trimmed.
  for (int Power = static_cast<int>(std::floor(std::log10(std::fabs(K)))) + 1; Power >= -22;
       --Power) {
    const long double M = std::round(Value / std::pow(10.0L, Power));
    if (std::fabs(M) >= 1e18L)
      break;
    if (std::string Text = ScaledText(static_cast<int64_t>(M), Power); MapsBack(Text))
      return Text;
  }
  // The first precision that maps back is the shortest rounding of Value; a precision of 17
  // always resolves the gains that 8-character limits give.
  for (int Precision = 1; Precision <= 17; ++Precision) {
    std::string Text = DecimalText(Value, Precision);
    if (MapsBack(Text))
      return Text;
  }
  return DecimalText(Value, 21);
}

} // namespace velastrin
