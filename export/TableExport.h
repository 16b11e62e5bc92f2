// The export of several signals of an open EDF file in one pass over its records: each signal
// to its own data file, or several of one sample rate to one table with a column each;
// digital or physical values; optionally a first column with each sample's time. EDF+ record
// onsets come from the time-keeping annotations, so EDF+D gaps are jumps in the time column.
// Qt-free and free of process-wide state; the caller owns the file object and the writers.
#pragma once

#include "export/SampleTime.h"
#include "export/SignalExport.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velastrin {

enum class TValueKind { Digital, Physical };

struct TTableOptions {
  TExportOptions Text; // the separator, and the decimal mark and month names of the info file
  TValueKind Values = TValueKind::Digital;
  TTimeColumn Time = TTimeColumn::None;
  bool Header = false; // a header row (label and unit) also for one signal without columns
};

// One pair of output files.
struct TSignalTable {
  std::vector<int32_t> Signals; // 1-based; all of one sample rate when several
  bool Columns = false;         // a table with a header row, even of one signal
  bool Annotations = false;     // the annotation table of these EDF+ annotation signals
  TTextFileWriter* Info = nullptr;
  TTextFileWriter* Data = nullptr;
};

// "," for the line break separator: a table's lines end in CR LF whatever the separator.
std::string ColumnSeparator(const std::string& Separator);

// The sample rates of Signals (1-based) when they are not all the same, as "signal 1 (EEG)
// 256 Hz, signal 3 (Resp) 32 Hz"; empty when they are.
std::string RateMismatch(TEDFFile& File, const std::vector<int32_t>& Signals);

// The annotation tables of File can be made in the pass over its records: the file object
// reads every record the annotation reader would (a valid file whose record count matches
// its size). Otherwise ExportAnnotationTable reads them.
bool AnnotationsInPass(TEDFFile& File);

// Writes every table, reading each record once; the info files come last, when the gaps are
// known. Returns the warnings (values outside the digital range, EDF+D gaps and overlaps,
// damaged annotation lists); FailedChecks, when given, gets the checks that reading the records
// found failed, in check's names ("record_onsets"). Raises std::runtime_error naming the record
// when a time column is asked and EDF+ time-keeping goes backwards or, in EDF+D, is missing
// (also for want of an annotation signal); std::invalid_argument for a signal that
// PhysicalRefusal refuses, or signals of several rates in one table.
std::vector<std::string> ExportSignalTables(TEDFFile& File, const std::vector<TSignalTable>& Tables,
                                            const TTableOptions& Options,
                                            const TExportProgress& Progress = {},
                                            std::vector<std::string>* FailedChecks = nullptr);

} // namespace velastrin
