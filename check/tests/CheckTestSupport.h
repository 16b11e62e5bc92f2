// Helpers of the check and repair tests: a recording made by our own writer, whose header bytes
// the tests then patch one field at a time, and its samples as our lenient reading sees them.
#pragma once

#include "edf/uEDF.h"
#include "testsupport/TestEDF.h"
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velastrin::test {

// Two signals of 10 and 5 samples per 1-second record; labels, units and limits that the
// fault rows then break. The full digital range keeps every pattern sample inside it.
inline void MakeRecording(const std::string& Path, int Records = 3) {
  TEDFFile File;
  File.SetFileName(Path);
  File.CreateNew(2, false);
  TCustomEDFFileInfo& Info = *File.FileInfo();
  Info.SetPatient("P-4711 F 16-SEP-1987 Test_Name");
  Info.SetRecording("Startdate 01-FEB-2003 X X X");
  Info.SetStartDate(EncodeDate(2003, 2, 1));
  Info.SetStartTime(EncodeTime(10, 20, 30, 0));
  Info.SetReserved("");
  Info.SetSampleRecDuration(1);
  const int32_t Samples[2] = {10, 5};
  for (int32_t s = 0; s < 2; ++s) {
    TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
    Signal.SetSignalLabel(s == 0 ? "EEG Fpz-Cz" : "EOG horizontal");
    Signal.SetTransducertype("AgAgCl electrode");
    Signal.SetPhysidim("uV");
    Signal.SetPhysimin(-3276.8L);
    Signal.SetPhysimax(3276.7L);
    Signal.SetDigimin(-32768);
    Signal.SetDigimax(32767);
    Signal.SetPrefilter("HP:0.1Hz");
    Signal.SetNrSamples(Samples[s]);
    Signal.SetReserved("");
  }
  File.WriteHeader();
  for (int r = 0; r < Records; ++r) {
    TDynSmallIntArray Buffer = File.GetDataBuffer();
    for (int32_t s = 0; s < 2; ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
      for (int64_t k = 0; k < Signal.NrSamples(); ++k)
        Buffer[static_cast<std::size_t>(Signal.BufferOffset() + k)] = PatternSample(r, s, k);
    }
    File.WriteRecord(r);
  }
}

// Every sample of every signal, signal by signal, as lenient reading gives them.
inline std::vector<std::vector<int16_t>> LenientSamples(const std::string& Path) {
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(false);
  File.Open();
  std::vector<std::vector<int16_t>> Samples(static_cast<std::size_t>(File.SignalCount()));
  if (!File.Valid())
    return Samples;
  const TDynSmallIntArray Buffer = File.GetDataBuffer();
  for (int64_t r = 0; r < File.FileInfo()->NrDataRecords(); ++r) {
    File.ReadRecord(r);
    for (int32_t s = 0; s < File.SignalCount(); ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
      for (int64_t k = 0; k < Signal.NrSamples(); ++k)
        Samples[static_cast<std::size_t>(s)].push_back(
            Buffer[static_cast<std::size_t>(Signal.BufferOffset() + k)]);
    }
  }
  return Samples;
}

} // namespace velastrin::test
