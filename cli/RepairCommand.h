// "velastrin repair --out DIR": for every recording that only lenient reading accepts, a copy
// in DIR under the same name whose header strict reading accepts, with the data records as they
// were. Inputs are only read; nothing is written beside them.
#pragma once

#include "cli/Command.h"

#include <memory>

namespace velastrin::cli {

std::unique_ptr<TSubcommand> MakeRepairCommand();

} // namespace velastrin::cli
