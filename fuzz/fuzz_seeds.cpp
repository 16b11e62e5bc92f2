// Writes the seed corpus and the dictionary of every fuzz target, all made by the program:
// recordings from our own writer, the rows of the header fault table patched into one, header
// bytes cut from them, field texts, annotation lists, date-time formats and number texts.
//   fuzz_seeds SEED_FOLDER DICTIONARY_FOLDER
// SEED_FOLDER/<target>/ gets the seeds, DICTIONARY_FOLDER/<target>.dict the dictionary.
#include "check/tests/CheckTestSupport.h"
#include "check/tests/EDFFaultRows.h"
#include "edf/uEDF.h"
#include "support/uSysUtils.h"
#include "testsupport/TestRecording.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace velastrin;
namespace fs = std::filesystem;

std::string ReadAll(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void Save(const fs::path& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

std::string MakeFile(const std::string& Path, const std::vector<int32_t>& Samples, int Records,
                     long double Duration) {
  {
    test::TRecordingHeader Header{.Patient = "X F 01-JAN-1990 Seed_Patient",
                                  .Recording = "Startdate 02-FEB-2020 X X X",
                                  .Start = EncodeDate(2020, 2, 2) + EncodeTime(10, 20, 30, 0),
                                  .Duration = Duration};
    for (std::size_t s = 0; s < Samples.size(); ++s)
      Header.Signals.push_back({.Label = "Seed " + std::to_string(s),
                                .Transducer = "",
                                .PhysMin = -100,
                                .PhysMax = 100.5L,
                                .DigMin = -2048,
                                .DigMax = 2047,
                                .Prefilter = "",
                                .Samples = Samples[s]});
    TEDFFile File;
    test::CreateRecording(File, Path, Header);
    for (int r = 0; r < Records; ++r) {
      TDynSmallIntArray Buffer = File.GetDataBuffer();
      for (size_t i = 0; i < Buffer.size(); ++i)
        Buffer[i] = static_cast<int16_t>((r * 131 + static_cast<int>(i) * 17) % 4096 - 2048);
      File.WriteRecord(r);
    }
  }
  return ReadAll(Path);
}

std::string Patched(std::string Bytes, size_t Offset, const std::string& Text) {
  if (Offset + Text.size() <= Bytes.size())
    Bytes.replace(Offset, Text.size(), Text);
  return Bytes;
}

// The annotation lists of an EDF+ seed, one per record.
std::vector<std::string> AnnotationLists() {
  static constexpr char First[] = "+0\x14\x14\0+0.5\x15"
                                  "30\x14Lights off\x14";
  static constexpr char Second[] = "+1\x14\x14\0+1.25\x14W\x14N1\x14";
  static constexpr char Third[] = "+2\x14\x14\0-0.75\x15"
                                  "0.5\x14\xC2\xB5V spike\x14\0+3\x14\x14";
  // sizeof keeps the NULs inside and the closing one of each literal ends its last list.
  return {std::string(First, sizeof First), std::string(Second, sizeof Second),
          std::string(Third, sizeof Third)};
}

// Files for the targets that read whole files.
std::vector<std::string> FileSeeds(const fs::path& Work) {
  std::vector<std::string> Seeds;
  const std::string Two = MakeFile(Work / "two.edf", {4, 3}, 3, 1);
  Seeds.push_back(Two);
  Seeds.push_back(MakeFile(Work / "three.edf", {1, 7, 2}, 5, 0.5L));
  Seeds.push_back(MakeFile(Work / "one.edf", {10}, 2, 2.5L));
  // Offsets of a two-signal header: general fields, then the signal block field by field.
  Seeds.push_back(Patched(Two, 244, "1,0     "));
  Seeds.push_back(Patched(Two, 236, "-1      "));
  Seeds.push_back(Two + "abc");
  Seeds.push_back(Two.substr(0, 255));
  Seeds.push_back(Two.substr(0, 600));
  Seeds.push_back(Patched(Two, 688, "99999999"));
  // Signal 2's Physimax in a form the general format would round on the way back ("3.28E+10").
  Seeds.push_back(Patched(Two, 488, "3276.E7 "));

  // EDF+: one annotation signal of 30 samples (60 bytes) per record, a record duration of 0
  // as annotation-only files may have, and each record's time-keeping list.
  std::string Plus = MakeFile(Work / "plus.edf", {30}, 3, 1);
  Plus = Patched(Plus, 192, "EDF+C");
  Plus = Patched(Plus, 244, "0       ");
  Plus = Patched(Plus, 256, "EDF Annotations ");
  const std::vector<std::string> Lists = AnnotationLists();
  for (size_t r = 0; r < Lists.size(); ++r) {
    std::string Record = Lists[r];
    Record.resize(60, '\0');
    Plus = Patched(Plus, 512 + 60 * r, Record);
  }
  Seeds.push_back(Plus);
  Seeds.push_back(Patched(Plus, 192, "EDF+D"));
  Seeds.push_back(Patched(Plus, 512 + 5,
                          "+0.5\x15"
                          "30\x14Lights off and on and on and on and on and o"));

  // Every row of the header fault table.
  const fs::path Recording = Work / "fault.edf";
  for (const test::TFaultRow& Row : test::FaultRows) {
    test::MakeRecording(Recording, 3, Row.Format);
    std::string Bytes = ReadAll(Recording);
    if (Row.PatchOffset >= 0)
      Bytes = Patched(Bytes, static_cast<size_t>(Row.PatchOffset), Row.Bytes);
    if (Row.SizeChange > 0)
      Bytes += std::string(static_cast<size_t>(Row.SizeChange), 'Z');
    else
      Bytes.resize(Bytes.size() - static_cast<size_t>(-Row.SizeChange));
    Seeds.push_back(Bytes);
  }
  return Seeds;
}

// The header part of a file seed: the general header and every signal header it holds.
std::string HeaderOf(const std::string& File) {
  int32_t Count = 0;
  const auto Field = GeneralHeaderFields[static_cast<int>(TGeneralField::NrSignals)];
  if (File.size() < EDFGeneralHeaderSize ||
      !TryStrToInt(Trim(File.substr(Field.Start, Field.Width)), Count) || Count < 0)
    return File;
  return File.substr(0, static_cast<size_t>(EDFHeaderSize(Count)));
}

// Field texts: the bytes of every fault row, and numbers, dates and times in the forms the
// readers take or refuse.
std::vector<std::string> FieldSeeds() {
  std::vector<std::string> Seeds;
  for (const test::TFaultRow& Row : test::FaultRows)
    if (!Row.Bytes.empty())
      Seeds.push_back(Row.Bytes);
  Seeds.insert(Seeds.end(), {"0       ",
                             "-1      ",
                             "1       ",
                             "0.5     ",
                             "3276.E7 ",
                             "1,5     ",
                             "1.234,5 ",
                             "1e-3    ",
                             "-3276.8 ",
                             "8388607 ",
                             "-8388608",
                             "02.02.20",
                             "29.02.84",
                             "1.2.85  ",
                             "23.59.59",
                             "24.00.00",
                             "X F 01-JAN-1990 Seed_Patient",
                             "Startdate 02-FEB-2020 X X X",
                             "EDF+C",
                             "BDF+D",
                             "24BIT",
                             "BIOSEMI"});
  return Seeds;
}

std::vector<std::string> TALSeeds() {
  std::vector<std::string> Seeds;
  for (const std::string& List : AnnotationLists()) {
    Seeds.push_back('\1' + List + std::string(8, '\0'));
    Seeds.push_back('\0' + List.substr(List.find('\0') + 1));
  }
  Seeds.push_back(std::string("\1+0\x14\x14\x14", 6));
  Seeds.push_back(std::string("\0+12.5\x15\x14x\0\x14\0", 12));
  return Seeds;
}

std::vector<std::string> DateTimeSeeds() {
  // Case 0: "format \n text"; case 1: value and format choices; case 2: number text.
  return {std::string("\0dd.mm.yy\n01.02.03", 18),
          std::string("\0hh.nn.ss\n10.20.30", 18),
          std::string("\0dd.mm.yyyy hh:nn:ss.zzz\n17.03.2003 10:20:30.456", 47),
          std::string("\0dd mmm yyyy hh:nn am/pm\n07 Mar 2004 01:20 pm", 45),
          std::string("\0ddd dd mmmm yy\nSun 07 March 04", 31),
          std::string("\0yyyy-mm-dd a/p\n2004-03-07 p", 28),
          std::string("\1\0\0\x8f\x42\x01\x23\x45\x67\0\1\2\3\4\5\6\7\0\1\2\3\4\5\6\7\1\2", 28),
          std::string("\1\0\1\0\0\x05\0\0\0\1\1\1\1\1\1\1\1\2\2\2\2\2\2\2\2\3\3", 28),
          "\2"
          "123",
          "\2"
          "-2147483648",
          "\2"
          "9223372036854775807",
          "\2"
          "1,5",
          "\2"
          "3276.7",
          "\2"
          " 1e5"};
}

// A libFuzzer dictionary entry: printable ASCII as it stands, anything else as \xHH.
std::string DictEntry(const std::string& Word) {
  std::string Entry = "\"";
  for (const char Ch : Word) {
    const auto Byte = static_cast<unsigned char>(Ch);
    if (Byte >= 0x20 && Byte < 0x7F && Ch != '"' && Ch != '\\') {
      Entry += Ch;
    } else {
      char Hex[5];
      std::snprintf(Hex, sizeof Hex, "\\x%02X", Byte);
      Entry += Hex;
    }
  }
  return Entry + "\"\n";
}

void SaveDictionary(const fs::path& Path, const std::vector<std::string>& Words) {
  std::string Text;
  for (const std::string& Word : Words)
    Text += DictEntry(Word);
  Save(Path, Text);
}

std::vector<std::string> TALWords() {
  return {std::string(1, '\x14'),
          std::string(1, '\x15'),
          std::string(1, '\0'),
          std::string("\x14\x14\0", 3),
          "+",
          "-",
          "+0",
          "-0",
          ".",
          "EDF Annotations"};
}

std::vector<std::string> EDFWords() {
  std::vector<std::string> Words = TALWords();
  for (const auto& Field : GeneralHeaderFields)
    Words.push_back(std::string(static_cast<size_t>(Field.Width), ' '));
  Words.insert(Words.end(), {"0       ", "EDF+C", "EDF+D", "BIOSEMI",
                             "\xFF"
                             "BIOSEMI",
                             "Startdate", "X", "-1      ", "32767", "-32768", "uV", ".", ",", ":",
                             "/", "00.00.00", "31.12.99", "768     ", "99999999"});
  for (const char* Month :
       {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"})
    Words.push_back(Month);
  return Words;
}

std::vector<std::string> FieldWords() {
  std::vector<std::string> Words = EDFWords();
  for (const test::TFaultRow& Row : test::FaultRows)
    if (!Row.Bytes.empty())
      Words.push_back(Row.Bytes);
  Words.insert(Words.end(), {"24BIT", "BDF+C", "BDF+D", "8388607", "-8388608", "E", "e", "+", "-",
                             " ", "0", "9", "29.02.", "24.00.00"});
  return Words;
}

std::vector<std::string> DateTimeWords() {
  std::vector<std::string> Words{
      "d", "dd", "ddd", "dddd", "m", "mm",    "mmm", "mmmm", "yy", "yyyy", "h",  "hh", "n",  "nn",
      "s", "ss", "z",   "zzz",  "c", "am/pm", "a/p", "ampm", "'",  "\"",   "\n", "AM", "PM", "?"};
  const TFormatSettings& Settings = FormatSettings();
  Words.insert(Words.end(), Settings.ShortMonthNames.begin(), Settings.ShortMonthNames.end());
  Words.insert(Words.end(), Settings.LongMonthNames.begin(), Settings.LongMonthNames.end());
  return Words;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_seeds SEED_FOLDER DICTIONARY_FOLDER\n");
    return 2;
  }
  const fs::path Seeds = argv[1];
  const fs::path Dicts = argv[2];
  // The seeds are written afresh every time; the corpus the runs grow is kept elsewhere.
  fs::remove_all(Seeds);
  fs::create_directories(Dicts);
  const fs::path Work = Seeds / "work";
  fs::create_directories(Work);

  auto Write = [&](const std::string& Target, const std::vector<std::string>& Inputs) {
    fs::create_directories(Seeds / Target);
    for (size_t i = 0; i < Inputs.size(); ++i)
      Save(Seeds / Target / ("seed-" + std::to_string(i)), Inputs[i]);
  };
  const std::vector<std::string> Files = FileSeeds(Work);
  for (const char* Target : {"file", "findings", "repair"})
    Write(Target, Files);
  std::vector<std::string> Headers;
  for (const std::string& File : Files)
    Headers.push_back(HeaderOf(File));
  Write("header", Headers);
  Write("tal", TALSeeds());
  Write("datetime", DateTimeSeeds());
  Write("fieldkind", FieldSeeds());
  fs::remove_all(Work);

  for (const char* Target : {"file", "findings", "repair", "header"})
    SaveDictionary(Dicts / (std::string(Target) + ".dict"), EDFWords());
  SaveDictionary(Dicts / "tal.dict", TALWords());
  SaveDictionary(Dicts / "datetime.dict", DateTimeWords());
  SaveDictionary(Dicts / "fieldkind.dict", FieldWords());
  return 0;
}
