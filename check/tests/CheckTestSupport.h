// Helpers of the check and repair tests: a recording made by our own writer, whose header bytes
// the tests then patch one field at a time, and its samples as our lenient reading sees them.
#pragma once

#include "edf/uEDF.h"
#include "testsupport/TestEDF.h"
#include "testsupport/TestFiles.h"
#include "testsupport/TestRecording.h"
#include "testsupport/TestTempDir.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velastrin::test {

// Two signals of 10 and 5 samples per 1-second record; labels, units and limits that the
// fault rows then break. The full digital range keeps every pattern sample inside it. A BDF
// recording has reserved "24BIT", the 24-bit range and samples that use all three bytes.
inline void MakeRecording(const std::string& Path, int Records = 3,
                          TEDFFormat Format = TEDFFormat::EDF) {
  const bool BDF = Format == TEDFFormat::BDF;
  TRecordingSignal Eeg{
      .Label = "EEG Fpz-Cz", .PhysMin = -3276.8L, .PhysMax = 3276.7L, .Samples = 10};
  if (BDF) {
    Eeg.DigMin = -8388608;
    Eeg.DigMax = 8388607;
  }
  TRecordingSignal Eog = Eeg;
  Eog.Label = "EOG horizontal";
  Eog.Samples = 5;
  TEDFFile File;
  CreateRecording(File, Path,
                  {.Patient = "P-4711 F 16-SEP-1987 Test_Name",
                   .Recording = "Startdate 01-FEB-2003 X X X",
                   .Start = EncodeDate(2003, 2, 1) + EncodeTime(10, 20, 30, 0),
                   .Reserved = BDF ? "24BIT" : "",
                   .Signals = {Eeg, Eog},
                   .Format = Format});
  for (int r = 0; r < Records; ++r) {
    for (int32_t s = 0; s < 2; ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
      for (int64_t k = 0; k < Signal.NrSamples(); ++k) {
        const auto At = static_cast<std::size_t>(Signal.BufferOffset() + k);
        if (BDF)
          File.GetWideDataBuffer()[At] = WidePatternSample(r, s, k);
        else
          File.GetDataBuffer()[At] = PatternSample(r, s, k);
      }
    }
    File.WriteRecord(r);
  }
}

// Every sample of every signal, signal by signal, as lenient reading gives them; BDF too.
inline std::vector<std::vector<int32_t>> LenientSamples(const std::string& Path) {
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(false);
  File.SetAcceptBDF(true);
  File.Open();
  std::vector<std::vector<int32_t>> Samples(static_cast<std::size_t>(File.SignalCount()));
  if (!File.Valid())
    return Samples;
  const bool BDF = File.Format() == TEDFFormat::BDF;
  for (int64_t r = 0; r < File.FileInfo()->NrDataRecords(); ++r) {
    File.ReadRecord(r);
    for (int32_t s = 0; s < File.SignalCount(); ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
      for (int64_t k = 0; k < Signal.NrSamples(); ++k) {
        const auto At = static_cast<std::size_t>(Signal.BufferOffset() + k);
        Samples[static_cast<std::size_t>(s)].push_back(BDF ? File.GetWideDataBuffer()[At]
                                                           : File.GetDataBuffer()[At]);
      }
    }
  }
  return Samples;
}

} // namespace velastrin::test
