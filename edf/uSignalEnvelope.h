// The outline of one signal over a whole recording: the smallest and largest sample of each of
// a given number of equal stretches (one per pixel column of a plot), and whether a stretch
// touches the signal's digital limits (clipping). Reads only that signal's bytes.
#pragma once

#include "support/uSysUtils.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace velastrin {

class TEDFFile;

// Samples are int32_t: BDF's reach 24 bits.
struct TEnvelopeColumn {
  int32_t Min = 0;
  int32_t Max = 0;
  bool ClippedLow = false;  // a sample at or below Digimin
  bool ClippedHigh = false; // a sample at or above Digimax
  bool Clipped() const { return ClippedLow || ClippedHigh; }
};

struct TSignalEnvelope {
  // What a plot needs of the header, taken from the same opening as the samples.
  std::string Label;
  std::string Physidim;
  TDateTime StartDateTime = 0;
  long double Seconds = 0; // NrDataRecords * SampleRecDuration
  int64_t SampleCount = 0; // of the signal over all records
  int32_t Digimin = 0;
  int32_t Digimax = 0;
  bool GainValid = false;
  long double Gain = 1;
  long double Physimin = 0;
  // An EDF+ annotation signal: it holds text, so no columns are computed.
  bool Annotations = false;
  // min(requested columns, SampleCount) columns; column c holds samples FirstSample(c) up to
  // FirstSample(c + 1).
  std::vector<TEnvelopeColumn> Columns;

  int64_t FirstSample(int64_t Column) const;
  // Seconds from the start of the recording to sample Sample.
  double SecondsAt(int64_t Sample) const;
  // The physical value of a digital one through the gain; the digital value itself when the
  // gain is not defined.
  double Physical(int32_t Digital) const;
};

// One signal of an EDF or BDF file, opened for its envelope in two steps. The constructor reads the
// header, which reads the process-wide format settings (month names): it belongs on the thread
// that may change them. Compute reads nothing but data records, so it may run on any other
// thread, one at a time.
class TEnvelopeReader {
public:
  // Opens FileName read-only and leniently and keeps only signal SignalIndex (0-based)
  // buffered. Raises the EDataFile family when the file cannot be read or is not valid,
  // EListError for a signal the file does not have.
  TEnvelopeReader(const std::string& FileName, int32_t SignalIndex);
  ~TEnvelopeReader();
  TEnvelopeReader(const TEnvelopeReader&) = delete;
  TEnvelopeReader& operator=(const TEnvelopeReader&) = delete;

  // The envelope in at most Columns columns. Stop is looked at after every data record and
  // every 64 Ki samples within one; when it is requested the result is empty. Raises
  // EDataFileReadData when a record cannot be read.
  std::optional<TSignalEnvelope> Compute(int32_t Columns, std::stop_token Stop = {});

private:
  // The loop over the records for either sample width (a buffer shared with the file).
  template <typename TBuffer>
  std::optional<TSignalEnvelope> Compute(TSignalEnvelope& Result, const TBuffer& Buffer,
                                         int32_t Columns, std::stop_token Stop);

  std::unique_ptr<TEDFFile> FFile;
  TSignalEnvelope FHeader; // every value but the columns
  int64_t FBufferOffset = 0;
  int64_t FRecords = 0;
  int64_t FPerRecord = 0;
};

// Both steps on the calling thread.
std::optional<TSignalEnvelope> ComputeSignalEnvelope(const std::string& FileName,
                                                     int32_t SignalIndex, int32_t Columns,
                                                     std::stop_token Stop = {});

} // namespace velastrin
