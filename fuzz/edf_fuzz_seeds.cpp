// Writes the seed corpus of the EDF fuzz target: a few files made by our own writer and
// variants of them with one field broken, each a case the reader has to judge.
#include "edf/uEDF.h"
#include "testsupport/TestRecording.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace velastrin;

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
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void Save(const std::string& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
}

std::string Patched(std::string Bytes, size_t Offset, const std::string& Text) {
  if (Offset + Text.size() <= Bytes.size())
    Bytes.replace(Offset, Text.size(), Text);
  return Bytes;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: edf_fuzz_seeds SEED_FOLDER [EMPTY_CORPUS_FOLDER]\n");
    return 2;
  }
  const std::string Dir = argv[1];
  std::filesystem::create_directories(Dir);
  if (argc > 2) {
    // Every run starts from the seeds alone, so that a run is repeatable.
    std::filesystem::remove_all(argv[2]);
    std::filesystem::create_directories(argv[2]);
  }

  const std::string Two = MakeFile(Dir + "/valid-two-signals.edf", {4, 3}, 3, 1);
  MakeFile(Dir + "/valid-three-signals.edf", {1, 7, 2}, 5, 0.5L);
  MakeFile(Dir + "/valid-one-signal.edf", {10}, 2, 2.5L);

  // Offsets of a two-signal header: general fields, then the signal block field by field.
  Save(Dir + "/comma-duration.edf", Patched(Two, 244, "1,0     "));
  Save(Dir + "/count-unknown.edf", Patched(Two, 236, "-1      "));
  Save(Dir + "/count-too-small.edf", Patched(Two, 236, "2       "));
  Save(Dir + "/partial-record.edf", Two + "abc");
  Save(Dir + "/general-header-cut.edf", Two.substr(0, 255));
  Save(Dir + "/signal-block-cut.edf", Two.substr(0, 600));
  Save(Dir + "/signals-not-a-number.edf", Patched(Two, 252, "x   "));
  Save(Dir + "/header-bytes-wrong.edf", Patched(Two, 184, "767     "));
  Save(Dir + "/label-leading-blank.edf", Patched(Two, 256, " Seed 0"));
  Save(Dir + "/comma-physical-limits.edf", Patched(Two, 464, "-1,5    1,5     "));
  Save(Dir + "/digital-range-reversed.edf", Patched(Two, 496, "100     "));
  Save(Dir + "/many-samples.edf", Patched(Two, 688, "99999999"));
  Save(Dir + "/start-time-colons.edf", Patched(Two, 176, "10:20:30"));
  // BDF: the same header read with 3-byte samples, so the records come out cut short.
  Save(Dir + "/bdf-version.bdf", Patched(Patched(Two, 0,
                                                 "\xFF"
                                                 "BIOSEMI"),
                                         192, "24BIT"));

  // EDF+ annotations: one annotation signal of 30 samples (60 bytes) per record, a record
  // duration of 0 as annotation-only files may have, and each record's time-keeping list.
  std::string Plus = MakeFile(Dir + "/annotations.edf", {30}, 2, 1);
  Plus = Patched(Plus, 192, "EDF+C");
  Plus = Patched(Plus, 244, "0       ");
  Plus = Patched(Plus, 256, "EDF Annotations ");
  static constexpr char First[] = "+0\x14\x14\0+0.5\x15"
                                  "30\x14Lights off\x14";
  static constexpr char Second[] = "+1\x14\x14\0+1.25\x14W\x14N1\x14";
  // sizeof keeps the NULs inside and the closing one of each literal ends its last list.
  const std::string Lists[2] = {std::string(First, sizeof First),
                                std::string(Second, sizeof Second)};
  for (size_t r = 0; r < 2; ++r) {
    std::string Record = Lists[r];
    Record.resize(60, '\0');
    Plus = Patched(Plus, 512 + 60 * r, Record);
  }
  Save(Dir + "/annotations.edf", Plus);
  Save(Dir + "/annotations-cut-list.edf",
       Patched(Plus, 512 + 5,
               "+0.5\x15"
               "30\x14Lights off and on and on and on and on and o"));
  return 0;
}
