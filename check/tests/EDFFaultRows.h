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

using enum TEDFVerdict;
using enum TEDFFormat;

struct TFaultRow {
  const char* Name;
  int64_t PatchOffset; // -1: no patch
  std::string Bytes;
  const char* Field; // expected finding; empty when none
  int32_t Signal;
  const char* Problem; // part of the expected problem text
  TEDFVerdict Verdict = TEDFVerdict::Lenient;
  const char* Check = "";  // expected file check; empty when none
  TEDFFormat Format = EDF; // of the recording the row patches
  int64_t SizeChange = 0;  // bytes appended (positive) or cut from the end (negative)
  int64_t FieldOffset = PatchOffset;
  bool Lenient = Verdict != Unreadable; // lenient reading accepts the field
};

inline void PrintTo(const TFaultRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

inline const TFaultRow FaultRows[] = {
    {"StartTimeWithColons", 176, "10:20:30", "StartTime", 0, "time uses ':' instead of '.'"},
    {"StartDateWithSlashes", 168, "01/02/03", "StartDate", 0, "date uses '/' instead of '.'"},
    {"StartDateWithoutLeadingZeros", 168, "1.2.03  ", "StartDate", 0, "not in the form dd.mm.yy"},
    {"DurationWithDecimalComma", 244, "1,0     ", "SampleRecDuration", 0, "decimal comma"},
    {"RecordCountRightAligned", 236, "       3", "NrDataRecords", 0, "not left-aligned"},
    {"SignalCountRightAligned", 252, "   2", "NrSignals", 0, "not left-aligned"},
    {"PatientWithDegreeByte", 13, "\xB0", "Patient", 0, "byte 0xB0 is not printable ASCII", Lenient,
     "", EDF, 0, 8},
    {"PatientWithLeadingBlank", 8, " ", "Patient", 0, "not left-aligned"},
    {"ReservedWithLeadingBlank", 192, " EDF", "Reserved", 0, "not left-aligned"},
    {"UnitInUtf8", Sig(96, 8, 2), "\xC2\xB5V", "Physidim", 2,
     "2 bytes are not printable ASCII (first 0xC2)"},
    {"TransducerWithControlByte", Sig(16, 80, 1) + 3, "\x01", "Transducertype", 1,
     "byte 0x01 is not printable ASCII", Lenient, "", EDF, 0, Sig(16, 80, 1)},
    {"LabelWithLeadingBlank", Sig(0, 16, 2), " EOG", "SignalLabel", 2, "not left-aligned"},
    {"DigiminWithFraction", Sig(120, 8, 1), "-32768.0", "Digimin", 1, "written with a fraction"},
    {"DigimaxRightAligned", Sig(128, 8, 2), "   32767", "Digimax", 2, "not left-aligned"},
    {"SamplesRightAligned", Sig(216, 8, 1), "      10", "NrSamples", 1, "not left-aligned"},
    {"RecordCountTooHigh", 236, "5       ", "", 0, "", Lenient, "record_count"},
    {"BytesLeftOver", -1, "", "", 0, "", Lenient, "trailing_bytes", EDF, 7},
    {"LastRecordCutShort", -1, "", "", 0, "", Lenient, "partial_record", EDF, -7},
    // Physical limits do not decide validity: strict reading refuses the field, the file stays
    // valid, and lenient reading reads the limit in the separators it shows.
    {"PhysimaxRightAligned", Sig(112, 8, 1), " 3276.7 ", "Physimax", 1, "not left-aligned", Valid},
    {"PhysiminWithDecimalComma", Sig(104, 8, 2), "-3276,8 ", "Physimin", 2, "decimal comma", Valid},
    {"RecordCountUnknown", 236, "-1      ", "", 0, "", Valid, "record_count"},
    {"VersionOne", 0, "1", "Version", 0, "version is \"1\", not \"0\"", Unreadable},
    // A BDF version over an EDF file: read as BDF, whose reserved field names BDF, and whose
    // 3-byte samples make 2 whole records of the 3 stated.
    {"BdfVersionByte", 0, "\377BIOSEMI", "Reserved", 0,
     "does not start with one of 24BIT,BDF+C,BDF+D", Lenient, "record_count", EDF, 0, 192},
    {"EdfWithBdfReserved", 192, "24BIT", "Reserved", 0,
     "starts with \"24BIT\", which belongs to the other format"},
    {"BdfWithEdfPlusReserved", 192, "EDF+C", "Reserved", 0,
     "starts with \"EDF+\", which belongs to the other format", Lenient, "", BDF},
    {"BdfValid", -1, "", "", 0, "", Valid, "", BDF},
    {"BdfLastSampleCutShort", -1, "", "", 0, "", Lenient, "partial_record", BDF, -1},
    {"BdfDigimaxRightAligned", Sig(128, 8, 2), " 8388607", "Digimax", 2, "not left-aligned",
     Lenient, "", BDF},
    {"BdfDigimaxOutOfRange", Sig(128, 8, 1), "8388608 ", "Digimax", 1,
     "outside -8388608 to 8388607", Unreadable, "", BDF},
    {"BdfDigiminOutOfRange", Sig(120, 8, 2), "-9000000", "Digimin", 2,
     "outside -8388608 to 8388607", Unreadable, "", BDF},
    {"HeaderSizeWrong", 184, "1024    ", "HeaderBytes", 0,
     "header size 1024 does not match 2 signals (768 expected)", Unreadable},
    {"DigiminEqualsDigimax", Sig(120, 8, 2), "32767   ", "Digimin", 2, "Digimin not below Digimax",
     Unreadable},
    {"DigimaxOutOfRange", Sig(128, 8, 1), "40000   ", "Digimax", 1, "outside -32768 to 32767",
     Unreadable},
    {"NoSamples", Sig(216, 8, 2), "0       ", "NrSamples", 2, "not greater than 0", Unreadable},
    {"StartDateNoSuchDay", 168, "31.02.03", "StartDate", 0, "not a real date", Unreadable},
    {"SignalCountLetters", 252, "x   ", "NrSignals", 0, "not an integer", Unreadable},
};

} // namespace velastrin::test
