// A fresh folder for one test, removed with everything in it when the test is done.
#pragma once

#include <filesystem>
#include <string>

namespace velastrin::test {

class TTempDir {
public:
  // A new, empty folder under the system's temporary folder; std::runtime_error when none
  // can be made.
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // The path of Name inside the folder (nothing is created).
  std::string File(const std::string& Name) const;
  // Writes Content to Name inside the folder and returns its path.
  std::string Write(const std::string& Name, const std::string& Content) const;

private:
  std::filesystem::path FPath;
};

} // namespace velastrin::test
