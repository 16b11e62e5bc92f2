// "velastrin export" for EDF+ annotation signals: instead of the signal's bytes as numbers, an
// annotation table (onset, clock time, duration, text) and an information text that says so.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velastrin {
class TCustomEDFFile;
}

namespace velastrin::cli {

// The word of --signal that takes every annotation signal of a file into one table.
inline constexpr const char* AllAnnotationsWord = "annotations";

struct TAnnotationChoice {
  std::vector<int32_t> Signals; // 0-based; empty: not annotations, the ordinary export goes on
  std::string Warning;          // a label shared by several annotation signals
};

// What --signal NumberOrLabel names in the open File when that is annotations: every
// annotation signal for "annotations" (any letter case; std::runtime_error when the file has
// none), or the chosen number or label when it is an annotation signal of an EDF+ file.
TAnnotationChoice ChooseAnnotations(const TCustomEDFFile& File, const std::string& NumberOrLabel);

// Writes the information text to InfoName and the table to DataName, both whole or not at all.
// Fields are separated by Separator; a line break (CR LF) as separator would break the lines
// of the table, so the comma takes its place. Returns the warnings: damaged annotation lists
// by record and byte. Raises std::runtime_error when the file cannot be read for annotations.
std::vector<std::string> ExportAnnotationTable(const std::string& Input,
                                               const std::vector<int32_t>& Signals,
                                               const std::string& Separator,
                                               const std::string& InfoName,
                                               const std::string& DataName);

} // namespace velastrin::cli
