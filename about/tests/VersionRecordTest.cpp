#include "about/VersionRecord.h"

#include "ElfFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace velastrin;
using namespace velastrin::test;

namespace {

const char* const StringKeys[] = {"CompanyName",  "FileDescription", "FileVersion",
                                  "InternalName", "LegalCopyright",  "OriginalFilename",
                                  "ProductName",  "ProductVersion",  "Comments"};

std::string StringKey(const std::string& Name) {
  return "\\StringFileInfo\\040904b0\\" + Name;
}

} // namespace

TEST(VersionRecord, OwnRecordHasEveryStringEntryAndTheBuildNumberInTheFileVersion) {
  const TVersionRecord& Record = OwnVersionRecord();
  for (const char* Name : StringKeys) {
    const std::string* Value = Record.Find(StringKey(Name));
    ASSERT_NE(Value, nullptr) << Name;
    EXPECT_FALSE(Value->empty()) << Name;
  }
  EXPECT_EQ(*Record.Find(StringKey("FileVersion")),
            std::string(VELASTRIN_PROJECT_VERSION) + "." + VELASTRIN_BUILD_NUMBER_TEXT);
  EXPECT_EQ(*Record.Find(StringKey("ProductVersion")), VELASTRIN_PROJECT_VERSION);
  ASSERT_NE(Record.Find(TranslationKey), nullptr);
  ASSERT_NE(Record.Find(FileFlagsKey), nullptr);
}

TEST(VersionRecord, KeysAreFoundWithoutRegardToCase) {
  TVersionRecord Record;
  Record.Add("\\StringFileInfo\\040904B0\\ProductName", "P");
  ASSERT_NE(Record.Find("\\stringfileinfo\\040904b0\\PRODUCTNAME"), nullptr);
  EXPECT_EQ(Record.Find("\\StringFileInfo\\040904b0\\Product"), nullptr);
}

TEST(VersionRecord, TheTestProgramFileCarriesTheRecordTheProgramSeesInMemory) {
  TVersionRecord FromFile;
  ASSERT_EQ(ReadVersionRecord("/proc/self/exe", FromFile), TVersionReadResult::vrrOk);
  EXPECT_EQ(FromFile.Entries(), OwnVersionRecord().Entries());
}

TEST(VersionRecord, PayloadRoundTripKeepsOrderAndEmptyValues) {
  TVersionRecord Record;
  Record.Add("\\B", "second");
  Record.Add("\\A", "");
  Record.Add("\\C", "caf\xc3\xa9");
  TVersionRecord Back;
  ASSERT_TRUE(Back.FromPayload(Record.ToPayload()));
  EXPECT_EQ(Back.Entries(), Record.Entries());
}

struct TPayloadCase {
  const char* Name;
  std::string Payload;
  friend void PrintTo(const TPayloadCase& C, std::ostream* Os) { *Os << C.Name; }
};

class VersionRecordDamagedPayload : public testing::TestWithParam<TPayloadCase> {};

TEST_P(VersionRecordDamagedPayload, IsRefusedAndLeavesTheRecordEmpty) {
  TVersionRecord Record;
  Record.Add("\\Old", "entry");
  EXPECT_FALSE(Record.FromPayload(GetParam().Payload));
  EXPECT_TRUE(Record.Entries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionRecordDamagedPayload,
    testing::Values(TPayloadCase{"Empty", std::string()},
                    TPayloadCase{"NoClosingEmptyKey", std::string("\\K\0V\0", 5)},
                    TPayloadCase{"ValueWithoutNul", std::string("\\K\0V", 4)},
                    TPayloadCase{"KeyWithoutBackslash", std::string("K\0V\0\0", 5)},
                    TPayloadCase{"KeyWithoutValue", std::string("\\K\0", 3)}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct TFileCase {
  const char* Name;
  TElfLayout Layout;
  TVersionReadResult Expected;
  friend void PrintTo(const TFileCase& C, std::ostream* Os) { *Os << C.Name; }
};

TElfLayout Layout(void (*Change)(TElfLayout&)) {
  TElfLayout S;
  S.Payload = RecordPayload({{"\\StringFileInfo\\040904b0\\ProductName", "Fixture"}});
  Change(S);
  return S;
}

class VersionRecordFromFile : public testing::TestWithParam<TFileCase> {};

TEST_P(VersionRecordFromFile, GivesTheExpectedResult) {
  const std::string Name =
      WriteTempFile(std::string(GetParam().Name) + ".bin", MakeElf(GetParam().Layout));
  TVersionRecord Record;
  ASSERT_EQ(ReadVersionRecord(Name, Record), GetParam().Expected);
  if (GetParam().Expected == TVersionReadResult::vrrOk) {
    const std::string* Value = Record.Find("\\StringFileInfo\\040904b0\\ProductName");
    ASSERT_NE(Value, nullptr);
    EXPECT_EQ(*Value, "Fixture");
  } else {
    EXPECT_TRUE(Record.Entries().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VersionRecordFromFile,
    testing::Values(
        TFileCase{"Elf64LittleEndian", Layout([](TElfLayout&) {}), TVersionReadResult::vrrOk},
        TFileCase{"Elf32BigEndian", Layout([](TElfLayout& S) {
                    S.Is64 = false;
                    S.BigEndian = true;
                  }),
                  TVersionReadResult::vrrOk},
        TFileCase{"Elf64BigEndian", Layout([](TElfLayout& S) { S.BigEndian = true; }),
                  TVersionReadResult::vrrOk},
        TFileCase{"ElfWithoutRecord", Layout([](TElfLayout& S) { S.WithRecord = false; }),
                  TVersionReadResult::vrrNoRecord},
        TFileCase{"OtherNoteSection", Layout([](TElfLayout& S) { S.SectionName = ".note.other"; }),
                  TVersionReadResult::vrrNoRecord},
        TFileCase{"ForeignNoteInOurSection", Layout([](TElfLayout& S) { S.NoteName = "GNU"; }),
                  TVersionReadResult::vrrFailed},
        TFileCase{"WrongNoteType", Layout([](TElfLayout& S) { S.NoteType = 9; }),
                  TVersionReadResult::vrrFailed},
        TFileCase{"SectionNotANote", Layout([](TElfLayout& S) { S.SectionType = 1; }),
                  TVersionReadResult::vrrFailed},
        TFileCase{"SectionTableBeyondTheEnd",
                  Layout([](TElfLayout& S) { S.SectionTableBeyondEnd = true; }),
                  TVersionReadResult::vrrFailed},
        TFileCase{"NoteLongerThanItsSection", Layout([](TElfLayout& S) { S.ExtraDescSize = 64; }),
                  TVersionReadResult::vrrFailed},
        TFileCase{"PayloadWithoutEnd",
                  Layout([](TElfLayout& S) { S.Payload = std::string("\\K\0V\0", 5); }),
                  TVersionReadResult::vrrFailed}),
    [](const auto& Info) { return std::string(Info.param.Name); });

struct TPlainFileCase {
  const char* Name;
  std::string Bytes;
  friend void PrintTo(const TPlainFileCase& C, std::ostream* Os) { *Os << C.Name; }
};

class VersionRecordFromPlainFile : public testing::TestWithParam<TPlainFileCase> {};

TEST_P(VersionRecordFromPlainFile, HasNoRecord) {
  const std::string Name = WriteTempFile(GetParam().Name, GetParam().Bytes);
  TVersionRecord Record;
  EXPECT_EQ(ReadVersionRecord(Name, Record), TVersionReadResult::vrrNoRecord);
}

INSTANTIATE_TEST_SUITE_P(Rows, VersionRecordFromPlainFile,
                         testing::Values(TPlainFileCase{"Empty", ""},
                                         TPlainFileCase{"Text", "just some text\n"},
                                         TPlainFileCase{"ElfMagicOnly", "\x7f"
                                                                        "ELF"}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(VersionRecord, ElfTruncatedInsideItsHeaderCannotBeRead) {
  const std::string Elf = MakeElf(Layout([](TElfLayout&) {}));
  const std::string Name = WriteTempFile("short.bin", Elf.substr(0, 30));
  TVersionRecord Record;
  EXPECT_EQ(ReadVersionRecord(Name, Record), TVersionReadResult::vrrFailed);
}

TEST(VersionRecord, EveryTruncationOfAFileWithARecordIsReadSafely) {
  const std::string Elf = MakeElf(Layout([](TElfLayout&) {}));
  for (std::size_t Length = 0; Length < Elf.size(); ++Length) {
    const std::string Name = WriteTempFile("cut.bin", Elf.substr(0, Length));
    TVersionRecord Record;
    EXPECT_NE(ReadVersionRecord(Name, Record), TVersionReadResult::vrrOk) << Length;
  }
}

TEST(VersionRecord, MissingFileAndFolderCannotBeRead) {
  TVersionRecord Record;
  EXPECT_EQ(ReadVersionRecord("/nonexistent/velastrin/file", Record),
            TVersionReadResult::vrrFailed);
  EXPECT_EQ(ReadVersionRecord(std::filesystem::temp_directory_path().string(), Record),
            TVersionReadResult::vrrFailed);
}

TEST(VersionRecord, OverwrittenBytesAnywhereAreReadSafely) {
  const std::string Elf = MakeElf(Layout([](TElfLayout&) {}));
  for (std::size_t Pos = 0; Pos < Elf.size(); ++Pos) {
    for (char Value : {'\x00', '\xff', '\x7f'}) {
      std::string Damaged = Elf;
      Damaged[Pos] = Value;
      const std::string Name = WriteTempFile("overwritten.bin", Damaged);
      TVersionRecord Record;
      if (ReadVersionRecord(Name, Record) == TVersionReadResult::vrrOk) {
        // Whatever survived is a well-formed record.
        EXPECT_EQ(TVersionRecord().FromPayload(Record.ToPayload()), true) << Pos;
      } else {
        EXPECT_TRUE(Record.Entries().empty()) << Pos;
      }
    }
  }
}
