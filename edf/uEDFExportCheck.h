// Why a file cannot be exported, in words for the person who asked, and the checks that keep
// an export from writing over its own input. Everything here only reads; nothing raises but
// what is documented.
#pragma once

#include "edf/uDataFile.h"

#include <string>

namespace velastrin {

class TCustomEDFFile;

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
// file, or its header is refused as by OpenFileRefusal. Opens the file read-only with lenient
// checking, as the export does. Empty when the file can be exported. Raises nothing.
std::string InputRefusal(const std::string& FileName);

// The message when an output would overwrite the input or both outputs are one file; empty
// when the three names are three files. An output that does not exist yet clashes with
// nothing.
std::string OutputClash(const std::string& InputName, const std::string& InfoName,
                        const std::string& DataName);

} // namespace velastrin
