#include "export/tests/ExportTestSupport.h"

#include "edf/uEDF.h"

#include <edflib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace velastrin::testing {

void WriteEdf(const std::string& FileName, const TEdfFixture& Fixture) {
  TEDFFile File;
  File.SetFileName(FileName);
  File.SetStrict(false); // labels with a leading blank are part of the fixtures
  File.CreateNew(static_cast<int32_t>(Fixture.Signals.size()), true);
  TCustomEDFFileInfo& Info = *File.FileInfo();
  Info.SetPatient(Fixture.Patient);
  Info.SetRecording(Fixture.Recording);
  Info.SetStartDateTime(EncodeDate(Fixture.Year, Fixture.Month, Fixture.Day) +
                        EncodeTime(Fixture.Hour, Fixture.Minute, Fixture.Second, 0));
  Info.SetReserved("");
  Info.SetSampleRecDuration(Fixture.RecordDuration);
  for (std::size_t i = 0; i < Fixture.Signals.size(); ++i) {
    const TSignalFixture& S = Fixture.Signals[i];
    TCustomEDFSignalInfo& Signal = *File.GetSignal(static_cast<int32_t>(i));
    Signal.SetSignalLabel(S.Label);
    Signal.SetTransducertype("AgAgCl electrode");
    Signal.SetPhysidim(S.Physidim);
    Signal.SetPhysimin(S.Physimin);
    Signal.SetPhysimax(S.Physimax);
    Signal.SetDigimin(S.Digimin);
    Signal.SetDigimax(S.Digimax);
    Signal.SetPrefilter("HP:0.1Hz LP:75Hz");
    Signal.SetNrSamples(S.NrSamples);
    Signal.SetReserved("");
  }
  File.WriteHeader();
  if (!File.Active())
    throw std::runtime_error("fixture header not valid: " + FileName);
  for (int64_t r = 0; r < Fixture.Records; ++r) {
    TDynSmallIntArray Buffer = File.GetDataBuffer();
    std::size_t k = 0;
    for (const TSignalFixture& S : Fixture.Signals)
      for (int32_t i = 0; i < S.NrSamples; ++i)
        Buffer[k++] = S.Value(r, i);
    File.WriteRecord(Info.NrDataRecords());
  }
  File.Close();
}

TEdfFixture ThreeSignalFixture(int64_t Records) {
  TEdfFixture Fixture;
  Fixture.Records = Records;
  TSignalFixture Eeg;
  Eeg.Label = "EEG Fpz-Cz";
  Eeg.NrSamples = 4;
  Eeg.Value = [](int64_t r, int32_t i) { return static_cast<int16_t>(r * 100 - 37 * i); };
  TSignalFixture Eog;
  Eog.Label = " EOG horizontal";
  Eog.NrSamples = 2;
  Eog.Physimin = 0;
  Eog.Physimax = 100;
  Eog.Digimin = 0;
  Eog.Digimax = 1000;
  Eog.Value = [](int64_t r, int32_t i) { return static_cast<int16_t>(500 + r * 10 + i); };
  TSignalFixture Emg;
  Emg.Label = "EMG submental";
  Emg.NrSamples = 1;
  Emg.Physimin = 100;
  Emg.Physimax = -100;
  Emg.Digimin = -32768;
  Emg.Digimax = 32767;
  Emg.Value = [](int64_t r, int32_t) { return static_cast<int16_t>(r % 2 ? -32768 : 32767); };
  Fixture.Signals = {Eeg, Eog, Emg};
  return Fixture;
}

void WriteEdflibFile(const std::string& FileName) {
  const int Handle = edfopen_file_writeonly(FileName.c_str(), EDFLIB_FILETYPE_EDFPLUS, 2);
  if (Handle < 0)
    throw std::runtime_error("edflib cannot create " + FileName);
  const char* Labels[] = {"EEG C3-A2", "Resp nasal"};
  for (int s = 0; s < 2; ++s) {
    edf_set_samplefrequency(Handle, s, s ? 4 : 2);
    edf_set_physical_maximum(Handle, s, 500);
    edf_set_physical_minimum(Handle, s, -500);
    edf_set_digital_maximum(Handle, s, 2047);
    edf_set_digital_minimum(Handle, s, -2048);
    edf_set_label(Handle, s, Labels[s]);
    edf_set_physical_dimension(Handle, s, "uV");
  }
  edf_set_startdatetime(Handle, 2004, 3, 5, 13, 45, 7);
  edf_set_patientname(Handle, "Jan Jansen");
  edf_set_patientcode(Handle, "MCH-0234567");
  edf_set_equipment(Handle, "Somno");
  for (int r = 0; r < 3; ++r) {
    short Eeg[2] = {static_cast<short>(r * 10 - 2048), static_cast<short>(r * 10 + 1)};
    short Resp[4] = {static_cast<short>(-r), 2047, 0, static_cast<short>(r * 3)};
    edfwrite_digital_short_samples(Handle, Eeg);
    edfwrite_digital_short_samples(Handle, Resp);
  }
  edfclose_file(Handle);
}

int OpenEdflibPlusFile(const std::string& FileName, int Frequency, int Hour, int Minute,
                       int Records) {
  const int Handle = edfopen_file_writeonly(FileName.c_str(), EDFLIB_FILETYPE_EDFPLUS, 1);
  if (Handle < 0)
    throw std::runtime_error("edflib cannot create " + FileName);
  edf_set_samplefrequency(Handle, 0, Frequency);
  edf_set_digital_minimum(Handle, 0, -2048);
  edf_set_digital_maximum(Handle, 0, 2047);
  edf_set_physical_minimum(Handle, 0, -200.0);
  edf_set_physical_maximum(Handle, 0, 200.0);
  edf_set_label(Handle, 0, "EEG");
  edf_set_startdatetime(Handle, 2026, 12, 7, Hour, Minute, 0);
  edf_set_number_of_annotation_signals(Handle, 2);
  std::vector<short> Samples(static_cast<std::size_t>(Frequency));
  for (int r = 0; r < Records; ++r)
    if (edfwrite_digital_short_samples(Handle, Samples.data()) != 0)
      throw std::runtime_error("edflib cannot write " + FileName);
  return Handle;
}

std::string ExpectedData(const TSignalFixture& Signal, int64_t FirstRecord, int64_t Records,
                         const std::string& Separator, bool Complete) {
  std::vector<std::string> Values;
  for (int64_t r = FirstRecord; r < FirstRecord + Records; ++r)
    for (int32_t i = 0; i < Signal.NrSamples; ++i)
      Values.push_back(std::to_string(Signal.Value(r, i)));
  std::string Out;
  for (std::size_t i = 0; i < Values.size(); ++i) {
    Out += Values[i];
    if (i + 1 < Values.size() || !Complete)
      Out += Separator;
  }
  return Out;
}

} // namespace velastrin::testing
