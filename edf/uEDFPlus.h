// EDF+ on top of the EDF data model: the file kind ("EDF+C", "EDF+D"), the annotation signals
// ("EDF Annotations") and their time-stamped annotation lists (TALs), read from every data
// record. Numbers of a TAL keep the text the file gives next to their value, so no digit is
// lost. Damaged lists are reported per record with the byte offset, never read past.
//
// The reader takes the header as the export does (read only, lenient) and then reads the
// annotation bytes itself. EDF+ lets a file that holds only annotation signals state a record
// duration of 0; such a file is not a valid EDF file and the file object refuses its records,
// but its annotations are read here. Nothing of this changes what the file object accepts.
#pragma once

#include "edf/uEDFLayout.h"

#include "support/uSysUtils.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

class TCustomEDFFile;
class TCustomEDFFileInfo;
class TCustomEDFSignalInfo;

inline constexpr std::string_view EDFAnnotationsLabel = "EDF Annotations";
inline constexpr std::string_view BDFAnnotationsLabel = "BDF Annotations";

enum class TEDFPlusKind { None, Continuous, Discontinuous };

// The kind a general header's Reserved text declares: it begins with "EDF+C" or "EDF+D", or
// for BDF with "BDF+C" or "BDF+D".
TEDFPlusKind EDFPlusKindOf(std::string_view Reserved, TEDFFormat Format = TEDFFormat::EDF);
// "EDF+C", "EDF+D" (for BDF "BDF+C", "BDF+D"), or empty for a plain EDF or BDF file.
std::string EDFPlusKindName(TEDFPlusKind Kind, TEDFFormat Format = TEDFFormat::EDF);
// The label of an annotation signal in a file of Format: "EDF Annotations", for BDF "BDF
// Annotations".
std::string_view AnnotationLabel(TEDFFormat Format);
// The label of an annotation signal, trailing blanks aside: "EDF Annotations" or "BDF
// Annotations" whatever the format. Writers mix them up and other readers take either, so
// the other format's label is read too; IsOwnAnnotationLabel tells the label EDF+ asks for.
bool IsAnnotationLabel(std::string_view Label);
bool IsOwnAnnotationLabel(std::string_view Label, TEDFFormat Format);
// Signal is an annotation signal: its label says so and the file (general header Info) is EDF+.
// Every reader of annotations (check, export, anonymize, the window) asks this.
bool IsAnnotationSignal(const TCustomEDFFileInfo& Info, const TCustomEDFSignalInfo& Signal);

// One EDF+ requirement a file misses.
struct TEDFPlusConformance {
  std::string Field;     // the field at fault, from the layout tables
  int32_t Signal = 0;    // 1-based; 0 for the general header
  std::string Problem;   // what EDF+ asks for, in words
  bool Mendable = false; // repair can mend it without guessing
};

// What EDF+ requires beyond EDF (and edflib enforces) that the open EDF+ File, read leniently,
// misses: an annotation signal, its label and fields, the identification sub-fields, the start
// date, the physical range, the record duration. Check lists them; the export names them in its
// note.
std::vector<TEDFPlusConformance> EDFPlusConformance(const TCustomEDFFile& File);

// A number of a TAL: the text as the file gives it (sign included) and its value.
struct TTALNumber {
  std::string Text;
  long double Value = 0;
  bool operator==(const TTALNumber&) const = default;
};

// Splits a TAL number into its parts; false when Text is not [+|-]digits[.digits], with a sign
// only when Signed.
bool ParseTALNumber(std::string_view Text, bool Signed, TTALNumber& Number);

struct TEDFAnnotation {
  TTALNumber Onset;                   // seconds after the header's start date-time
  std::optional<TTALNumber> Duration; // seconds; absent when the TAL gives none
  std::string Text;                   // UTF-8 as written
  int32_t Signal = 0;                 // 0-based index of the annotation signal
  int64_t Record = 0;                 // data record that holds it
};

// What can be wrong with an annotation list; one message per kind.
enum class TTALFault {
  OnsetSign,        // a TAL does not begin with '+' or '-'
  OnsetNumber,      // the onset is not a number
  DurationNumber,   // the duration is not a number
  MissingSeparator, // no 0x14 after the onset or duration
  PastEnd,          // a TAL runs past the signal's bytes in the record
  TextNotEnded,     // 0x00 inside an annotation, before its closing 0x14
  BytesAfterEnd,    // bytes other than 0x00 after the last TAL
  NoTimeKeeping,    // the record's first TAL carries no time-keeping annotation
  NotUTF8           // an annotation text is not UTF-8 (kept as written)
};

std::string TALFaultMessage(TTALFault Fault);

struct TEDFPlusFault {
  int64_t Record = 0;
  int32_t Signal = 0;       // 0-based index of the annotation signal
  int64_t Offset = 0;       // byte offset within that signal's bytes of the record
  int64_t FilePosition = 0; // byte offset in the file (0 when parsed from memory)
  TTALFault Kind = TTALFault::PastEnd;
  std::string Message() const { return TALFaultMessage(Kind); }
};

// The TALs of one annotation signal in one data record.
struct TEDFAnnotationList {
  std::vector<TEDFAnnotation> Annotations;
  std::optional<TTALNumber> RecordOnset; // the time-keeping onset, when TimeKeeping was asked
  std::vector<TEDFPlusFault> Faults;
};

// Reads the TALs in Bytes, the bytes of annotation signal Signal in data record Record. With
// TimeKeeping (the first annotation signal of a record), the first annotation of the first TAL
// must be empty and its onset is the record's onset. Reading stops at the first fault of the
// list; what was complete before it is kept. Empty annotations are not listed.
TEDFAnnotationList ParseAnnotationList(std::string_view Bytes, int64_t Record, int32_t Signal,
                                       bool TimeKeeping);

// Where a record's onset departs from the previous record's onset plus the record duration.
struct TEDFRecordDeviation {
  int64_t Record = 0;
  long double Expected = 0; // previous onset + record duration
  TTALNumber Actual;
  // Actual - Expected: a gap when positive, an overlap when negative.
  long double Difference() const { return Actual.Value - Expected; }
};

// The annotations of one file.
struct TEDFPlusRecording {
  std::string FileName;
  TEDFPlusKind Kind = TEDFPlusKind::None;
  // The header allows reading data records: a valid file, or an EDF+ file of annotation
  // signals only whose record duration is 0.
  bool Readable = false;
  std::string Patient;
  std::string Recording;
  TDateTime StartDateTime = 0;
  long double RecordDuration = 0;
  TEDFFormat Format = TEDFFormat::EDF; // BDF+ samples take 3 bytes
  int64_t NrDataRecords = 0;
  std::vector<std::string> Labels;         // every signal's label, trailing blanks removed
  std::vector<int32_t> AnnotationSignals;  // 0-based indexes, in header order
  std::vector<TEDFAnnotation> Annotations; // file order: record, then signal, then position
  std::vector<std::optional<TTALNumber>> RecordOnsets; // one per data record
  std::vector<TEDFPlusFault> Faults;

  bool IsAnnotationSignal(int32_t Index) const;
  // Records whose onset does not follow the previous one by the record duration (none when the
  // duration is 0). EDF+C allows none; in EDF+D they are the gaps and overlaps.
  std::vector<TEDFRecordDeviation> RecordDeviations() const;
  // The annotations of the given signals (all annotation signals when empty) in time order;
  // equal onsets keep file order.
  std::vector<TEDFAnnotation> InTimeOrder(const std::vector<int32_t>& Signals = {}) const;
};

// Reads the header of FileName (read only, lenient) and, for an EDF+ file whose header allows
// it, every annotation signal of every data record. A file that cannot be opened raises the
// stream's error; anything inside the file is reported, not raised.
TEDFPlusRecording ReadEDFPlus(const std::string& FileName);

// ReadEDFPlus in two steps, for a window that reads the lists on a worker thread. The
// constructor reads the header, which reads the process-wide format settings (month names): it
// belongs on the thread that may change them. Read opens the file again and reads nothing but
// data records, so it may run on any other thread, one at a time.
class TEDFPlusReader {
public:
  explicit TEDFPlusReader(const std::string& FileName);

  // Every field but the annotations, the record onsets and the faults.
  const TEDFPlusRecording& Header() const { return FHeader; }
  // The whole recording. Stop is looked at before every data record; when it is requested the
  // result is empty.
  std::optional<TEDFPlusRecording> Read(std::stop_token Stop = {}) const;

private:
  TEDFPlusRecording FHeader;
  std::vector<int64_t> FSamples; // per signal and record
  int64_t FHeaderBytes = 0;
};

} // namespace velastrin
