// "velastrin anonymize --out DIR": for every recording, a de-identified copy in DIR (under the
// input's name, or the name a map gives) with the data records as they were. Inputs are only
// read; nothing is written beside them.
#pragma once

#include "cli/Command.h"

#include <memory>

namespace velastrin::cli {

std::unique_ptr<TSubcommand> MakeAnonymizeCommand();

} // namespace velastrin::cli
