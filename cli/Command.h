// The frame of velastrin's command-line subcommands ("velastrin export ...", and more to
// come). A subcommand is one class derived from TSubcommand in a unit of its own, plus one
// line in the list of CommandLine.cpp. The frame does the rest, the same way for each:
//
//   1. parses the options with CLI11: the subcommand declares its own (AddOptions); the frame
//      adds "--jobs N", "--shard K/N", "--files-from FILE", "--null" and the positional
//      "PATH...", and answers "--help";
//   2. finds the inputs: files as given (also listed by --files-from), folders searched
//      recursively for names ending in ".edf" (any letter case), each folder's finds in sorted
//      order, duplicates dropped; with --shard K/N only the K-th slice of them;
//   3. calls CheckAllInputs with every input and Prepare with those of its shard, before
//      anything is written (name clashes, inputs that would be overwritten: throw
//      TUsageError, status 2);
//   4. calls Run for every input on up to --jobs worker threads (RunFile); prints each file's
//      Output (standard output) and Warnings (standard error) in input order, whatever the
//      jobs;
//   5. ends with one line per failed file on standard error and the summary
//      ("12 exported, 1 failed"), and the exit status (ExitStatus). When nothing could start
//      (status 2), the last line of standard error is the reason instead.
//
// A file is done only when Run returned and every output it names is a file on the disk
// (RunFile decides, for every subcommand); only then does the subcommand count it (Counted).
//
// Run may be called on several threads at once: it must keep everything it changes in its
// own objects (no process-wide settings). Files a subcommand writes go through
// TOutputFiles (support/uOutputFiles.h): a temporary name beside the final one, renamed when
// complete, removed on failure and on Ctrl-C / SIGTERM.
#pragma once

#include "support/uOutputFiles.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace velastrin::cli {

// Exit statuses of every subcommand.
namespace CliStatus {
inline constexpr int Success = 0;    // every file done
inline constexpr int SomeFailed = 1; // at least one file failed; the others were still done
inline constexpr int NotStarted = 2; // bad arguments, no input found, a clash: nothing done
} // namespace CliStatus

// One input of a run.
struct TInput {
  std::string Path;  // as given, or the folder as given joined with the name found in it
  uint64_t Size = 0; // bytes, at discovery
  TFileIdentity Identity;
  // Why this path gave no input (missing, not a regular file, a folder without EDF files);
  // empty for an input. Run is never called for such an entry: it counts as failed.
  std::string Problem;
};

// What one file's run gives back.
struct TFileResult {
  std::string Output;                // for standard output, printed as is (end lines with \n)
  std::vector<std::string> Warnings; // lines for standard error, without line breaks
  std::vector<std::string> Outputs;  // the final names of the files written (TOutputFiles::Commit)
  int Kind = 0;                      // the subcommand's own class of the file, for Counted
};

// An error that ends the whole run before anything is written: status 2, message on stderr.
class TUsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Handed to Run: the bytes counter of the progress line.
class TJobContext {
public:
  // Counts Bytes more of the input as processed (for the progress line's bytes/s).
  void AddBytes(uint64_t Bytes) { FBytes.fetch_add(Bytes, std::memory_order_relaxed); }
  uint64_t Bytes() const { return FBytes.load(std::memory_order_relaxed); }

private:
  std::atomic<uint64_t> FBytes{0};
};

class TSubcommand {
public:
  virtual ~TSubcommand() = default;
  // The word after "velastrin", and its one-line description for "velastrin --help".
  virtual std::string Name() const = 0;
  virtual std::string Description() const = 0;
  // The past participle of the summary line: "12 exported, 1 failed".
  virtual std::string DoneWord() const = 0;
  // Declares the subcommand's own options on Command (CLI11), bound to members.
  virtual void AddOptions(CLI::App& Command) = 0;
  // Once, after parsing and discovery, with every input of the run, also those of other
  // shards (clashes between output names); the main thread. Throws TUsageError.
  virtual void CheckAllInputs(const std::vector<TInput>& Inputs);
  // Once, after CheckAllInputs, with the inputs this run does (its shard), before any Run;
  // the main thread. Throws TUsageError.
  virtual void Prepare(const std::vector<TInput>& Inputs);
  // One input, on a worker thread. Throws any std::exception to fail this file: its what()
  // is the reason printed. Names every file it wrote in the result's Outputs.
  virtual TFileResult Run(const TInput& Input, TJobContext& Context) = 0;
  // Whether every file done has an output (export, anonymize): a run that names none fails.
  virtual bool OutputsRequired() const { return false; }
  // A file counted done, on the main thread in input order: for counts of its own (Kind).
  virtual void Counted(const TFileResult& Result);
  // What standard output gets for an input that failed (Reason: a missing path, or the
  // error Run raised): by default nothing, the reason going to standard error at the end.
  // Subcommands with JSON output give the file its line there.
  virtual std::string FailureOutput(const std::string& Path, const std::string& Reason) const;
  // The summary line; by default "12 exported, 1 failed" (DoneWord) or "12 exported".
  virtual std::string SummaryLine(std::size_t Done, std::size_t Failed) const;
  // The exit status from the number of failed files: 0 when none, else 1. A subcommand
  // with more to say (findings) keeps its own thread-safe counts from Run.
  virtual int ExitStatus(std::size_t Failed, std::size_t Total) const;
};

// One input through Command: the one place that decides whether a file is done. Raises the
// input's problem (a missing path), whatever Run raises, and an error when an output Run
// names is not a regular file on the disk, or when a subcommand that requires outputs names
// none.
TFileResult RunFile(TSubcommand& Command, const TInput& Input, TJobContext& Context);

// The "--out DIR" of every subcommand: made with its parents when missing. Raises TUsageError
// when the path cannot be a folder, before anything is written.
void MakeOutputFolder(const std::string& Folder);

using TSubcommandFactory = std::unique_ptr<TSubcommand> (*)();

} // namespace velastrin::cli
