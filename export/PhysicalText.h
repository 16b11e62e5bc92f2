// Physical values as text: each digital value by the header's formula, printed with '.' as the
// shortest decimal text strictly inside the interval that maps back to the same digital value
// under the formula, so that no precision is invented, none is lost, and no reader's rounding
// of a half can take it for the neighbouring value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velastrin {

class TCustomEDFSignalInfo;

// The linear map of one signal: physical = (digital - Digimin) * Gain + Physimin.
struct TCalibration {
  long double Physimin = 0;
  long double Physimax = 0;
  int32_t Digimin = 0;
  int32_t Digimax = 0;
  bool operator==(const TCalibration&) const = default;

  long double Gain() const;
  long double Physical(int32_t Digital) const;
  // The digital value a reader gets back from Text by the inverse formula, rounded to the
  // nearest integer in double arithmetic; nullopt-like INT64_MIN when Text is not a number.
  int64_t Digital(const std::string& Text) const;
};

TCalibration CalibrationOf(const TCustomEDFSignalInfo& Signal);

// Why Signal gives no physical values ("Physimin equals Physimax", an unreadable limit, ...),
// or empty when it does.
std::string PhysicalRefusal(const TCustomEDFSignalInfo& Signal);

// The most characters PhysicalValueText gives for any 16-bit value under Calibration.
std::size_t PhysicalTextLength(const TCalibration& Calibration);

// The shortest decimal text that lies strictly inside the open interval mapping back to
// Digital ((Digital - 0.5) to (Digital + 0.5) through the formula), kept off its ends by more
// than the rounding error of extended arithmetic, and that maps back in double arithmetic under
// half to even, half up and half away from zero: "0" when 0 lies inside, else the multiple of
// the largest power of ten that does, the nearest to the exact value. Fixed notation from 1e-7
// to below 1e21, "2.5e-9" and "-1e+300" beyond. Any finite value gets a text.
std::string PhysicalValueText(const TCalibration& Calibration, int32_t Digital);

// PhysicalValueText of one calibration, with what all its values share worked out once.
class TPhysicalTexts {
public:
  explicit TPhysicalTexts(const TCalibration& Calibration);
  std::string Text(int32_t Digital) const;

private:
  bool Inside(int32_t Digital, long double X) const;
  bool MapsBackInDouble(int32_t Digital, std::string_view Text) const;

  TCalibration FCalibration;
  long double FGain;
  int FGainPower;
  double FDoubleMin;
  double FDoubleGain;
  // Inside's bound of the error of extended arithmetic, as far as it does not depend on the text.
  long double FGainError; // the gain's relative rounding error, in units of the limits'
  long double FInverseGain;
  long double FErrorBase;
};

} // namespace velastrin
