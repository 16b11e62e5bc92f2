// Fuzz target of the header reader, in memory: the first 256 bytes are a general header, each
// further 256 a signal (at most 16), laid out as in a file. The header records load every text
// without raising; a record strict reading accepts, lenient reading accepts too; a field it
// accepts holds a value in range; loading the same texts again gives the same record.
#include "edf/uEDF.h"
#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace {

using namespace velastrin;

constexpr int MaxSignals = 16;

TEDFRawGeneralHeader GeneralTexts(std::string_view Bytes) {
  TEDFRawGeneralHeader Raw;
  for (int i = 0; i < EDFFieldCount; ++i)
    Raw.SetText(i, Bytes.substr(GeneralHeaderFields[i].Start, GeneralHeaderFields[i].Width));
  return Raw;
}

std::vector<TEDFRawSignalHeader> SignalTexts(std::string_view Bytes, int32_t Count) {
  std::vector<TEDFRawSignalHeader> Signals(static_cast<size_t>(Count));
  for (int32_t s = 0; s < Count; ++s)
    for (int i = 0; i < EDFFieldCount; ++i)
      Signals[static_cast<size_t>(s)].SetText(
          i, Bytes.substr(
                 static_cast<size_t>(SignalFieldOffset(static_cast<TSignalField>(i), Count, s)),
                 static_cast<size_t>(SignalHeaderFields[i].Width)));
  return Signals;
}

struct TLoaded {
  std::unique_ptr<TEDFFileInfo> Info;
  std::vector<std::unique_ptr<TEDFSignalInfo>> Signals;
};

TLoaded Load(const TEDFRawGeneralHeader& General, const std::vector<TEDFRawSignalHeader>& Raw,
             bool Strict) {
  TLoaded L;
  L.Info = std::make_unique<TEDFFileInfo>(nullptr);
  L.Info->StoreStrict(Strict);
  L.Info->LoadRawHeader(General);
  FUZZ_CHECK(L.Info->RawHeader() == General);
  for (const TEDFRawSignalHeader& Texts : Raw) {
    auto Signal = std::make_unique<TEDFSignalInfo>();
    Signal->SetStrict(Strict);
    Signal->LoadRawHeader(Texts);
    FUZZ_CHECK(Signal->RawHeader() == Texts);
    L.Signals.push_back(std::move(Signal));
  }
  return L;
}

void CheckValues(const TLoaded& L) {
  const TCustomEDFFileInfo& Info = *L.Info;
  if (Info.FieldValid(TGeneralField::SampleRecDuration))
    FUZZ_CHECK(std::isfinite(Info.SampleRecDuration()) && Info.SampleRecDuration() > 0);
  if (Info.FieldValid(TGeneralField::NrSignals))
    FUZZ_CHECK(Info.NrSignals() >= 0 && Info.NrSignals() <= 9999);
  if (Info.FieldValid(TGeneralField::NrDataRecords))
    FUZZ_CHECK(Info.NrDataRecords() >= -1);
  if (Info.FieldValid(TGeneralField::HeaderBytes))
    FUZZ_CHECK(Info.HeaderBytes() >= 0);
  if (Info.FieldValid(TGeneralField::StartDate) && Info.FieldValid(TGeneralField::StartTime))
    FUZZ_CHECK(std::isfinite(Info.StartDateTime()) && Info.StartDateTime() >= 0);
  for (const auto& Signal : L.Signals) {
    if (Signal->IsValid()) {
      FUZZ_CHECK(Signal->Digimin() < Signal->Digimax());
      FUZZ_CHECK(Signal->NrSamples() > 0);
    }
    if (Signal->GainValid())
      FUZZ_CHECK(std::isfinite(Signal->Gain()) && Signal->Gain() != 0);
  }
}

// Loading the stored texts again reaches the same flags and values.
void CheckReparse(const TLoaded& L) {
  TCustomEDFFileInfo& Info = *L.Info;
  std::vector<bool> Flags;
  for (int i = 0; i < EDFFieldCount; ++i)
    Flags.push_back(Info.FieldValid(i));
  const long double Duration = Info.SampleRecDuration();
  const TDateTime Start = Info.StartDateTime();
  Info.ParseRawHeader();
  for (int i = 0; i < EDFFieldCount; ++i)
    FUZZ_CHECK(Info.FieldValid(i) == Flags[static_cast<size_t>(i)]);
  FUZZ_CHECK(Info.SampleRecDuration() == Duration || std::isnan(Duration));
  FUZZ_CHECK(Info.StartDateTime() == Start || std::isnan(Start));
  for (const auto& Signal : L.Signals) {
    const bool Valid = Signal->IsValid();
    const long double Min = Signal->Physimin();
    Signal->ParseRawHeader();
    FUZZ_CHECK(Signal->IsValid() == Valid);
    FUZZ_CHECK(Signal->Physimin() == Min || std::isnan(Min));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < EDFGeneralHeaderSize)
    return 0;
  const std::string_view Bytes(reinterpret_cast<const char*>(Data), Size);
  const int32_t Count = static_cast<int32_t>(
      std::min<size_t>((Size - EDFGeneralHeaderSize) / EDFSignalHeaderSize, MaxSignals));
  const TEDFRawGeneralHeader General = GeneralTexts(Bytes);
  const std::vector<TEDFRawSignalHeader> Raw = SignalTexts(Bytes, Count);

  const TLoaded Strict = Load(General, Raw, true);
  const TLoaded Lenient = Load(General, Raw, false);
  // Per record, not per field: a field strict reading refuses can hide a cross-field rule
  // (Digimin below Digimax) that lenient reading, taking it, then applies.
  FUZZ_CHECK(!Strict.Info->IsValid() || Lenient.Info->IsValid());
  for (size_t s = 0; s < Strict.Signals.size(); ++s)
    FUZZ_CHECK(!Strict.Signals[s]->IsValid() || Lenient.Signals[s]->IsValid());
  CheckValues(Strict);
  CheckValues(Lenient);
  CheckReparse(Strict);

  // Lenient reading of a file written with decimal commas and thousands points.
  Lenient.Info->SetDecimalSeparator(',');
  Lenient.Info->SetThousandSeparator('.');
  Lenient.Info->ParseRawHeader();
  for (const auto& Signal : Lenient.Signals) {
    Signal->SetDecimalSeparator(',');
    Signal->SetThousandSeparator('.');
    Signal->ParseRawHeader();
  }
  CheckValues(Lenient);
  return 0;
}
