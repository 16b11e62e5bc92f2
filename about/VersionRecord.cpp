#include "about/VersionRecord.h"

#include "about/VersionInfo.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace velastrin {

namespace {

// ---- The record compiled into the program --------------------------------------------------

struct TStaticEntry {
  std::string_view Key;
  std::string_view Value;
};

// Translation: US English, Unicode code page, as the string keys below say.
constexpr std::array<TStaticEntry, 12> OwnEntries{{
    {TranslationKey, "0409 04b0"},
    {FileFlagsKey, version_info::FileFlags},
    {FileFlagsMaskKey, "63"},
    {"\\StringFileInfo\\040904b0\\CompanyName", version_info::CompanyName},
    {"\\StringFileInfo\\040904b0\\FileDescription", version_info::FileDescription},
    {"\\StringFileInfo\\040904b0\\FileVersion", version_info::FileVersion},
    {"\\StringFileInfo\\040904b0\\InternalName", version_info::InternalName},
    {"\\StringFileInfo\\040904b0\\LegalCopyright", version_info::LegalCopyright},
    {"\\StringFileInfo\\040904b0\\OriginalFilename", version_info::OriginalFilename},
    {"\\StringFileInfo\\040904b0\\ProductName", version_info::ProductName},
    {"\\StringFileInfo\\040904b0\\ProductVersion", version_info::ProductVersion},
    {"\\StringFileInfo\\040904b0\\Comments", version_info::Comments},
}};

constexpr std::size_t Align4(std::size_t N) {
  return (N + 3) & ~std::size_t{3};
}

constexpr std::size_t OwnPayloadSize() {
  std::size_t Size = 1; // the empty key that ends the record
  for (const auto& E : OwnEntries)
    Size += E.Key.size() + 1 + E.Value.size() + 1;
  return Size;
}

constexpr std::size_t NoteNameSize = VersionNoteName.size() + 1;

// The layout of one ELF note: sizes, type, name and description, each padded to 4 bytes.
struct TVersionNote {
  uint32_t NameSize;
  uint32_t DescSize;
  uint32_t Type;
  std::array<char, Align4(NoteNameSize)> Name;
  std::array<char, Align4(OwnPayloadSize())> Desc;
};

constexpr TVersionNote MakeOwnNote() {
  TVersionNote Note{};
  Note.NameSize = static_cast<uint32_t>(NoteNameSize);
  Note.DescSize = static_cast<uint32_t>(OwnPayloadSize());
  Note.Type = VersionNoteType;
  for (std::size_t I = 0; I < VersionNoteName.size(); ++I)
    Note.Name[I] = VersionNoteName[I];
  std::size_t Pos = 0;
  for (const auto& E : OwnEntries) {
    for (char C : E.Key)
      Note.Desc[Pos++] = C;
    Note.Desc[Pos++] = '\0';
    for (char C : E.Value)
      Note.Desc[Pos++] = C;
    Note.Desc[Pos++] = '\0';
  }
  return Note;
}

// The assembler gives sections named ".note..." the note type, so the record shows up in
// "readelf -n" and survives "strip".
// Notes are 4-byte aligned; without alignas the compiler would align a large object to 32.
[[gnu::used, gnu::section(".note.velastrin.version")]] alignas(4) constexpr TVersionNote OwnNote =
    MakeOwnNote();

// ---- Reading ELF files -----------------------------------------------------------------------

// Sections larger than this are not a version record; refusing them keeps damaged headers from
// asking for absurd allocations.
constexpr uint64_t MaxRecordSectionSize = 1 << 20;
constexpr uint64_t MaxNameTableSize = 1 << 24;

class TElfReader {
public:
  explicit TElfReader(std::ifstream& File) : FFile(File) {}

  TVersionReadResult Read(TVersionRecord& Record);

private:
  struct TSection {
    uint64_t Name, Type, Offset, Size;
  };
  // The version record in our note section S; anything unexpected there is a damaged record.
  TVersionReadResult ReadRecordSection(const TSection& S, TVersionRecord& Record);
  bool ReadAt(uint64_t Offset, void* Buffer, std::size_t Count);
  uint64_t Get(const unsigned char* P, int Bytes) const;

  std::ifstream& FFile;
  uint64_t FFileSize = 0;
  bool FBigEndian = false;
  bool F64Bit = false;
};

bool TElfReader::ReadAt(uint64_t Offset, void* Buffer, std::size_t Count) {
  if (Offset > FFileSize || Count > FFileSize - Offset)
    return false;
  FFile.clear();
  FFile.seekg(static_cast<std::streamoff>(Offset));
  FFile.read(static_cast<char*>(Buffer), static_cast<std::streamsize>(Count));
  return FFile.gcount() == static_cast<std::streamsize>(Count);
}

uint64_t TElfReader::Get(const unsigned char* P, int Bytes) const {
  uint64_t Value = 0;
  for (int I = 0; I < Bytes; ++I) {
    const int Index = FBigEndian ? I : Bytes - 1 - I;
    Value = (Value << 8) | P[Index];
  }
  return Value;
}

TVersionReadResult TElfReader::ReadRecordSection(const TSection& S, TVersionRecord& Record) {
  constexpr uint64_t SHT_NOTE = 7;
  if (S.Type != SHT_NOTE || S.Size > MaxRecordSectionSize)
    return TVersionReadResult::vrrFailed;
  std::string Data(static_cast<std::size_t>(S.Size), '\0');
  if (!ReadAt(S.Offset, Data.data(), Data.size()))
    return TVersionReadResult::vrrFailed;
  const auto* P = reinterpret_cast<const unsigned char*>(Data.data());
  std::size_t Pos = 0;
  while (Data.size() - Pos >= 12) {
    const uint64_t NameSize = Get(P + Pos, 4);
    const uint64_t DescSize = Get(P + Pos + 4, 4);
    const uint64_t Type = Get(P + Pos + 8, 4);
    Pos += 12;
    const uint64_t NameSpace = Align4(NameSize);
    const uint64_t DescSpace = Align4(DescSize);
    if (NameSpace > Data.size() - Pos || DescSpace > Data.size() - Pos - NameSpace)
      return TVersionReadResult::vrrFailed;
    const std::string_view NoteName(Data.data() + Pos, NameSize);
    const std::string_view Desc(Data.data() + Pos + NameSpace, DescSize);
    Pos += NameSpace + DescSpace;
    if (Type == VersionNoteType && NameSize == VersionNoteName.size() + 1 &&
        NoteName.substr(0, VersionNoteName.size()) == VersionNoteName)
      return Record.FromPayload(Desc) ? TVersionReadResult::vrrOk : TVersionReadResult::vrrFailed;
  }
  return TVersionReadResult::vrrFailed;
}

TVersionReadResult TElfReader::Read(TVersionRecord& Record) {
  FFile.seekg(0, std::ios::end);
  const std::streamoff End = FFile.tellg();
  if (End < 0)
    return TVersionReadResult::vrrFailed;
  FFileSize = static_cast<uint64_t>(End);

  unsigned char Ident[16];
  if (!ReadAt(0, Ident, sizeof Ident) || std::memcmp(Ident,
                                                     "\x7f"
                                                     "ELF",
                                                     4) != 0)
    return TVersionReadResult::vrrNoRecord;
  if ((Ident[4] != 1 && Ident[4] != 2) || (Ident[5] != 1 && Ident[5] != 2))
    return TVersionReadResult::vrrFailed;
  F64Bit = Ident[4] == 2;
  FBigEndian = Ident[5] == 2;

  // e_shoff, e_shentsize, e_shnum, e_shstrndx
  unsigned char Header[64];
  const std::size_t HeaderSize = F64Bit ? 64 : 52;
  if (!ReadAt(0, Header, HeaderSize))
    return TVersionReadResult::vrrFailed;
  const uint64_t ShOff = F64Bit ? Get(Header + 0x28, 8) : Get(Header + 0x20, 4);
  const uint64_t ShEntSize = Get(Header + (F64Bit ? 0x3A : 0x2E), 2);
  uint64_t ShNum = Get(Header + (F64Bit ? 0x3C : 0x30), 2);
  uint64_t ShStrNdx = Get(Header + (F64Bit ? 0x3E : 0x32), 2);
  if (ShOff == 0)
    return TVersionReadResult::vrrNoRecord; // no section table: nothing to look in
  const uint64_t MinEntSize = F64Bit ? 64 : 40;
  if (ShEntSize < MinEntSize)
    return TVersionReadResult::vrrFailed;

  unsigned char Section[64];
  auto ReadSection = [&](uint64_t Index, TSection& S) {
    if (!ReadAt(ShOff + Index * ShEntSize, Section, static_cast<std::size_t>(MinEntSize)))
      return false;
    S.Name = Get(Section, 4);
    S.Type = Get(Section + 4, 4);
    S.Offset = F64Bit ? Get(Section + 0x18, 8) : Get(Section + 0x10, 4);
    S.Size = F64Bit ? Get(Section + 0x20, 8) : Get(Section + 0x14, 4);
    return true;
  };

  // Many sections: the real count and name-table index sit in section 0.
  TSection First{};
  if (!ReadSection(0, First))
    return TVersionReadResult::vrrFailed;
  if (ShNum == 0)
    ShNum = First.Size;
  if (ShStrNdx == 0xFFFF) {
    if (!ReadAt(ShOff, Section, static_cast<std::size_t>(MinEntSize)))
      return TVersionReadResult::vrrFailed;
    ShStrNdx = Get(Section + (F64Bit ? 0x28 : 0x18), 4);
  }
  if (ShNum > (FFileSize - std::min(ShOff, FFileSize)) / ShEntSize || ShStrNdx >= ShNum)
    return TVersionReadResult::vrrFailed;

  TSection Names{};
  if (!ReadSection(ShStrNdx, Names) || Names.Size > MaxNameTableSize)
    return TVersionReadResult::vrrFailed;
  std::string NameTable(static_cast<std::size_t>(Names.Size), '\0');
  if (!ReadAt(Names.Offset, NameTable.data(), NameTable.size()))
    return TVersionReadResult::vrrFailed;

  for (uint64_t I = 1; I < ShNum; ++I) {
    TSection S{};
    if (!ReadSection(I, S))
      return TVersionReadResult::vrrFailed;
    if (S.Name >= NameTable.size())
      continue;
    const std::string_view Name(NameTable.c_str() + S.Name);
    if (Name == VersionNoteSection)
      return ReadRecordSection(S, Record);
  }
  return TVersionReadResult::vrrNoRecord;
}

} // namespace

const std::string* TVersionRecord::Find(std::string_view Key) const {
  // Keys compare without regard to ASCII case, as version resources always have.
  auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; };
  for (const auto& E : FEntries)
    if (std::equal(E.first.begin(), E.first.end(), Key.begin(), Key.end(),
                   [&](char A, char B) { return Lower(A) == Lower(B); }))
      return &E.second;
  return nullptr;
}

void TVersionRecord::Add(std::string Key, std::string Value) {
  FEntries.emplace_back(std::move(Key), std::move(Value));
}

std::string TVersionRecord::ToPayload() const {
  std::string Payload;
  for (const auto& [Key, Value] : FEntries) {
    Payload.append(Key).push_back('\0');
    Payload.append(Value).push_back('\0');
  }
  Payload.push_back('\0');
  return Payload;
}

bool TVersionRecord::FromPayload(std::string_view Payload) {
  FEntries.clear();
  std::vector<TEntry> Entries;
  std::size_t Pos = 0;
  auto NextText = [&](std::string& Text) {
    const std::size_t End = Payload.find('\0', Pos);
    if (End == std::string_view::npos)
      return false;
    Text.assign(Payload.substr(Pos, End - Pos));
    Pos = End + 1;
    return true;
  };
  for (;;) {
    std::string Key, Value;
    if (!NextText(Key))
      return false; // ran off the end without the closing empty key
    if (Key.empty())
      break;
    if (Key.front() != '\\' || !NextText(Value))
      return false;
    Entries.emplace_back(std::move(Key), std::move(Value));
  }
  FEntries = std::move(Entries);
  return true;
}

const TVersionRecord& OwnVersionRecord() {
  static const TVersionRecord Record = [] {
    TVersionRecord R;
    R.FromPayload(std::string_view(OwnNote.Desc.data(), OwnNote.DescSize));
    return R;
  }();
  return Record;
}

TVersionReadResult ReadVersionRecord(const std::string& FileName, TVersionRecord& Record) {
  Record = TVersionRecord();
  std::error_code Error;
  if (std::filesystem::is_directory(FileName, Error))
    return TVersionReadResult::vrrFailed;
  std::ifstream File(FileName, std::ios::binary);
  if (!File.is_open())
    return TVersionReadResult::vrrFailed;
  TElfReader Reader(File);
  return Reader.Read(Record);
}

} // namespace velastrin
