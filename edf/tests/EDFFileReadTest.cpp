// The file object's reading side: opening, validity and Status bits, the lenient retry, the
// record count, the chunk layout, record reading and the guards on misuse.
#include "edf/uEDF.h"

#include "EDFFileTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velastrin {
namespace {

using test::PatternSample;
using test::TTestEDF;
using test::TTestSignal;

template <typename E> std::string MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const E& Error) {
    return Error.what();
  }
  return "<nothing raised>";
}

class EdfFileTest : public ::testing::Test {
protected:
  std::string Write(const TTestEDF& Edf, const std::string& Name = "rec.edf") {
    const std::string Path = Dir.File(Name);
    test::WriteBytes(Path, Edf.Bytes());
    return Path;
  }
  // Opened the way the program opens files for export.
  void OpenReadOnly(TEDFFile& File, const std::string& Path, bool Strict = true) {
    File.SetFileName(Path);
    File.SetReadOnly(true);
    File.SetStrict(Strict);
    File.SetActive(true);
  }
  // Every buffered sample of the record in the buffer agrees with the pattern.
  static void ExpectBufferedRecord(TEDFFile& File, int64_t Record) {
    const TDynSmallIntArray Buffer = File.GetDataBuffer();
    for (int32_t s = 0; s < File.SignalCount(); ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
      if (Signal.BufferOffset() < 0)
        continue;
      for (int64_t k = 0; k < Signal.NrSamples(); ++k)
        ASSERT_EQ(Buffer[static_cast<std::size_t>(Signal.BufferOffset() + k)],
                  PatternSample(Record, s, k))
            << "record " << Record << " signal " << s << " sample " << k;
    }
  }

  test::TTempDir Dir;
};

// ---- Valid files --------------------------------------------------------------------------

TEST_F(EdfFileTest, ValidFileOpensWithOneChunkOverTheWholeRecord) {
  TTestEDF Edf;
  Edf.Signals[0].NrSamples = "5";
  Edf.Signals[1].NrSamples = "3";
  Edf.Records = 4;
  TEDFFile File;
  OpenReadOnly(File, Write(Edf));

  EXPECT_TRUE(File.Active());
  EXPECT_TRUE(File.Valid());
  EXPECT_TRUE(File.IsValid());
  EXPECT_EQ(File.Status(), 0);
  EXPECT_EQ(File.SignalCount(), 2);
  EXPECT_EQ(File.RecordSamples(), 8);
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), 4);
  ASSERT_EQ(File.Chunks().size(), 1u);
  EXPECT_EQ(File.Chunks()[0]->RecordOffset(), 0);
  EXPECT_EQ(File.Chunks()[0]->BufferOffset(), 0);
  EXPECT_EQ(File.Chunks()[0]->Count(), 8);
  EXPECT_EQ(File.GetDataBuffer().size(), 8u);
  EXPECT_EQ(File.GetSignal(1)->RecordOffset(), 5);
  EXPECT_EQ(File.GetSignal(1)->BufferOffset(), 5);
  EXPECT_EQ(File.BufferedRecord(), -1);
  EXPECT_EQ(File.FileInfo()->Patient(), "P-4711 F 16-SEP-1987 Test_Name");
  EXPECT_FALSE(File.IsModified());
}

struct TLayoutRow {
  const char* Name;
  std::vector<std::string> Samples; // NrSamples per signal
  int64_t Records;
};

void PrintTo(const TLayoutRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class EdfFileRecords : public EdfFileTest, public ::testing::WithParamInterface<TLayoutRow> {};

TEST_P(EdfFileRecords, EverySampleOfEveryRecordReadsBack) {
  TTestEDF Edf;
  Edf.Signals.clear();
  for (const auto& N : GetParam().Samples) {
    TTestSignal S;
    S.NrSamples = N;
    Edf.Signals.push_back(S);
  }
  Edf.Records = GetParam().Records;
  TEDFFile File;
  OpenReadOnly(File, Write(Edf));
  ASSERT_TRUE(File.IsValid());
  ASSERT_EQ(File.FileInfo()->NrDataRecords(), Edf.Records);
  // Backwards too, so that no read depends on the one before it.
  for (int64_t r = Edf.Records - 1; r >= 0; --r) {
    File.ReadRecord(r);
    EXPECT_EQ(File.BufferedRecord(), r);
    ExpectBufferedRecord(File, r);
  }
}

INSTANTIATE_TEST_SUITE_P(Layouts, EdfFileRecords,
                         ::testing::Values(TLayoutRow{"OneSignalOneSample", {"1"}, 5},
                                           TLayoutRow{"ThreeUnequalSignals", {"7", "1", "3"}, 6},
                                           TLayoutRow{"ManySamples", {"1000", "250"}, 3},
                                           TLayoutRow{"OneRecord", {"2", "2"}, 1}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EdfFileTest, SwitchingOffTheMiddleSignalGivesTwoChunks) {
  TTestEDF Edf;
  Edf.Signals.resize(3);
  Edf.Signals[0].NrSamples = "4";
  Edf.Signals[1].NrSamples = "6";
  Edf.Signals[2].NrSamples = "2";
  TEDFFile File;
  OpenReadOnly(File, Write(Edf));
  File.ReadRecord(0);
  File.GetSignal(1)->SetReadData(false);

  EXPECT_EQ(File.BufferedRecord(), -1);
  ASSERT_EQ(File.Chunks().size(), 2u);
  EXPECT_EQ(File.Chunks()[0]->RecordOffset(), 0);
  EXPECT_EQ(File.Chunks()[0]->Count(), 4);
  EXPECT_EQ(File.Chunks()[1]->RecordOffset(), 10);
  EXPECT_EQ(File.Chunks()[1]->BufferOffset(), 4);
  EXPECT_EQ(File.Chunks()[1]->Count(), 2);
  EXPECT_EQ(File.GetSignal(0)->BufferOffset(), 0);
  EXPECT_EQ(File.GetSignal(1)->BufferOffset(), -1);
  EXPECT_EQ(File.GetSignal(2)->BufferOffset(), 4);
  EXPECT_EQ(File.GetSignal(2)->RecordOffset(), 10);
  EXPECT_EQ(File.GetDataBuffer().size(), 6u);
  for (int64_t r : {2, 0, 1}) {
    File.ReadRecord(r);
    ExpectBufferedRecord(File, r);
  }
}

TEST_F(EdfFileTest, ExportingOneSignalBuffersOnlyThatSignal) {
  TTestEDF Edf;
  Edf.Signals.resize(4);
  Edf.Signals[2].NrSamples = "9";
  TEDFFile File;
  OpenReadOnly(File, Write(Edf));
  for (int32_t s = 0; s < 4; ++s)
    if (s != 2)
      File.GetSignal(s)->SetReadData(false);
  ASSERT_EQ(File.Chunks().size(), 1u);
  EXPECT_EQ(File.Chunks()[0]->RecordOffset(), 8);
  EXPECT_EQ(File.GetSignal(2)->BufferOffset(), 0);
  const TDynSmallIntArray Buffer = File.GetDataBuffer();
  ASSERT_EQ(Buffer.size(), 9u);
  for (int64_t r = 0; r < Edf.Records; ++r) {
    File.ReadRecord(r);
    // The caller's handle shares the storage and sees every later read.
    for (int64_t k = 0; k < 9; ++k)
      ASSERT_EQ(Buffer[static_cast<std::size_t>(k)], PatternSample(r, 2, k));
  }
}

TEST_F(EdfFileTest, NoSignalBufferedMakesTheBufferUnavailable) {
  TEDFFile File;
  OpenReadOnly(File, Write(TTestEDF{}));
  File.GetSignal(0)->SetReadData(false);
  File.GetSignal(1)->SetReadData(false);
  EXPECT_TRUE(File.Chunks().empty());
  EXPECT_EQ(MessageOf<EDataFileBufferAllocation>([&] { File.GetDataBuffer(); }),
            "Unable to allocate data buffer");
  EXPECT_THROW(File.IsValid(), EDataFileBufferAllocation);
}

// ---- Record access guards -----------------------------------------------------------------

TEST_F(EdfFileTest, RecordIndexOutsideTheFileIsRefused) {
  TEDFFile File;
  OpenReadOnly(File, Write(TTestEDF{}));
  const int64_t Count = File.FileInfo()->NrDataRecords();
  ASSERT_EQ(Count, 3);
  EXPECT_EQ(MessageOf<EDataFileReadData>([&] { File.ReadRecord(Count); }),
            "Error reading file data");
  File.ReadRecord(-1); // nothing buffered: -1 is the buffered index
  EXPECT_EQ(File.BufferedRecord(), -1);
  File.ReadRecord(1);
  EXPECT_THROW(File.ReadRecord(-1), EDataFileReadData);
  EXPECT_THROW(File.ReadRecord(INT64_MAX), EDataFileReadData);
  EXPECT_THROW(File.ReadRecord(INT64_MIN), EDataFileReadData);
}

// The message stays the fixed one; the file and the record travel as members.
TEST_F(EdfFileTest, ReadErrorNamesTheFileAndTheRecord) {
  const std::string Path = Write(TTestEDF{});
  TEDFFile File;
  OpenReadOnly(File, Path);
  for (const int64_t Index : {int64_t{3}, int64_t{-7}, INT64_MAX}) {
    try {
      File.ReadRecord(Index);
      ADD_FAILURE() << "nothing raised for " << Index;
    } catch (const EDataFileReadData& Error) {
      EXPECT_STREQ(Error.what(), "Error reading file data");
      EXPECT_EQ(Error.Message(), "Error reading file data");
      EXPECT_EQ(Error.FileName(), Path);
      EXPECT_EQ(Error.Record(), Index);
    }
  }
  // A file cut short after opening: the record that runs past the new end is named.
  ASSERT_EQ(::truncate(Path.c_str(), TTestEDF{}.HeaderSize() + 2 * 8 + 3), 0);
  TEDFFile Cut;
  OpenReadOnly(Cut, Path);
  try {
    Cut.ReadRecord(1);
    ADD_FAILURE() << "nothing raised";
  } catch (const EDataFileReadData& Error) {
    EXPECT_EQ(Error.Message(), "Error reading file data");
    EXPECT_EQ(Error.Record(), 1);
    EXPECT_EQ(Error.FileName(), Path);
  }
}

TEST_F(EdfFileTest, FailedReadKeepsBufferAndBufferedRecord) {
  TEDFFile File;
  OpenReadOnly(File, Write(TTestEDF{}));
  File.ReadRecord(2);
  EXPECT_THROW(File.ReadRecord(3), EDataFileReadData);
  EXPECT_EQ(File.BufferedRecord(), 2);
  ExpectBufferedRecord(File, 2);
}

TEST_F(EdfFileTest, BufferedRecordStaysReadableAfterClose) {
  TEDFFile File;
  OpenReadOnly(File, Write(TTestEDF{}));
  File.ReadRecord(1);
  File.Close();
  EXPECT_FALSE(File.Active());
  File.ReadRecord(1); // returns at once
  EXPECT_EQ(MessageOf<EDataFileHeaderInvalid>([&] { File.ReadRecord(0); }),
            "Invalid or incomplete file header");
  EXPECT_EQ(File.FileInfo()->NrSignals(), 2); // records stay readable
}

// ---- Headers that are not valid -----------------------------------------------------------

struct TBrokenRow {
  const char* Name;
  std::function<void(TTestEDF&)> Break;
  TEDFStatus Status;
  int32_t Signals; // signal records made
};

void PrintTo(const TBrokenRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class EdfFileBrokenHeader : public EdfFileTest, public ::testing::WithParamInterface<TBrokenRow> {};

TEST_P(EdfFileBrokenHeader, OpensNotValidWithNoRecords) {
  TTestEDF Edf;
  GetParam().Break(Edf);
  for (const bool Strict : {true, false}) {
    TEDFFile File;
    OpenReadOnly(File, Write(Edf), Strict);
    EXPECT_TRUE(File.Active());
    EXPECT_FALSE(File.Valid()) << (Strict ? "strict" : "lenient");
    EXPECT_FALSE(File.IsValid());
    EXPECT_EQ(File.Status(), GetParam().Status);
    EXPECT_EQ(File.SignalCount(), GetParam().Signals);
    EXPECT_EQ(File.FileInfo()->NrDataRecords(), 0);
    EXPECT_EQ(File.RecordSamples(), 0);
    EXPECT_THROW(File.ReadRecord(0), EDataFileReadData);
    EXPECT_THROW(File.GetDataBuffer(), EDataFileBufferAllocation);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EdfFileBrokenHeader,
    ::testing::Values(
        TBrokenRow{"HeaderBytesDisagrees", [](TTestEDF& E) { E.HeaderBytes = "767"; }, 1, 2},
        TBrokenRow{"VersionNotZero", [](TTestEDF& E) { E.Version = "1"; }, 1, 2},
        TBrokenRow{"NrSignalsNotANumber", [](TTestEDF& E) { E.NrSignals = "x"; }, 1, 0},
        TBrokenRow{"NoSignals",
                   [](TTestEDF& E) {
                     E.Signals.clear();
                     E.Records = 0;
                   },
                   2, 0},
        TBrokenRow{"DurationZero", [](TTestEDF& E) { E.Duration = "0"; }, 1, 2},
        TBrokenRow{"NrSamplesZero", [](TTestEDF& E) { E.Signals[1].NrSamples = "0"; }, 2, 2},
        TBrokenRow{"DigitalRangeReversed",
                   [](TTestEDF& E) {
                     E.Signals[0].DigMin = "200";
                     E.Signals[0].DigMax = "100";
                   },
                   2, 2},
        TBrokenRow{"DigitalMinimumOutOfRange", [](TTestEDF& E) { E.Signals[0].DigMin = "-32769"; },
                   2, 2},
        TBrokenRow{"RecordCountBelowMinusOne", [](TTestEDF& E) { E.NrDataRecords = "-2"; }, 1, 2},
        TBrokenRow{"StartDateNotADate", [](TTestEDF& E) { E.StartDate = "31.02.03"; }, 1, 2}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EdfFileTest, ShortFilesAreNotValid) {
  const std::string Full = TTestEDF{}.Bytes();
  // Under 256 bytes: an empty general header; under the signal block: invalid signals.
  for (const std::size_t Length : {std::size_t{0}, std::size_t{100}, std::size_t{255},
                                   std::size_t{256}, std::size_t{700}, std::size_t{767}}) {
    const std::string Path = Dir.File("short.edf");
    test::WriteBytes(Path, Full.substr(0, Length));
    TEDFFile File;
    OpenReadOnly(File, Path);
    EXPECT_FALSE(File.Valid()) << Length;
    EXPECT_EQ(File.FileInfo()->NrDataRecords(), 0) << Length;
    if (Length < 256) {
      EXPECT_EQ(File.Status(), esGeneralHeaderInvalid) << Length;
      EXPECT_EQ(File.SignalCount(), 0) << Length;
      EXPECT_TRUE(File.FileInfo()->RawHeader()[0].empty());
    } else {
      EXPECT_EQ(File.Status(), esSignalHeadersInvalid) << Length;
      EXPECT_EQ(File.SignalCount(), 2) << Length;
      EXPECT_FALSE(File.GetSignal(0)->IsValid());
    }
  }
}

TEST_F(EdfFileTest, ControlBytesInTextFieldsAreInvalidOnlyWhenStrict) {
  TTestEDF Edf;
  Edf.Patient = std::string("Pat\x01ient\0x", 10);
  Edf.Signals[1].Label = "\tLabel";
  const std::string Path = Write(Edf);
  TEDFFile Strict;
  OpenReadOnly(Strict, Path, true);
  EXPECT_FALSE(Strict.Valid());
  EXPECT_EQ(Strict.Status(), esGeneralHeaderInvalid);
  EXPECT_EQ(Strict.FileInfo()->RawHeader()[1].substr(0, 10), Edf.Patient);
  TEDFFile Lenient;
  OpenReadOnly(Lenient, Path, false);
  EXPECT_TRUE(Lenient.Valid());
  EXPECT_EQ(Lenient.FileInfo()->NrDataRecords(), 3);
}

// ---- The lenient retry --------------------------------------------------------------------

TEST_F(EdfFileTest, CommaDecimalDurationIsValidOnlyWhenLenient) {
  TTestEDF Edf;
  Edf.Duration = "0,5";
  const std::string Path = Write(Edf);

  TEDFFile Strict;
  OpenReadOnly(Strict, Path, true);
  EXPECT_FALSE(Strict.Valid());
  EXPECT_EQ(Strict.Status(), esGeneralHeaderInvalid);

  TEDFFile Lenient;
  OpenReadOnly(Lenient, Path, false);
  EXPECT_TRUE(Lenient.Valid());
  EXPECT_EQ(Lenient.DecimalSeparator(), ',');
  EXPECT_EQ(Lenient.Status(), esGeneralHeaderInvalid); // the retry keeps the first verdict
  EXPECT_DOUBLE_EQ(static_cast<double>(Lenient.FileInfo()->SampleRecDuration()), 0.5);
  EXPECT_EQ(Lenient.FileInfo()->NrDataRecords(), 3);
  EXPECT_TRUE(Lenient.IsValid());
}

TEST_F(EdfFileTest, CommaPhysicalLimitsFollowTheDetectedSeparator) {
  TTestEDF Edf;
  for (auto& S : Edf.Signals) {
    S.PhysMin = "-1,5";
    S.PhysMax = "1,5";
  }
  const std::string Path = Write(Edf);
  {
    // Physical limits do not decide validity: a valid file is not retried.
    TEDFFile File;
    OpenReadOnly(File, Path, false);
    EXPECT_TRUE(File.Valid());
    EXPECT_EQ(File.DecimalSeparator(), '.');
    EXPECT_FALSE(File.GetSignal(1)->GainValid());
  }
  Edf.Duration = "2,5";
  TEDFFile File;
  OpenReadOnly(File, Write(Edf), false);
  EXPECT_TRUE(File.Valid());
  EXPECT_EQ(File.DecimalSeparator(), ',');
  EXPECT_EQ(File.GetSignal(1)->DecimalSeparator(), ',');
  EXPECT_DOUBLE_EQ(static_cast<double>(File.GetSignal(1)->Physimax()), 1.5);
  EXPECT_TRUE(File.GetSignal(1)->GainValid());
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), 3);
}

// Header numbers and times are read under settings passed down, not under process settings
// changed for the while: two files with different separators read at once on two threads
// give each its own values, whatever the process decimal mark is.
TEST_F(EdfFileTest, TwoFilesWithDifferentSeparatorsReadAtOnceOnTwoThreads) {
  TSettingOverride<char> UserMark(&TFormatSettings::DecimalSeparator, ',');
  struct TCase {
    std::string Path;
    bool Lenient; // a comma mark is found only by the lenient retry
    char Separator;
    double Duration;
    double Physimax;
  };
  TTestEDF Comma;
  Comma.Duration = "2,5";
  for (auto& S : Comma.Signals) {
    S.PhysMin = "-1,5";
    S.PhysMax = "1,5";
  }
  TTestEDF Point;
  Point.Duration = "0.25";
  for (auto& S : Point.Signals) {
    S.PhysMin = "-3.75";
    S.PhysMax = "3.75";
  }
  const std::vector<TCase> Cases = {{Write(Comma, "comma.edf"), true, ',', 2.5, 1.5},
                                    {Write(Point, "point.edf"), false, '.', 0.25, 3.75}};
  std::vector<int> Failures(Cases.size(), 0);
  {
    std::vector<std::jthread> Threads;
    for (std::size_t c = 0; c < Cases.size(); ++c)
      Threads.emplace_back([&, c] {
        const TCase& Case = Cases[c];
        for (int Round = 0; Round < 200; ++Round) {
          TEDFFile File;
          File.SetFileName(Case.Path);
          File.SetReadOnly(true);
          // Strict rounds also run the strict date and time checks.
          File.SetStrict(!Case.Lenient && Round % 2 == 0);
          File.SetActive(true);
          const bool Right =
              File.Valid() && File.DecimalSeparator() == Case.Separator &&
              static_cast<double>(File.FileInfo()->SampleRecDuration()) == Case.Duration &&
              static_cast<double>(File.GetSignal(1)->Physimax()) == Case.Physimax &&
              File.FileInfo()->FieldValid(TGeneralField::StartTime) &&
              File.FileInfo()->FieldValid(TGeneralField::StartDate);
          if (!Right)
            ++Failures[c];
        }
      });
  }
  EXPECT_EQ(Failures, std::vector<int>(Cases.size(), 0));
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}

// ---- Record count and the recommendations -------------------------------------------------

TEST_F(EdfFileTest, UnknownCountWithPartialRecordCountsWholeRecords) {
  TTestEDF Edf;
  Edf.NrDataRecords = "-1";
  Edf.Records = 10;
  Edf.ExtraBytes = 8; // half of a 16-byte record
  TEDFFile File;
  OpenReadOnly(File, Write(Edf));
  EXPECT_TRUE(File.IsValid());
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), 10);
  EXPECT_EQ(File.Status(), esRecordCountUnknown);
  File.ReadRecord(9);
  ExpectBufferedRecord(File, 9);
}

struct TCheckRow {
  const char* Name;
  std::function<void(TTestEDF&)> Change;
  TEDFStatus Bits;
  bool ValidWhenStrict;
  int64_t Records; // record count used for access
};

void PrintTo(const TCheckRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class EdfFileRecommendations : public EdfFileTest,
                               public ::testing::WithParamInterface<TCheckRow> {};

TEST_P(EdfFileRecommendations, SetTheirBitAndDecideOnlyWhenStrict) {
  TTestEDF Edf;
  GetParam().Change(Edf);
  const std::string Path = Write(Edf);
  for (const bool Strict : {true, false}) {
    TEDFFile File;
    OpenReadOnly(File, Path, Strict);
    EXPECT_TRUE(File.Valid()) << "the header itself is valid";
    EXPECT_EQ(File.IsValid(), Strict ? GetParam().ValidWhenStrict : true);
    EXPECT_EQ(File.Status(), GetParam().Bits) << (Strict ? "strict" : "lenient");
    EXPECT_EQ(File.FileInfo()->NrDataRecords(), GetParam().Records);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EdfFileRecommendations,
    ::testing::Values(TCheckRow{"Conforming", [](TTestEDF&) {}, 0, true, 3},
                      TCheckRow{"StatedFiveHoldsSix",
                                [](TTestEDF& E) {
                                  E.NrDataRecords = "5";
                                  E.Records = 6;
                                },
                                esFileSizeMismatch, false, 6},
                      TCheckRow{"TrailingBytes", [](TTestEDF& E) { E.ExtraBytes = 3; },
                                esFileSizeMismatch, false, 3},
                      TCheckRow{"StatedUnknown", [](TTestEDF& E) { E.NrDataRecords = "-1"; },
                                esRecordCountUnknown, true, 3},
                      TCheckRow{"RecordOf80000Bytes",
                                [](TTestEDF& E) {
                                  E.Signals[0].NrSamples = "20000";
                                  E.Signals[1].NrSamples = "20000";
                                  E.Records = 2;
                                },
                                esRecordTooLarge, false, 2},
                      TCheckRow{"ShortRecordWithoutNeed", [](TTestEDF& E) { E.Duration = "0.5"; },
                                esRecordTooShort, false, 3},
                      TCheckRow{"ShortRecordWhenNeeded",
                                [](TTestEDF& E) {
                                  E.Duration = "0.5";
                                  E.Signals[0].NrSamples = "10000";
                                  E.Signals[1].NrSamples = "10000";
                                  E.Records = 1;
                                },
                                0, true, 1}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(EdfFileTest, StrictChangeOnOpenFileRereadsTheStatedCount) {
  TTestEDF Edf;
  Edf.NrDataRecords = "-1";
  TEDFFile File;
  OpenReadOnly(File, Write(Edf), false);
  ASSERT_EQ(File.FileInfo()->NrDataRecords(), 3);
  File.SetStrict(true);
  EXPECT_TRUE(File.Valid());
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), -1);
  EXPECT_THROW(File.ReadRecord(0), EDataFileReadData);
}

TEST_F(EdfFileTest, StatedCountBeyondTheFileIsNeverReadPastItsEnd) {
  TTestEDF Edf;
  Edf.NrDataRecords = "1000";
  TEDFFile File;
  OpenReadOnly(File, Write(Edf));
  File.SetStrict(false); // re-parse: the stated 1000 replaces the derived 3
  ASSERT_EQ(File.FileInfo()->NrDataRecords(), 1000);
  File.ReadRecord(2);
  EXPECT_THROW(File.ReadRecord(3), EDataFileReadData);
  EXPECT_EQ(File.BufferedRecord(), 2);
  ExpectBufferedRecord(File, 2);
}

TEST_F(EdfFileTest, HugeSampleCountsNeitherOverflowNorAllocateWithoutBound) {
  TTestEDF Edf;
  Edf.Signals.resize(3);
  for (auto& S : Edf.Signals)
    S.NrSamples = "99999999";
  Edf.Records = 0;
  Edf.NrDataRecords = "0";
  TEDFFile File;
  OpenReadOnly(File, Write(Edf), false);
  EXPECT_TRUE(File.Valid());
  EXPECT_EQ(File.RecordSamples(), 299999997);
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), 0);
  EXPECT_TRUE(File.IsValid()); // judged from the layout, without allocating it
  EXPECT_EQ(File.Status(), esRecordTooLarge);
  EXPECT_EQ(MessageOf<EDataFileBufferAllocation>([&] { File.GetDataBuffer(); }),
            "Unable to allocate data buffer");
}

// ---- IsValid on a closed object, opening and closing --------------------------------------

TEST_F(EdfFileTest, IsValidOnClosedObjectRereadsTheHeader) {
  const std::string Path = Write(TTestEDF{});
  TEDFFile File;
  OpenReadOnly(File, Path);
  const TCustomEDFFileInfo* Old = File.FileInfo();
  File.Close();
  test::PatchBytes(Path, 0, "1"); // version no longer "0"
  EXPECT_FALSE(File.IsValid());
  EXPECT_FALSE(File.Active());
  EXPECT_NE(File.FileInfo(), Old);
  EXPECT_EQ(File.FileInfo()->Version(), "1");
  EXPECT_EQ(File.Status(), esGeneralHeaderInvalid);
}

TEST_F(EdfFileTest, MissingFileIsCreatedOnlyWhenNotReadOnly) {
  const std::string Path = Dir.File("missing.edf");
  TEDFFile ReadOnly;
  ReadOnly.SetFileName(Path);
  ReadOnly.SetReadOnly(true);
  EXPECT_EQ(MessageOf<EFOpenError>([&] { ReadOnly.Open(); }),
            "Cannot open file \"" + Path + "\". No such file or directory");
  EXPECT_FALSE(ReadOnly.Active());
  EXPECT_NE(::access(Path.c_str(), F_OK), 0);

  TEDFFile Writable;
  Writable.SetFileName(Path);
  Writable.Open();
  EXPECT_TRUE(Writable.Active());
  EXPECT_FALSE(Writable.Valid());
  EXPECT_EQ(Writable.Status(), esGeneralHeaderInvalid);
  Writable.Close();
  EXPECT_EQ(test::ReadBytes(Path), ""); // created empty, nothing written on close
}

TEST_F(EdfFileTest, DirectoryIsNoFile) {
  TEDFFile File;
  File.SetFileName(Dir.File(""));
  File.SetReadOnly(true);
  EXPECT_EQ(MessageOf<EFOpenError>([&] { File.Open(); }),
            "Cannot open file \"" + Dir.File("") + "\". Is a directory");
  EXPECT_FALSE(File.Active());
}

TEST_F(EdfFileTest, SettersRefuseWhileOpen) {
  const std::string Path = Write(TTestEDF{});
  TEDFFile File;
  OpenReadOnly(File, Path);
  EXPECT_EQ(MessageOf<EDataFileIsOpen>([&] { File.SetFileName("other.edf"); }),
            "Data file is already open");
  EXPECT_EQ(File.FileName(), Path);
  EXPECT_THROW(File.SetReadOnly(false), EDataFileIsOpen);
  EXPECT_TRUE(File.ReadOnly());
  EXPECT_EQ(MessageOf<EListError>([&] { File.GetSignal(2); }), "List index out of bounds (2)");
  EXPECT_THROW(File.GetSignal(-1), EListError);
}

TEST_F(EdfFileTest, ReadOnlyOpenNeverWritesTheFile) {
  const std::string Path = Write(TTestEDF{});
  const std::string Before = test::ReadBytes(Path);
  {
    TEDFFile File;
    OpenReadOnly(File, Path);
    File.FileInfo()->SetPatient("Changed");
    File.GetSignal(0)->SetSignalLabel("Changed");
    EXPECT_TRUE(File.IsModified());
    EXPECT_THROW(File.WriteRecord(0), EDataFileReadOnly);
    EXPECT_THROW(File.WriteHeader(), EDataFileReadOnly);
    File.Close();
  }
  EXPECT_EQ(test::ReadBytes(Path), Before);
}

// ---- Locks --------------------------------------------------------------------------------

TEST_F(EdfFileTest, ReadersShareAFileThatNobodyWrites) {
  const std::string Path = Write(TTestEDF{});
  TEDFFile First;
  TEDFFile Second;
  OpenReadOnly(First, Path);
  OpenReadOnly(Second, Path);
  EXPECT_TRUE(Second.Active());

  TEDFFile Writer;
  Writer.SetFileName(Path);
  const std::string Message = MessageOf<EFOpenError>([&] { Writer.Open(); });
  EXPECT_EQ(Message.rfind("Cannot open file \"" + Path + "\". ", 0), 0u) << Message;
  EXPECT_FALSE(Writer.Active());

  First.Close();
  Second.Close();
  Writer.Open();
  EXPECT_TRUE(Writer.Active());
  TEDFFile LateReader;
  LateReader.SetFileName(Path);
  LateReader.SetReadOnly(true);
  EXPECT_THROW(LateReader.Open(), EFOpenError);
  Writer.Close();
  LateReader.Open();
  EXPECT_TRUE(LateReader.Valid());
}

TEST_F(EdfFileTest, NineThousandNineHundredNinetyNineSignalsOpenAndRead) {
  TTestEDF Edf;
  Edf.Signals.assign(9999, TTestSignal{});
  for (std::size_t s = 0; s < Edf.Signals.size(); ++s) {
    Edf.Signals[s].Label = "S" + std::to_string(s);
    Edf.Signals[s].NrSamples = std::to_string(1 + s % 3);
  }
  Edf.Records = 2;
  TEDFFile File;
  OpenReadOnly(File, Write(Edf));
  ASSERT_TRUE(File.Valid());
  EXPECT_EQ(File.FileInfo()->HeaderBytes(), 2560000);
  ASSERT_EQ(File.SignalCount(), 9999);
  for (const int32_t s : {0, 1, 4711, 9998}) {
    EXPECT_EQ(File.GetSignal(s)->SignalLabel(), "S" + std::to_string(s));
    EXPECT_EQ(File.GetSignal(s)->NrSamples(), 1 + s % 3);
  }
  EXPECT_EQ(File.RecordSamples(), 3333 * 6);
  File.ReadRecord(1);
  ExpectBufferedRecord(File, 1);
}

TEST_F(EdfFileTest, SeparatorChangeRereadsTheOpenHeader) {
  TTestEDF Edf;
  Edf.Signals[0].PhysMax = "2,5";
  TEDFFile File;
  OpenReadOnly(File, Write(Edf));
  EXPECT_FALSE(File.GetSignal(0)->FieldValid(TSignalField::Physimax));
  File.SetStrict(false);
  File.SetDecimalSeparator(',');
  EXPECT_EQ(File.FileInfo()->DecimalSeparator(), ',');
  EXPECT_TRUE(File.GetSignal(0)->FieldValid(TSignalField::Physimax));
  EXPECT_DOUBLE_EQ(static_cast<double>(File.GetSignal(0)->Physimax()), 2.5);
}

TEST_F(EdfFileTest, FailedOpenLeavesTheObjectClosedAndReusable) {
  const std::string Path = Dir.File("later.edf");
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  EXPECT_THROW(File.IsValid(), EFOpenError);
  EXPECT_FALSE(File.Active());
  test::WriteBytes(Path, TTestEDF{}.Bytes());
  EXPECT_TRUE(File.IsValid());
  EXPECT_FALSE(File.Active());
  File.Open();
  EXPECT_TRUE(File.Valid());
}

TEST_F(EdfFileTest, ModifiedHeaderOfWritableFileIsWrittenOnClose) {
  const std::string Path = Write(TTestEDF{});
  {
    TEDFFile File;
    File.SetFileName(Path);
    File.Open();
    ASSERT_TRUE(File.Valid());
    File.FileInfo()->SetPatient("New patient");
    EXPECT_TRUE(File.IsHeaderModified());
    EXPECT_FALSE(File.AreSignalsModified());
  }
  const std::string Bytes = test::ReadBytes(Path);
  EXPECT_EQ(Bytes.substr(8, 80), test::Pad("New patient", 80));
  EXPECT_EQ(Bytes.substr(236, 8), test::Pad("3", 8));
  EXPECT_EQ(Bytes.substr(256), TTestEDF{}.Bytes().substr(256)); // the rest untouched
}

TEST(EdfUnit, RegistersOnce) {
  ResetUnitList();
  InitUnit_uEDF();
  InitUnit_uEDF();
  int Count = 0;
  for (const auto& Unit : UnitList())
    if (Unit->UnitName() == "uEDF") {
      ++Count;
      EXPECT_EQ(Unit->UnitVersion(), "1.0.2");
      EXPECT_EQ(Unit->Author(), "Torvane");
      // 10 January 2003 17:01 as days since 30 December 1899.
      EXPECT_NEAR(Unit->LastModified(), 37631.0 + (17 * 60 + 1) / 1440.0, 1e-9);
    }
  EXPECT_EQ(Count, 1);
}

} // namespace
} // namespace velastrin
