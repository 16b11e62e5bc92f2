// The file stream's reads in file order: served by the system one by one or from a read-ahead,
// every read gives the file's bytes at its position, also after a write.
#include "edf/uEDFFile.h"
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace velastrin {
namespace {

constexpr int64_t Ahead = TEDFFileStream::ReadAheadBytes;

// Scans of a file of 3 read-aheads and a bit, past its end. Rows: first position, bytes per
// read, distance from one read's position to the next.
TEST(FileStream, ReadsInFileOrderGiveTheFileBytesWhateverTheirSpacing) {
  const int64_t Gap = TEDFFileStream::ReadAheadMaxGap;
  const std::vector<std::array<int64_t, 3>> Rows = {
      {0, 4000, 4000},           {100, 1000, 1000 + Gap},       {0, 1024, 20480}, {10, 3000, 2000},
      {7, Ahead / 2, Ahead / 2}, {0, Ahead / 2 + 1, Ahead / 2}, {Ahead, 1, 1}};
  test::TTempDir Dir;
  std::string Bytes(3 * Ahead + 777, '\0');
  for (std::size_t i = 0; i < Bytes.size(); ++i)
    Bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  const std::string Name = Dir.Write("data", Bytes);
  const auto Size = static_cast<int64_t>(Bytes.size());
  for (const auto& [First, Count, Stride] : Rows) {
    const TEDFFileStream Stream(Name, TEDFFileStream::TMode::ReadShared);
    std::string Got;
    for (int64_t At = First, Reads = 0; At < Size + Stride && Reads < 20000;
         At += Stride, ++Reads) {
      Got.assign(static_cast<std::size_t>(Count), '?');
      const std::size_t N = Stream.ReadAt(Got.data(), Got.size(), At);
      ASSERT_EQ(static_cast<int64_t>(N), std::clamp<int64_t>(Size - At, 0, Count)) << At;
      ASSERT_EQ(Got.substr(0, N), Bytes.substr(static_cast<std::size_t>(std::min(At, Size)), N))
          << "rows from " << First << " by " << Stride << ", at " << At;
    }
  }
}

TEST(FileStream, WrittenBytesAreReadBackAfterAReadAhead) {
  test::TTempDir Dir;
  const std::string Name = Dir.Write("data", std::string(1 << 16, 'a'));
  TEDFFileStream Stream(Name, TEDFFileStream::TMode::ReadWriteExclusive);
  std::string Got(4, '?');
  for (int64_t At = 0; At < 10; ++At) // enough reads in a row to read ahead
    Stream.ReadAt(Got.data(), 1, At);
  Stream.WriteAt("XY", 2, 20);
  ASSERT_EQ(Stream.ReadAt(Got.data(), 4, 19), 4u);
  EXPECT_EQ(Got, "aXYa");
}

} // namespace
} // namespace velastrin
