// Shared pieces of the tests that write EDF fixtures and read output files: EDF files written
// with our own writer or edflib, temporary folders, and the expected data file. No Qt.
#pragma once

#include "support/uSysUtils.h"
#include "testsupport/TestFiles.h"
#include "testsupport/TestTempDir.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace velastrin::testing {

// One signal of a fixture. Sample k of record r is Value(r, k).
struct TSignalFixture {
  std::string Label;
  std::string Physidim = "uV";
  long double Physimin = -500;
  long double Physimax = 500;
  int16_t Digimin = -2048;
  int16_t Digimax = 2047;
  int32_t NrSamples = 4;
  std::function<int16_t(int64_t Record, int32_t Sample)> Value;
};

struct TEdfFixture {
  std::string Patient = "MCH-0234567 F 02-MAY-1951 Haagse_Harry";
  std::string Recording = "Startdate 05-MAR-2004 PSG-1234/2004 NN Telemetry03";
  int Year = 2004, Month = 3, Day = 5, Hour = 13, Minute = 45, Second = 7;
  long double RecordDuration = 1;
  int64_t Records = 3;
  std::vector<TSignalFixture> Signals;
};

// Writes a valid EDF file with our own writer.
void WriteEdf(const std::string& FileName, const TEdfFixture& Fixture);
// A three-signal fixture with different rates and known sample values.
TEdfFixture ThreeSignalFixture(int64_t Records = 3);
// Writes a plain EDF+ file with edflib (signals 2 and 4 samples per second, 3 records).
void WriteEdflibFile(const std::string& FileName);
// Has edflib write an EDF+ file of one EEG signal ("EEG", Frequency samples per second, digital
// -2048..2047 for -200..200) and two annotation signals, starting on 7 Dec 2026 at
// Hour:Minute, with Records records of zeros; the annotations are the caller's, then
// edfclose_file. Returns edflib's handle.
int OpenEdflibPlusFile(const std::string& FileName, int Frequency, int Hour, int Minute,
                       int Records);

// The shared temporary folder of every test.
using TTempDir = velastrin::test::TTempDir;

// The shared file byte helpers under the names these tests use.
inline std::string ReadFile(const std::string& FileName) {
  return velastrin::test::ReadBytes(FileName);
}
inline void WriteFileBytes(const std::string& FileName, const std::string& Bytes) {
  velastrin::test::WriteBytes(FileName, Bytes);
}

// The data file as the export must write it: every value followed by Separator but the last.
std::string ExpectedData(const TSignalFixture& Signal, int64_t FirstRecord, int64_t Records,
                         const std::string& Separator, bool Complete);

} // namespace velastrin::testing
