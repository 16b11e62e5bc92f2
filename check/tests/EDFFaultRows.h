// The rows of the header fault table: bytes patched into the two-signal recording of
// MakeRecording, the finding expected, the verdict and the file check. The fault table test
// judges every row; the fuzz seeds start from them.
#pragma once

#include "check/uEDFFindings.h"

#include <cstdint>
#include <ostream>
#include <string>

namespace velastrin::test {

// Byte offset of a signal field in a two-signal header: block start B and width W written out
// here, apart from the library's own tables.
constexpr int64_t Sig(int64_t B, int64_t W, int64_t Signal) {
  return 256 + 2 * B + (Signal - 1) * W;
}

struct TFaultRow {
  const char* Name;
  int64_t PatchOffset; // -1: no patch
  std::string Bytes;
  int64_t SizeChange; // bytes appended (positive) or cut from the end (negative)
  const char* Field;  // expected finding; empty when none
  int32_t Signal;
  int64_t FieldOffset;
  const char* Problem; // part of the expected problem text
  bool Lenient;        // lenient reading accepts the field
  TEDFVerdict Verdict;
  const char* Check;                   // expected file check; empty when none
  TEDFFormat Format = TEDFFormat::EDF; // of the recording the row patches
};

inline void PrintTo(const TFaultRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

using enum TEDFVerdict;

inline const TFaultRow FaultRows[] = {
    {"StartTimeWithColons", 176, "10:20:30", 0, "StartTime", 0, 176, "time uses ':' instead of '.'",
     true, Lenient, ""},
    {"StartDateWithSlashes", 168, "01/02/03", 0, "StartDate", 0, 168,
     "date uses '/' instead of '.'", true, Lenient, ""},
    {"StartDateWithoutLeadingZeros", 168, "1.2.03  ", 0, "StartDate", 0, 168,
     "not in the form dd.mm.yy", true, Lenient, ""},
    {"DurationWithDecimalComma", 244, "1,0     ", 0, "SampleRecDuration", 0, 244, "decimal comma",
     true, Lenient, ""},
    {"RecordCountRightAligned", 236, "       3", 0, "NrDataRecords", 0, 236, "not left-aligned",
     true, Lenient, ""},
    {"SignalCountRightAligned", 252, "   2", 0, "NrSignals", 0, 252, "not left-aligned", true,
     Lenient, ""},
    {"PatientWithDegreeByte", 13, "\xB0", 0, "Patient", 0, 8, "byte 0xB0 is not printable ASCII",
     true, Lenient, ""},
    {"PatientWithLeadingBlank", 8, " ", 0, "Patient", 0, 8, "not left-aligned", true, Lenient, ""},
    {"ReservedWithLeadingBlank", 192, " EDF", 0, "Reserved", 0, 192, "not left-aligned", true,
     Lenient, ""},
    {"UnitInUtf8", Sig(96, 8, 2), "\xC2\xB5V", 0, "Physidim", 2, Sig(96, 8, 2),
     "2 bytes are not printable ASCII (first 0xC2)", true, Lenient, ""},
    {"TransducerWithControlByte", Sig(16, 80, 1) + 3, "\x01", 0, "Transducertype", 1,
     Sig(16, 80, 1), "byte 0x01 is not printable ASCII", true, Lenient, ""},
    {"LabelWithLeadingBlank", Sig(0, 16, 2), " EOG", 0, "SignalLabel", 2, Sig(0, 16, 2),
     "not left-aligned", true, Lenient, ""},
    {"DigiminWithFraction", Sig(120, 8, 1), "-32768.0", 0, "Digimin", 1, Sig(120, 8, 1),
     "written with a fraction", true, Lenient, ""},
    {"DigimaxRightAligned", Sig(128, 8, 2), "   32767", 0, "Digimax", 2, Sig(128, 8, 2),
     "not left-aligned", true, Lenient, ""},
    {"SamplesRightAligned", Sig(216, 8, 1), "      10", 0, "NrSamples", 1, Sig(216, 8, 1),
     "not left-aligned", true, Lenient, ""},
    {"RecordCountTooHigh", 236, "5       ", 0, "", 0, 0, "", true, Lenient, "record_count"},
    {"BytesLeftOver", -1, "", 7, "", 0, 0, "", true, Lenient, "trailing_bytes"},
    {"LastRecordCutShort", -1, "", -7, "", 0, 0, "", true, Lenient, "partial_record"},
    // Physical limits do not decide validity: strict reading refuses the field, the file stays
    // valid, and lenient reading reads the limit in the separators it shows.
    {"PhysimaxRightAligned", Sig(112, 8, 1), " 3276.7 ", 0, "Physimax", 1, Sig(112, 8, 1),
     "not left-aligned", true, Valid, ""},
    {"PhysiminWithDecimalComma", Sig(104, 8, 2), "-3276,8 ", 0, "Physimin", 2, Sig(104, 8, 2),
     "decimal comma", true, Valid, ""},
    {"RecordCountUnknown", 236, "-1      ", 0, "", 0, 0, "", true, Valid, "record_count"},
    {"VersionOne", 0, "1", 0, "Version", 0, 0, "version is \"1\", not \"0\"", false, Unreadable,
     ""},
    // A BDF version over an EDF file: read as BDF, whose reserved field names BDF, and whose
    // 3-byte samples make 2 whole records of the 3 stated.
    {"BdfVersionByte", 0,
     "\xFF"
     "BIOSEMI",
     0, "Reserved", 0, 192, "does not start with one of 24BIT,BDF+C,BDF+D", true, Lenient,
     "record_count"},
    {"EdfWithBdfReserved", 192, "24BIT", 0, "Reserved", 0, 192,
     "starts with \"24BIT\", which belongs to the other format", true, Lenient, ""},
    {"BdfWithEdfPlusReserved", 192, "EDF+C", 0, "Reserved", 0, 192,
     "starts with \"EDF+\", which belongs to the other format", true, Lenient, "", TEDFFormat::BDF},
    {"BdfValid", -1, "", 0, "", 0, 0, "", true, Valid, "", TEDFFormat::BDF},
    {"BdfLastSampleCutShort", -1, "", -1, "", 0, 0, "", true, Lenient, "partial_record",
     TEDFFormat::BDF},
    {"BdfDigimaxRightAligned", Sig(128, 8, 2), " 8388607", 0, "Digimax", 2, Sig(128, 8, 2),
     "not left-aligned", true, Lenient, "", TEDFFormat::BDF},
    {"BdfDigimaxOutOfRange", Sig(128, 8, 1), "8388608 ", 0, "Digimax", 1, Sig(128, 8, 1),
     "outside -8388608 to 8388607", false, Unreadable, "", TEDFFormat::BDF},
    {"BdfDigiminOutOfRange", Sig(120, 8, 2), "-9000000", 0, "Digimin", 2, Sig(120, 8, 2),
     "outside -8388608 to 8388607", false, Unreadable, "", TEDFFormat::BDF},
    {"HeaderSizeWrong", 184, "1024    ", 0, "HeaderBytes", 0, 184,
     "header size 1024 does not match 2 signals (768 expected)", false, Unreadable, ""},
    {"DigiminEqualsDigimax", Sig(120, 8, 2), "32767   ", 0, "Digimin", 2, Sig(120, 8, 2),
     "Digimin not below Digimax", false, Unreadable, ""},
    {"DigimaxOutOfRange", Sig(128, 8, 1), "40000   ", 0, "Digimax", 1, Sig(128, 8, 1),
     "outside -32768 to 32767", false, Unreadable, ""},
    {"NoSamples", Sig(216, 8, 2), "0       ", 0, "NrSamples", 2, Sig(216, 8, 2),
     "not greater than 0", false, Unreadable, ""},
    {"StartDateNoSuchDay", 168, "31.02.03", 0, "StartDate", 0, 168, "not a real date", false,
     Unreadable, ""},
    {"SignalCountLetters", 252, "x   ", 0, "NrSignals", 0, 252, "not an integer", false, Unreadable,
     ""},
};

} // namespace velastrin::test
