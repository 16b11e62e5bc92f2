// Output files that appear under their final names only when complete: each is written under
// a temporary name in the folder of its final name, forced to the disk, then renamed. A set
// of files is renamed together; what is not committed is removed, also on Ctrl-C / SIGTERM.
#pragma once

#include <string>
#include <vector>

namespace velastrin::cli {

class TOutputFiles {
public:
  TOutputFiles() = default;
  // Removes every temporary file not committed.
  ~TOutputFiles();
  TOutputFiles(const TOutputFiles&) = delete;
  TOutputFiles& operator=(const TOutputFiles&) = delete;

  // Creates an empty temporary file beside FinalName ("DIR/.NAME.XXXXXX.part") and returns a
  // descriptor open for writing, which the caller closes (the set keeps its own). Raises
  // std::runtime_error "Cannot create file "FinalName". <reason>".
  int Create(const std::string& FinalName);
  const std::string& TemporaryName(std::size_t Index) const { return FFiles.at(Index).Temporary; }

  // Forces every file to the disk, then renames them all to their final names (an existing
  // file of that name is replaced). Raises std::runtime_error with the system's reason; the
  // files not yet renamed are then removed.
  void Commit();

private:
  struct TFile {
    std::string Final;
    std::string Temporary;
    int Handle = -1;
  };
  void Discard() noexcept;
  std::vector<TFile> FFiles;
};

// Once per process: blocks SIGINT and SIGTERM in the calling thread (and so in the threads it
// starts later) and starts a thread that waits for them. On either it removes every
// temporary file of every TOutputFiles and ends the process with status 128 + the signal
// number, as a shell reports a command ended by that signal.
void InstallInterruptCleanup();

// The temporary files alive now (for tests).
std::vector<std::string> LiveTemporaryFiles();

} // namespace velastrin::cli
