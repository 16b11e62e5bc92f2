// The reading rule of each field kind: given a field's raw bytes, what strict and lenient reading
// accept, the value they take and, for a field strict reading refuses, each problem in words.
// The header records, the writer's text forms, the findings engine and repair all ask here, so
// what a report says is what the reader did.
#pragma once

#include "edf/uEDFLayout.h"
#include "support/udroot.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velastrin {

// The separators a decimal field is read with; Thousands 0 means none.
struct TEDFNumberFormat {
  char Decimal = '.';
  char Thousands = 0;
  bool IsPlain() const { return Decimal == '.' && Thousands == 0; }
};

struct TEDFFieldReading {
  bool Read = false;    // a value was taken; it may still lie outside the field's range
  bool Strict = false;  // strict reading accepts the field
  bool Lenient = false; // lenient reading accepts it
  bool Whole = false;   // digital limits: a whole number in range, leading blanks aside
  long double Number = 0;
  int64_t Integer = 0; // integers and digital limits: the value as a whole number
  TDateTime DateTime = 0;
  std::string Text;                  // text kinds and version: the bytes less trailing blanks
  std::vector<std::string> Problems; // why strict reading refuses; empty when it accepts
};

// Reads Raw as a field of Def's kind. Problems are only worded for a field strict reading
// refuses. Never raises.
TEDFFieldReading ReadField(const TEDFFieldDef& Def, const std::string& Raw,
                           TEDFNumberFormat Format = {});

// The separators a number text shows by its shape, guessed as lenient reading guesses those of
// the record duration; plain when the text shows none.
TEDFNumberFormat GuessNumberFormat(const std::string& Raw);

// A text field's stored text (trailing blanks gone) as strict reading wants it: printable
// ASCII without leading blanks.
bool IsStrictText(const std::string& Stored);

// Whether a date or time text that lenient reading took is also in the strict form
// ("dd.mm.yy", "hh.nn.ss"): what strict reading adds to lenient reading for these kinds.
bool HasStrictForm(TEDFFieldKind Kind, const std::string& Raw);

// The problems joined with "; ".
std::string ProblemText(const std::vector<std::string>& Problems);

// The header size against the signal count; empty when they agree.
std::string HeaderSizeProblem(int64_t HeaderBytes, bool SignalsValid, int64_t NrSignals);
// A pair of digital limits; empty when Digimin lies below Digimax.
std::string DigitalOrderProblem(long double Digimin, long double Digimax);

// What EDF+ asks of an identification text beyond free text, each problem in words; none when
// the text conforms. The patient field holds four sub-fields (code, sex M/F/X, birthdate
// dd-MMM-yyyy or X, name) separated by single blanks; the recording field "Startdate", the
// start date dd-MMM-yyyy (or X), then three codes. A recording date that differs from
// StartDate (a whole-day date-time) is a problem too.
std::vector<std::string> EDFPlusPatientProblems(const std::string& Patient);
std::vector<std::string> EDFPlusRecordingProblems(const std::string& Recording,
                                                  TDateTime StartDate);

// The text the writer stores for a value of Def's kind, before padding to the width.
// EConvertError when the value has no text within the field.
std::string IntegerFieldText(const TEDFFieldDef& Def, int64_t Value);
// Decimals: the general format of FloatToStrMaxLen, unless that reads back as another value
// and the value's own digits with a bare exponent ("3.276E10", "-15E-301") fit and do not.
std::string DecimalFieldText(const TEDFFieldDef& Def, long double Value, TEDFNumberFormat Format);
// "dd.mm.yy" for years 1985 to 2084, which two digits read back as the same year.
std::string DateFieldText(TDateTime Date);
// "hh.nn.ss" on the 24-hour clock.
std::string TimeFieldText(TDateTime Time);

} // namespace velastrin
