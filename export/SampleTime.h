// The time column of the data file: each sample's time as seconds from the recording's start
// ("12.00390625", as many digits as the time needs, to the nanosecond) or as local clock time
// ("2024-01-02T22:00:12.003906", to the microsecond). Record onsets and sample times are whole
// nanoseconds, so that nothing drifts over a long recording.
#pragma once

#include "export/SampleText.h"
#include "support/uSysUtils.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

enum class TTimeColumn { None, Offset, Clock };

inline constexpr int64_t NanosecondsPerSecond = 1'000'000'000;

// Nanoseconds of a decimal seconds text ([+|-]digits[.digits]), rounded to the nearest; false
// when Text is not such a number or lies beyond about 292 years.
bool TextNanoseconds(std::string_view Text, int64_t& Nanoseconds);

// Seconds as the shortest exact decimal: "3", "0.25", "-1.000000001".
std::string OffsetText(int64_t Nanoseconds);

// Start (whole seconds of a date-time serial) + Nanoseconds, rounded to the microsecond, as
// "yyyy-mm-ddThh:mm:ss" with "." and the fraction's digits when it has any.
std::string ClockText(TDateTime Start, int64_t Nanoseconds);

// The times of the samples of one record after another: one Append per sample, each text
// followed by Suffix. The texts of a record's fractions are made once and reused by every
// record that begins at the same fraction of a second.
class TSampleTimeText {
public:
  TSampleTimeText(TTimeColumn Kind, TDateTime Start, int64_t RecordNanoseconds, int32_t Samples,
                  std::string_view Suffix);

  // The most bytes Append writes.
  std::size_t MaxBytes() const { return 48 + FSuffix.size(); }
  // The record that the next Appends belong to begins OnsetNanoseconds after Start.
  void BeginRecord(int64_t OnsetNanoseconds);
  // The time of sample Sample of the current record.
  char* Append(char* Out, int32_t Sample) {
    const auto i = static_cast<std::size_t>(Sample);
    if (FOnset < 0) [[unlikely]]
      return AppendSigned(Out, i);
    const int64_t Second = FWhole + FCarry[i];
    if (Second != FSecond) [[unlikely]]
      NewSecond(Second);
    std::memcpy(Out, FSecondText, sizeof FSecondText);
    Out += FSecondLength;
    std::memcpy(Out, FFractions.data() + i * FractionStride, FractionStride);
    return Out + FLengths[i];
  }

  // Lines From..To-1 of the current record, each the time and the text of Samples[i] from
  // Values (whose separator ends the line): the time's texts held in registers, so that the
  // one-signal line costs little more than its bytes. Out needs room for (To - From) *
  // (MaxBytes() + Values.OneValueBytes()) bytes.
  char* AppendLines(char* Out, std::size_t From, std::size_t To, const TSampleTextTable& Values,
                    const int16_t* Samples);

private:
  static constexpr std::size_t FractionStride = 16; // "." + 9 digits + a suffix of up to 6

  char* AppendSigned(char* Out, std::size_t Sample) const;
  void NewSecond(int64_t Second);

  TTimeColumn FKind;
  int64_t FStartSeconds;
  int64_t FTicksPerSecond;
  std::string FSuffix;
  std::vector<int64_t> FOffsets; // nanoseconds of each sample from its record's onset
  int64_t FOnset = 0;
  int64_t FWhole = 0;
  int64_t FRest = -1; // the fraction of a second the cached texts were made for
  std::vector<int64_t> FCarry;
  std::vector<char> FFractions; // per sample: "." digits and suffix, FractionStride bytes
  std::vector<uint8_t> FLengths;
  int64_t FSecond = INT64_MIN;
  char FSecondText[24] = {}; // copied whole: the whole seconds, up to 20 characters
  std::size_t FSecondLength = 0;
};

} // namespace velastrin
