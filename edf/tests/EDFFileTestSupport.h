// Helpers of the file object tests: EDF files built byte by byte from field texts (with the
// field widths written out here, independently of the library's layout table), a known sample
// pattern, and a temporary directory that cleans up after itself.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velastrin::test {

// The sample written at position k of signal s in record r: distinct across records,
// signals and positions, and covering negative values and both bytes.
inline int16_t PatternSample(int64_t Record, int64_t Signal, int64_t Position) {
  const uint64_t V = static_cast<uint64_t>(Record) * 7919u + static_cast<uint64_t>(Signal) * 613u +
                     static_cast<uint64_t>(Position) * 37u + 12345u;
  return static_cast<int16_t>(static_cast<uint16_t>(V * 2654435761u >> 7));
}

inline std::string Pad(const std::string& Text, std::size_t Width) {
  std::string S = Text.substr(0, Width);
  S.resize(Width, ' ');
  return S;
}

struct TTestSignal {
  std::string Label = "EEG Fpz-Cz";
  std::string Transducer = "AgAgCl electrode";
  std::string Dim = "uV";
  std::string PhysMin = "-500";
  std::string PhysMax = "500";
  std::string DigMin = "-2048";
  std::string DigMax = "2047";
  std::string Prefilter = "HP:0.1Hz";
  std::string NrSamples = "4";
  std::string Reserved = "";

  // Samples per record used when writing data: the field's number, or 0 when it is none.
  int64_t Samples() const {
    try {
      std::size_t Used = 0;
      const long long N = std::stoll(NrSamples, &Used);
      return N > 0 ? N : 0;
    } catch (...) {
      return 0;
    }
  }
};

// A whole EDF file as bytes. Empty HeaderBytes, NrSignals and NrDataRecords texts are filled
// in from the signals and Records.
struct TTestEDF {
  std::string Version = "0";
  std::string Patient = "P-4711 F 16-SEP-1987 Test_Name";
  std::string Recording = "Startdate 02-MAR-2002 INV-77 TK Amp_2";
  std::string StartDate = "01.02.03";
  std::string StartTime = "10.20.30";
  std::string HeaderBytes;
  std::string Reserved;
  std::string NrDataRecords;
  std::string Duration = "1";
  std::string NrSignals;
  std::vector<TTestSignal> Signals = {TTestSignal{}, TTestSignal{}};
  int64_t Records = 3;
  int64_t ExtraBytes = 0; // a trailing partial record

  int64_t RecordSamples() const {
    int64_t Sum = 0;
    for (const auto& S : Signals)
      Sum += S.Samples();
    return Sum;
  }
  int64_t HeaderSize() const { return 256 * (static_cast<int64_t>(Signals.size()) + 1); }

  std::string Header() const {
    const std::size_t Ns = Signals.size();
    std::string H;
    H += Pad(Version, 8);
    H += Pad(Patient, 80);
    H += Pad(Recording, 80);
    H += Pad(StartDate, 8);
    H += Pad(StartTime, 8);
    H += Pad(HeaderBytes.empty() ? std::to_string(HeaderSize()) : HeaderBytes, 8);
    H += Pad(Reserved, 44);
    H += Pad(NrDataRecords.empty() ? std::to_string(Records) : NrDataRecords, 8);
    H += Pad(Duration, 8);
    H += Pad(NrSignals.empty() ? std::to_string(Ns) : NrSignals, 4);
    // Field by field across all signals.
    for (const auto& S : Signals)
      H += Pad(S.Label, 16);
    for (const auto& S : Signals)
      H += Pad(S.Transducer, 80);
    for (const auto& S : Signals)
      H += Pad(S.Dim, 8);
    for (const auto& S : Signals)
      H += Pad(S.PhysMin, 8);
    for (const auto& S : Signals)
      H += Pad(S.PhysMax, 8);
    for (const auto& S : Signals)
      H += Pad(S.DigMin, 8);
    for (const auto& S : Signals)
      H += Pad(S.DigMax, 8);
    for (const auto& S : Signals)
      H += Pad(S.Prefilter, 80);
    for (const auto& S : Signals)
      H += Pad(S.NrSamples, 8);
    for (const auto& S : Signals)
      H += Pad(S.Reserved, 32);
    return H;
  }

  std::string Bytes() const {
    std::string B = Header();
    for (int64_t r = 0; r < Records; ++r)
      for (std::size_t s = 0; s < Signals.size(); ++s)
        for (int64_t k = 0; k < Signals[s].Samples(); ++k) {
          const auto V = static_cast<uint16_t>(PatternSample(r, static_cast<int64_t>(s), k));
          B += static_cast<char>(V & 0xFF); // little-endian
          B += static_cast<char>(V >> 8);
        }
    B.append(static_cast<std::size_t>(ExtraBytes), '\x5A');
    return B;
  }
};

inline void WriteBytes(const std::string& Path, const std::string& Bytes) {
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  ASSERT_TRUE(Out.good()) << Path;
}

inline std::string ReadBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

inline void PatchBytes(const std::string& Path, int64_t Offset, const std::string& Bytes) {
  std::fstream F(Path, std::ios::binary | std::ios::in | std::ios::out);
  F.seekp(Offset);
  F.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  ASSERT_TRUE(F.good()) << Path;
}

// A fresh directory under the test temporary directory, removed with everything in it.
class TTempDir {
public:
  TTempDir() {
    std::string Pattern = (std::filesystem::path(::testing::TempDir()) / "edffile-XXXXXX").string();
    FPath = ::mkdtemp(Pattern.data()) ? Pattern : std::string();
  }
  ~TTempDir() {
    std::error_code Ignored;
    if (!FPath.empty())
      std::filesystem::remove_all(FPath, Ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  std::string File(const std::string& Name) const { return FPath + "/" + Name; }

private:
  std::string FPath;
};

} // namespace velastrin::test
