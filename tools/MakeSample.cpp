// Writes samples/psg-sample.edf: five minutes of a synthetic polysomnography-like recording
// (two EEG derivations, two EOG channels, chin EMG, respiration) as an EDF+C file, with EDF+
// patient and recording identification and an "EDF Annotations" signal after the others that
// holds lights off and on and the sleep stage of each 30-second epoch. The signals are made
// from fixed formulas and a fixed-seed generator, so every run writes the same bytes. Given a
// name ending in ".bdf" it writes samples/psg-sample.bdf instead: the first minute as BDF+C,
// with 256 times the resolution and a "BDF Annotations" signal.
#include "edf/uEDF.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numbers>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace velastrin;

struct TSampleSignal {
  const char* Label;
  const char* Transducer;
  const char* Physidim;
  long double Physimin, Physimax;
  int32_t Digimin, Digimax;
  const char* Prefilter;
  int32_t Rate; // samples per one-second record
  // Physical value at time T seconds; Noise gives one standard normal number per call.
  std::function<double(double T, std::normal_distribution<double>&, std::mt19937&)> Value;
};

constexpr int RecordCount = 300;   // five minutes of one-second records
constexpr int BDFRecordCount = 60; // the BDF sample's one minute
constexpr int BDFResolution = 256; // BDF's extra 8 bits
constexpr double Pi = std::numbers::pi;

int32_t ToDigital(const TSampleSignal& S, double Physical) {
  const double Gain = static_cast<double>(S.Physimax - S.Physimin) / (S.Digimax - S.Digimin);
  const double Digital =
      std::round((Physical - static_cast<double>(S.Physimin)) / Gain) + S.Digimin;
  return static_cast<int32_t>(std::clamp<double>(Digital, S.Digimin, S.Digimax));
}

// A signal with BDF's digital range: each EDF step split into BDFResolution.
TSampleSignal Widened(TSampleSignal S) {
  S.Digimin *= BDFResolution;
  S.Digimax = S.Digimax * BDFResolution + BDFResolution - 1;
  return S;
}

// Relaxed wakefulness for the first two minutes (alpha), then light sleep (theta, spindles).
double Eeg(double T, double Phase, std::normal_distribution<double>& N, std::mt19937& G) {
  const double Awake = T < 120 ? 1.0 : 0.2;
  const double Alpha = 25 * Awake * std::sin(2 * Pi * 10.2 * T + Phase);
  const double Theta = 30 * (1 - Awake) * std::sin(2 * Pi * 5.5 * T + 0.7 * Phase);
  const double SpindleEnvelope =
      std::fmod(T, 17.0) < 1.0 && T > 150 ? std::sin(Pi * std::fmod(T, 17.0)) : 0;
  const double Spindle = 20 * SpindleEnvelope * std::sin(2 * Pi * 13 * T);
  return Alpha + Theta + Spindle + 8 * N(G);
}

std::vector<TSampleSignal> Signals() {
  return {
      {"EEG Fpz-Cz", "AgAgCl cup electrodes", "uV", -200, 200, -2048, 2047,
       "HP:0.5Hz LP:70Hz N:50Hz", 100,
       [](double T, auto& N, auto& G) { return Eeg(T, 0.0, N, G); }},
      {"EEG Pz-Oz", "AgAgCl cup electrodes", "uV", -200, 200, -2048, 2047,
       "HP:0.5Hz LP:70Hz N:50Hz", 100,
       [](double T, auto& N, auto& G) { return Eeg(T, 1.3, N, G); }},
      {"EOG left", "AgAgCl cup electrodes", "uV", -500, 500, -2048, 2047, "HP:0.3Hz LP:35Hz", 50,
       [](double T, auto& N, auto& G) {
         // Saccades while awake, slow rolling movements when drowsy.
         const double Saccade = T < 120 ? 150 * std::tanh(4 * std::sin(2 * Pi * 0.3 * T)) : 0;
         const double Rolling = T >= 120 ? 120 * std::sin(2 * Pi * 0.1 * T) : 0;
         return Saccade + Rolling + 10 * N(G);
       }},
      {"EOG right", "AgAgCl cup electrodes", "uV", -500, 500, -2048, 2047, "HP:0.3Hz LP:35Hz", 50,
       [](double T, auto& N, auto& G) {
         const double Saccade = T < 120 ? -150 * std::tanh(4 * std::sin(2 * Pi * 0.3 * T)) : 0;
         const double Rolling = T >= 120 ? -120 * std::sin(2 * Pi * 0.1 * T) : 0;
         return Saccade + Rolling + 10 * N(G);
       }},
      {"EMG submental", "AgAgCl cup electrodes", "uV", -100, 100, -32768, 32767, "HP:10Hz LP:100Hz",
       200,
       [](double T, auto& N, auto& G) {
         const double Tone = T < 120 ? 20 : 8; // muscle tone drops with sleep
         return Tone * N(G);
       }},
      {"Resp oro-nasal", "Thermistor", "mV", -1000, 1000, -2048, 2047, "HP:0.05Hz LP:5Hz", 10,
       [](double T, auto& N, auto& G) { return 400 * std::sin(2 * Pi * 0.25 * T) + 15 * N(G); }},
  };
}

// The annotation signal: 30 samples (60 bytes) per record, enough for the longest record's
// lists.
constexpr int32_t AnnotationSamples = 30;

struct TSampleAnnotation {
  int Onset;    // seconds after the start
  int Duration; // seconds; 0: none
  const char* Text;
};

// The hypnogram follows the EEG above: awake (alpha) for two minutes, a drowsy epoch, then
// light sleep with spindles.
std::vector<TSampleAnnotation> Annotations(int Records) {
  std::vector<TSampleAnnotation> List = {{0, 0, "Lights off"}};
  for (int Epoch = 0; Epoch < Records / 30; ++Epoch) {
    const int Onset = Epoch * 30;
    List.push_back({Onset, 30,
                    Onset < 120   ? "Sleep stage W"
                    : Onset < 150 ? "Sleep stage N1"
                                  : "Sleep stage N2"});
  }
  List.push_back({Records - 5, 0, "Lights on"});
  return List;
}

// The time-stamped annotation lists of record Record as the annotation signal's samples of
// Width bytes: the record's time-keeping list, then one list per annotation that starts within
// the record.
std::vector<int32_t> AnnotationRecord(int Record, int Records, int Width) {
  std::string Bytes = "+" + std::to_string(Record) + "\x14\x14";
  Bytes += '\0';
  for (const TSampleAnnotation& A : Annotations(Records)) {
    if (A.Onset != Record)
      continue;
    Bytes += "+" + std::to_string(A.Onset);
    if (A.Duration > 0)
      Bytes += "\x15" + std::to_string(A.Duration);
    Bytes += "\x14" + std::string(A.Text) + "\x14";
    Bytes += '\0';
  }
  const auto Size = static_cast<std::size_t>(Width * AnnotationSamples);
  if (Bytes.size() > Size)
    throw std::length_error("the annotations of record " + std::to_string(Record) +
                            " do not fit their signal");
  Bytes.resize(Size, '\0');
  std::vector<int32_t> Samples;
  for (std::size_t i = 0; i < Bytes.size(); i += static_cast<std::size_t>(Width)) {
    // Little-endian two's complement, like every sample.
    uint32_t Value = 0;
    for (int b = 0; b < Width; ++b)
      Value |= static_cast<uint32_t>(static_cast<uint8_t>(Bytes[i + b])) << (8 * b);
    Samples.push_back(Width == 2 ? int32_t{static_cast<int16_t>(Value)}
                                 : static_cast<int32_t>(Value << 8) >> 8);
  }
  return Samples;
}

} // namespace

int main(int argc, char** argv) {
  // A name that looks like an option ("--help") is a request for the usage, not a file to write.
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: %s OUTPUT.edf|OUTPUT.bdf\n", argv[0]);
    return 2;
  }
  try {
    std::string Name = argv[1];
    const bool BDF = Name.size() >= 4 && (Name.ends_with(".bdf") || Name.ends_with(".BDF"));
    std::vector<TSampleSignal> Fixture = Signals();
    if (BDF)
      std::transform(Fixture.begin(), Fixture.end(), Fixture.begin(), Widened);
    const int Records = BDF ? BDFRecordCount : RecordCount;
    const int Width = BDF ? 3 : 2;
    TEDFFile File;
    File.SetFileName(argv[1]);
    File.SetFormat(BDF ? TEDFFormat::BDF : TEDFFormat::EDF);
    File.CreateNew(static_cast<int32_t>(Fixture.size()) + 1, true);
    TCustomEDFFileInfo& Info = *File.FileInfo();
    Info.SetPatient("X-0042 F 12-JUN-1978 Sample_Subject");
    Info.SetRecording("Startdate 07-DEC-2026 PSG-0042 NN Velastrin_sample_generator");
    Info.SetStartDateTime(EncodeDate(2026, 12, 7) + EncodeTime(22, 30, 0, 0));
    Info.SetReserved(BDF ? "BDF+C" : "EDF+C");
    Info.SetSampleRecDuration(1);
    for (std::size_t i = 0; i < Fixture.size(); ++i) {
      const TSampleSignal& S = Fixture[i];
      TCustomEDFSignalInfo& Signal = *File.GetSignal(static_cast<int32_t>(i));
      Signal.SetSignalLabel(S.Label);
      Signal.SetTransducertype(S.Transducer);
      Signal.SetPhysidim(S.Physidim);
      Signal.SetPhysimin(S.Physimin);
      Signal.SetPhysimax(S.Physimax);
      Signal.SetDigimin(S.Digimin);
      Signal.SetDigimax(S.Digimax);
      Signal.SetPrefilter(S.Prefilter);
      Signal.SetNrSamples(S.Rate);
      Signal.SetReserved("");
    }
    TCustomEDFSignalInfo& Annotation = *File.GetSignal(static_cast<int32_t>(Fixture.size()));
    Annotation.SetSignalLabel(BDF ? "BDF Annotations" : "EDF Annotations");
    Annotation.SetTransducertype("");
    Annotation.SetPhysidim("");
    Annotation.SetPhysimin(-1);
    Annotation.SetPhysimax(1);
    Annotation.SetDigimin(BDF ? -8388608 : -32768);
    Annotation.SetDigimax(BDF ? 8388607 : 32767);
    Annotation.SetPrefilter("");
    Annotation.SetNrSamples(AnnotationSamples);
    Annotation.SetReserved("");
    File.WriteHeader();
    if (!File.Active()) {
      std::fprintf(stderr, "the sample header is not valid\n");
      return 1;
    }
    std::mt19937 Generator(20261207);
    std::normal_distribution<double> Noise(0.0, 1.0);
    for (int r = 0; r < Records; ++r) {
      std::vector<int32_t> Record;
      for (const TSampleSignal& S : Fixture)
        for (int32_t i = 0; i < S.Rate; ++i)
          Record.push_back(
              ToDigital(S, S.Value(r + static_cast<double>(i) / S.Rate, Noise, Generator)));
      for (const int32_t Sample : AnnotationRecord(r, Records, Width))
        Record.push_back(Sample);
      if (BDF)
        std::copy(Record.begin(), Record.end(), File.GetWideDataBuffer().begin());
      else
        std::transform(Record.begin(), Record.end(), File.GetDataBuffer().begin(),
                       [](int32_t V) { return static_cast<int16_t>(V); });
      File.WriteRecord(Info.NrDataRecords());
    }
    File.Close();
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "%s\n", Error.what());
    return 1;
  }
  return 0;
}
