// What every fuzz target shares: a check that stops the run with its line, and an in-memory file
// the file-based targets refill for every input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace velastrin::fuzz {

// Prints what failed and aborts, so libFuzzer keeps the input as a crash.
[[noreturn]] void Fail(const char* Target, const char* What, int Line);

#define FUZZ_CHECK(Condition)                                                                      \
  do {                                                                                             \
    if (!(Condition))                                                                              \
      ::velastrin::fuzz::Fail(__FILE__, #Condition, __LINE__);                                     \
  } while (false)

// An in-memory file, made once and refilled for every input. Its /proc/self/fd name opens like
// any path, so the file object reads it unchanged and no input goes through the disk.
class TMemoryFile {
public:
  explicit TMemoryFile(const char* Name);
  ~TMemoryFile();
  TMemoryFile(const TMemoryFile&) = delete;
  TMemoryFile& operator=(const TMemoryFile&) = delete;

  // Replaces the whole content with Data.
  void Fill(const uint8_t* Data, size_t Size);
  // The whole content.
  std::string Bytes() const;
  const std::string& Path() const { return FPath; }

private:
  int FHandle;
  std::string FPath;
};

// Headers promising hundreds of signals take the sanitized build seconds per input (every
// signal record is made even without a signal block) and reach no other code; the unit tests
// open 9999 signals. The file-based targets spend their time elsewhere.
bool TooManySignals(const uint8_t* Data, size_t Size);

// A folder of its own for files the engines write by name, removed when the process ends. It
// lies on a memory file system when the machine has one.
const std::string& ScratchFolder();

} // namespace velastrin::fuzz
