// The findings engine: opens one file read-only under strict and under lenient reading and says,
// field by field, what strict reading refuses, why, and what lenient reading made of it; then the
// file-level checks (header and record sizes, the record count), what kind of file it is, a
// verdict and the header's values. Any byte sequence, and any path, gives findings: nothing
// raises out of CollectFindings.
#pragma once

#include "edf/uEDFFile.h"
#include "edf/uEDFPlus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

enum class TEDFVerdict {
  Valid,     // strict reading accepts the file
  Lenient,   // only lenient reading does
  Unreadable // neither does, or the file could not be opened
};
std::string_view VerdictName(TEDFVerdict Verdict); // "valid", "lenient", "unreadable"

enum class TEDFKind { Unknown, EDF, EDFPlusC, EDFPlusD, BDF };
std::string_view KindName(TEDFKind Kind); // "unknown", "EDF", "EDF+C", "EDF+D", "BDF"

// One header field that strict reading refuses.
struct TEDFFinding {
  std::string Field;    // name from the layout tables: "StartTime", "Physimin", ...
  int32_t Signal = 0;   // 1-based signal number; 0 for a general-header field
  int64_t Offset = 0;   // byte offset of the field in the file
  int Width = 0;        // field width in bytes
  std::string Raw;      // the field's bytes exactly as stored
  std::string Problem;  // what is wrong, in plain words
  bool Lenient = false; // lenient reading accepts the field
  std::string Value;    // the value lenient reading took, as text; empty when it took none
  bool Counts = true;   // the field counts for validity (physical limits do not)
};

// One file-level check that failed, in words.
struct TEDFFileCheck {
  std::string Check;   // "file_size", "header_size", "record_count", "record_size", ...
  std::string Problem; // what is wrong
};

// A signal as lenient reading sees it.
struct TEDFSignalValues {
  std::string Label;
  std::string Transducer;
  std::string Unit;
  std::string Prefilter;
  int32_t NrSamples = 0;
  std::optional<long double> Rate; // samples per second, when the duration is known
  int16_t Digimin = 0;
  int16_t Digimax = 0;
  std::optional<long double> Physimin;
  std::optional<long double> Physimax;
  std::optional<long double> Gain;
  bool Annotations = false;
};

// What the annotation signals of an EDF+ file say about the recording.
struct TEDFPlusFindings {
  int64_t Annotations = 0;
  // Records that do not start one record duration after the one before: gaps and overlaps of
  // an EDF+D file, errors in an EDF+C file.
  std::vector<TEDFRecordDeviation> RecordOnsets;
  std::vector<TEDFPlusFault> ListFaults; // damaged annotation lists
};

struct TEDFFindings {
  std::string File;
  TEDFVerdict Verdict = TEDFVerdict::Unreadable;
  TEDFKind Kind = TEDFKind::Unknown;
  std::string Error; // why the file could not be examined at all (the system's reason)
  int64_t FileSize = -1;
  std::vector<TEDFFinding> Findings;
  std::vector<TEDFFileCheck> Checks;
  TEDFStatus StrictStatus = 0;
  TEDFStatus LenientStatus = 0;

  // The header's values as lenient reading took them; unset when it took none.
  std::optional<std::string> Version;
  std::optional<TDateTime> Start;
  std::optional<int64_t> Records;       // records present (derived from the file size)
  std::optional<int64_t> RecordsStated; // the count written in the header
  std::optional<long double> RecordDuration;
  std::optional<int32_t> NrSignals;
  std::vector<TEDFSignalValues> Signals;

  // The record layout lenient reading found; 0 when none.
  int64_t HeaderBytes = 0;
  int64_t RecordBytes = 0;
  // Bytes after the last whole record (a partial record, or bytes left over).
  int64_t TrailingBytes = 0;

  // For EDF+C and EDF+D files whose records can be read (annotation-only files with a record
  // duration of 0 too); unset otherwise.
  std::optional<TEDFPlusFindings> Plus;
};

// Examines one file. Never raises; a path that cannot be opened gives verdict unreadable with
// the system's reason in Error.
TEDFFindings CollectFindings(const std::string& FileName);

// Printable ASCII stays as it is (a backslash doubled); every other byte becomes \xHH.
std::string EscapeBytes(std::string_view Bytes);

// The date-time as "yyyy-mm-ddThh:nn:ss".
std::string IsoDateTime(TDateTime Value);

} // namespace velastrin
