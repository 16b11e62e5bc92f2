#include "cli/Inputs.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unordered_set>

namespace velastrin::cli {

namespace fs = std::filesystem;

namespace {

// ".edf" or ".bdf" in any letter case.
bool HasRecordingExtension(const std::string& Name) {
  if (Name.size() < 4)
    return false;
  std::string Ext = Name.substr(Name.size() - 4);
  std::transform(Ext.begin(), Ext.end(), Ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return Ext == ".edf" || Ext == ".bdf";
}

struct TIdentityHash {
  std::size_t operator()(const TFileIdentity& Id) const {
    return std::hash<uint64_t>()(static_cast<uint64_t>(Id.Inode) * 1000003u ^
                                 static_cast<uint64_t>(Id.Device));
  }
};

class TCollector {
public:
  explicit TCollector(TInputList& List) : FList(List) {}

  // Adds a regular file; false when it was reached before.
  void Add(const std::string& Path, const struct stat& Info) {
    const TFileIdentity Id{Info.st_dev, Info.st_ino};
    if (!FSeen.insert(Id).second)
      return;
    FList.Inputs.push_back({Path, static_cast<uint64_t>(Info.st_size), Id, {}});
  }
  void Problem(const std::string& Path, const std::string& Reason) {
    FList.Problems.push_back({Path, Reason, FList.Inputs.size() + FList.Problems.size()});
  }

private:
  TInputList& FList;
  std::unordered_set<TFileIdentity, TIdentityHash> FSeen;
};

void SearchFolder(const std::string& Folder, TCollector& Collector) {
  std::vector<std::pair<std::string, struct stat>> Found;
  std::error_code Error;
  fs::recursive_directory_iterator It(Folder, fs::directory_options::skip_permission_denied, Error);
  for (; !Error && It != fs::recursive_directory_iterator(); It.increment(Error)) {
    const std::string Name = It->path().filename().string();
    if (!HasRecordingExtension(Name))
      continue;
    struct stat Info {};
    const std::string Path = It->path().string();
    if (::stat(Path.c_str(), &Info) == 0 && S_ISREG(Info.st_mode))
      Found.emplace_back(Path, Info);
  }
  if (Error) {
    Collector.Problem(Folder, Error.message());
    return;
  }
  if (Found.empty()) {
    Collector.Problem(Folder, "no EDF files found (names ending in .edf or .bdf)");
    return;
  }
  std::sort(Found.begin(), Found.end(),
            [](const auto& A, const auto& B) { return A.first < B.first; });
  for (const auto& [Path, Info] : Found)
    Collector.Add(Path, Info);
}

} // namespace

TInputList FindInputs(const std::vector<std::string>& Paths) {
  TInputList List;
  TCollector Collector(List);
  for (const std::string& Path : Paths) {
    struct stat Info {};
    if (::stat(Path.c_str(), &Info) != 0)
      Collector.Problem(Path, std::strerror(errno));
    else if (S_ISDIR(Info.st_mode))
      SearchFolder(Path, Collector);
    else if (S_ISREG(Info.st_mode))
      Collector.Add(Path, Info);
    else
      Collector.Problem(Path, "not a regular file");
  }
  return List;
}

std::vector<TInput> InputEntries(const TInputList& List) {
  std::vector<TInput> Entries;
  auto Problem = List.Problems.begin();
  for (const TInput& Input : List.Inputs) {
    for (; Problem != List.Problems.end() && Problem->Position <= Entries.size(); ++Problem)
      Entries.push_back({Problem->Path, 0, {}, Problem->Reason});
    Entries.push_back(Input);
  }
  for (; Problem != List.Problems.end(); ++Problem)
    Entries.push_back({Problem->Path, 0, {}, Problem->Reason});
  return Entries;
}

TShard ParseShard(const std::string& Text) {
  TShard Shard;
  const std::size_t Slash = Text.find('/');
  const auto Whole = [](std::string_view Digits, std::size_t& Value) {
    const auto [End, Error] = std::from_chars(Digits.data(), Digits.data() + Digits.size(), Value);
    return !Digits.empty() && Error == std::errc() && End == Digits.data() + Digits.size();
  };
  const std::string_view All(Text);
  if (Slash == std::string::npos || !Whole(All.substr(0, Slash), Shard.Index) ||
      !Whole(All.substr(Slash + 1), Shard.Count) || Shard.Index < 1 || Shard.Index > Shard.Count)
    throw TUsageError("--shard \"" + Text +
                      "\": give K/N, whole numbers with 1 <= K <= N (the K-th of N slices of the "
                      "sorted input list)");
  return Shard;
}

std::vector<TInput> ShardOf(std::vector<TInput> Entries, const TShard& Shard) {
  std::stable_sort(Entries.begin(), Entries.end(),
                   [](const TInput& A, const TInput& B) { return A.Path < B.Path; });
  const std::size_t M = Entries.size();
  // K * M may pass 64 bits when N is huge.
  const auto Bound = [&](std::size_t K) {
    return static_cast<std::size_t>(static_cast<unsigned __int128>(K) * M / Shard.Count);
  };
  return {Entries.begin() + static_cast<std::ptrdiff_t>(Bound(Shard.Index - 1)),
          Entries.begin() + static_cast<std::ptrdiff_t>(Bound(Shard.Index))};
}

std::vector<std::string> ReadFileList(std::istream& List, bool NulSeparated) {
  std::vector<std::string> Paths;
  std::string Path;
  while (std::getline(List, Path, NulSeparated ? '\0' : '\n')) {
    // Lists written on Windows end their lines in CR LF; the CR is part of the line end.
    if (!NulSeparated && !Path.empty() && Path.back() == '\r')
      Path.pop_back();
    if (!Path.empty())
      Paths.push_back(Path);
  }
  if (List.bad())
    throw TUsageError("the file list cannot be read");
  return Paths;
}

std::string NormalName(const std::string& Path) {
  std::error_code Error;
  fs::path Absolute = fs::absolute(Path, Error);
  if (Error)
    Absolute = Path;
  return Absolute.lexically_normal().string();
}

} // namespace velastrin::cli
