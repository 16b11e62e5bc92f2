// The findings engine: opens one file read-only under strict and under lenient reading and says,
// field by field, what strict reading refuses, why, and what lenient reading made of it; then the
// file-level checks (header and record sizes, the record count, EDF+ record onsets, annotation
// lists and requirements), what kind of file it is, the verdict the exports share and the
// header's values. Any byte sequence, and any path, gives findings: nothing
// raises out of CollectFindings.
#pragma once

#include "edf/uEDFExportCheck.h"
#include "edf/uEDFFile.h"
#include "edf/uEDFPlus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

enum class TEDFKind { Unknown, EDF, EDFPlusC, EDFPlusD, BDF, BDFPlusC, BDFPlusD };
// "unknown", "EDF", "EDF+C", "EDF+D", "BDF", "BDF+C", "BDF+D"
std::string_view KindName(TEDFKind Kind);
// EDF+C, EDF+D, BDF+C and BDF+D: the kinds with annotation signals and record onsets.
bool IsPlusKind(TEDFKind Kind);

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

// A signal as lenient reading sees it.
struct TEDFSignalValues {
  std::string Label;
  std::string Transducer;
  std::string Unit;
  std::string Prefilter;
  int32_t NrSamples = 0;
  std::optional<long double> Rate; // samples per second, when the duration is known
  int32_t Digimin = 0;
  int32_t Digimax = 0;
  std::optional<long double> Physimin;
  std::optional<long double> Physimax;
  std::optional<long double> Gain;
  bool Annotations = false;
};

// What the annotation signals of an EDF+ file say about the recording.
struct TEDFPlusFindings {
  int64_t Annotations = 0;
  int64_t Records = 0; // data records read
  // Records that do not start one record duration after the one before: gaps and overlaps of
  // an EDF+D file, errors in an EDF+C file.
  std::vector<TEDFRecordDeviation> RecordOnsets;
  std::vector<TEDFPlusFault> ListFaults; // damaged annotation lists
  // What EDF+ requires beyond EDF (and edflib enforces), in words: the annotation signal's
  // fields, the identification sub-fields, the start date, the physical range.
  std::vector<TEDFPlusConformance> Conformance;
};

struct TEDFFindings {
  std::string File;
  TEDFVerdict Verdict = TEDFVerdict::Unreadable;
  TEDFKind Kind = TEDFKind::Unknown;
  std::string Error;  // why the file could not be examined at all (the system's reason)
  std::string Reason; // why the export refuses the file, when unreadable (first line)
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
