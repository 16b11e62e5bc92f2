// Files beyond 2 GiB: a sparse file whose records lie past the 32-bit positions is counted,
// read and appended to in full.
#include "edf/uEDF.h"

#include "EDFFileTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velastrin {
namespace {

using test::PatternSample;

constexpr int64_t Samples = 30000; // 60000 bytes per record
constexpr int64_t Records = 40000; // about 2.4 GB of records
constexpr int64_t HeaderSize = 512;
constexpr int64_t RecordBytes = 2 * Samples;

void WriteRecordAt(const std::string& Path, int64_t Record) {
  std::string Bytes;
  for (int64_t k = 0; k < Samples; ++k) {
    const auto V = static_cast<uint16_t>(PatternSample(Record, 0, k));
    Bytes += static_cast<char>(V & 0xFF);
    Bytes += static_cast<char>(V >> 8);
  }
  test::PatchBytes(Path, HeaderSize + Record * RecordBytes, Bytes);
}

void ExpectRecord(TEDFFile& File, int64_t Record, bool Zeros) {
  File.ReadRecord(Record);
  const TDynSmallIntArray Buffer = File.GetDataBuffer();
  ASSERT_EQ(Buffer.size(), static_cast<std::size_t>(Samples));
  for (int64_t k = 0; k < Samples; ++k)
    ASSERT_EQ(Buffer[static_cast<std::size_t>(k)], Zeros ? 0 : PatternSample(Record, 0, k))
        << "record " << Record << " sample " << k;
}

TEST(EdfBigFile, RecordsBeyondTwoGibAreCountedReadAndAppended) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("big.edf");
  test::TTestEDF Edf;
  Edf.Signals.resize(1);
  Edf.Signals[0].NrSamples = std::to_string(Samples);
  Edf.NrDataRecords = "-1";
  Edf.Records = 1;
  test::WriteBytes(Path, Edf.Bytes());
  const int64_t Size = HeaderSize + Records * RecordBytes;
  ASSERT_GT(Size, int64_t{1} << 31);
  ASSERT_EQ(::truncate(Path.c_str(), Size), 0); // sparse: the gap takes no disk space
  WriteRecordAt(Path, Records - 1);
  WriteRecordAt(Path, 35791); // straddles 2^31 bytes
  WriteRecordAt(Path, 35792); // the first record starting beyond it

  {
    TEDFFile File;
    File.SetFileName(Path);
    File.SetReadOnly(true);
    File.Open();
    ASSERT_TRUE(File.IsValid());
    EXPECT_EQ(File.Status(), esRecordCountUnknown);
    EXPECT_EQ(File.FileInfo()->NrDataRecords(), Records);
    ExpectRecord(File, Records - 1, false);
    ExpectRecord(File, 35791, false);
    ExpectRecord(File, 35792, false);
    ExpectRecord(File, Records / 2, true);
    ExpectRecord(File, 0, false);
    EXPECT_THROW(File.ReadRecord(Records), EDataFileReadData);
  }
  {
    TEDFFile File;
    File.SetFileName(Path);
    File.Open();
    TDynSmallIntArray Buffer = File.GetDataBuffer();
    for (int64_t k = 0; k < Samples; ++k)
      Buffer[static_cast<std::size_t>(k)] = PatternSample(Records, 0, k);
    File.WriteRecord(Records);
    File.Close();
  }
  struct stat Info {};
  ASSERT_EQ(::stat(Path.c_str(), &Info), 0);
  EXPECT_EQ(Info.st_size, Size + RecordBytes);

  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.Open();
  ASSERT_TRUE(File.IsValid());
  EXPECT_EQ(File.Status(), 0); // the rewritten header states the count
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), Records + 1);
  ExpectRecord(File, Records, false);
}

} // namespace
} // namespace velastrin
