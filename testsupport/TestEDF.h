// EDF files built byte by byte from field texts, with the field widths written out here,
// independently of the library's layout table, and a known sample pattern.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velastrin::test {

// The sample written at position k of signal s in record r: distinct across records,
// signals and positions, and covering negative values and both bytes.
int16_t PatternSample(int64_t Record, int64_t Signal, int64_t Position);
// The same spread over 24 bits, for BDF: all three bytes vary, within -8355840..8355839.
int32_t WidePatternSample(int64_t Record, int64_t Signal, int64_t Position);

// Text cut or padded with blanks to Width.
std::string Pad(const std::string& Text, std::size_t Width);

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
  int64_t Samples() const;
};

// A whole EDF file as bytes. Empty HeaderBytes, NrSignals and NrDataRecords texts are filled
// in from the signals and Records.
struct TTestEDF {
  std::string Version = "0";
  std::string Patient = "P-4711 F 16-SEP-1987 Test_Name";
  std::string Recording = "Startdate 02-MAR-2002 INV-77 TK Amp_2";
  std::string StartDate = "01.02.03";
  std::string StartTime = "10.20.30";
  std::string HeaderBytes = "";
  std::string Reserved = "";
  std::string NrDataRecords = "";
  std::string Duration = "1";
  std::string NrSignals = "";
  std::vector<TTestSignal> Signals = {TTestSignal{}, TTestSignal{}};
  int64_t Records = 3;
  int64_t ExtraBytes = 0; // a trailing partial record
  int SampleBytes = 2;    // 3: BDF samples, WidePatternSample values

  int64_t RecordSamples() const;
  int64_t HeaderSize() const { return 256 * (static_cast<int64_t>(Signals.size()) + 1); }
  std::string Header() const;
  // The header, Records records of PatternSample values, then ExtraBytes bytes 0x5A.
  std::string Bytes() const;
};

// A BDF file: version byte 255 and "BIOSEMI", reserved "24BIT", 24-bit digital limits.
TTestEDF BDFTestEDF();

// An EDF+ annotation signal ("EDF Annotations") of 10 samples, 20 bytes, per record.
TTestSignal AnnotationTestSignal();

// Edf with the one signal AnnotationTestSignal and a record for each entry of Lists: the header,
// then each entry as its record's bytes, cut or padded with NULs to 20 bytes.
std::string AnnotationRecordsBytes(TTestEDF Edf, const std::vector<std::string>& Lists);

// Edf's bytes with a record for each entry of Lists, that entry written over the record's last
// signal, the annotation signal, cut or padded with NULs to its width.
std::string AnnotationListsBytes(TTestEDF Edf, const std::vector<std::string>& Lists);

} // namespace velastrin::test
