// "velastrin check": what is wrong with each recording's header, field by field, as readable
// text or as JSON Lines, and a verdict per file. Reads headers and file sizes only.
#pragma once

#include "cli/Command.h"

#include <memory>

namespace velastrin::cli {

std::unique_ptr<TSubcommand> MakeCheckCommand();

} // namespace velastrin::cli
