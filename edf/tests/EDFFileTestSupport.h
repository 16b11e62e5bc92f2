// Helpers of the file object tests: the shared test-support library (EDF files built byte by
// byte, file bytes, temporary folders) under the names these tests use.
#pragma once

#include "edf/uEDFHeader.h"
#include "testsupport/TestEDF.h"
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace velastrin::test {

// A general header record filled the way the writer tests fill theirs.
inline void FillGeneral(TCustomEDFFileInfo& Info, const std::string& Patient,
                        const std::string& Recording, double StartDate, double StartTime,
                        long double Duration) {
  Info.SetPatient(Patient);
  Info.SetRecording(Recording);
  Info.SetStartDate(StartDate);
  Info.SetStartTime(StartTime);
  Info.SetReserved("");
  Info.SetSampleRecDuration(Duration);
}

// A signal record filled the way the writer tests fill theirs: electrode, microvolts and the
// full 16-bit digital range.
inline void FillSignal(TCustomEDFSignalInfo& Signal, const std::string& Label, long double PhysMin,
                       long double PhysMax, const std::string& Prefilter, int32_t NrSamples) {
  Signal.SetSignalLabel(Label);
  Signal.SetTransducertype("Electrode");
  Signal.SetPhysidim("uV");
  Signal.SetPhysimin(PhysMin);
  Signal.SetPhysimax(PhysMax);
  Signal.SetDigimin(-32768);
  Signal.SetDigimax(32767);
  Signal.SetPrefilter(Prefilter);
  Signal.SetNrSamples(NrSamples);
  Signal.SetReserved("");
}

} // namespace velastrin::test
