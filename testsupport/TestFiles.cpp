#include "testsupport/TestFiles.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace velastrin::test {

void WriteBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  Out.close();
  if (!Out)
    throw std::runtime_error("cannot write " + Path);
}

std::string ReadBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void PatchBytes(const std::string& Path, int64_t Offset, const std::string& Bytes) {
  std::fstream F(Path, std::ios::binary | std::ios::in | std::ios::out);
  F.seekp(Offset);
  F.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  F.close();
  if (!F)
    throw std::runtime_error("cannot patch " + Path);
}

} // namespace velastrin::test
