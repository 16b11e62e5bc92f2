// The de-identification engine: a copy of a recording that can leave the institution. The copy
// starts as the input's bytes; the identifying fields of the general header are written anew
// (patient, recording, start date and time by the date policy, the reserved text beyond the
// EDF+ kind); the text fields of the signal headers and the annotation texts lose every
// identifier to X runs of the same byte length, and the filler after each record's last
// annotation list becomes 0x00, so that every size and every offset stays. The bytes of the
// ordinary signals are copied as read. The copy is read again to prove that those bytes are the
// input's and that no identifier is left anywhere else in it.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace velastrin {

enum class TDatePolicy { Keep, Fixed1985, Shift };

struct TAnonymizeSettings {
  std::string Subject; // code for the patient field; empty: "X"
  TDatePolicy Date = TDatePolicy::Fixed1985;
  std::optional<int64_t> ShiftDays; // given; else drawn from Seed and the subject
  uint64_t Seed = 0;
  bool KeepSex = false;
  bool KeepBirthYear = false;
  bool KeepEquipment = false;
  bool ZeroTime = false;
  bool DropAnnotations = false;        // every annotation text goes; time-keeping stays
  std::vector<std::string> ScrubWords; // more words and phrases to scrub, as given
};

struct TAnonymizeResult {
  std::string Subject;              // as written in the patient field
  std::optional<int64_t> ShiftDays; // with the shift policy
  std::vector<std::string> Changed; // names of the header fields whose bytes changed
  std::vector<std::string>
      SignalFields;                // signal-header fields scrubbed, "Transducertype (signal 2)"
  int64_t ScrubbedAnnotations = 0; // annotation texts changed or dropped
  int64_t FillerCleared = 0;       // annotation signals' record bytes whose filler was not 0x00
  int64_t Identifiers = 0;         // identifiers searched for
  int64_t Records = 0;             // data records copied
  std::string InputSHA256;         // of the ordinary signals' bytes, record by record
  std::string OutputSHA256;
};

// Writes the de-identified copy of Input at Temporary (replaced when present) and proves it by
// reading it again. Raises on any failure (an unreadable header, a damaged annotation list, an
// identifier still present, different signal bytes), naming the field or the byte, never the
// text; the caller removes Temporary.
void WriteAnonymizedCopy(const std::string& Input, const std::string& Temporary,
                         const TAnonymizeSettings& Settings, TAnonymizeResult& Result);

// The words of a scrub list, one word or phrase a line (a UTF-8 byte-order mark skipped). Raises
// std::runtime_error naming the line for an empty line or bytes that are not UTF-8.
std::vector<std::string> ReadScrubList(std::istream& List, const std::string& Name);

// A shift of whole days, the same for one Key under one Seed: 1 to 3652 days back.
int64_t DrawShiftDays(uint64_t Seed, const std::string& Key);

// One row of a map file "input,subject,output[,shift_days]".
struct TAnonymizeMapRow {
  int64_t Line = 0;
  std::string Input;
  std::string Subject;
  std::string Output; // relative to the output folder
  std::optional<int64_t> ShiftDays;
};

// Reads a map (a UTF-8 byte-order mark skipped, an optional first row of the column names, then
// one row per input). Raises std::runtime_error "Name, line N: ..." for a malformed row, a shift
// outside -1..-3652 days, an output named twice or a subject given two shifts.
std::vector<TAnonymizeMapRow> ReadAnonymizeMap(std::istream& Map, const std::string& Name);

// The hex digits of the SHA-256 of Bytes (for tests and reports).
std::string SHA256Hex(const std::string& Bytes);

// One JSON object on one line: the audit of a copy, or of a failure when Reason is set. Never
// holds an old text.
std::string AnonymizeJson(const std::string& Input, const std::string& Output,
                          const TAnonymizeResult* Result, const std::string& Reason,
                          std::optional<uint64_t> Seed);
// One line of text for a copy, ending in "\n".
std::string AnonymizeText(const std::string& Input, const std::string& Output,
                          const TAnonymizeResult& Result);

} // namespace velastrin
