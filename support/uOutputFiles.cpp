#include "support/uOutputFiles.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace velastrin {

namespace {

namespace fs = std::filesystem;

// Every temporary file alive in the process. The interrupt thread takes the lock, so it never
// sees a file half created or half renamed.
struct TRegistry {
  std::mutex Lock;
  std::set<std::string> Names;
};

TRegistry& Registry() {
  static TRegistry R;
  return R;
}

std::string RandomSuffix() {
  static std::atomic<uint64_t> Counter{0};
  thread_local std::mt19937_64 Random{std::random_device{}() ^
                                      std::hash<std::thread::id>()(std::this_thread::get_id())};
  static constexpr char Digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  uint64_t Value = Random() ^ Counter.fetch_add(1);
  std::string Out;
  for (int i = 0; i < 8; ++i, Value /= 36)
    Out += Digits[Value % 36];
  return Out;
}

[[noreturn]] void RaiseFileError(const std::string& What, const std::string& Name, int Error) {
  throw std::runtime_error(What + " \"" + Name + "\". " + std::strerror(Error));
}

// Waits until the bytes of the file under Name are on the disk. By name, because a writer may
// have replaced the file the set created.
void WaitForDisk(const std::string& Name, const std::string& Final) {
  const int Handle = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC);
  if (Handle < 0)
    RaiseFileError("Cannot write file", Final, errno);
  const bool Done = ::fdatasync(Handle) == 0;
  const int Error = errno;
  ::close(Handle);
  if (!Done)
    RaiseFileError("Cannot write file", Final, Error);
}

} // namespace

std::optional<TFileIdentity> FileIdentity(const std::string& Path) {
  struct stat Info {};
  if (::stat(Path.c_str(), &Info) != 0)
    return std::nullopt;
  return TFileIdentity{Info.st_dev, Info.st_ino};
}

bool SameFile(const std::string& A, const std::string& B) {
  const auto First = FileIdentity(A);
  return First && First == FileIdentity(B);
}

TOutputFiles::~TOutputFiles() {
  Discard();
}

int TOutputFiles::Create(const std::string& FinalName) {
  const fs::path Final(FinalName);
  TRegistry& R = Registry();
  std::lock_guard Guard(R.Lock);
  for (int Attempt = 0;; ++Attempt) {
    const std::string Temporary =
        (Final.parent_path() / ("." + Final.filename().string() + "." + RandomSuffix() + ".part"))
            .string();
    const int Handle = ::open(Temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Handle < 0) {
      if (errno == EEXIST && Attempt < 100)
        continue;
      RaiseFileError("Cannot create file", FinalName, errno);
    }
    const int Writer = ::fcntl(Handle, F_DUPFD_CLOEXEC, 0);
    if (Writer < 0) {
      const int Error = errno;
      ::close(Handle);
      ::unlink(Temporary.c_str());
      RaiseFileError("Cannot create file", FinalName, Error);
    }
    R.Names.insert(Temporary);
    FFiles.push_back({FinalName, Temporary, Handle});
    return Writer;
  }
}

std::vector<std::string> TOutputFiles::Commit() {
  for (TFile& File : FFiles) {
    ::close(File.Handle);
    File.Handle = -1;
    WaitForDisk(File.Temporary, File.Final);
  }
  TRegistry& R = Registry();
  std::lock_guard Guard(R.Lock);
  std::vector<std::string> Renamed;
  while (!FFiles.empty()) {
    TFile& File = FFiles.front();
    if (::rename(File.Temporary.c_str(), File.Final.c_str()) != 0) {
      const int Error = errno;
      for (const std::string& Name : Renamed)
        ::unlink(Name.c_str());
      RaiseFileError("Cannot rename a file to", File.Final, Error);
    }
    R.Names.erase(File.Temporary);
    Renamed.push_back(File.Final);
    FFiles.erase(FFiles.begin());
  }
  return Renamed;
}

void TOutputFiles::Discard() noexcept {
  TRegistry& R = Registry();
  std::lock_guard Guard(R.Lock);
  for (TFile& File : FFiles) {
    if (File.Handle >= 0)
      ::close(File.Handle);
    ::unlink(File.Temporary.c_str());
    R.Names.erase(File.Temporary);
  }
  FFiles.clear();
}

void StartWriteBack(int Handle, uint64_t Offset, uint64_t Length) noexcept {
  if (Length > 0)
    ::sync_file_range(Handle, static_cast<off64_t>(Offset), static_cast<off64_t>(Length),
                      SYNC_FILE_RANGE_WRITE);
}

void InstallInterruptCleanup() {
  static std::once_flag Once;
  std::call_once(Once, [] {
    sigset_t Signals;
    sigemptyset(&Signals);
    sigaddset(&Signals, SIGINT);
    sigaddset(&Signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &Signals, nullptr);
    // Lives until the process ends; never joined.
    std::thread([Signals] {
      int Signal = 0;
      while (sigwait(&Signals, &Signal) != 0) {
      }
      TRegistry& R = Registry();
      R.Lock.lock(); // kept: no file is created or renamed after this
      for (const std::string& Name : R.Names)
        ::unlink(Name.c_str());
      ::_exit(128 + Signal);
    }).detach();
  });
}

std::vector<std::string> LiveTemporaryFiles() {
  TRegistry& R = Registry();
  std::lock_guard Guard(R.Lock);
  return {R.Names.begin(), R.Names.end()};
}

} // namespace velastrin
