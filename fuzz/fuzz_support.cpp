#include "fuzz/fuzz_support.h"

#include "edf/uEDFLayout.h"
#include "support/uSysUtils.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/mman.h>
#include <unistd.h>

namespace velastrin::fuzz {

void Fail(const char* Target, const char* What, int Line) {
  std::fprintf(stderr, "%s: check failed at line %d: %s\n", Target, Line, What);
  std::abort();
}

TMemoryFile::TMemoryFile(const char* Name) : FHandle(::memfd_create(Name, MFD_CLOEXEC)) {
  FUZZ_CHECK(FHandle >= 0);
  FPath = "/proc/self/fd/" + std::to_string(FHandle);
}

TMemoryFile::~TMemoryFile() {
  ::close(FHandle);
}

void TMemoryFile::Fill(const uint8_t* Data, size_t Size) {
  FUZZ_CHECK(::ftruncate(FHandle, 0) == 0);
  size_t Done = 0;
  while (Done < Size) {
    const ssize_t Put = ::pwrite(FHandle, Data + Done, Size - Done, static_cast<off_t>(Done));
    FUZZ_CHECK(Put > 0);
    Done += static_cast<size_t>(Put);
  }
}

std::string TMemoryFile::Bytes() const {
  std::string Result;
  char Chunk[65536];
  for (off_t At = 0;;) {
    const ssize_t Got = ::pread(FHandle, Chunk, sizeof Chunk, At);
    FUZZ_CHECK(Got >= 0);
    if (Got == 0)
      return Result;
    Result.append(Chunk, static_cast<size_t>(Got));
    At += Got;
  }
}

bool TooManySignals(const uint8_t* Data, size_t Size) {
  constexpr auto Field = GeneralHeaderFields[static_cast<int>(TGeneralField::NrSignals)];
  if (Size < static_cast<size_t>(Field.Start + Field.Width))
    return false;
  int32_t Count = 0;
  const std::string Text(reinterpret_cast<const char*>(Data) + Field.Start, Field.Width);
  return TryStrToInt(Trim(Text), Count) && Count > 256;
}

const std::string& ScratchFolder() {
  static const std::string Folder = [] {
    // tmpfs makes the writer's flush to the disk free; the search gains nothing from a disk.
    std::string Pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    Pattern += "/velastrin-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(Pattern.data()) != nullptr);
    return Pattern;
  }();
  static const bool RemovedAtExit = [] {
    return std::atexit([] { std::filesystem::remove_all(ScratchFolder()); }) == 0;
  }();
  (void)RemovedAtExit;
  return Folder;
}

} // namespace velastrin::fuzz
