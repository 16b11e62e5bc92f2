// The file object's writing side: creating a file, completing its header, appending and
// overwriting records, the header rewrite on close, and values refused before writing.
#include "edf/uEDF.h"

#include "EDFFileTestSupport.h"
#include "EDFHeaderTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace velastrin {
namespace {

using test::DateSerial;
using test::PatternSample;

// Valid header values for a new file whose signals have the given samples per record.
void FillHeader(TEDFFile& File, const std::vector<int32_t>& Samples) {
  test::FillGeneral(*File.FileInfo(), "P-1 M 01-JAN-1970 Some_One", "Startdate 03-APR-2021 X X X",
                    DateSerial(2021, 4, 3), (9 * 3600.0 + 8 * 60 + 7) / 86400.0, 2.5L);
  for (int32_t s = 0; s < File.SignalCount(); ++s)
    test::FillSignal(*File.GetSignal(s), "Signal " + std::to_string(s), -250.5L, 250.5L, "None",
                     Samples[static_cast<std::size_t>(s)]);
}

void FillRecord(TEDFFile& File, int64_t Record) {
  TDynSmallIntArray Buffer = File.GetDataBuffer();
  for (int32_t s = 0; s < File.SignalCount(); ++s) {
    const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
    if (Signal.BufferOffset() >= 0)
      for (int64_t k = 0; k < Signal.NrSamples(); ++k)
        Buffer[static_cast<std::size_t>(Signal.BufferOffset() + k)] = PatternSample(Record, s, k);
  }
}

int16_t SampleAt(const std::string& Bytes, int64_t Offset) {
  return static_cast<int16_t>(static_cast<uint8_t>(Bytes[static_cast<std::size_t>(Offset)]) |
                              static_cast<uint8_t>(Bytes[static_cast<std::size_t>(Offset + 1)])
                                  << 8);
}

std::string MessageOfReadData(TEDFFile& File, int64_t Index) {
  try {
    File.WriteRecord(Index);
  } catch (const EDataFileReadData& Error) {
    return Error.what();
  }
  return "<nothing raised>";
}

std::string MessageOfExists(TEDFFile& File) {
  try {
    File.CreateNew(1, false);
  } catch (const EDataFileExists& Error) {
    return Error.what();
  }
  return "<nothing raised>";
}

class EdfFileWriteTest : public ::testing::Test {
protected:
  // A complete new file with the given samples per signal and Records appended records.
  std::string MakeFile(const std::vector<int32_t>& Samples, int64_t Records,
                       const std::string& Name = "new.edf") {
    const std::string Path = Dir.File(Name);
    TEDFFile File;
    File.SetFileName(Path);
    File.CreateNew(static_cast<int32_t>(Samples.size()), true);
    FillHeader(File, Samples);
    File.WriteHeader();
    EXPECT_TRUE(File.Active());
    for (int64_t r = 0; r < Records; ++r) {
      FillRecord(File, r);
      File.WriteRecord(File.FileInfo()->NrDataRecords());
    }
    File.Close();
    return Path;
  }

  test::TTempDir Dir;
};

TEST_F(EdfFileWriteTest, CreateAppendCloseAndReopen) {
  const std::string Path = Dir.File("round.edf");
  TEDFFile File;
  File.SetFileName(Path);
  File.CreateNew(2, true);
  EXPECT_TRUE(File.Creating());
  EXPECT_FALSE(File.Active());
  EXPECT_EQ(File.FileInfo()->Version(), "0");
  EXPECT_EQ(File.FileInfo()->HeaderBytes(), 768);
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), -1);
  EXPECT_FALSE(File.IsValid()); // header not filled in yet
  FillHeader(File, {3, 5});
  EXPECT_TRUE(File.IsValid());

  File.WriteHeader();
  EXPECT_FALSE(File.Creating());
  EXPECT_TRUE(File.Active());
  EXPECT_TRUE(File.Valid());
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), 0);
  EXPECT_EQ(File.RecordSamples(), 8);
  EXPECT_TRUE(File.IsHeaderModified()); // -1 became 0
  EXPECT_EQ(test::ReadBytes(Path).substr(236, 8), "-1      ");

  FillRecord(File, 0);
  File.WriteRecord(0);
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), 1);
  EXPECT_EQ(File.BufferedRecord(), 0);
  EXPECT_TRUE(File.FileInfo()->DataExists());
  EXPECT_TRUE(File.GetSignal(1)->DataExists());
  EXPECT_THROW(File.FileInfo()->SetNrSignals(3), EDataFileDataExists);
  EXPECT_EQ(MessageOfReadData(File, 2), "Error reading file data");
  EXPECT_TRUE(File.IsValid()); // no stated count to compare: created here
  File.Close();
  EXPECT_FALSE(File.Active());

  const std::string Bytes = test::ReadBytes(Path);
  ASSERT_EQ(Bytes.size(), 768u + 16u);
  EXPECT_EQ(Bytes.substr(236, 8), "1       ");

  TEDFFile Reader;
  Reader.SetFileName(Path);
  Reader.SetReadOnly(true);
  Reader.Open();
  EXPECT_TRUE(Reader.IsValid());
  EXPECT_EQ(Reader.Status(), 0);
  EXPECT_EQ(Reader.FileInfo()->NrDataRecords(), 1);
  EXPECT_EQ(Reader.FileInfo()->StartDate(), DateSerial(2021, 4, 3));
  EXPECT_NEAR(Reader.FileInfo()->StartTime(), (9 * 3600.0 + 8 * 60 + 7) / 86400.0, 1e-9);
  EXPECT_EQ(Reader.GetSignal(1)->SignalLabel(), "Signal 1");
  EXPECT_DOUBLE_EQ(static_cast<double>(Reader.GetSignal(1)->Physimin()), -250.5);
  Reader.ReadRecord(0);
  const TDynSmallIntArray Buffer = Reader.GetDataBuffer();
  for (int64_t k = 0; k < 5; ++k)
    EXPECT_EQ(Buffer[static_cast<std::size_t>(3 + k)], PatternSample(0, 1, k));
}

TEST_F(EdfFileWriteTest, WriteRecordBeyondTheEndIsRefused) {
  const std::string Path = MakeFile({2}, 1);
  TEDFFile File;
  File.SetFileName(Path);
  File.Open();
  ASSERT_EQ(File.FileInfo()->NrDataRecords(), 1);
  EXPECT_EQ(MessageOfReadData(File, 2), "Error reading file data");
  EXPECT_THROW(File.WriteRecord(-1), EDataFileReadData);
  File.Close();
  EXPECT_EQ(test::ReadBytes(Path).size(), 512u + 4u);
}

TEST_F(EdfFileWriteTest, AppendedRecordHoldsZerosForUnbufferedSignals) {
  const std::string Path = MakeFile({2, 3, 4}, 0);
  TEDFFile File;
  File.SetFileName(Path);
  File.Open();
  ASSERT_TRUE(File.IsValid());
  File.GetSignal(1)->SetReadData(false);
  FillRecord(File, 0);
  File.WriteRecord(0);
  File.Close();

  const std::string Bytes = test::ReadBytes(Path);
  ASSERT_EQ(Bytes.size(), 1024u + 18u);
  for (int64_t k = 0; k < 2; ++k)
    EXPECT_EQ(SampleAt(Bytes, 1024 + 2 * k), PatternSample(0, 0, k));
  for (int64_t k = 0; k < 3; ++k)
    EXPECT_EQ(SampleAt(Bytes, 1024 + 4 + 2 * k), 0);
  for (int64_t k = 0; k < 4; ++k)
    EXPECT_EQ(SampleAt(Bytes, 1024 + 10 + 2 * k), PatternSample(0, 2, k));
  EXPECT_EQ(Bytes.substr(236, 8), "1       ");
}

TEST_F(EdfFileWriteTest, OverwriteChangesOnlyBufferedSignals) {
  const std::string Path = MakeFile({2, 3}, 3);
  TEDFFile File;
  File.SetFileName(Path);
  File.Open();
  File.GetSignal(0)->SetReadData(false);
  TDynSmallIntArray Buffer = File.GetDataBuffer();
  ASSERT_EQ(Buffer.size(), 3u);
  Buffer[0] = -1;
  Buffer[1] = 32767;
  Buffer[2] = -32768;
  File.WriteRecord(1);
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), 3);
  EXPECT_FALSE(File.IsModified()); // an overwrite leaves the count alone
  File.Close();

  const std::string Bytes = test::ReadBytes(Path);
  ASSERT_EQ(Bytes.size(), 768u + 3u * 10u);
  const int64_t Record1 = 768 + 10;
  EXPECT_EQ(SampleAt(Bytes, Record1), PatternSample(1, 0, 0));
  EXPECT_EQ(SampleAt(Bytes, Record1 + 2), PatternSample(1, 0, 1));
  EXPECT_EQ(SampleAt(Bytes, Record1 + 4), -1);
  EXPECT_EQ(SampleAt(Bytes, Record1 + 6), 32767);
  EXPECT_EQ(SampleAt(Bytes, Record1 + 8), -32768);
  EXPECT_EQ(SampleAt(Bytes, 768 + 4), PatternSample(0, 1, 0)); // record 0 untouched
}

TEST_F(EdfFileWriteTest, WrittenHeaderHasTheFieldTextsLeftAlignedAndPadded) {
  const std::string Path = MakeFile({3, 5}, 2);
  const std::string Bytes = test::ReadBytes(Path);
  struct TExpect {
    std::size_t Offset;
    std::string Text;
  };
  const std::vector<TExpect> Expected = {
      {0, test::Pad("0", 8)},
      {8, test::Pad("P-1 M 01-JAN-1970 Some_One", 80)},
      {88, test::Pad("Startdate 03-APR-2021 X X X", 80)},
      {168, "03.04.21"},
      {176, "09.08.07"},
      {184, test::Pad("768", 8)},
      {192, std::string(44, ' ')},
      {236, test::Pad("2", 8)},
      {244, test::Pad("2.5", 8)},
      {252, test::Pad("2", 4)},
      // Signal block, field by field: labels, then transducers, ...
      {256, test::Pad("Signal 0", 16)},
      {272, test::Pad("Signal 1", 16)},
      {288, test::Pad("Electrode", 80)},
      {448, test::Pad("uV", 8)},
      {464, test::Pad("-250.5", 8)},
      {472, test::Pad("-250.5", 8)},
      {480, test::Pad("250.5", 8)},
      {496, test::Pad("-32768", 8)},
      {512, test::Pad("32767", 8)},
      {528, test::Pad("None", 80)},
      {688, test::Pad("3", 8)},
      {696, test::Pad("5", 8)},
      {704, std::string(64, ' ')},
  };
  ASSERT_EQ(Bytes.size(), 768u + 2u * 16u);
  for (const auto& E : Expected)
    EXPECT_EQ(Bytes.substr(E.Offset, E.Text.size()), E.Text) << "at offset " << E.Offset;
}

TEST_F(EdfFileWriteTest, LongTextIsCutAndInvalidFieldIsBlank) {
  const std::string Path = Dir.File("texts.edf");
  TEDFFile File;
  File.SetFileName(Path);
  File.CreateNew(1, false);
  FillHeader(File, {1});
  File.FileInfo()->SetPatient(std::string(90, 'p'));
  File.FileInfo()->SetRecording(" leading blank"); // not valid under Strict
  File.GetSignal(0)->SetSignalLabel(std::string(20, 'L'));
  File.WriteHeader();
  EXPECT_TRUE(File.Creating()); // the recording field keeps the header incomplete
  File.Close();
  EXPECT_FALSE(File.Creating());

  const std::string Bytes = test::ReadBytes(Path);
  ASSERT_EQ(Bytes.size(), 512u);
  EXPECT_EQ(Bytes.substr(8, 80), std::string(80, 'p'));
  EXPECT_EQ(Bytes.substr(88, 80), std::string(80, ' '));
  EXPECT_EQ(Bytes.substr(256, 16), std::string(16, 'L'));
  EXPECT_EQ(Bytes.substr(236, 8), test::Pad("-1", 8));
}

// The file fuzz target's finding: a 2-signal header whose size field says 768 and whose signal 2
// Physimax is "3276.E7", written back with every field modified, keeps that limit.
TEST_F(EdfFileWriteTest, WriteBackKeepsALimitTheGeneralFormatWouldRound) {
  test::TTestEDF Edf;
  Edf.HeaderBytes = "768";
  Edf.Signals[1].PhysMax = "3276.E7";
  const std::string Path = Dir.File("writeback.edf");
  test::WriteBytes(Path, Edf.Bytes());
  for (const bool WriteBack : {true, false}) {
    TEDFFile File;
    File.SetFileName(Path);
    File.SetStrict(false);
    File.SetReadOnly(!WriteBack);
    File.Open();
    ASSERT_TRUE(File.Valid());
    EXPECT_EQ(File.GetSignal(1)->Physimax(), 3.276e10L);
    File.FileInfo()->SetModified(WriteBack);
    for (int32_t s = 0; s < File.SignalCount(); ++s)
      File.GetSignal(s)->SetModified(WriteBack);
    File.Close();
  }
  EXPECT_EQ(test::ReadBytes(Path).substr(256 + 2 * (16 + 80 + 8 + 8) + 8, 8),
            test::Pad("3.276E10", 8));
}

struct TRefusedRow {
  const char* Name;
  std::function<void(TEDFFile&)> Change;
};

void PrintTo(const TRefusedRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class EdfFileRefusedValue : public EdfFileWriteTest,
                            public ::testing::WithParamInterface<TRefusedRow> {};

TEST_P(EdfFileRefusedValue, IsRefusedBeforeAnythingIsWritten) {
  const std::string Path = Dir.File("refused.edf");
  TEDFFile File;
  File.SetFileName(Path);
  File.CreateNew(2, false);
  FillHeader(File, {3, 5});
  GetParam().Change(File);
  EXPECT_THROW(File.WriteHeader(), EConvertError);
  EXPECT_TRUE(File.Creating());
  EXPECT_EQ(test::ReadBytes(Path), ""); // not even the general header
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EdfFileRefusedValue,
    ::testing::Values(
        TRefusedRow{"NrSamplesOfNineDigits",
                    [](TEDFFile& F) { F.GetSignal(1)->SetNrSamples(123456789); }},
        TRefusedRow{"NrDataRecordsOfNineDigits",
                    [](TEDFFile& F) { F.FileInfo()->SetNrDataRecords(123456789); }},
        TRefusedRow{"StartYearBefore1985",
                    [](TEDFFile& F) { F.FileInfo()->SetStartDate(DateSerial(1970, 1, 1)); }},
        TRefusedRow{"StartYearAfter2084",
                    [](TEDFFile& F) { F.FileInfo()->SetStartDate(DateSerial(2085, 1, 1)); }}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EdfFileWriteTest, CreateNewGuards) {
  const std::string Path = MakeFile({1}, 1, "existing.edf");
  const std::string Before = test::ReadBytes(Path);
  TEDFFile File;
  File.SetFileName(Path);
  EXPECT_EQ(MessageOfExists(File), "Data file already exists");
  EXPECT_EQ(test::ReadBytes(Path), Before);
  EXPECT_FALSE(File.Creating());

  try {
    File.CreateNew(0, true);
    ADD_FAILURE() << "no assertion";
  } catch (const EAssertionFailed& Error) {
    EXPECT_EQ(std::string(Error.what()).rfind("Number of signals should be > 0 (", 0), 0u)
        << Error.what();
  }
  File.SetFileName("  ");
  try {
    File.CreateNew(1, true);
    ADD_FAILURE() << "no error";
  } catch (const EDataFile& Error) {
    EXPECT_STREQ(Error.what(), "No filename");
  }

  TEDFFile Open;
  Open.SetFileName(Path);
  Open.SetReadOnly(true);
  Open.Open();
  EXPECT_THROW(Open.CreateNew(1, true), EDataFileIsOpen);
}

TEST_F(EdfFileWriteTest, OverwriteReplacesAnExistingFile) {
  const std::string Path = MakeFile({1}, 4, "replace.edf");
  TEDFFile File;
  File.SetFileName(Path);
  File.CreateNew(1, true);
  EXPECT_EQ(test::ReadBytes(Path), "");
  EXPECT_THROW(File.SetReadOnly(true), EDataFileIsCreating);
  EXPECT_THROW(File.SetFileName("x"), EDataFileIsOpen);
}

TEST_F(EdfFileWriteTest, WriteRecordGuards) {
  TEDFFile Closed;
  EXPECT_THROW(Closed.WriteRecord(0), EDataFileHeaderInvalid);

  const std::string Path = MakeFile({2}, 1);
  TEDFFile ReadOnly;
  ReadOnly.SetFileName(Path);
  ReadOnly.SetReadOnly(true);
  ReadOnly.Open();
  try {
    ReadOnly.WriteRecord(0);
    ADD_FAILURE() << "no error";
  } catch (const EDataFileReadOnly& Error) {
    EXPECT_STREQ(Error.what(), "File is opened read-only");
  }
}

TEST_F(EdfFileWriteTest, CreateInMissingFolderFailsWithTheSystemReason) {
  const std::string Path = Dir.File("no-such-folder/new.edf");
  TEDFFile File;
  File.SetFileName(Path);
  try {
    File.CreateNew(1, false);
    ADD_FAILURE() << "no error";
  } catch (const EFCreateError& Error) {
    EXPECT_EQ(std::string(Error.what()),
              "Cannot create file \"" + Path + "\". No such file or directory");
  }
  EXPECT_FALSE(File.Creating());
  File.SetFileName(Dir.File("fine.edf")); // not stuck in the creating state
  File.CreateNew(1, false);
  EXPECT_TRUE(File.Creating());
}

TEST_F(EdfFileWriteTest, FileBeingCreatedIsLockedAgainstReaders) {
  const std::string Path = Dir.File("locked.edf");
  TEDFFile Writer;
  Writer.SetFileName(Path);
  Writer.CreateNew(1, false);
  TEDFFile Reader;
  Reader.SetFileName(Path);
  Reader.SetReadOnly(true);
  EXPECT_THROW(Reader.Open(), EFOpenError);
}

TEST_F(EdfFileWriteTest, SettingsChangedWhileCreatingKeepTheValues) {
  const std::string Path = Dir.File("settings.edf");
  TEDFFile File;
  File.SetFileName(Path);
  File.CreateNew(1, false);
  FillHeader(File, {2});
  File.SetStrict(false);
  File.SetDecimalSeparator(',');
  EXPECT_EQ(File.FileInfo()->Patient(), "P-1 M 01-JAN-1970 Some_One");
  EXPECT_EQ(File.GetSignal(0)->NrSamples(), 2);
  EXPECT_TRUE(File.IsValid());
  File.WriteHeader();
  EXPECT_TRUE(File.Active());
  File.Close();
  const std::string Bytes = test::ReadBytes(Path);
  EXPECT_EQ(Bytes.substr(244, 8), test::Pad("2,5", 8)); // written with the chosen separator
  EXPECT_EQ(Bytes.substr(256 + 104, 8), test::Pad("-250,5", 8));
}

TEST_F(EdfFileWriteTest, HeaderNumbersIgnoreTheUsersDecimalMark) {
  // The user's settings (and the C library's locale, where one with a comma exists) say ",":
  // EDF header numbers are still written and read with ".".
  TSettingOverride<char> Decimal(&TFormatSettings::DecimalSeparator, ',');
  TSettingOverride<char> Thousands(&TFormatSettings::ThousandSeparator, '.');
  const char* Previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string Saved = Previous ? Previous : "C";
  for (const char* Name : {"de_DE.UTF-8", "de_DE.utf8", "nl_NL.UTF-8", "fr_FR.UTF-8"})
    if (std::setlocale(LC_NUMERIC, Name))
      break;
  const std::string Path = MakeFile({3, 5}, 1, "locale.edf");
  TEDFFile Reader;
  Reader.SetFileName(Path);
  Reader.SetReadOnly(true);
  Reader.Open();
  const bool Valid = Reader.IsValid();
  std::setlocale(LC_NUMERIC, Saved.c_str());

  const std::string Bytes = test::ReadBytes(Path);
  EXPECT_EQ(Bytes.substr(244, 8), test::Pad("2.5", 8));
  EXPECT_EQ(Bytes.substr(464, 8), test::Pad("-250.5", 8));
  EXPECT_TRUE(Valid);
  EXPECT_DOUBLE_EQ(static_cast<double>(Reader.FileInfo()->SampleRecDuration()), 2.5);
  EXPECT_DOUBLE_EQ(static_cast<double>(Reader.GetSignal(1)->Physimax()), 250.5);
}

TEST_F(EdfFileWriteTest, FileBeingCreatedIsReleasedOnDestruction) {
  const std::string Path = Dir.File("abandoned.edf");
  {
    TEDFFile File;
    File.SetFileName(Path);
    File.CreateNew(1, false);
  }
  TEDFFile Next; // the exclusive lock is gone
  Next.SetFileName(Path);
  Next.Open();
  EXPECT_TRUE(Next.Active());
  EXPECT_FALSE(Next.Valid());
}

TEST_F(EdfFileWriteTest, DestructionRewritesTheRecordCount) {
  const std::string Path = Dir.File("destroyed.edf");
  {
    TEDFFile File;
    File.SetFileName(Path);
    File.CreateNew(1, false);
    FillHeader(File, {2});
    File.WriteHeader();
    for (int r = 0; r < 3; ++r) {
      FillRecord(File, r);
      File.WriteRecord(r);
    }
  }
  EXPECT_EQ(test::ReadBytes(Path).substr(236, 8), test::Pad("3", 8));
}

} // namespace
} // namespace velastrin
