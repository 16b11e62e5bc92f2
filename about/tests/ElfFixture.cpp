#include "ElfFixture.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

namespace velastrin::test {

namespace {

class TWriter {
public:
  TWriter(bool BigEndian) : FBigEndian(BigEndian) {}
  void Put(uint64_t Value, int Bytes) {
    for (int I = 0; I < Bytes; ++I) {
      const int Shift = 8 * (FBigEndian ? Bytes - 1 - I : I);
      FBytes.push_back(static_cast<char>((Value >> Shift) & 0xFF));
    }
  }
  void Append(const std::string& S) { FBytes += S; }
  void Align(std::size_t N) {
    while (FBytes.size() % N)
      FBytes.push_back('\0');
  }
  std::size_t Size() const { return FBytes.size(); }
  std::string& Bytes() { return FBytes; }

private:
  bool FBigEndian;
  std::string FBytes;
};

} // namespace

std::string RecordPayload(TEntries Entries) {
  TVersionRecord Record;
  for (const auto& [Key, Value] : Entries)
    Record.Add(Key, Value);
  return Record.ToPayload();
}

std::string MakeElf(const TElfLayout& Layout) {
  const bool B64 = Layout.Is64;
  const int Word = B64 ? 8 : 4;
  const std::size_t HeaderSize = B64 ? 64 : 52;
  const std::size_t SectionEntry = B64 ? 64 : 40;

  const std::string Section = Layout.WithRecord ? Layout.SectionName : std::string(".text");
  const std::string Names = std::string("\0.shstrtab\0", 11) + Section + '\0';

  TWriter Note(Layout.BigEndian);
  if (Layout.WithRecord) {
    Note.Put(Layout.NoteName.size() + 1, 4);
    Note.Put(Layout.Payload.size() + Layout.ExtraDescSize, 4);
    Note.Put(Layout.NoteType, 4);
    Note.Append(Layout.NoteName + '\0');
    Note.Align(4);
    Note.Append(Layout.Payload);
    Note.Align(4);
  } else {
    Note.Append(std::string(16, '\x90'));
  }

  const std::size_t NamesOffset = HeaderSize;
  const std::size_t DataOffset = NamesOffset + Names.size();
  std::size_t TableOffset = DataOffset + Note.Size();
  TableOffset = (TableOffset + 7) / 8 * 8;

  TWriter W(Layout.BigEndian);
  W.Append(std::string("\x7f"
                       "ELF",
                       4));
  W.Put(B64 ? 2 : 1, 1);
  W.Put(Layout.BigEndian ? 2 : 1, 1);
  W.Put(1, 1); // version
  W.Append(std::string(9, '\0'));
  W.Put(2, 2);            // executable
  W.Put(B64 ? 62 : 3, 2); // x86-64 / i386
  W.Put(1, 4);            // version
  W.Put(0, Word);         // entry
  W.Put(0, Word);         // program headers
  W.Put(Layout.SectionTableBeyondEnd ? TableOffset + 4096 : TableOffset, Word);
  W.Put(0, 4); // flags
  W.Put(HeaderSize, 2);
  W.Put(B64 ? 56 : 32, 2); // program header entry size
  W.Put(0, 2);             // program headers
  W.Put(SectionEntry, 2);
  W.Put(3, 2); // sections
  W.Put(1, 2); // index of the name table
  W.Append(Names);
  W.Append(Note.Bytes());
  W.Align(8);

  auto PutSection = [&](uint32_t Name, uint32_t Type, uint64_t Offset, uint64_t Size) {
    W.Put(Name, 4);
    W.Put(Type, 4);
    W.Put(Type == 7 ? 2 : 0, Word); // flags: allocated
    W.Put(0, Word);                 // address
    W.Put(Offset, Word);
    W.Put(Size, Word);
    W.Put(0, 4); // link
    W.Put(0, 4); // info
    W.Put(4, Word);
    W.Put(0, Word);
  };
  PutSection(0, 0, 0, 0);
  PutSection(1, 3, NamesOffset, Names.size());
  PutSection(11, Layout.WithRecord ? Layout.SectionType : 1, DataOffset, Note.Size());
  if (W.Size() < Layout.PadTo)
    W.Append(std::string(Layout.PadTo - W.Size(), '\0'));
  return W.Bytes();
}

namespace {
std::filesystem::path TempFolder() {
  return std::filesystem::temp_directory_path() /
         ("velastrin-about-tests-" + std::to_string(::getpid()));
}
} // namespace

void RemoveTempFiles() {
  std::error_code Error;
  std::filesystem::remove_all(TempFolder(), Error);
}

std::string WriteTempFile(const std::string& Name, const std::string& Bytes) {
  const auto Folder = TempFolder();
  std::filesystem::create_directories(Folder);
  const auto Path = Folder / Name;
  std::ofstream File(Path, std::ios::binary | std::ios::trunc);
  File.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  if (!File)
    throw std::runtime_error("cannot write " + Path.string());
  return Path.string();
}

} // namespace velastrin::test
