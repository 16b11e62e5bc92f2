#include "testsupport/TestEDF.h"

#include <utility>

namespace velastrin::test {

int16_t PatternSample(int64_t Record, int64_t Signal, int64_t Position) {
  const uint64_t V = static_cast<uint64_t>(Record) * 7919u + static_cast<uint64_t>(Signal) * 613u +
                     static_cast<uint64_t>(Position) * 37u + 12345u;
  return static_cast<int16_t>(static_cast<uint16_t>(V * 2654435761u >> 7));
}

int32_t WidePatternSample(int64_t Record, int64_t Signal, int64_t Position) {
  return int32_t{PatternSample(Record, Signal, Position)} * 255 +
         static_cast<int32_t>((Record + Position) % 255);
}

std::string Pad(const std::string& Text, std::size_t Width) {
  std::string S = Text.substr(0, Width);
  S.resize(Width, ' ');
  return S;
}

int64_t TTestSignal::Samples() const {
  try {
    std::size_t Used = 0;
    const long long N = std::stoll(NrSamples, &Used);
    return N > 0 ? N : 0;
  } catch (const std::exception&) { // no number, or out of range
    return 0;
  }
}

int64_t TTestEDF::RecordSamples() const {
  int64_t Sum = 0;
  for (const auto& S : Signals)
    Sum += S.Samples();
  return Sum;
}

std::string TTestEDF::Header() const {
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
  // Field by field across all signals; the widths are written out here on purpose, apart
  // from the library's layout table.
  using TField = std::pair<std::string TTestSignal::*, std::size_t>;
  static const TField Fields[] = {{&TTestSignal::Label, 16},    {&TTestSignal::Transducer, 80},
                                  {&TTestSignal::Dim, 8},       {&TTestSignal::PhysMin, 8},
                                  {&TTestSignal::PhysMax, 8},   {&TTestSignal::DigMin, 8},
                                  {&TTestSignal::DigMax, 8},    {&TTestSignal::Prefilter, 80},
                                  {&TTestSignal::NrSamples, 8}, {&TTestSignal::Reserved, 32}};
  for (const auto& [Field, Width] : Fields)
    for (const auto& S : Signals)
      H += Pad(S.*Field, Width);
  return H;
}

std::string TTestEDF::Bytes() const {
  std::string B = Header();
  for (int64_t r = 0; r < Records; ++r)
    for (std::size_t s = 0; s < Signals.size(); ++s)
      for (int64_t k = 0; k < Signals[s].Samples(); ++k) {
        const auto V = SampleBytes == 3
                           ? static_cast<uint32_t>(WidePatternSample(r, static_cast<int64_t>(s), k))
                           : static_cast<uint16_t>(PatternSample(r, static_cast<int64_t>(s), k));
        B += static_cast<char>(V & 0xFF); // little-endian
        B += static_cast<char>((V >> 8) & 0xFF);
        if (SampleBytes == 3)
          B += static_cast<char>((V >> 16) & 0xFF);
      }
  B.append(static_cast<std::size_t>(ExtraBytes), '\x5A');
  return B;
}

TTestEDF BDFTestEDF() {
  TTestEDF Edf;
  Edf.Version = "\xFF"
                "BIOSEMI";
  Edf.Reserved = "24BIT";
  Edf.SampleBytes = 3;
  for (TTestSignal& S : Edf.Signals) {
    S.DigMin = "-8388608";
    S.DigMax = "8388607";
  }
  return Edf;
}

TTestSignal AnnotationTestSignal() {
  return TTestSignal{.Label = "EDF Annotations",
                     .Transducer = "",
                     .Dim = "",
                     .PhysMin = "-1",
                     .PhysMax = "1",
                     .DigMin = "-32768",
                     .DigMax = "32767",
                     .Prefilter = "",
                     .NrSamples = "10"};
}

std::string AnnotationRecordsBytes(TTestEDF Edf, const std::vector<std::string>& Lists) {
  Edf.Signals = {AnnotationTestSignal()};
  return AnnotationListsBytes(Edf, Lists);
}

std::string AnnotationListsBytes(TTestEDF Edf, const std::vector<std::string>& Lists) {
  Edf.Records = static_cast<int64_t>(Lists.size());
  std::string Bytes = Edf.Bytes();
  const auto Width = static_cast<std::size_t>(Edf.SampleBytes * Edf.Signals.back().Samples());
  const auto Record = static_cast<std::size_t>(Edf.SampleBytes * Edf.RecordSamples());
  for (std::size_t r = 0; r < Lists.size(); ++r) {
    std::string List = Lists[r];
    List.resize(Width, '\0');
    Bytes.replace(static_cast<std::size_t>(Edf.HeaderSize()) + (r + 1) * Record - Width, Width,
                  List);
  }
  return Bytes;
}

} // namespace velastrin::test
