// Physical values as text: each digital value by the header's formula, printed with '.' as the
// shortest decimal text that maps back to the same digital value under the formula, so that
// no precision is invented and none is lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// The shortest decimal text (digits, '.', an exponent "e-12" only beyond 1e-7..1e17) whose
// value maps back to Digital both in double and in extended arithmetic.
std::string PhysicalValueText(const TCalibration& Calibration, int32_t Digital);

} // namespace velastrin
