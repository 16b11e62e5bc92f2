// The de-identification engine. The header is read by the file object (lenient, as check
// reads); the bytes are then copied by this unit itself, so that nothing but the fields it
// decides on can change.
#include "check/uEDFAnonymize.h"

#include "edf/uEDF.h"
#include "edf/uEDFLayout.h"
#include "edf/uEDFPlus.h"
#include "support/uOutputFiles.h"
#include "support/udStr.h"

#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace velastrin {

namespace {

using json = nlohmann::json;

// Records are copied in runs of about this many bytes.
constexpr int64_t RunBytes = int64_t{4} << 20;

constexpr std::array<const char*, 12> Months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

std::string Lower(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return Text;
}

bool AllX(const std::string& Word) {
  return std::all_of(Word.begin(), Word.end(), [](char c) { return c == 'X' || c == 'x'; });
}

std::string SystemMessage(const std::string& What, const std::string& Path) {
  return What + " \"" + Path + "\". " + std::generic_category().message(errno);
}

class TSHA256 {
public:
  TSHA256() : FContext(EVP_MD_CTX_new(), &EVP_MD_CTX_free) {
    if (!FContext || EVP_DigestInit_ex(FContext.get(), EVP_sha256(), nullptr) != 1)
      throw Exception("SHA-256 is not available");
  }
  void Add(const char* Bytes, std::size_t Size) { EVP_DigestUpdate(FContext.get(), Bytes, Size); }
  std::string Hex() {
    std::array<unsigned char, EVP_MAX_MD_SIZE> Digest{};
    unsigned int Size = 0;
    EVP_DigestFinal_ex(FContext.get(), Digest.data(), &Size);
    static constexpr char Digits[] = "0123456789abcdef";
    std::string Text;
    for (unsigned int i = 0; i < Size; ++i)
      Text += {Digits[Digest[i] >> 4], Digits[Digest[i] & 15]};
    return Text;
  }

private:
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> FContext;
};

// The layout of one file's data records, from the header as the file object read it.
struct TRecordLayout {
  int64_t HeaderBytes = 0;
  int64_t Records = 0;
  int64_t RecordBytes = 0;
  struct TPart {
    int64_t Offset = 0;
    int64_t Size = 0;
    bool Annotations = false;
  };
  std::vector<TPart> Parts; // one per signal, in record order
};

TRecordLayout LayoutOf(const TCustomEDFFile& File) {
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  TRecordLayout L;
  L.HeaderBytes = Info.HeaderBytes();
  L.Records = Info.NrDataRecords();
  for (int32_t i = 0; i < File.SignalCount(); ++i) {
    const TCustomEDFSignalInfo& S = *File.GetSignal(i);
    const int64_t Size = int64_t{S.NrSamples()} * File.SampleBytes();
    L.Parts.push_back({L.RecordBytes, Size, IsAnnotationSignal(Info, S)});
    L.RecordBytes += Size;
  }
  return L;
}

// The SHA-256 of the ordinary signals' bytes, run by run on a thread of its own, so that hashing
// overlaps reading, scrubbing and writing. Runs are hashed in file order; a run's buffer must
// stay unchanged until the next Add or Finish returns.
class TSignalHash {
public:
  explicit TSignalHash(const TRecordLayout& Layout) {
    // Adjacent ordinary signals are hashed in one piece.
    for (const TRecordLayout::TPart& Part : Layout.Parts)
      if (Part.Annotations)
        continue;
      else if (!FSpans.empty() && FSpans.back().first + FSpans.back().second == Part.Offset)
        FSpans.back().second += Part.Size;
      else
        FSpans.emplace_back(Part.Offset, Part.Size);
    FRecordBytes = Layout.RecordBytes;
  }
  ~TSignalHash() {
    if (FPending.valid())
      FPending.wait();
  }
  TSignalHash(const TSignalHash&) = delete;
  TSignalHash& operator=(const TSignalHash&) = delete;

  void Add(const char* Run, int64_t Records) {
    if (FPending.valid())
      FPending.get();
    FPending = std::async(std::launch::async, [this, Run, Records] {
      for (int64_t k = 0; k < Records; ++k)
        for (const auto& [Offset, Size] : FSpans)
          FHash.Add(Run + k * FRecordBytes + Offset, static_cast<std::size_t>(Size));
    });
  }
  std::string Finish() {
    if (FPending.valid())
      FPending.get();
    return FHash.Hex();
  }

private:
  TSHA256 FHash;
  std::vector<std::pair<int64_t, int64_t>> FSpans; // offset and size within a record
  int64_t FRecordBytes = 0;
  std::future<void> FPending;
};

// Two run buffers: one is hashed while the other is filled.
struct TRunBuffers {
  explicit TRunBuffers(const TRecordLayout& L)
      : PerRun(std::max<int64_t>(1, RunBytes / std::max<int64_t>(1, L.RecordBytes))) {
    for (std::vector<char>& B : Buffers)
      B.resize(static_cast<std::size_t>(PerRun * L.RecordBytes));
  }
  char* For(int64_t Record) {
    return Buffers[static_cast<std::size_t>(Record / PerRun % 2)].data();
  }
  int64_t PerRun;
  std::array<std::vector<char>, 2> Buffers;
};

void OpenReading(TEDFFile& File, const std::string& Path) {
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(false);
  File.SetAcceptBDF(true);
  File.Open();
  bool Valid = false;
  try {
    Valid = File.IsValid();
  } catch (const EDataFile&) {
    Valid = false; // no buffer could be made for the layout
  }
  if (!Valid)
    throw Exception("the header cannot be read (status " + std::to_string(File.Status()) +
                    "); nothing written");
}

void ReadAll(int Handle, char* Bytes, int64_t Size, int64_t Offset, const std::string& Path) {
  while (Size > 0) {
    const ssize_t Got = ::pread(Handle, Bytes, static_cast<std::size_t>(Size), Offset);
    if (Got < 0 && errno == EINTR)
      continue;
    if (Got <= 0) {
      if (Got == 0)
        errno = EIO;
      throw EReadError(SystemMessage("Cannot read file", Path));
    }
    Bytes += Got;
    Size -= Got;
    Offset += Got;
  }
}

void WriteAll(int Handle, const char* Bytes, int64_t Size, const std::string& Path) {
  while (Size > 0) {
    const ssize_t Put = ::write(Handle, Bytes, static_cast<std::size_t>(Size));
    if (Put < 0 && errno == EINTR)
      continue;
    if (Put < 0)
      throw EWriteError(SystemMessage("Cannot write file", Path));
    Bytes += Put;
    Size -= Put;
  }
}

void PutAll(int Handle, const char* Bytes, int64_t Size, int64_t Offset, const std::string& Path) {
  while (Size > 0) {
    const ssize_t Put = ::pwrite(Handle, Bytes, static_cast<std::size_t>(Size), Offset);
    if (Put < 0 && errno == EINTR)
      continue;
    if (Put < 0)
      throw EWriteError(SystemMessage("Cannot write file", Path));
    Bytes += Put;
    Size -= Put;
    Offset += Put;
  }
}

// Size bytes from Offset of From to the same offset of To, copied by the system without passing
// through this process; false when the system cannot do so for these files (nothing copied
// then), which is no failure.
bool CopyRange(int From, int To, int64_t Offset, int64_t Size) {
  loff_t In = Offset, Out = Offset;
  while (Size > 0) {
    const ssize_t Done = ::copy_file_range(From, &In, To, &Out, static_cast<std::size_t>(Size), 0);
    if (Done < 0 && errno == EINTR)
      continue;
    if (Done <= 0)
      return false;
    Size -= Done;
  }
  return true;
}

class THandle {
public:
  THandle(const std::string& Path, int Flags) : FHandle(::open(Path.c_str(), Flags, 0644)) {
    if (FHandle < 0)
      throw EFOpenError(SystemMessage("Cannot open file", Path));
  }
  ~THandle() { ::close(FHandle); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  int operator*() const { return FHandle; }

private:
  int FHandle;
};

// A sub-field text of an identification field: blanks become "_", empty becomes "X".
std::string SubField(const std::string& Text) {
  std::string Field = Trim(Text);
  std::replace(Field.begin(), Field.end(), ' ', '_');
  return Field.empty() ? "X" : Field;
}

std::string IdentificationDate(TDateTime Date) {
  uint16_t Year = 0, Month = 0, Day = 0;
  DecodeDate(Date, Year, Month, Day);
  char Text[16];
  std::snprintf(Text, sizeof Text, "%02u-%s-%04u", unsigned{Day}, Months.at(Month - 1u),
                unsigned{Year});
  return Text;
}

std::string HeaderDate(TDateTime Date) {
  uint16_t Year = 0, Month = 0, Day = 0;
  DecodeDate(Date, Year, Month, Day);
  if (Year < 1985 || Year > 2084)
    throw Exception("the start date would fall outside 1985..2084, which the header cannot "
                    "hold; nothing written");
  char Text[16];
  std::snprintf(Text, sizeof Text, "%02u.%02u.%02u", unsigned{Day}, unsigned{Month},
                unsigned{Year % 100u});
  return Text;
}

// The words a copy must not hold: the patient code and the parts of the name (EDF+), every
// word of two letters or more (plain EDF), and those of the scrub list. Lower case, longest
// first, so that a longer word is replaced before a part of it.
std::vector<std::string> ScrubWordsOf(const TCustomEDFFileInfo& Info, bool Plus,
                                      const std::vector<std::string>& Listed) {
  std::vector<std::string> Words;
  auto AddParts = [&Words](const std::string& Text, auto IsSeparator) {
    std::string Part;
    for (const char c : Text + ' ')
      if (IsSeparator(static_cast<unsigned char>(c))) {
        if (Part.size() >= 2)
          Words.push_back(Part);
        Part.clear();
      } else {
        Part += c;
      }
  };
  if (Plus) {
    const TEDFPatientInfo& P = Info.PatientInfo();
    // The code as read (blanks restored) and as the field spells it.
    const std::string Code = Trim(P.HospitalCode());
    if (Code.size() >= 2) {
      Words.push_back(Code);
      Words.push_back(SubField(Code));
    }
    AddParts(P.PatientName(), [](unsigned char c) { return c == '_' || c == '-' || c == ' '; });
  } else {
    AddParts(Info.Patient(), [](unsigned char c) { return c < 0x80 && !std::isalpha(c); });
  }
  Words.insert(Words.end(), Listed.begin(), Listed.end());
  for (std::string& Word : Words)
    Word = Lower(Word);
  std::erase_if(Words, [](const std::string& Word) { return Word.empty() || AllX(Word); });
  std::sort(Words.begin(), Words.end(), [](const std::string& A, const std::string& B) {
    return A.size() != B.size() ? A.size() > B.size() : A < B;
  });
  Words.erase(std::unique(Words.begin(), Words.end()), Words.end());
  return Words;
}

// Replaces every occurrence of Words in Text (any letter case) by as many "X" as it has bytes.
bool ScrubText(char* Text, std::size_t Size, const std::vector<std::string>& Words) {
  std::string Folded = Lower(std::string(Text, Size));
  bool Changed = false;
  for (const std::string& Word : Words)
    for (std::size_t At = Folded.find(Word); At != std::string::npos;
         At = Folded.find(Word, At + Word.size())) {
      std::memset(Text + At, 'X', Word.size());
      std::memset(Folded.data() + At, 'x', Word.size());
      Changed = true;
    }
  return Changed;
}

const std::string* WordIn(const std::string& Text, const std::vector<std::string>& Words) {
  const std::string Folded = Lower(Text);
  for (const std::string& Word : Words)
    if (Folded.find(Word) != std::string::npos)
      return &Word;
  return nullptr;
}

// Scrubs (or drops) the annotation texts of one annotation signal's bytes in one record, in
// place. The TAL framing is followed byte by byte; a list that breaks it fails the file, as
// its texts could not be told from its numbers.
int64_t ScrubAnnotationBytes(char* Bytes, int64_t Size, bool TimeKeeping,
                             const TAnonymizeSettings& Settings,
                             const std::vector<std::string>& Words, int64_t Record) {
  auto Broken = [Record] {
    return Exception("the annotation list of data record " + std::to_string(Record + 1) +
                     " cannot be read; nothing written");
  };
  int64_t Scrubbed = 0;
  int64_t At = 0;
  int64_t Kept = 0; // with DropAnnotations: bytes of the time-keeping TAL kept at the start
  bool First = true;
  while (At < Size && Bytes[At] != 0) {
    const char* Onset = static_cast<const char*>(std::memchr(Bytes + At, 0x14, Size - At));
    if (!Onset)
      throw Broken();
    int64_t Text = Onset - Bytes + 1;
    const int64_t TALStart = At;
    const bool KeepsTime = First && TimeKeeping;
    while (true) {
      if (Text >= Size)
        throw Broken();
      if (Bytes[Text] == 0)
        break;
      const char* End = static_cast<const char*>(std::memchr(Bytes + Text, 0x14, Size - Text));
      if (!End)
        throw Broken();
      const int64_t Length = End - Bytes - Text;
      if (std::memchr(Bytes + Text, 0, static_cast<std::size_t>(Length)))
        throw Broken();
      if (Length > 0) {
        if (Settings.DropAnnotations)
          ++Scrubbed;
        else if (ScrubText(Bytes + Text, static_cast<std::size_t>(Length), Words))
          ++Scrubbed;
      }
      Text = End - Bytes + 1;
    }
    if (Settings.DropAnnotations && KeepsTime) {
      // The onset, the empty text that marks time-keeping, the end of the TAL.
      const int64_t OnsetEnd = Onset - Bytes + 1;
      Kept = OnsetEnd - TALStart + 2;
      Bytes[OnsetEnd] = 0x14;
      Bytes[OnsetEnd + 1] = 0;
    }
    At = Text + 1;
    First = false;
  }
  if (Settings.DropAnnotations && Size > Kept)
    std::memset(Bytes + Kept, 0, static_cast<std::size_t>(Size - Kept));
  return Scrubbed;
}

// The year of the birth date sub-field "dd-MMM-yyyy" (the third), when it has that form.
std::optional<int> BirthYear(const std::string& Patient) {
  std::istringstream Fields(Patient);
  std::string Field;
  int Count = 0;
  while (Count < 3 && Fields >> Field)
    ++Count;
  static const std::regex Form(R"(\d\d[-.][A-Za-z]{3}[-.](\d{4}))");
  std::smatch Match;
  if (Count < 3 || !std::regex_match(Field, Match, Form))
    return std::nullopt;
  return std::stoi(Match[1].str());
}

// The fields written anew, by field index of the general header.
struct TNewFields {
  std::string Patient, Recording, StartDate, StartTime, Reserved;
  std::vector<std::string> Required; // texts the new header holds by rule, lower case
};

TNewFields NewFields(const TCustomEDFFileInfo& Info, TEDFFormat Format,
                     const TAnonymizeSettings& Settings, TAnonymizeResult& Result) {
  TNewFields F;
  const TEDFPatientInfo& P = Info.PatientInfo();
  Result.Subject = SubField(Settings.Subject);
  const std::string Sex = Settings.KeepSex && P.Sex() ? std::string(1, P.Sex()) : "X";
  std::string Birth = "X";
  if (Settings.KeepBirthYear)
    if (const std::optional<int> Year = BirthYear(Info.Patient()))
      Birth = "01-JAN-" + std::to_string(*Year);
  F.Patient = Result.Subject + " " + Sex + " " + Birth + " X";

  TDateTime Date = Info.StartDate();
  if (Settings.Date == TDatePolicy::Fixed1985) {
    Date = EncodeDate(1985, 1, 1);
  } else if (Settings.Date == TDatePolicy::Shift) {
    const std::string Key =
        Settings.Subject.empty()
            ? (EDFPlusKindOf(Info.Reserved(), Format) != TEDFPlusKind::None ? P.HospitalCode()
                                                                            : Trim(Info.Patient()))
            : Settings.Subject;
    Result.ShiftDays = Settings.ShiftDays ? *Settings.ShiftDays : DrawShiftDays(Settings.Seed, Key);
    Date += static_cast<TDateTime>(*Result.ShiftDays);
  }
  F.StartDate = HeaderDate(Date);
  const std::string Equipment =
      Settings.KeepEquipment ? SubField(Info.RecordingInfo().EquipmentCode()) : "X";
  F.Recording = "Startdate " + IdentificationDate(Date) + " X X " + Equipment;
  F.StartTime = Settings.ZeroTime ? "00.00.00" : std::string();
  const TEDFPlusKind Kind = EDFPlusKindOf(Info.Reserved(), Format);
  const std::string Reserved = Info.Reserved();
  F.Reserved = Kind != TEDFPlusKind::None ? Reserved.substr(0, 5) : std::string();
  F.Required = {Lower(Result.Subject), Lower(F.Recording.substr(0, 21)), Lower(Sex), Lower(Birth),
                Lower(F.Reserved)};
  if (Settings.KeepEquipment)
    F.Required.push_back(Lower(Equipment));
  if (F.Patient.size() > 80 || F.Recording.size() > 80)
    throw Exception("the subject code or the equipment does not fit the header; nothing written");
  return F;
}

// Writes Text blank-padded into the header copy at field Field; returns whether bytes changed.
bool PutField(std::string& Header, TGeneralField Field, const std::string& Text) {
  const TEDFFieldDef& Def = GeneralHeaderFields[static_cast<int>(Field)];
  std::string Padded = Text;
  Padded.resize(static_cast<std::size_t>(Def.Width), ' ');
  const std::size_t Start = static_cast<std::size_t>(Def.Start);
  if (Header.compare(Start, Padded.size(), Padded) == 0)
    return false;
  Header.replace(Start, Padded.size(), Padded);
  return true;
}

std::string FieldText(const std::string& Header, TGeneralField Field) {
  const TEDFFieldDef& Def = GeneralHeaderFields[static_cast<int>(Field)];
  return Header.substr(static_cast<std::size_t>(Def.Start), static_cast<std::size_t>(Def.Width));
}

// Reads the copy again: its header as the file object reads it, no scrubbed word in the fields
// written from old text nor in any annotation text, and the ordinary signals' bytes hashed.
void ProveCopy(const std::string& Temporary, const TRecordLayout& Expected,
               const std::vector<std::string>& Words, const std::vector<std::string>& Required,
               TAnonymizeResult& Result) {
  TEDFFile Copy;
  OpenReading(Copy, Temporary);
  const TRecordLayout L = LayoutOf(Copy);
  if (L.HeaderBytes != Expected.HeaderBytes || L.RecordBytes != Expected.RecordBytes ||
      L.Records != Expected.Records)
    throw Exception("the copy does not have the layout of the input");
  std::vector<std::string> HeaderWords;
  for (const std::string& Word : Words)
    if (std::none_of(Required.begin(), Required.end(), [&Word](const std::string& Text) {
          return Text.find(Word) != std::string::npos;
        }))
      HeaderWords.push_back(Word);
  const TCustomEDFFileInfo& Info = *Copy.FileInfo();
  const std::string Recording = Info.Recording();
  const std::string AfterDate = Recording.size() > 21 ? Recording.substr(21) : std::string();
  for (const std::string* Text : {&Info.Patient(), &AfterDate, &Info.Reserved()})
    if (WordIn(*Text, HeaderWords))
      throw Exception("a scrubbed word is still in the header of the copy");

  THandle Handle(Temporary, O_RDONLY);
  TRunBuffers Runs(L);
  TSignalHash Hash(L);
  for (int64_t r = 0; r < L.Records; r += Runs.PerRun) {
    const int64_t Count = std::min(Runs.PerRun, L.Records - r);
    char* Run = Runs.For(r);
    ReadAll(*Handle, Run, Count * L.RecordBytes, L.HeaderBytes + r * L.RecordBytes, Temporary);
    Hash.Add(Run, Count);
    for (int64_t k = 0; k < Count; ++k) {
      const char* Record = Run + k * L.RecordBytes;
      bool TimeKeeping = true;
      for (std::size_t s = 0; s < L.Parts.size(); ++s) {
        const TRecordLayout::TPart& Part = L.Parts[s];
        if (!Part.Annotations)
          continue;
        const TEDFAnnotationList List =
            ParseAnnotationList(std::string_view(Record + Part.Offset, Part.Size), r + k,
                                static_cast<int32_t>(s), TimeKeeping);
        TimeKeeping = false;
        for (const TEDFAnnotation& A : List.Annotations)
          if (WordIn(A.Text, Words))
            throw Exception("a scrubbed word is still in an annotation of data record " +
                            std::to_string(r + k + 1) + " of the copy");
      }
    }
  }
  Result.OutputSHA256 = Hash.Finish();
  if (Result.OutputSHA256 != Result.InputSHA256)
    throw Exception("the signal bytes of the copy differ from the input's");
}

} // namespace

void WriteAnonymizedCopy(const std::string& Input, const std::string& Temporary,
                         const TAnonymizeSettings& Settings, TAnonymizeResult& Result) {
  TEDFFile In;
  OpenReading(In, Input);
  const TCustomEDFFileInfo& Info = *In.FileInfo();
  const TRecordLayout L = LayoutOf(In);
  const TEDFFormat Format = In.Format();
  const bool Plus = EDFPlusKindOf(Info.Reserved(), Format) != TEDFPlusKind::None;
  const std::vector<std::string> Words = ScrubWordsOf(Info, Plus, Settings.ScrubWords);
  const TNewFields F = NewFields(Info, Format, Settings, Result);

  THandle From(Input, O_RDONLY);
  std::string Header(static_cast<std::size_t>(L.HeaderBytes), ' ');
  ReadAll(*From, Header.data(), L.HeaderBytes, 0, Input);
  const std::pair<TGeneralField, std::string> Fields[] = {
      {TGeneralField::Patient, F.Patient},
      {TGeneralField::Recording, F.Recording},
      {TGeneralField::StartDate, F.StartDate},
      {TGeneralField::StartTime,
       Settings.ZeroTime ? F.StartTime : FieldText(Header, TGeneralField::StartTime)},
      {TGeneralField::Reserved, F.Reserved}};
  Result.Changed.clear();
  for (const auto& [Field, Text] : Fields)
    if (PutField(Header, Field, Text))
      Result.Changed.emplace_back(GeneralHeaderFields[static_cast<int>(Field)].Name);

  THandle To(Temporary, O_WRONLY | O_CREAT | O_TRUNC);
  WriteAll(*To, Header.data(), L.HeaderBytes, Temporary);
  TRunBuffers Runs(L);
  TSignalHash Hash(L);
  Result.ScrubbedAnnotations = 0;
  bool InKernel = true; // the system copies the records itself while it can
  for (int64_t r = 0; r < L.Records; r += Runs.PerRun) {
    const int64_t Count = std::min(Runs.PerRun, L.Records - r);
    const int64_t Size = Count * L.RecordBytes;
    const int64_t Offset = L.HeaderBytes + r * L.RecordBytes;
    char* Run = Runs.For(r);
    ReadAll(*From, Run, Size, Offset, Input);
    // Hashing reads only the ordinary signals' bytes; scrubbing changes only the others.
    Hash.Add(Run, Count);
    // Records copied by the system from the input; the bytes read above are what the proof
    // compares the copy with, so a file changed in between fails it.
    InKernel = InKernel && CopyRange(*From, *To, Offset, Size);
    if (!InKernel)
      PutAll(*To, Run, Size, Offset, Temporary);
    for (int64_t k = 0; k < Count; ++k) {
      char* Record = Run + k * L.RecordBytes;
      bool TimeKeeping = true;
      for (const TRecordLayout::TPart& Part : L.Parts) {
        if (!Part.Annotations)
          continue;
        const int64_t Scrubbed = ScrubAnnotationBytes(Record + Part.Offset, Part.Size, TimeKeeping,
                                                      Settings, Words, r + k);
        TimeKeeping = false;
        Result.ScrubbedAnnotations += Scrubbed;
        if (Scrubbed > 0 || Settings.DropAnnotations)
          PutAll(*To, Record + Part.Offset, Part.Size, Offset + k * L.RecordBytes + Part.Offset,
                 Temporary);
      }
    }
    StartWriteBack(*To, static_cast<uint64_t>(Offset), static_cast<uint64_t>(Size));
  }
  Result.Records = L.Records;
  Result.InputSHA256 = Hash.Finish();
  ProveCopy(Temporary, L, Words, F.Required, Result);
}

std::vector<std::string> ReadScrubList(std::istream& List, const std::string& Name) {
  std::vector<std::string> Words;
  std::string Line;
  for (int64_t Number = 1; std::getline(List, Line); ++Number) {
    if (!Line.empty() && Line.back() == '\r')
      Line.pop_back();
    const std::string Where = Name + ", line " + std::to_string(Number) + ": ";
    if (Trim(Line).empty())
      throw std::runtime_error(Where + "empty; give one word or phrase a line");
    const auto* Bytes = reinterpret_cast<const uint8_t*>(Line.data());
    const auto Length = static_cast<int32_t>(Line.size());
    for (int32_t i = 0; i < Length;) {
      UChar32 Code = 0;
      U8_NEXT(Bytes, i, Length, Code);
      if (Code < 0)
        throw std::runtime_error(Where + "not UTF-8 text");
    }
    Words.push_back(Trim(Line));
  }
  return Words;
}

std::string SHA256Hex(const std::string& Bytes) {
  TSHA256 Hash;
  Hash.Add(Bytes.data(), Bytes.size());
  return Hash.Hex();
}

int64_t DrawShiftDays(uint64_t Seed, const std::string& Key) {
  const std::string Digest = SHA256Hex(std::to_string(Seed) + "\n" + Key);
  const uint64_t Value = std::stoull(Digest.substr(0, 15), nullptr, 16);
  return -1 - static_cast<int64_t>(Value % 3652);
}

namespace {

// The cells of one CSV row: commas separate, double quotes enclose a cell that holds commas
// ("" is one quote). Raises on a quote left open.
std::vector<std::string> CSVCells(const std::string& Row) {
  std::vector<std::string> Cells(1);
  bool Quoted = false;
  for (std::size_t i = 0; i < Row.size(); ++i) {
    const char c = Row[i];
    if (Quoted) {
      if (c == '"' && i + 1 < Row.size() && Row[i + 1] == '"')
        Cells.back() += Row[++i];
      else if (c == '"')
        Quoted = false;
      else
        Cells.back() += c;
    } else if (c == '"') {
      Quoted = true;
    } else if (c == ',') {
      Cells.emplace_back();
    } else {
      Cells.back() += c;
    }
  }
  if (Quoted)
    throw std::runtime_error("a quote is not closed");
  for (std::string& Cell : Cells)
    Cell = Trim(Cell);
  return Cells;
}

bool SafeOutputName(const std::string& Name) {
  const std::filesystem::path Path(Name);
  if (Name.empty() || Path.is_absolute() || !Path.has_filename())
    return false;
  return std::none_of(Path.begin(), Path.end(),
                      [](const std::filesystem::path& Part) { return Part == ".."; });
}

} // namespace

std::vector<TAnonymizeMapRow> ReadAnonymizeMap(std::istream& Map, const std::string& Name) {
  std::vector<TAnonymizeMapRow> Rows;
  std::map<std::string, int64_t> Outputs;
  std::string Line;
  for (int64_t Number = 1; std::getline(Map, Line); ++Number) {
    if (!Line.empty() && Line.back() == '\r')
      Line.pop_back();
    if (Trim(Line).empty())
      continue;
    const std::string Where = Name + ", line " + std::to_string(Number) + ": ";
    try {
      const std::vector<std::string> Cells = CSVCells(Line);
      if (Number == 1 && Lower(Cells[0]) == "input")
        continue; // the column names
      if (Cells.size() < 3 || Cells.size() > 4)
        throw std::runtime_error("expected input,subject,output[,shift_days]");
      TAnonymizeMapRow Row{Number, Cells[0], Cells[1], Cells[2], std::nullopt};
      if (Row.Input.empty() || Row.Subject.empty())
        throw std::runtime_error("the input and the subject must not be empty");
      if (!std::all_of(Row.Subject.begin(), Row.Subject.end(),
                       [](unsigned char c) { return c > 32 && c < 127; }))
        throw std::runtime_error("the subject must be printable ASCII without blanks");
      if (!SafeOutputName(Row.Output))
        throw std::runtime_error("the output must be a relative name inside the output folder");
      if (Cells.size() == 4 && !Cells[3].empty()) {
        std::size_t Used = 0;
        int64_t Days = 0;
        try {
          Days = std::stoll(Cells[3], &Used);
        } catch (const std::exception&) {
          Used = 0;
        }
        if (Used != Cells[3].size() || Days < -36500 || Days > 36500)
          throw std::runtime_error("shift_days must be a whole number of days");
        Row.ShiftDays = Days;
      }
      const std::string Key = std::filesystem::path(Row.Output).lexically_normal().string();
      const auto [Where2, Fresh] = Outputs.emplace(Key, Number);
      if (!Fresh)
        throw std::runtime_error("the output \"" + Row.Output + "\" is named on line " +
                                 std::to_string(Where2->second) + " too");
      Rows.push_back(std::move(Row));
    } catch (const std::runtime_error& E) {
      throw std::runtime_error(Where + E.what());
    }
  }
  return Rows;
}

std::string AnonymizeJson(const std::string& Input, const std::string& Output,
                          const TAnonymizeResult* Result, const std::string& Reason,
                          std::optional<uint64_t> Seed) {
  auto NameBytes = [](const std::string& Name) -> json {
    try {
      (void)json(Name).dump();
      return nullptr;
    } catch (const json::type_error&) {
      static constexpr char Hex[] = "0123456789abcdef";
      std::string Digits;
      for (const unsigned char Byte : Name)
        Digits += {Hex[Byte >> 4], Hex[Byte & 15]};
      return Digits;
    }
  };
  json Object = {{"input", Input},
                 {"input_bytes", NameBytes(Input)},
                 {"output", Result ? json(Output) : json(nullptr)},
                 {"output_bytes", Result ? NameBytes(Output) : json(nullptr)},
                 {"error", Reason.empty() ? json(nullptr) : json(Reason)}};
  if (Result) {
    Object["subject"] = Result->Subject;
    Object["date_shift_days"] = Result->ShiftDays ? json(*Result->ShiftDays) : json(nullptr);
    Object["seed"] = Result->ShiftDays && Seed ? json(*Seed) : json(nullptr);
    Object["fields_changed"] = Result->Changed;
    Object["annotations_scrubbed"] = Result->ScrubbedAnnotations;
    Object["records"] = Result->Records;
    Object["signals_sha256_input"] = Result->InputSHA256;
    Object["signals_sha256_output"] = Result->OutputSHA256;
  }
  return Object.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string AnonymizeText(const std::string& Input, const std::string& Output,
                          const TAnonymizeResult& Result) {
  std::ostringstream Line;
  Line << Input << " -> " << Output << ": subject " << Result.Subject;
  if (Result.ShiftDays)
    Line << ", date shifted " << *Result.ShiftDays << " days";
  Line << ", " << Result.Changed.size() << " header fields changed, " << Result.ScrubbedAnnotations
       << " annotations scrubbed, signals SHA-256 " << Result.OutputSHA256 << " equal\n";
  return Line.str();
}

} // namespace velastrin
