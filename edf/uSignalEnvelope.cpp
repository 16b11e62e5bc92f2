#include "edf/uSignalEnvelope.h"

#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"

#include <algorithm>
#include <limits>
#include <type_traits>

namespace velastrin {

namespace {

// Within one long data record the stop request is looked at this often.
constexpr int64_t StopCheckSamples = int64_t{64} * 1024;

// Folds Count samples into Column. Lanes of a fixed width let the compiler use vector
// minimum and maximum instructions; the rest goes one by one.
template <typename TSample>
void Fold(TEnvelopeColumn& Column, const TSample* Samples, int64_t Count) {
  constexpr int Lanes = 16;
  int64_t i = 0;
  if (Count >= Lanes) {
    TSample Low[Lanes];
    TSample High[Lanes];
    // A column's bounds start as the type's extremes or as samples of this type.
    for (int l = 0; l < Lanes; ++l) {
      Low[l] = static_cast<TSample>(std::clamp<int32_t>(
          Column.Min, std::numeric_limits<TSample>::min(), std::numeric_limits<TSample>::max()));
      High[l] = static_cast<TSample>(std::clamp<int32_t>(
          Column.Max, std::numeric_limits<TSample>::min(), std::numeric_limits<TSample>::max()));
    }
    for (; i + Lanes <= Count; i += Lanes)
      for (int l = 0; l < Lanes; ++l) {
        Low[l] = std::min(Low[l], Samples[i + l]);
        High[l] = std::max(High[l], Samples[i + l]);
      }
    for (int l = 0; l < Lanes; ++l) {
      Column.Min = std::min<int32_t>(Column.Min, Low[l]);
      Column.Max = std::max<int32_t>(Column.Max, High[l]);
    }
  }
  for (; i < Count; ++i) {
    Column.Min = std::min<int32_t>(Column.Min, Samples[i]);
    Column.Max = std::max<int32_t>(Column.Max, Samples[i]);
  }
}

} // namespace

int64_t TSignalEnvelope::FirstSample(int64_t Column) const {
  if (Columns.empty())
    return 0;
  // Sample counts reach 10^16 in a valid header: the product needs more than 64 bits.
  return static_cast<int64_t>(static_cast<__int128>(Column) * SampleCount /
                              static_cast<__int128>(Columns.size()));
}

double TSignalEnvelope::SecondsAt(int64_t Sample) const {
  if (SampleCount <= 0)
    return 0;
  return static_cast<double>(static_cast<long double>(Sample) * Seconds /
                             static_cast<long double>(SampleCount));
}

double TSignalEnvelope::Physical(int32_t Digital) const {
  if (!GainValid)
    return Digital;
  return static_cast<double>((static_cast<long double>(Digital) - Digimin) * Gain + Physimin);
}

TEnvelopeReader::TEnvelopeReader(const std::string& FileName, int32_t SignalIndex)
    : FFile(std::make_unique<TEDFFile>()) {
  FFile->SetFileName(FileName);
  FFile->SetReadOnly(true);
  FFile->SetStrict(false);
  FFile->SetAcceptBDF(true);
  FFile->SetActive(true);
  if (!FFile->IsValid())
    throw EDataFileHeaderInvalid(DataFileMessages::HeaderInvalid);

  const TCustomEDFFileInfo& Info = *FFile->FileInfo();
  const TCustomEDFSignalInfo& Signal = *FFile->GetSignal(SignalIndex);
  FHeader.Label = Signal.SignalLabel();
  FHeader.Physidim = Signal.Physidim();
  FHeader.StartDateTime = Info.StartDateTime();
  FRecords = Info.NrDataRecords();
  FPerRecord = Signal.NrSamples();
  FHeader.Seconds = static_cast<long double>(FRecords) * Info.SampleRecDuration();
  FHeader.SampleCount = FRecords * FPerRecord;
  FHeader.Digimin = Signal.Digimin();
  FHeader.Digimax = Signal.Digimax();
  FHeader.GainValid = Signal.GainValid();
  FHeader.Gain = Signal.Gain();
  FHeader.Physimin = Signal.Physimin();
  FHeader.Annotations = IsAnnotationSignal(Info, Signal);
  if (FHeader.SampleCount <= 0 || FHeader.Annotations)
    return;
  // Only this signal's bytes are read from each record.
  for (int32_t i = 0; i < FFile->SignalCount(); ++i)
    if (i != SignalIndex)
      FFile->GetSignal(i)->SetReadData(false);
  if (FFile->Format() == TEDFFormat::BDF)
    FFile->GetWideDataBuffer();
  else
    FFile->GetDataBuffer();
  FBufferOffset = Signal.BufferOffset();
}

TEnvelopeReader::~TEnvelopeReader() = default;

std::optional<TSignalEnvelope> TEnvelopeReader::Compute(int32_t Columns, std::stop_token Stop) {
  TSignalEnvelope Result = FHeader;
  if (Result.SampleCount <= 0 || Result.Annotations || Columns <= 0)
    return Result;
  if (FFile->Format() == TEDFFormat::BDF)
    return Compute(Result, FFile->GetWideDataBuffer(), Columns, Stop);
  return Compute(Result, FFile->GetDataBuffer(), Columns, Stop);
}

template <typename TBuffer>
std::optional<TSignalEnvelope> TEnvelopeReader::Compute(TSignalEnvelope& Result,
                                                        const TBuffer& Buffer, int32_t Columns,
                                                        std::stop_token Stop) {
  using TSample = std::remove_cvref_t<decltype(*Buffer.data())>;
  const TSample* Samples = Buffer.data() + FBufferOffset;

  const auto Count = static_cast<std::size_t>(std::min<int64_t>(Columns, Result.SampleCount));
  TEnvelopeColumn Empty;
  Empty.Min = std::numeric_limits<TSample>::max();
  Empty.Max = std::numeric_limits<TSample>::min();
  Result.Columns.assign(Count, Empty);

  int64_t Column = 0;
  int64_t Sample = 0; // over the whole recording
  int64_t ColumnEnd = Result.FirstSample(1);
  int64_t Unchecked = 0; // samples folded since Stop was last looked at
  for (int64_t Record = 0; Record < FRecords; ++Record) {
    if (Stop.stop_requested())
      return std::nullopt;
    FFile->ReadRecord(Record);
    int64_t k = 0;
    while (k < FPerRecord) {
      const int64_t Run = std::min({FPerRecord - k, ColumnEnd - Sample, StopCheckSamples});
      Fold(Result.Columns[static_cast<std::size_t>(Column)], Samples + k, Run);
      k += Run;
      Sample += Run;
      if (Sample == ColumnEnd && Column + 1 < static_cast<int64_t>(Count))
        ColumnEnd = Result.FirstSample(++Column + 1);
      if ((Unchecked += Run) >= StopCheckSamples) {
        Unchecked = 0;
        if (Stop.stop_requested())
          return std::nullopt;
      }
    }
  }
  for (TEnvelopeColumn& C : Result.Columns) {
    C.ClippedLow = C.Min <= Result.Digimin;
    C.ClippedHigh = C.Max >= Result.Digimax;
  }
  return Result;
}

std::optional<TSignalEnvelope> ComputeSignalEnvelope(const std::string& FileName,
                                                     int32_t SignalIndex, int32_t Columns,
                                                     std::stop_token Stop) {
  return TEnvelopeReader(FileName, SignalIndex).Compute(Columns, Stop);
}

} // namespace velastrin
