// The de-identification engine. The header is read by the file object (lenient, as check
// reads); the bytes are then copied by this unit itself, so that nothing but the fields it
// decides on can change.
#include "check/uEDFAnonymize.h"

#include "check/uEDFReport.h"
#include "edf/uEDF.h"
#include "edf/uEDFExportCheck.h"
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
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <sys/mman.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace velastrin {

namespace {

using json = nlohmann::json;

// Date shifts go 1 to this many days back.
constexpr int64_t MaxShiftDays = 3652;

// Records are copied in runs of about this many bytes: a run read from the input is still in
// the processor's cache when it is written to the copy (larger runs cost a pass through memory).
constexpr int64_t RunBytes = int64_t{256} << 10;

// Runs read and written ahead of the proof, each in a buffer of its own.
constexpr std::size_t RunsAhead = 8;

// The disk is asked to write the copy in pieces of about this many bytes.
constexpr int64_t WriteBackBytes = int64_t{4} << 20;

constexpr std::array<const char*, 12> Months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

std::string Lower(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return Text;
}

void SkipByteOrderMark(std::string& Line) {
  if (Line.starts_with("\xEF\xBB\xBF"))
    Line.erase(0, 3);
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

// Offsets and sizes within a record of the ordinary signals' bytes, adjacent ones joined.
std::vector<std::pair<int64_t, int64_t>> OrdinarySpans(const TRecordLayout& L) {
  std::vector<std::pair<int64_t, int64_t>> Spans;
  for (const TRecordLayout::TPart& Part : L.Parts)
    if (Part.Annotations)
      continue;
    else if (!Spans.empty() && Spans.back().first + Spans.back().second == Part.Offset)
      Spans.back().second += Part.Size;
    else
      Spans.emplace_back(Part.Offset, Part.Size);
  return Spans;
}

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
  if (!Valid) {
    // check's words for the cause, never the reader's internal status
    std::string Reason;
    try {
      std::error_code Error;
      const auto Size = std::filesystem::file_size(Path, Error);
      Reason = HeaderRefusal(File, Error ? 0 : static_cast<int64_t>(Size));
    } catch (const std::exception&) {
      Reason.clear();
    }
    Reason = Reason.substr(0, Reason.find('\n'));
    throw Exception((Reason.empty() ? "the header cannot be read" : Reason) + "; nothing written");
  }
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

// A file mapped read-only: the copy read again without copying its bytes out of the system's
// cache. Bytes() is null when the file system cannot map it.
class TMapping {
public:
  TMapping(int Handle, int64_t Size) : FSize(static_cast<std::size_t>(Size)) {
    if (FSize == 0)
      return;
    void* At = ::mmap(nullptr, FSize, PROT_READ, MAP_SHARED, Handle, 0);
    if (At == MAP_FAILED)
      return; // a file system that cannot map it: the caller reads it
    ::madvise(At, FSize, MADV_SEQUENTIAL);
    FBytes = static_cast<const char*>(At);
  }
  ~TMapping() {
    if (FBytes)
      ::munmap(const_cast<char*>(FBytes), FSize);
  }
  TMapping(const TMapping&) = delete;
  TMapping& operator=(const TMapping&) = delete;
  const char* Bytes() const { return FBytes; }
  // Lets the pages of [From, To) go from this process (the system keeps them cached).
  void Release(int64_t From, int64_t To) const {
    const auto Page = static_cast<int64_t>(::sysconf(_SC_PAGESIZE));
    From -= From % Page;
    if (FBytes && To > From)
      ::madvise(const_cast<char*>(FBytes) + From, static_cast<std::size_t>(To - From),
                MADV_DONTNEED);
  }

private:
  const char* FBytes = nullptr;
  std::size_t FSize;
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

// Letter case folded for ASCII and the Latin-1 capitals, in Latin-1 (one byte) and in UTF-8
// (0xC3 and one byte): every byte keeps its place, so a match in the folded text is a match
// at the same offset of the bytes. Text and identifiers fold alike, whatever their encoding.
std::string Folded(std::string_view Bytes) {
  std::string Out(Bytes);
  for (std::size_t i = 0; i < Out.size(); ++i) {
    const auto c = static_cast<unsigned char>(Bytes[i]);
    const bool Latin1Capital = c >= 0xC0 && c <= 0xDE && c != 0xD7;
    const bool UTF8Capital = c >= 0x80 && c <= 0x9E && c != 0x97 && i > 0 &&
                             static_cast<unsigned char>(Bytes[i - 1]) == 0xC3;
    if ((c >= 'A' && c <= 'Z') || Latin1Capital || UTF8Capital)
      Out[i] = static_cast<char>(c + 0x20);
  }
  return Out;
}

bool IsWordByte(unsigned char c) {
  return std::isalnum(c) || c >= 0x80;
}

bool IsLetterByte(unsigned char c) {
  return std::isalpha(c) || c >= 0x80;
}

// The characters of a UTF-8 text (its bytes for any other).
std::size_t Characters(const std::string& Text) {
  return static_cast<std::size_t>(std::count_if(Text.begin(), Text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

std::optional<std::string> UTF8ToLatin1(const std::string& Text) {
  const auto* Bytes = reinterpret_cast<const uint8_t*>(Text.data());
  const auto Length = static_cast<int32_t>(Text.size());
  std::string Latin1;
  for (int32_t i = 0; i < Length;) {
    UChar32 Code = 0;
    U8_NEXT(Bytes, i, Length, Code);
    if (Code < 0 || Code > 0xFF)
      return std::nullopt;
    Latin1 += static_cast<char>(Code);
  }
  return Latin1;
}

std::string Latin1ToUTF8(const std::string& Text) {
  std::string UTF8;
  for (const char c : Text) {
    const auto Code = static_cast<unsigned char>(c);
    if (Code < 0x80) {
      UTF8 += c;
    } else {
      UTF8 += static_cast<char>(0xC0 | (Code >> 6));
      UTF8 += static_cast<char>(0x80 | (Code & 0x3F));
    }
  }
  return UTF8;
}

// Every text a copy must not hold, in each spelling it is searched in.
struct TIdentifiers {
  struct TSpelling {
    std::string Folded;
    bool WholeWord = false; // of two characters: only where no letter or digit touches it
    bool Lettered = false;  // holds a letter; others are not searched in number fields
  };
  std::vector<TSpelling> Spellings; // longest first
  int64_t Count = 0;                // identifiers, each counted once whatever its spellings

  // Offset of the first identifier in Text (all, or those with a letter), or npos.
  std::size_t Find(std::string_view Text, bool LetteredOnly) const {
    const std::string Fold = Folded(Text);
    std::size_t First = std::string::npos;
    for (const TSpelling& S : Spellings)
      if (!LetteredOnly || S.Lettered)
        First = std::min(First, Next(Fold, S, 0));
    return First;
  }
  // Replaces every identifier in Text by as many "X" as it has bytes; true when any was.
  bool Scrub(char* Text, std::size_t Size) const {
    std::string Fold = Folded(std::string_view(Text, Size));
    bool Changed = false;
    for (const TSpelling& S : Spellings)
      for (std::size_t At = Next(Fold, S, 0); At != std::string::npos;
           At = Next(Fold, S, At + S.Folded.size())) {
        std::memset(Text + At, 'X', S.Folded.size());
        std::memset(Fold.data() + At, 'x', S.Folded.size());
        Changed = true;
      }
    return Changed;
  }

private:
  static std::size_t Next(const std::string& Fold, const TSpelling& S, std::size_t From) {
    for (std::size_t At = Fold.find(S.Folded, From); At != std::string::npos;
         At = Fold.find(S.Folded, At + 1)) {
      const std::size_t End = At + S.Folded.size();
      if (!S.WholeWord ||
          ((At == 0 || !IsWordByte(static_cast<unsigned char>(Fold[At - 1]))) &&
           (End == Fold.size() || !IsWordByte(static_cast<unsigned char>(Fold[End])))))
        return At;
    }
    return std::string::npos;
  }
};

// The identifier list: from the patient field, in any form, every word of two letters or more
// and the birth date (dd-MMM-yyyy, and as yyyy-mm-dd, dd.mm.yyyy, dd/mm/yyyy); for EDF+ the
// code (the first sub-field) whole; from an EDF+ recording field the hospital code, the
// technician and (unless kept) the equipment, whole and each word "_" separates; the scrub list's
// lines. The sex letter and "X" place holders are no words.
TIdentifiers IdentifiersOf(const TCustomEDFFileInfo& Info, bool Plus, bool KeepEquipment,
                           const std::vector<std::string>& Listed) {
  std::vector<std::string> Texts;
  auto AddWords = [&Texts](const std::string& Token) {
    std::string Word;
    for (const char c : Token + ' ')
      if (IsLetterByte(static_cast<unsigned char>(c))) {
        Word += c;
      } else {
        if (Characters(Word) >= 2)
          Texts.push_back(Word);
        Word.clear();
      }
  };
  // A sub-field whole, with blanks for its "_", and each of the words "_" separates.
  auto AddWhole = [&Texts](const std::string& Token) {
    std::string Blanks = Token;
    std::replace(Blanks.begin(), Blanks.end(), '_', ' ');
    Texts.insert(Texts.end(), {Token, Blanks});
    std::istringstream Words(Blanks);
    for (std::string Word; Words >> Word;)
      Texts.push_back(Word);
  };
  std::istringstream Patient(Info.Patient());
  static const std::regex Date(R"((\d\d)-([A-Za-z]{3})-(\d{4}))");
  std::smatch Match;
  bool First = true;
  for (std::string Token; Patient >> Token; First = false) {
    if (std::regex_match(Token, Match, Date)) {
      Texts.push_back(Token);
      const auto Month = std::find_if(Months.begin(), Months.end(), [&Match](const char* Name) {
        return Lower(Name) == Lower(Match[2].str());
      });
      if (Month != Months.end()) {
        const auto N = Month - Months.begin() + 1;
        const std::string D = Match[1].str(), Y = Match[3].str();
        const std::string M = (N < 10 ? "0" : "") + std::to_string(N);
        Texts.insert(Texts.end(),
                     {Y + "-" + M + "-" + D, D + "." + M + "." + Y, D + "/" + M + "/" + Y});
      }
    } else if (First && Plus) {
      AddWhole(Token);
      AddWords(Token);
    } else {
      AddWords(Token);
    }
  }
  std::istringstream Recording(Info.Recording());
  std::vector<std::string> Sub;
  for (std::string Token; Recording >> Token;)
    Sub.push_back(Token);
  if (Sub.size() >= 5 && Sub[0] == "Startdate")
    for (std::size_t i = 2; i < (KeepEquipment ? 4u : 5u); ++i)
      AddWhole(Sub[i]);
  Texts.insert(Texts.end(), Listed.begin(), Listed.end());

  std::map<std::string, std::string> Unique; // folded text: as found
  for (const std::string& Text : Texts)
    if (Characters(Text) >= 2 && !AllX(Text))
      Unique.emplace(Folded(Text), Text);
  TIdentifiers Ids;
  Ids.Count = static_cast<int64_t>(Unique.size());
  std::set<std::string> Seen;
  for (const auto& [Fold, Text] : Unique) {
    const bool WholeWord = Characters(Text) < 3;
    std::vector<std::string> Spellings = {Text};
    if (const std::optional<std::string> Latin1 = UTF8ToLatin1(Text))
      Spellings.push_back(*Latin1);
    else
      Spellings.push_back(Latin1ToUTF8(Text));
    for (const std::string& Spelling : Spellings)
      if (Seen.insert(Folded(Spelling)).second)
        Ids.Spellings.push_back(
            {Folded(Spelling), WholeWord, std::any_of(Spelling.begin(), Spelling.end(), [](char c) {
               return IsLetterByte(static_cast<unsigned char>(c));
             })});
  }
  std::sort(Ids.Spellings.begin(), Ids.Spellings.end(), [](const auto& A, const auto& B) {
    return A.Folded.size() != B.Folded.size() ? A.Folded.size() > B.Folded.size()
                                              : A.Folded < B.Folded;
  });
  return Ids;
}

// What scrubbing one annotation signal's bytes of one record did.
struct TScrubbed {
  int64_t Texts = 0;   // annotation texts changed or dropped
  bool Filler = false; // bytes after the last list were not all 0x00
  bool Changed() const { return Texts > 0 || Filler; }
};

// Scrubs (or drops) the annotation texts of one annotation signal's bytes in one record, in
// place, and sets the filler after the last list to 0x00. The TAL framing is followed byte by
// byte; the caller has refused lists whose framing is broken, as their texts could not be told
// from their numbers.
TScrubbed ScrubAnnotationBytes(char* Bytes, int64_t Size, bool TimeKeeping,
                               const TAnonymizeSettings& Settings, const TIdentifiers& Ids) {
  auto Broken = [] { return Exception("an annotation list cannot be read; nothing written"); };
  TScrubbed Done;
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
          ++Done.Texts;
        else if (Ids.Scrub(Bytes + Text, static_cast<std::size_t>(Length)))
          ++Done.Texts;
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
  if (Settings.DropAnnotations)
    At = Kept;
  if (At < Size && std::any_of(Bytes + At, Bytes + Size, [](char c) { return c != 0; })) {
    std::memset(Bytes + At, 0, static_cast<std::size_t>(Size - At));
    Done.Filler = !Settings.DropAnnotations;
  }
  return Done;
}

// Refuses a record's annotation list whose framing is broken, in check's words. Bytes after the
// last list are filler (set to 0x00 in the copy); a missing time-keeping annotation or a text
// that is not UTF-8 leave every text bounded, and check reports them in the copy as well.
void RefuseDamagedList(std::string_view Bytes, int64_t Record, int32_t Signal, bool TimeKeeping,
                       int64_t FilePosition) {
  const TEDFAnnotationList List = ParseAnnotationList(Bytes, Record, Signal, TimeKeeping);
  for (const TEDFPlusFault& Fault : List.Faults)
    if (Fault.Kind != TTALFault::BytesAfterEnd && Fault.Kind != TTALFault::NoTimeKeeping &&
        Fault.Kind != TTALFault::NotUTF8)
      throw Exception("the annotation list of data record " + std::to_string(Record + 1) +
                      " (signal " + std::to_string(Signal + 1) + ") is damaged at byte " +
                      std::to_string(FilePosition + Fault.Offset) + ": " + Fault.Message() +
                      "; nothing written");
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
  if (F.Patient.size() > 80 || F.Recording.size() > 80)
    throw Exception("the subject code or the equipment does not fit the header; nothing written");
  return F;
}

std::string Padded(std::string Text, const TEDFFieldDef& Def) {
  Text.resize(static_cast<std::size_t>(Def.Width), ' ');
  return Text;
}

// Writes Text blank-padded into the header copy at field Field; returns whether bytes changed.
bool PutField(std::string& Header, TGeneralField Field, const std::string& Text) {
  const TEDFFieldDef& Def = GeneralHeaderFields[static_cast<int>(Field)];
  const std::string New = Padded(Text, Def);
  const std::size_t Start = static_cast<std::size_t>(Def.Start);
  if (Header.compare(Start, New.size(), New) == 0)
    return false;
  Header.replace(Start, New.size(), New);
  return true;
}

std::string FieldText(const std::string& Header, TGeneralField Field) {
  const TEDFFieldDef& Def = GeneralHeaderFields[static_cast<int>(Field)];
  return Header.substr(static_cast<std::size_t>(Def.Start), static_cast<std::size_t>(Def.Width));
}

// One field of a signal header: its offset in the header, and its name as check gives it.
struct TSignalHeaderField {
  std::size_t Offset;
  std::size_t Width;
  std::string Name;
};

TSignalHeaderField SignalHeaderField(const TRecordLayout& L, std::size_t Signal, int Field) {
  const TEDFFieldDef& Def = SignalHeaderFields[static_cast<std::size_t>(Field)];
  return {static_cast<std::size_t>(EDFGeneralHeaderSize) +
              static_cast<std::size_t>(Def.Start) * L.Parts.size() +
              Signal * static_cast<std::size_t>(Def.Width),
          static_cast<std::size_t>(Def.Width),
          std::string(Def.Name) + " (signal " + std::to_string(Signal + 1) + ")"};
}

bool IsTextField(const TEDFFieldDef& Def) {
  return Def.Kind == TEDFFieldKind::FreeText || Def.Kind == TEDFFieldKind::IdentificationText ||
         Def.Kind == TEDFFieldKind::Reserved;
}

// An annotation signal's label is written by rule; every other text of a signal header may
// hold anything.
bool IsRuleLabel(const TRecordLayout& L, std::size_t Signal, int Field, std::string_view Text) {
  return Field == static_cast<int>(TSignalField::SignalLabel) && L.Parts[Signal].Annotations &&
         IsAnnotationLabel(Text);
}

// Scrubs the text fields of every signal header in Header; the names of those changed.
std::vector<std::string> ScrubSignalHeaders(std::string& Header, const TRecordLayout& L,
                                            const TIdentifiers& Ids) {
  std::vector<std::string> Changed;
  for (std::size_t s = 0; s < L.Parts.size(); ++s)
    for (int f = 0; f < EDFFieldCount; ++f) {
      const TSignalHeaderField Field = SignalHeaderField(L, s, f);
      char* Text = Header.data() + Field.Offset;
      if (IsTextField(SignalHeaderFields[static_cast<std::size_t>(f)]) &&
          !IsRuleLabel(L, s, f, std::string_view(Text, Field.Width)) &&
          Ids.Scrub(Text, Field.Width))
        Changed.push_back(Field.Name);
    }
  return Changed;
}

// The leak scan of the copy's header: every field but those written by rule (compared with
// what was written instead), number fields for identifiers with a letter only.
void ScanHeader(const std::string& Header, const TRecordLayout& L,
                const std::vector<std::pair<TGeneralField, std::string>>& Written,
                const TIdentifiers& Ids) {
  auto Fail = [](const std::string& Name, std::size_t Offset) {
    return Exception("an identifier is still in the " + Name + " field of the copy, at byte " +
                     std::to_string(Offset) + "; nothing written");
  };
  for (int f = 0; f < EDFFieldCount; ++f) {
    const TEDFFieldDef& Def = GeneralHeaderFields[static_cast<std::size_t>(f)];
    const std::string Text = FieldText(Header, static_cast<TGeneralField>(f));
    const bool ByRule =
        std::any_of(Written.begin(), Written.end(),
                    [&](const auto& W) {
                      return static_cast<int>(W.first) == f && Padded(W.second, Def) == Text;
                    }) ||
        (f == static_cast<int>(TGeneralField::Version) &&
         (Text == Padded("0", Def) || Text == BDFGeneralHeaderFields[0].Expected));
    if (const std::size_t At = Ids.Find(Text, !IsTextField(Def));
        !ByRule && At != std::string::npos)
      throw Fail(std::string(Def.Name), static_cast<std::size_t>(Def.Start) + At);
  }
  for (std::size_t s = 0; s < L.Parts.size(); ++s)
    for (int f = 0; f < EDFFieldCount; ++f) {
      const TSignalHeaderField Field = SignalHeaderField(L, s, f);
      const std::string_view Text(Header.data() + Field.Offset, Field.Width);
      const bool Number = !IsTextField(SignalHeaderFields[static_cast<std::size_t>(f)]);
      if (const std::size_t At = Ids.Find(Text, Number);
          !IsRuleLabel(L, s, f, Text) && At != std::string::npos)
        throw Fail(Field.Name, Field.Offset + At);
    }
}

// The leak scan of one annotation signal's bytes in one record of the copy: the onsets and
// durations of its lists hold numbers by the format, searched for identifiers with a letter
// only; every other byte (texts, separators, filler) for all. Offset of a hit, or npos.
std::size_t ScanAnnotationPart(std::string_view Bytes, const TIdentifiers& Ids) {
  std::string Masked(Bytes);
  for (std::size_t At = 0; At < Masked.size() && Masked[At] != 0;) {
    const std::size_t Texts = Masked.find('\x14', At);
    if (Texts == std::string::npos)
      break;
    std::replace_if(
        Masked.begin() + static_cast<std::ptrdiff_t>(At),
        Masked.begin() + static_cast<std::ptrdiff_t>(Texts), [](char c) { return c != 0x15; }, ' ');
    const std::size_t End = Masked.find('\0', Texts);
    At = End == std::string::npos ? Masked.size() : End + 1;
  }
  return std::min(Ids.Find(Masked, false), Ids.Find(Bytes, true));
}

// One run of records: where it lies in the file, and the input's bytes as read, scrubbed.
struct TRun {
  int64_t FirstRecord = 0;
  int64_t Count = 0;
  int64_t Offset = 0; // of its first byte in the file
  std::vector<char> Bytes;
};

// One run of the copy as read back (Copy) against the input's bytes as read (Run.Bytes): the
// ordinary signals' bytes equal, and hashed, record by record while they are in the processor's
// cache; no identifier in the annotation signals' bytes.
void ProveRun(const TRun& Run, const char* Copy, const TRecordLayout& L,
              const std::vector<std::pair<int64_t, int64_t>>& Spans, const TIdentifiers& Ids,
              TSHA256& Hash) {
  const char* Input = Run.Bytes.data();
  for (int64_t k = 0; k < Run.Count; ++k) {
    const int64_t At = k * L.RecordBytes;
    for (const auto& [Start, Size] : Spans) {
      if (std::memcmp(Input + At + Start, Copy + At + Start, static_cast<std::size_t>(Size)) != 0)
        throw Exception("the signal bytes of the copy differ from the input's in data record " +
                        std::to_string(Run.FirstRecord + k + 1) + "; nothing written");
      Hash.Add(Copy + At + Start, static_cast<std::size_t>(Size));
    }
    for (std::size_t s = 0; s < L.Parts.size(); ++s) {
      const TRecordLayout::TPart& Part = L.Parts[s];
      if (!Part.Annotations)
        continue;
      const std::size_t Hit = ScanAnnotationPart(
          std::string_view(Copy + At + Part.Offset, static_cast<std::size_t>(Part.Size)), Ids);
      if (Hit != std::string::npos)
        throw Exception("an identifier is still in data record " +
                        std::to_string(Run.FirstRecord + k + 1) + " (signal " +
                        std::to_string(s + 1) + ") of the copy, at byte " +
                        std::to_string(Run.Offset + At + Part.Offset + static_cast<int64_t>(Hit)) +
                        "; nothing written");
    }
  }
}

// The proof of the copy on a thread of its own, run by run while the next runs are read and
// written, so that it costs the second core rather than time: each run is read again from the
// copy's file (still in the system's cache) and proven by ProveRun. The writer fills the buffer
// Next gives and hands it over by Hand; the buffer comes back through Next once its run is
// proven. Runs are proven in file order and a failure stops the proof; it is raised by Next,
// Drain or Finish, so that the first fault in file order is the one reported.
class TProof {
public:
  TProof(int Copy, const std::string& Temporary, const TMapping& Mapping, const TRecordLayout& L,
         const TIdentifiers& Ids)
      : FCopy(Copy), FTemporary(Temporary), FMapping(Mapping), FLayout(L), FSpans(OrdinarySpans(L)),
        FIds(Ids), FThread([this] { Work(); }) {}
  ~TProof() {
    {
      std::lock_guard Guard(FLock);
      FStop = true;
    }
    FChanged.notify_all();
    FThread.join();
  }
  TProof(const TProof&) = delete;
  TProof& operator=(const TProof&) = delete;

  // The buffer for the next run, once the run that used it before is proven.
  TRun& Next() {
    std::unique_lock Guard(FLock);
    FChanged.wait(
        Guard, [this] { return FFailure || FHanded - FProven < static_cast<int64_t>(RunsAhead); });
    if (FFailure)
      std::rethrow_exception(FFailure);
    return FRuns[static_cast<std::size_t>(FHanded) % RunsAhead];
  }
  // The run Next gave is in the copy: its proof may begin.
  void Hand() {
    {
      std::lock_guard Guard(FLock);
      ++FHanded;
    }
    FChanged.notify_all();
  }
  // Waits until every run handed over is proven; raises the proof's failure.
  void Drain() {
    std::unique_lock Guard(FLock);
    FChanged.wait(Guard, [this] { return FFailure || FProven == FHanded; });
    if (FFailure)
      std::rethrow_exception(FFailure);
  }
  // Drain, then the SHA-256 of the copy's ordinary signals' bytes.
  std::string Finish() {
    Drain();
    return FHash.Hex();
  }

private:
  void Work() {
    std::vector<char> Spare; // the copy read again where it cannot be mapped
    int64_t Released = 0;    // the mapping's pages before this are let go
    for (int64_t Index = 0;; ++Index) {
      {
        std::unique_lock Guard(FLock);
        FChanged.wait(Guard, [&] { return FStop || FHanded > Index; });
        if (FStop)
          return;
      }
      const TRun& Run = FRuns[static_cast<std::size_t>(Index) % RunsAhead];
      const int64_t Size = Run.Count * FLayout.RecordBytes;
      try {
        const char* Back = FMapping.Bytes() ? FMapping.Bytes() + Run.Offset : nullptr;
        if (!Back) {
          Spare.resize(static_cast<std::size_t>(Size));
          ReadAll(FCopy, Spare.data(), Size, Run.Offset, FTemporary);
          Back = Spare.data();
        }
        ProveRun(Run, Back, FLayout, FSpans, FIds, FHash);
        if (Run.Offset + Size - Released >= WriteBackBytes) {
          FMapping.Release(Released, Run.Offset + Size);
          Released = Run.Offset + Size;
        }
      } catch (...) {
        std::lock_guard Guard(FLock);
        FFailure = std::current_exception();
        FChanged.notify_all();
        return;
      }
      {
        std::lock_guard Guard(FLock);
        FProven = Index + 1;
      }
      FChanged.notify_all();
    }
  }

  const int FCopy;
  const std::string& FTemporary;
  const TMapping& FMapping;
  const TRecordLayout& FLayout;
  const std::vector<std::pair<int64_t, int64_t>> FSpans;
  const TIdentifiers& FIds;
  TSHA256 FHash;
  std::array<TRun, RunsAhead> FRuns;
  std::mutex FLock;
  std::condition_variable FChanged;
  int64_t FHanded = 0; // runs handed over by the writer
  int64_t FProven = 0; // runs proven, in file order
  bool FStop = false;
  std::exception_ptr FFailure;
  std::thread FThread; // last: starts once every other member is made
};

} // namespace

void WriteAnonymizedCopy(const std::string& Input, const std::string& Temporary,
                         const TAnonymizeSettings& Settings, TAnonymizeResult& Result) {
  TEDFFile In;
  OpenReading(In, Input);
  const TCustomEDFFileInfo& Info = *In.FileInfo();
  const TRecordLayout L = LayoutOf(In);
  const TEDFFormat Format = In.Format();
  const bool Plus = EDFPlusKindOf(Info.Reserved(), Format) != TEDFPlusKind::None;
  const TIdentifiers Ids = IdentifiersOf(Info, Plus, Settings.KeepEquipment, Settings.ScrubWords);
  Result.Identifiers = Ids.Count;
  const TNewFields F = NewFields(Info, Format, Settings, Result);

  THandle From(Input, O_RDONLY);
  std::string Header(static_cast<std::size_t>(L.HeaderBytes), ' ');
  ReadAll(*From, Header.data(), L.HeaderBytes, 0, Input);
  const std::vector<std::pair<TGeneralField, std::string>> Fields = {
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
  Result.SignalFields = ScrubSignalHeaders(Header, L, Ids);

  THandle To(Temporary, O_RDWR | O_CREAT | O_TRUNC);
  WriteAll(*To, Header.data(), L.HeaderBytes, Temporary);
  // The copy has its full size at once, so that it can be mapped and read again run by run.
  if (::ftruncate(*To, L.HeaderBytes + L.Records * L.RecordBytes) != 0)
    throw EWriteError(SystemMessage("Cannot write file", Temporary));
  const TMapping Copy(*To, L.HeaderBytes + L.Records * L.RecordBytes);
  const int64_t PerRun = std::max<int64_t>(1, RunBytes / std::max<int64_t>(1, L.RecordBytes));
  Result.ScrubbedAnnotations = 0;
  Result.FillerCleared = 0;
  TProof Proof(*To, Temporary, Copy, L, Ids);
  try {
    bool InKernel = true; // the system copies the records itself while it can
    const auto Page = static_cast<int64_t>(::sysconf(_SC_PAGESIZE));
    int64_t WriteBackFrom = 0; // the copy before this is under way to the disk
    for (int64_t r = 0; r < L.Records; r += PerRun) {
      TRun& Run = Proof.Next();
      Run.FirstRecord = r;
      Run.Count = std::min(PerRun, L.Records - r);
      Run.Offset = L.HeaderBytes + r * L.RecordBytes;
      const int64_t Size = Run.Count * L.RecordBytes;
      Run.Bytes.resize(static_cast<std::size_t>(Size));
      ReadAll(*From, Run.Bytes.data(), Size, Run.Offset, Input);
      bool Changed = Settings.DropAnnotations;
      for (int64_t k = 0; k < Run.Count; ++k) {
        char* Record = Run.Bytes.data() + k * L.RecordBytes;
        bool TimeKeeping = true;
        for (std::size_t s = 0; s < L.Parts.size(); ++s) {
          const TRecordLayout::TPart& Part = L.Parts[s];
          if (!Part.Annotations)
            continue;
          RefuseDamagedList(
              std::string_view(Record + Part.Offset, static_cast<std::size_t>(Part.Size)), r + k,
              static_cast<int32_t>(s), TimeKeeping, Run.Offset + k * L.RecordBytes + Part.Offset);
          const TScrubbed Done =
              ScrubAnnotationBytes(Record + Part.Offset, Part.Size, TimeKeeping, Settings, Ids);
          TimeKeeping = false;
          Result.ScrubbedAnnotations += Done.Texts;
          Result.FillerCleared += Done.Filler ? 1 : 0;
          Changed = Changed || Done.Changed();
        }
      }
      // A run that scrubbing left as it was is copied by the system from the input; any other
      // is written in one piece (a write per changed annotation record costs more than the
      // copy). Either way the bytes read above are what the copy is compared with, so a file
      // changed in between fails the proof.
      InKernel = InKernel && (Changed || CopyRange(*From, *To, Run.Offset, Size));
      if (Changed || !InKernel)
        PutAll(*To, Run.Bytes.data(), Size, Run.Offset, Temporary);
      // Whole pages only: the page this run ends in is written again by the next run.
      const int64_t Written = (Run.Offset + Size) / Page * Page;
      if (Written - WriteBackFrom >= WriteBackBytes) {
        StartWriteBack(*To, static_cast<uint64_t>(WriteBackFrom),
                       static_cast<uint64_t>(Written - WriteBackFrom));
        WriteBackFrom = Written;
      }
      Proof.Hand();
    }
  } catch (...) {
    Proof.Drain(); // a fault in a run before this one is the first
    throw;
  }
  Result.Records = L.Records;
  // The copy's signal bytes equal the input's byte for byte, so one hash stands for both.
  Result.OutputSHA256 = Proof.Finish();
  Result.InputSHA256 = Result.OutputSHA256;

  TEDFFile Reread;
  OpenReading(Reread, Temporary);
  const TRecordLayout Written = LayoutOf(Reread);
  if (Written.HeaderBytes != L.HeaderBytes || Written.RecordBytes != L.RecordBytes ||
      Written.Records != L.Records)
    throw Exception("the copy does not have the layout of the input; nothing written");
  std::string Back(static_cast<std::size_t>(L.HeaderBytes), ' ');
  ReadAll(*To, Back.data(), L.HeaderBytes, 0, Temporary);
  ScanHeader(Back, L, Fields, Ids);
}

std::vector<std::string> ReadScrubList(std::istream& List, const std::string& Name) {
  std::vector<std::string> Words;
  std::string Line;
  for (int64_t Number = 1; std::getline(List, Line); ++Number) {
    if (!Line.empty() && Line.back() == '\r')
      Line.pop_back();
    if (Number == 1)
      SkipByteOrderMark(Line);
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
  return -1 - static_cast<int64_t>(Value % MaxShiftDays);
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
  std::map<std::string, std::pair<int64_t, std::optional<int64_t>>> Shifts; // subject: line, days
  std::string Line;
  for (int64_t Number = 1; std::getline(Map, Line); ++Number) {
    if (!Line.empty() && Line.back() == '\r')
      Line.pop_back();
    if (Number == 1)
      SkipByteOrderMark(Line);
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
        if (Used != Cells[3].size())
          throw std::runtime_error("shift_days must be a whole number of days");
        if (Days < -MaxShiftDays || Days > -1)
          throw std::runtime_error("shift_days must be from -1 to -" +
                                   std::to_string(MaxShiftDays) + " (days back)");
        Row.ShiftDays = Days;
      }
      // One subject's recordings keep their order and spacing: one shift for all of them.
      const auto [Other, New] = Shifts.emplace(Row.Subject, std::pair{Number, Row.ShiftDays});
      auto ShiftText = [](std::optional<int64_t> Days) {
        return Days ? "shifted " + std::to_string(*Days) + " days"
                    : std::string("without shift_days");
      };
      if (!New && Other->second.second != Row.ShiftDays)
        throw std::runtime_error(
            "the subject \"" + Row.Subject + "\" is " + ShiftText(Row.ShiftDays) + " here and " +
            ShiftText(Other->second.second) + " on line " + std::to_string(Other->second.first));
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
  auto NameBytes = [](const std::string& Name) {
    const std::optional<std::string> Hex = NameBytesHex(Name);
    return Hex ? json(*Hex) : json(nullptr);
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
    Object["signal_fields_scrubbed"] = Result->SignalFields;
    Object["annotations_scrubbed"] = Result->ScrubbedAnnotations;
    Object["annotation_filler_cleared"] = Result->FillerCleared;
    Object["identifiers_searched"] = Result->Identifiers;
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
  Line << ", " << Result.Changed.size() << " header fields changed";
  if (!Result.SignalFields.empty()) {
    Line << ", signal header fields scrubbed:";
    for (std::size_t i = 0; i < Result.SignalFields.size(); ++i)
      Line << (i ? ", " : " ") << Result.SignalFields[i];
  }
  Line << ", " << Result.ScrubbedAnnotations << " annotations scrubbed";
  if (Result.FillerCleared > 0)
    Line << ", filler cleared in " << Result.FillerCleared << " annotation records";
  Line << ", " << Result.Identifiers << " identifiers searched, signals SHA-256 "
       << Result.OutputSHA256 << " equal\n";
  return Line.str();
}

} // namespace velastrin
