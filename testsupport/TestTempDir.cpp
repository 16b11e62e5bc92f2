#include "testsupport/TestTempDir.h"

#include "testsupport/TestFiles.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace velastrin::test {

TTempDir::TTempDir() {
  // mkdtemp picks a name nobody else has, also across test processes run in parallel.
  std::string Pattern = (std::filesystem::temp_directory_path() / "velastrin-XXXXXX").string();
  if (::mkdtemp(Pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary folder: " +
                             std::generic_category().message(errno));
  FPath = Pattern;
}

TTempDir::~TTempDir() {
  std::error_code Ignored;
  std::filesystem::remove_all(FPath, Ignored);
}

std::string TTempDir::File(const std::string& Name) const {
  return (FPath / Name).string();
}

std::string TTempDir::Write(const std::string& Name, const std::string& Content) const {
  const std::string Path = File(Name);
  WriteBytes(Path, Content);
  return Path;
}

} // namespace velastrin::test
