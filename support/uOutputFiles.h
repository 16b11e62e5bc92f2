// Output files that appear under their final names only when complete, for every writer of the
// program: each is written under a temporary name in the folder of its final name, reaches the
// disk, then is renamed. A set of files is renamed together; what is not committed is removed,
// also on Ctrl-C / SIGTERM. And the one test of whether two names are one file.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velastrin {

// A file as the system knows it, whatever the name it was reached by (links included).
struct TFileIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// The identity of the file a name leads to (following links); none when it does not exist.
std::optional<TFileIdentity> FileIdentity(const std::string& Path);

// Both names exist and are the same file (same device and inode: links included).
bool SameFile(const std::string& A, const std::string& B);

class TOutputFiles {
public:
  TOutputFiles() = default;
  // Removes every temporary file not committed.
  ~TOutputFiles();
  TOutputFiles(const TOutputFiles&) = delete;
  TOutputFiles& operator=(const TOutputFiles&) = delete;

  // Creates an empty temporary file beside FinalName ("DIR/.NAME.XXXXXXXX.part") and returns a
  // descriptor open for writing, which the caller closes (the set keeps its own). A writer
  // may also replace the file under TemporaryName. Raises std::runtime_error
  // "Cannot create file "FinalName". <reason>".
  int Create(const std::string& FinalName);
  const std::string& TemporaryName(std::size_t Index) const { return FFiles.at(Index).Temporary; }

  // Waits until every file's bytes are on the disk (most of them are already under way, see
  // StartWriteBack), then renames them all to their final names (an existing file of that
  // name is replaced): after a crash a final name never holds missing data. Returns the final
  // names, in the order created. Raises std::runtime_error with the system's reason; every
  // file of the set is then removed, those renamed already too (half a set is no output).
  std::vector<std::string> Commit();

private:
  struct TFile {
    std::string Final;
    std::string Temporary;
    int Handle = -1;
  };
  void Discard() noexcept;
  std::vector<TFile> FFiles;
};

// Asks the system to start writing Length bytes of Handle from Offset to the disk now, without
// waiting, so that the wait before a rename finds little left to do. A hint: failures are
// ignored, and descriptors of pipes or terminals are left alone.
void StartWriteBack(int Handle, uint64_t Offset, uint64_t Length) noexcept;

// Once per process: blocks SIGINT and SIGTERM in the calling thread (and so in the threads it
// starts later) and starts a thread that waits for them. On either it removes every temporary
// file of every TOutputFiles and ends the process with status 128 + the signal number, as a
// shell reports a command ended by that signal.
void InstallInterruptCleanup();

// The temporary files alive now (for tests).
std::vector<std::string> LiveTemporaryFiles();

} // namespace velastrin
