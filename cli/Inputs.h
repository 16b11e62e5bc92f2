// Finding the inputs of a run, and telling whether two names are one file.
#pragma once

#include "cli/Command.h"

#include <optional>
#include <string>
#include <vector>

namespace velastrin::cli {

// A path given on the command line that gave no input, with the system's reason.
struct TInputProblem {
  std::string Path;
  std::string Reason;
};

struct TInputList {
  std::vector<TInput> Inputs;
  std::vector<TInputProblem> Problems;
};

// Files as given (whatever their names); folders searched recursively, following no links to
// folders, for regular files whose names end in ".edf" or ".bdf" in any letter case, each folder's
// finds sorted by path. The order of Paths is kept; a file reached twice counts once. A missing
// path, a folder without EDF files or one that cannot be read is a problem, not an input.
TInputList FindInputs(const std::vector<std::string>& Paths);

// The identity of the file a name leads to (following links); none when it does not exist.
std::optional<TFileIdentity> IdentityOf(const std::string& Path);

// The name in absolute, lexically normal form ("a/./b/../c" -> "<cwd>/a/c"), for comparing
// names of files that do not exist yet.
std::string NormalName(const std::string& Path);

} // namespace velastrin::cli
