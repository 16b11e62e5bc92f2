// The annotation table: EDF+ annotations as text, one line per annotation with its onset in
// seconds (every digit the file gives), its onset as clock time, its duration and its text,
// and the information text that goes with it, written through the caller's writers.
#pragma once

#include "edf/uEDFPlus.h"
#include "export/ExportText.h"

#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

struct TAnnotationTableFormat {
  std::string Separator = ",";    // between the fields of a line and between info entries
  std::string LineBreak = "\r\n"; // after every line of the table
};

// Start + Onset as "yyyy-mm-ddThh:nn:ss", followed by "." and the onset's fraction digits when
// it has any. Start counts whole seconds (the header's start date-time). Exact: the digits are
// added as decimals, never through a float. Empty when the result lies outside years 1..9999.
std::string AnnotationClockTime(TDateTime Start, const TTALNumber& Onset);

// Text as one field: in double quotes, with inner quotes doubled, when it holds the separator,
// a double quote, a carriage return or a line feed (CSV quoting for the comma, and the same
// rule for every other separator); otherwise unchanged.
std::string TableField(std::string_view Text, std::string_view Separator);

// One line without its line break: onset (seconds, without a '+'), clock time, duration (empty
// when absent), text.
std::string AnnotationTableLine(const TEDFAnnotation& Annotation, TDateTime Start,
                                const TAnnotationTableFormat& Format);

// Every annotation, in the order given, each line followed by the line break.
std::string AnnotationTable(const std::vector<TEDFAnnotation>& Annotations, TDateTime Start,
                            const TAnnotationTableFormat& Format);

// The information text of a table of the given annotation signals (0-based) of Plus: quoted
// entries in the manner of the signal-information file, separated by the separator.
std::string AnnotationTableInfo(const TEDFPlusRecording& Plus, const std::vector<int32_t>& Signals,
                                std::size_t AnnotationCount, const TAnnotationTableFormat& Format);

// The warnings of the faults of the given annotation signals (0-based): signal, record, byte and
// what is wrong, at most twenty.
std::vector<std::string> AnnotationFaultWarnings(const std::vector<TEDFPlusFault>& Faults,
                                                 const std::vector<int32_t>& Signals);

// The table and its information text for the given annotation signals (0-based) of Plus,
// written to Info and Data with the separator rule of ExportAnnotationTable.
void WriteAnnotationTable(const TEDFPlusRecording& Plus, const std::vector<int32_t>& Signals,
                          const std::string& Separator, TTextFileWriter& Info,
                          TTextFileWriter& Data);

// Reads the annotations of FileName and writes the information text of the given annotation
// signals (0-based) to Info and their table, in time order, to Data. Fields are separated by
// Separator; a line break as separator would break the lines of the table, so the comma
// takes its place. Returns the warnings: damaged annotation lists by record and byte. Raises
// std::runtime_error when the file cannot be read for annotations.
std::vector<std::string> ExportAnnotationTable(const std::string& FileName,
                                               const std::vector<int32_t>& Signals,
                                               const std::string& Separator, TTextFileWriter& Info,
                                               TTextFileWriter& Data);

} // namespace velastrin
