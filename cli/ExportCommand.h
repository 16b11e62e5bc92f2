// "velastrin export": one signal of many recordings, each to the two files of the desktop
// program's export (input name with ".txt" and ".ascii"), beside the input or in one folder.
#pragma once

#include "cli/Command.h"

#include <cstdint>
#include <memory>
#include <string>

namespace velastrin {
class TCustomEDFFile;
}

namespace velastrin::cli {

std::unique_ptr<TSubcommand> MakeExportCommand();

// The signal --signal names in File: a 1-based number, or a label compared without trailing
// blanks and letter case (the first of several, Matches telling how many). Returns the
// 1-based number; raises std::runtime_error when there is no such signal.
int32_t ChooseSignal(const TCustomEDFFile& File, const std::string& NumberOrLabel, int& Matches);

// The two output names of Input: beside it, or in Folder when that is not empty.
std::string InfoOutputName(const std::string& Input, const std::string& Folder);
std::string DataOutputName(const std::string& Input, const std::string& Folder);

} // namespace velastrin::cli
