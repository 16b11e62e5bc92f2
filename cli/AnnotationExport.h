// "velastrin export" for EDF+ annotation signals: which annotation signals a --signal word
// names, for an annotation table (written by the export engine) instead of numbers.
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
// The word of --signal that takes every signal of a file, each to its own output.
inline constexpr const char* AllSignalsWord = "all";

struct TAnnotationChoice {
  std::vector<int32_t> Signals; // 0-based; empty: not annotations, the ordinary export goes on
  std::string Warning;          // a label shared by several annotation signals
};

// What --signal NumberOrLabel names in the open File when that is annotations: every
// annotation signal for "annotations" (any letter case; std::runtime_error when the file has
// none), or the chosen number or label when it is an annotation signal of an EDF+ file.
TAnnotationChoice ChooseAnnotations(const TCustomEDFFile& File, const std::string& NumberOrLabel);

} // namespace velastrin::cli
