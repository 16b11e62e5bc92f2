// Recordings written by our own EDF writer for the tests, benchmarks and fuzz seeds: the header
// fields they vary, with plain defaults, so that each says only what its recording is about.
#pragma once

#include "edf/uEDF.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velastrin::test {

struct TRecordingSignal {
  std::string Label = "EEG";
  std::string Transducer = "AgAgCl electrode";
  std::string Dim = "uV";
  long double PhysMin = -500;
  long double PhysMax = 500;
  int32_t DigMin = -32768;
  int32_t DigMax = 32767;
  std::string Prefilter = "HP:0.1Hz";
  int32_t Samples = 256; // per record
};

struct TRecordingHeader {
  std::string Patient = "X X X X";
  std::string Recording = "Startdate X X X X";
  TDateTime Start = EncodeDate(2024, 1, 2) + EncodeTime(22, 0, 0, 0);
  std::string Reserved = "";
  long double Duration = 1; // seconds per record
  std::vector<TRecordingSignal> Signals = {};
  TEDFFormat Format = TEDFFormat::EDF; // BDF wants Reserved "24BIT", "BDF+C" or "BDF+D"
};

// Count signals like Like, labelled Prefix followed by their number counted from First.
std::vector<TRecordingSignal> NumberedSignals(int32_t Count, const TRecordingSignal& Like,
                                              const std::string& Prefix, int32_t First = 1);

// Creates Path, replacing any file of that name, writes Header and leaves File open for the
// records (GetDataBuffer, WriteRecord).
void CreateRecording(TEDFFile& File, const std::string& Path, const TRecordingHeader& Header);

// Creates Path with Header, states Records data records and sizes the file to hold them as a
// sparse file of zero samples, for benchmarks that fill in only what they read. Returns the
// header size in bytes; aborts when the file cannot be written.
int64_t CreateSizedRecording(const std::string& Path, const TRecordingHeader& Header,
                             int64_t Records);

// An EDF file of Records records at Path whose every sample is Value(record, sample, signal),
// all signals of Header having the same number of samples; a file of that name and size is
// taken as made by an earlier run and kept. Returns whether the file was written.
bool CreateFilledRecording(const std::string& Path, const TRecordingHeader& Header, int64_t Records,
                           const std::function<int16_t(int64_t, int32_t, int32_t)>& Value);

} // namespace velastrin::test
