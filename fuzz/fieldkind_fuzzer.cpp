// Fuzz target of the field-kind table: the input is the raw bytes of a field, cut or padded with
// blanks to each field's width and read as every row of the general and signal field tables of
// EDF and BDF, with the plain number format and with decimal comma and thousands point. Strict
// acceptance implies lenient acceptance; problem words come exactly with a strict refusal; a value
// reading accepts, written in the writer's text form, reads back strictly to the same value.
#include "edf/uEDFFieldKind.h"
#include "fuzz/fuzz_support.h"
#include "support/uSysUtils.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

using namespace velastrin;

// The field as the header holds it: Text padded with blanks to the width, or cut to it.
std::string Padded(const TEDFFieldDef& Def, std::string Text) {
  Text.resize(static_cast<size_t>(Def.Width), ' ');
  return Text;
}

// A decimal written in 8 characters keeps about 6 significant digits; in the exponent form only
// the digits of the mantissa, each half a unit of the last one off at most.
bool Near(long double A, long double B, const std::string& Text) {
  const size_t E = Text.find_first_of("Ee");
  if (E == std::string::npos)
    return std::fabs(A - B) <= 1e-5L * std::max(1.0L, std::fabs(A));
  const auto Digits = std::count_if(Text.begin(), Text.begin() + static_cast<std::ptrdiff_t>(E),
                                    [](char C) { return C >= '0' && C <= '9'; });
  return std::fabs(A - B) <=
         0.51L * std::pow(10.0L, 1 - static_cast<long double>(Digits)) * std::fabs(A);
}

// The writer's text form of the value R took, read back strictly in the plain format the
// writer uses for header numbers.
void CheckWrittenBack(const TEDFFieldDef& Def, const TEDFFieldReading& R) {
  const TEDFNumberFormat Plain;
  std::string Text;
  try {
    switch (Def.Kind) {
    case TEDFFieldKind::Integer:
    case TEDFFieldKind::DigitalLimit:
      Text = IntegerFieldText(Def, R.Integer);
      break;
    case TEDFFieldKind::Decimal:
      Text = DecimalFieldText(Def, R.Number, Plain);
      break;
    case TEDFFieldKind::Date:
      Text = DateFieldText(R.DateTime);
      break;
    case TEDFFieldKind::Time:
      Text = TimeFieldText(R.DateTime);
      break;
    default:
      if (!R.Strict)
        return; // text kinds are written as they stand; only a strict text stays strict
      Text = R.Text;
      break;
    }
  } catch (const EConvertError&) {
    return; // the writer refuses a value its field cannot hold
  }
  FUZZ_CHECK(static_cast<int>(Text.size()) <= Def.Width);
  const TEDFFieldReading Back = ReadField(Def, Padded(Def, Text), Plain);
  FUZZ_CHECK(Back.Read && Back.Lenient);
  switch (Def.Kind) {
  case TEDFFieldKind::Integer:
  case TEDFFieldKind::DigitalLimit:
    FUZZ_CHECK(Back.Strict && Back.Integer == R.Integer);
    break;
  case TEDFFieldKind::Decimal:
    FUZZ_CHECK(Near(R.Number, Back.Number, Text));
    // Rounding to the width may move a value onto an exclusive limit; otherwise it stays.
    if (R.Strict && !(Def.AboveMinimum && Back.Number <= Def.Minimum))
      FUZZ_CHECK(Back.Strict);
    break;
  case TEDFFieldKind::Date:
  case TEDFFieldKind::Time:
    FUZZ_CHECK(Back.Strict && Back.DateTime == R.DateTime);
    break;
  default:
    FUZZ_CHECK(Back.Strict && Back.Text == R.Text);
    break;
  }
}

void CheckRow(const TEDFFieldDef& Def, const std::string& Input, TEDFNumberFormat Format) {
  const TEDFFieldReading R = ReadField(Def, Padded(Def, Input), Format);
  FUZZ_CHECK(!R.Strict || R.Lenient);
  FUZZ_CHECK(R.Problems.empty() == R.Strict);
  for (const std::string& Problem : R.Problems)
    FUZZ_CHECK(!Problem.empty());
  if (R.Lenient && R.Read)
    CheckWrittenBack(Def, R);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Input(reinterpret_cast<const char*>(Data), Size);
  for (const TEDFNumberFormat Format : {TEDFNumberFormat{}, TEDFNumberFormat{',', '.'}})
    for (const TEDFFormat File : {TEDFFormat::EDF, TEDFFormat::BDF}) {
      for (const TEDFFieldDef& Def : GeneralFields(File))
        CheckRow(Def, Input, Format);
      for (const TEDFFieldDef& Def : SignalFields(File))
        CheckRow(Def, Input, Format);
    }
  return 0;
}
