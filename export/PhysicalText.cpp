#include "export/PhysicalText.h"

#include "edf/uEDFExportCheck.h"
#include "edf/uEDFHeader.h"
#include "edf/uEDFLayout.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>

namespace velastrin {

namespace {

// 10^Power; exact in long double up to 10^27.
long double Pow10(int Power) {
  static constexpr auto Table = [] {
    std::array<long double, 28> T{};
    T[0] = 1;
    for (std::size_t i = 1; i < T.size(); ++i)
      T[i] = T[i - 1] * 10;
    return T;
  }();
  if (Power >= 0 && Power < 28)
    return Table[static_cast<std::size_t>(Power)];
  if (Power < 0 && Power > -28)
    return 1 / Table[static_cast<std::size_t>(-Power)];
  return std::pow(10.0L, static_cast<long double>(Power));
}

// The power of ten of |Value| (0 for 0 and what is not finite).
int Exponent10(long double Value) {
  Value = std::fabs(Value);
  if (!std::isfinite(Value) || Value == 0)
    return 0;
  int Binary = 0;
  std::frexp(Value, &Binary); // Value below 2^Binary: a first guess, put right below
  auto Exponent = static_cast<int>(std::floor((Binary - 1) * 0.30102999566398120));
  while (Value < Pow10(Exponent))
    --Exponent;
  while (Value >= Pow10(Exponent + 1))
    ++Exponent;
  return Exponent;
}

// The most significant digits a text of a value of power Exponent gets: down to a tenth of the
// gain, and no more than 19 (a long double holds no more).
int DigitLimit(int Exponent, int GainPower) {
  return std::clamp(Exponent - GainPower + 2, 1, 19);
}

// -M * 10^Power or M * 10^Power as a decimal text: fixed notation from 1e-7 to below 1e21,
// beyond that "1.5e-9" or "-2.25e+300", as JavaScript writes numbers.
std::string ScaledText(bool Negative, uint64_t M, int Power) {
  if (M == 0)
    return "0";
  char Digits[24];
  auto Count = static_cast<int>(std::to_chars(Digits, Digits + sizeof Digits, M).ptr - Digits);
  for (; Count > 1 && Digits[Count - 1] == '0'; --Count)
    ++Power;
  const int Exponent = Power + Count - 1;
  const auto N = static_cast<std::size_t>(Count);
  std::string Out = Negative ? "-" : "";
  if (Exponent < -7 || Exponent >= 21) {
    Out += Digits[0];
    if (Count > 1)
      Out.append(1, '.').append(Digits + 1, N - 1);
    return Out + (Exponent < 0 ? "e-" : "e+") + std::to_string(std::abs(Exponent));
  }
  if (Power >= 0)
    return Out.append(Digits, N).append(static_cast<std::size_t>(Power), '0');
  if (Exponent >= 0) {
    const auto Whole = static_cast<std::size_t>(Exponent) + 1;
    return Out.append(Digits, Whole).append(1, '.').append(Digits + Whole, N - Whole);
  }
  return Out.append("0.").append(static_cast<std::size_t>(-Exponent - 1), '0').append(Digits, N);
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
  const int Top = Exponent10(Largest);
  const int GainPower = Exponent10(Calibration.Gain());
  const int Digits = DigitLimit(Top, GainPower);
  // Fixed notation: a sign, the whole digits (below 1e21), a point and the digits down to a
  // tenth of the gain, and no further than the last digit of a text from 1e-7 on; one more
  // whole digit only when rounding carries, and then no fraction.
  const std::size_t Fixed = 1 + static_cast<std::size_t>(std::clamp(Top, 0, 20)) + 1 + 1 +
                            static_cast<std::size_t>(std::clamp(1 - GainPower, 0, 8 + Digits));
  // Exponent notation ("-1.2345e-300"), only for values beyond 1e21 or a gain so small that a
  // text below 1e-7 can be the shortest one.
  if (Top < 20 && GainPower >= -6)
    return Fixed;
  return std::max(Fixed, static_cast<std::size_t>(1 + Digits + 1 + 2 + 4));
}

TPhysicalTexts::TPhysicalTexts(const TCalibration& Calibration)
    : FCalibration(Calibration), FGain(Calibration.Gain()),
      FGainPower(Exponent10(Calibration.Gain())),
      FDoubleMin(static_cast<double>(Calibration.Physimin)),
      FDoubleGain((static_cast<double>(Calibration.Physimax) - FDoubleMin) /
                  (Calibration.Digimax - Calibration.Digimin)) {
  const long double Span = std::fabs(Calibration.Physimax - Calibration.Physimin);
  FGainError = 2 + 2 * (std::fabs(Calibration.Physimax) + std::fabs(Calibration.Physimin)) / Span;
  FInverseGain = 1 / std::fabs(FGain);
  FErrorBase = 2 * std::fabs(Calibration.Physimin) * FInverseGain + 1;
}

// X lies strictly inside the interval that maps to Digital, kept off its ends by more than the
// error of extended arithmetic (limits, text and gain rounded to 64 bits, and the operations):
// a text on an end, which one reader takes for the value below and another for the value
// above, never passes.
bool TPhysicalTexts::Inside(int32_t Digital, long double X) const {
  const long double U = (X - FCalibration.Physimin) / FGain + FCalibration.Digimin;
  const long double Error =
      0x1p-56L * (std::fabs(X) * FInverseGain + std::fabs(U - FCalibration.Digimin) * FGainError +
                  std::fabs(U) + FErrorBase);
  return std::fabs(U - Digital) < 0.5L - Error;
}

// A reader in double arithmetic gets Digital back from Text rounding half to even, half up or
// half away from zero.
bool TPhysicalTexts::MapsBackInDouble(int32_t Digital, std::string_view Text) const {
  double Read = 0;
  std::from_chars(Text.data(), Text.data() + Text.size(), Read);
  const double D = (Read - FDoubleMin) / FDoubleGain + FCalibration.Digimin;
  const double Want = Digital;
  return std::nearbyint(D) == Want && std::floor(D + 0.5) == Want && std::round(D) == Want;
}

std::string TPhysicalTexts::Text(int32_t Digital) const {
  if (Inside(Digital, 0) && MapsBackInDouble(Digital, "0"))
    return "0";
  const long double Value = FCalibration.Physical(Digital);
  const bool Negative = Value < 0;
  const long double Magnitude = std::fabs(Value);
  // The nearest multiple of the largest power of ten that maps back. From 10^(p + 1) on, p the
  // power of the gain, at most one multiple lies inside, and a multiple of a larger power shows
  // as this one with its zeros trimmed; one of 10^(p - 1) lies well inside.
  const int Last = std::max(FGainPower - 1, Exponent10(Value) - 18);
  std::string Text;
  for (int Power = std::max(FGainPower + 1, Last); Power >= Last; --Power) {
    const long double Scale = Pow10(Power);
    const long double M = std::rint(Power >= 0 ? Magnitude / Scale : Magnitude * Pow10(-Power));
    if (M == 0 && Power > Last)
      continue;
    const long double X = Power >= 0 ? M * Scale : M / Pow10(-Power);
    // The last lies inside by far unless a double cannot hold the limits or the gain at all.
    if (!Inside(Digital, Negative ? -X : X) && Power > Last)
      continue;
    Text = ScaledText(Negative, static_cast<uint64_t>(M), Power);
    if (MapsBackInDouble(Digital, Text))
      break;
  }
  return Text;
}

std::string PhysicalValueText(const TCalibration& Calibration, int32_t Digital) {
  return TPhysicalTexts(Calibration).Text(Digital);
}

} // namespace velastrin
