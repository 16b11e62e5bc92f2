// The file stream's reads in file order: whether served by the system one by one or from a
// read-ahead, every read gives the file's bytes at that position, and writes are seen.
#include "edf/uEDFFile.h"
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace velastrin {
namespace {

using TMode = TEDFFileStream::TMode;

std::string Pattern(std::size_t Size) {
  std::string Bytes(Size, '\0');
  for (std::size_t i = 0; i < Size; ++i)
    Bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
  return Bytes;
}

struct TScanRow {
  const char* Name;
  int64_t First;  // position of the first read
  int64_t Count;  // bytes per read
  int64_t Stride; // from one read's position to the next
};

// Scans past the end of a file of 3 read-aheads: each read as the bytes at its position,
// fewer only past the end.
TEST(FileStream, ReadsInFileOrderGiveTheFileBytesWhateverTheirSpacing) {
  const std::vector<TScanRow> Rows = {
      {"adjacent records", 0, 4000, 4000},
      {"small gaps", 100, 1000, 1000 + TEDFFileStream::ReadAheadMaxGap},
      {"gaps too wide", 0, 1024, 20480},
      {"overlapping", 10, 3000, 2000},
      {"reads of half a read-ahead", 7, TEDFFileStream::ReadAheadBytes / 2, 1 << 19},
      {"reads above half a read-ahead", 0, TEDFFileStream::ReadAheadBytes / 2 + 1, 1 << 19},
      {"one byte each", 1 << 20, 1, 1},
  };
  test::TTempDir Dir;
  const std::string Bytes = Pattern(3 * TEDFFileStream::ReadAheadBytes + 777);
  const std::string Name = Dir.Write("data", Bytes);
  const auto Size = static_cast<int64_t>(Bytes.size());
  for (const TScanRow& Row : Rows) {
    const TEDFFileStream Stream(Name, TMode::ReadShared);
    std::string Got;
    for (int64_t Position = Row.First, Reads = 0; Position < Size + Row.Stride && Reads < 20000;
         Position += Row.Stride, ++Reads) {
      Got.assign(static_cast<std::size_t>(Row.Count), '?');
      const std::size_t N = Stream.ReadAt(Got.data(), Got.size(), Position);
      const int64_t Expected = std::clamp<int64_t>(Size - Position, 0, Row.Count);
      ASSERT_EQ(static_cast<int64_t>(N), Expected) << Row.Name << " at " << Position;
      ASSERT_EQ(Got.substr(0, N),
                Bytes.substr(static_cast<std::size_t>(std::min(Position, Size)), N))
          << Row.Name << " at " << Position;
    }
  }
}

TEST(FileStream, WrittenBytesAreReadBackAfterAReadAhead) {
  test::TTempDir Dir;
  const std::string Name = Dir.Write("data", Pattern(1 << 16));
  TEDFFileStream Stream(Name, TMode::ReadWriteExclusive);
  char Byte = 0;
  for (int64_t Position = 0; Position < 10; ++Position) // enough reads in a row to read ahead
    Stream.ReadAt(&Byte, 1, Position);
  Stream.WriteAt("XY", 2, 20);
  std::string Got(4, '?');
  ASSERT_EQ(Stream.ReadAt(Got.data(), 4, 19), 4u);
  EXPECT_EQ(Got, Pattern(1 << 16).replace(20, 2, "XY").substr(19, 4));
  EXPECT_EQ(test::ReadBytes(Name), Pattern(1 << 16).replace(20, 2, "XY"));
}

} // namespace
} // namespace velastrin
