// The export of one signal of an open EDF file to its two text files: the signal-information
// file (nine entries, the last one the formula to physical values) and the ASCII data file
// (every digital sample in file order). Qt-free and free of process-wide state, so that
// several files can be exported on several threads at once; the caller owns the file object,
// the writers and whatever shows progress.
#pragma once

#include "export/ExportText.h"
#include "support/uSysUtils.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace velastrin {

class TCustomEDFFileInfo;
class TCustomEDFSignalInfo;
class TEDFFile;

// What the texts of one export depend on besides the file: the separator, and the user's
// decimal mark and month names.
struct TExportOptions {
  std::string Separator = "\r\n";
  char DecimalMark = '.';
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
};

// Options with Separator and the decimal mark and month names of Settings.
TExportOptions ExportOptions(const std::string& Separator, const TFormatSettings& Settings);

// Called before data record Record of RecordCount is read (never for a file without
// records). Returning false stops the export there: nothing of Record is written.
using TExportProgress = std::function<bool(int64_t Record, int64_t RecordCount)>;

// Opens File read-only with lenient header checking, as every export and examination does.
// A BDF file is read as BDF only when AcceptBDF is set; otherwise it is refused as EDF.
void OpenForExport(TEDFFile& File, const std::string& FileName, bool AcceptBDF = false);

// NrSamples / SampleRecDuration as number text, without the unit.
std::string SampleFrequencyText(const TCustomEDFSignalInfo& Signal, const TCustomEDFFileInfo& Info,
                                char DecimalMark);

// The formula entry: physical value = (ASCII - Digimin) * K + Physimin, K the gain.
std::string FormulaEntry(const TCustomEDFSignalInfo& Signal, char DecimalMark);

// The entries of the recording (file name, patient, recording, start and stop time), each
// followed by the separator.
std::string RecordingInfoEntries(TEDFFile& File, const TExportOptions& Options);

// The entries of signal SignalNumber (number, label, sample frequency, formula), the formula
// last, without a separator after it and with its quote left open as the file has always had
// it.
std::string SignalInfoEntries(TEDFFile& File, int SignalNumber, const TExportOptions& Options);

// The whole signal-information file for SignalNumber (1-based).
std::string SignalInfoText(TEDFFile& File, int SignalNumber, const TExportOptions& Options);

// Writes the signal-information file through Writer (which the caller closes).
void ExportSignalInfo(TEDFFile& File, int SignalNumber, const TExportOptions& Options,
                      TTextFileWriter& Writer);

// Writes the ASCII data file through Writer: switches off buffering for every other signal,
// then reads the records one by one; a BDF file's 24-bit values as they are. Returns false when
// Progress stopped it; what was written up to then stays in Writer, each value followed by the
// separator. Errors of the file object and of the writer pass through.
bool ExportSignalData(TEDFFile& File, int SignalNumber, const TExportOptions& Options,
                      TTextFileWriter& Writer, const TExportProgress& Progress = {});

} // namespace velastrin
