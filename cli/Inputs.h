// Finding the inputs of a run.
#pragma once

#include "cli/Command.h"

#include <istream>
#include <string>
#include <vector>

namespace velastrin::cli {

// A path given on the command line that gave no input, with the system's reason.
struct TInputProblem {
  std::string Path;
  std::string Reason;
  std::size_t Position = 0; // inputs and problems found before it
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

// Inputs and problems in the order found, a problem as an entry with its Problem set.
std::vector<TInput> InputEntries(const TInputList& List);

// "--shard K/N": the K-th (from 1) of N slices.
struct TShard {
  std::size_t Index = 1;
  std::size_t Count = 1;
};
// Raises TUsageError stating the rule unless Text is "K/N" with whole numbers 1 <= K <= N.
TShard ParseShard(const std::string& Text);
// The K-th of N equal slices of Entries sorted by path (byte order): entries from
// floor((K-1)M/N) to floor(KM/N) of M, so that N tasks together take each entry once, and a
// slice is empty when N exceeds M.
std::vector<TInput> ShardOf(std::vector<TInput> Entries, const TShard& Shard);

// The paths of a list, one a line (empty lines skipped; a line may end in LF or CR LF) or,
// with NulSeparated, ended by NUL bytes; bytes kept as they are (a name ending in CR needs
// NulSeparated). Raises TUsageError when the list cannot be read.
std::vector<std::string> ReadFileList(std::istream& List, bool NulSeparated);

// The name in absolute, lexically normal form ("a/./b/../c" -> "<cwd>/a/c"), for comparing
// names of files that do not exist yet.
std::string NormalName(const std::string& Path);

} // namespace velastrin::cli
