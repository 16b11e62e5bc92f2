// Why a file cannot be exported, in words for the person who asked, and the checks that keep
// an export from writing over its own input. Everything here only reads; nothing raises but
// what is documented.
#pragma once

#include "edf/uDataFile.h"
#include "edf/uEDFLayout.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

class TCustomEDFFile;
class TCustomEDFSignalInfo;

enum class TEDFVerdict {
  Valid,     // strict reading accepts the file and every file-level check passes
  Lenient,   // the export takes it, but only lenient reading accepts it or a check failed
  Unreadable // the export refuses it
};
std::string_view VerdictName(TEDFVerdict Verdict); // "valid", "lenient", "unreadable"

// The one verdict, for check and export alike. Refusal: why the export refuses the file read
// leniently (empty when it takes it); StrictValid: strict reading accepts the header;
// FailedChecks: file-level checks that failed.
TEDFVerdict FileVerdict(const std::string& Refusal, bool StrictValid, std::size_t FailedChecks);

// One file-level check that failed, in words.
struct TEDFFileCheck {
  std::string Check;   // "file_size", "header_size", "record_count", "record_size", ...
  std::string Problem; // what is wrong
  bool Fails = true;   // false for what is only reported (a record count of -1, EDF's
                       // recommendations on record size and duration)
};

// The checks of the record layout against the file size for the open File of FileSize bytes,
// read leniently: record count, trailing bytes or a cut last record, and the EDF
// recommendations on record size and duration. None for a file that is not valid.
std::vector<TEDFFileCheck> RecordChecks(const TCustomEDFFile& File, int64_t FileSize);

// "the file holds N bytes, fewer than the 256 of a header".
std::string ShortFileReason(int64_t FileSize);

// "1 record", "2 records": a count with its noun, singular for one.
std::string CountText(int64_t Count, std::string_view Noun);

// An export refused before anything was written: an output that is the input, or a header
// that the export cannot turn into text.
class EExportRefused : public EDataFile {
  using EDataFile::EDataFile;
};

// Why the open file File cannot be exported: the first line names the cause, each further
// line one header field that made it invalid (field name, 1-based signal number where it
// applies, raw text). Also refuses a stop time outside the calendar (years 1 to 9999), which
// the date-time text cannot show. Empty when the file can be exported.
std::string OpenFileRefusal(TCustomEDFFile& File);

// Why FileName cannot be exported: it does not exist, is a folder, cannot be read, is a BDF
// file while AcceptBDF is false, or its header is refused as by OpenFileRefusal. Opens the
// file read-only with lenient checking, as the export does. Empty when the file can be
// exported. Raises nothing.
std::string InputRefusal(const std::string& FileName, bool AcceptBDF = false);

// Why the single export refuses a BDF file, which only velastrin export takes.
inline constexpr std::string_view BDFExportRefusal = "BDF: export it with velastrin export";

// The same for a file already open read-only and leniently, of FileSize bytes: a header cut
// short, or OpenFileRefusal.
std::string HeaderRefusal(TCustomEDFFile& File, int64_t FileSize);

// What lenient reading had to let pass in the open File of FileSize bytes: header fields
// strict reading refuses (the physical limits only when no reading takes them), failed record
// checks, EDF+ requirements missed ("edf_plus"), and ReadChecks, the checks that reading the
// records found failed ("record_onsets"); empty when strict reading would have done. "read
// leniently: 2 header fields; see velastrin check FILE" is made from it.
std::string LenientReadingNote(const TCustomEDFFile& File, int64_t FileSize,
                               const std::string& FileName,
                               const std::vector<std::string>& ReadChecks = {});

// A physical limit (Physimin or Physimax) of Signal as the export takes it: the record's value
// when its reading accepted it, else the raw text read in the separators it shows, as lenient
// reading reads a record duration written with a decimal comma. Unset when no reading takes it.
std::optional<long double> PhysicalLimit(const TCustomEDFSignalInfo& Signal, TSignalField Field);

// Why signal SignalNumber (1-based) of the open File cannot be exported: a physical limit that
// no reading can take, which would leave the formula without its offset or gain. Empty when
// it can.
std::string SignalRefusal(const TCustomEDFFile& File, int SignalNumber);

// The message when an output would overwrite the input or both outputs are one file; empty
// when the three names are three files. An output that does not exist yet clashes with
// nothing.
std::string OutputClash(const std::string& InputName, const std::string& InfoName,
                        const std::string& DataName);

} // namespace velastrin
