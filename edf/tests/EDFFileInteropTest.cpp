// Interoperability with edflib, an EDF library nobody here wrote: what it writes we read, and
// what we write it reads, header values and every sample alike.
#include "edf/uEDF.h"

#include "EDFFileTestSupport.h"
#include "EDFHeaderTestSupport.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace velastrin {
namespace {

using test::DateSerial;
using test::PatternSample;

std::string TrimRightBlanks(std::string S) {
  while (!S.empty() && S.back() == ' ')
    S.pop_back();
  return S;
}

struct TPeerSignal {
  const char* Label;
  int Rate; // samples per 1-second record
  int DigMin;
  int DigMax;
  double PhysMin;
  double PhysMax;
  const char* Dim;
};

const std::vector<TPeerSignal> PeerSignals = {
    {"EEG Fpz-Cz", 100, -32768, 32767, -500.0, 500.0, "uV"},
    {"EOG horizontal", 50, -2048, 2047, -1000.0, 1000.0, "uV"},
    {"Resp oro-nasal", 1, -100, 100, -1.0, 1.0, "mV"},
};

// edflib's samples must stay within the digital range of their signal.
int16_t PeerSample(int64_t Record, int64_t Signal, int64_t Position) {
  const TPeerSignal& S = PeerSignals[static_cast<std::size_t>(Signal)];
  const int Span = S.DigMax - S.DigMin + 1;
  const int V = static_cast<uint16_t>(PatternSample(Record, Signal, Position)) % Span;
  return static_cast<int16_t>(S.DigMin + V);
}

TEST(EdfInterop, WeReadWhatEdflibWrites) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("peer.edf");
  const int Records = 4;
  const int Handle = edfopen_file_writeonly(Path.c_str(), EDFLIB_FILETYPE_EDFPLUS,
                                            static_cast<int>(PeerSignals.size()));
  ASSERT_GE(Handle, 0);
  for (std::size_t s = 0; s < PeerSignals.size(); ++s) {
    const TPeerSignal& S = PeerSignals[s];
    const int i = static_cast<int>(s);
    ASSERT_EQ(edf_set_samplefrequency(Handle, i, S.Rate), 0);
    ASSERT_EQ(edf_set_digital_minimum(Handle, i, S.DigMin), 0);
    ASSERT_EQ(edf_set_digital_maximum(Handle, i, S.DigMax), 0);
    ASSERT_EQ(edf_set_physical_minimum(Handle, i, S.PhysMin), 0);
    ASSERT_EQ(edf_set_physical_maximum(Handle, i, S.PhysMax), 0);
    ASSERT_EQ(edf_set_label(Handle, i, S.Label), 0);
    ASSERT_EQ(edf_set_physical_dimension(Handle, i, S.Dim), 0);
  }
  ASSERT_EQ(edf_set_startdatetime(Handle, 2020, 5, 6, 7, 8, 9), 0);
  ASSERT_EQ(edf_set_patientname(Handle, "Test Patient"), 0);
  for (int r = 0; r < Records; ++r)
    for (std::size_t s = 0; s < PeerSignals.size(); ++s) {
      std::vector<short> Samples(static_cast<std::size_t>(PeerSignals[s].Rate));
      for (std::size_t k = 0; k < Samples.size(); ++k)
        Samples[k] = PeerSample(r, static_cast<int64_t>(s), static_cast<int64_t>(k));
      ASSERT_EQ(edfwrite_digital_short_samples(Handle, Samples.data()), 0);
    }
  ASSERT_EQ(edfwrite_annotation_latin1(Handle, 0, -1, "Lights off"), 0);
  ASSERT_EQ(edfclose_file(Handle), 0);

  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.Open();
  ASSERT_TRUE(File.IsValid()); // strict
  EXPECT_EQ(File.Status(), 0);
  // The annotation signal is one more ordinary signal.
  ASSERT_EQ(File.SignalCount(), static_cast<int32_t>(PeerSignals.size()) + 1);
  EXPECT_EQ(File.GetSignal(3)->SignalLabel(), "EDF Annotations");
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), Records);
  EXPECT_EQ(File.FileInfo()->StartDate(), DateSerial(2020, 5, 6));
  EXPECT_NEAR(File.FileInfo()->StartTime(), (7 * 3600.0 + 8 * 60 + 9) / 86400.0, 1e-9);
  EXPECT_EQ(File.FileInfo()->Reserved().substr(0, 5), "EDF+C");
  EXPECT_EQ(File.FileInfo()->PatientInfo().PatientName(), "Test Patient");
  for (std::size_t s = 0; s < PeerSignals.size(); ++s) {
    const TCustomEDFSignalInfo& Signal = *File.GetSignal(static_cast<int32_t>(s));
    EXPECT_EQ(Signal.SignalLabel(), PeerSignals[s].Label);
    EXPECT_EQ(Signal.NrSamples(), PeerSignals[s].Rate);
    EXPECT_EQ(Signal.Digimin(), PeerSignals[s].DigMin);
    EXPECT_EQ(Signal.Digimax(), PeerSignals[s].DigMax);
    EXPECT_DOUBLE_EQ(static_cast<double>(Signal.Physimin()), PeerSignals[s].PhysMin);
    EXPECT_DOUBLE_EQ(static_cast<double>(Signal.Physimax()), PeerSignals[s].PhysMax);
    EXPECT_EQ(Signal.Physidim(), PeerSignals[s].Dim);
  }

  const TDynSmallIntArray Buffer = File.GetDataBuffer();
  const TCustomEDFSignalInfo& Annotations = *File.GetSignal(3);
  for (int r = 0; r < Records; ++r) {
    File.ReadRecord(r);
    for (std::size_t s = 0; s < PeerSignals.size(); ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(static_cast<int32_t>(s));
      for (int64_t k = 0; k < Signal.NrSamples(); ++k)
        ASSERT_EQ(Buffer[static_cast<std::size_t>(Signal.BufferOffset() + k)],
                  PeerSample(r, static_cast<int64_t>(s), k))
            << "record " << r << " signal " << s << " sample " << k;
    }
    // Each record's annotation signal starts with its time-keeping stamp "+<seconds>".
    const auto* Text = reinterpret_cast<const char*>(Buffer.data() + Annotations.BufferOffset());
    const std::string Stamp = "+" + std::to_string(r) + "\x14\x14";
    EXPECT_EQ(std::string(Text, Stamp.size()), Stamp) << "record " << r;
  }
}

TEST(EdfInterop, EdflibReadsWhatWeWrite) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("ours.edf");
  const std::vector<int32_t> Samples = {10, 20, 5};
  const int Records = 5;
  {
    TEDFFile File;
    File.SetFileName(Path);
    File.CreateNew(static_cast<int32_t>(Samples.size()), false);
    TCustomEDFFileInfo& Info = *File.FileInfo();
    test::FillGeneral(Info, "Anonymous", "Night one", DateSerial(2019, 11, 30),
                      (23 * 3600.0 + 59 * 60 + 58) / 86400.0, 1);
    for (int32_t s = 0; s < File.SignalCount(); ++s)
      test::FillSignal(*File.GetSignal(s), "Channel " + std::to_string(s + 1), -3276.8L, 3276.7L,
                       "HP:0.1Hz", Samples[static_cast<std::size_t>(s)]);
    File.WriteHeader();
    ASSERT_TRUE(File.Active());
    for (int r = 0; r < Records; ++r) {
      TDynSmallIntArray Buffer = File.GetDataBuffer();
      for (int32_t s = 0; s < File.SignalCount(); ++s) {
        const TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
        for (int64_t k = 0; k < Signal.NrSamples(); ++k)
          Buffer[static_cast<std::size_t>(Signal.BufferOffset() + k)] = PatternSample(r, s, k);
      }
      File.WriteRecord(r);
    }
  }

  edf_hdr_struct Header{};
  ASSERT_EQ(edfopen_file_readonly(Path.c_str(), &Header, EDFLIB_DO_NOT_READ_ANNOTATIONS), 0)
      << "edflib error " << Header.filetype;
  EXPECT_EQ(Header.filetype, EDFLIB_FILETYPE_EDF);
  ASSERT_EQ(Header.edfsignals, static_cast<int>(Samples.size()));
  EXPECT_EQ(Header.datarecords_in_file, Records);
  EXPECT_EQ(Header.datarecord_duration, 10000000LL); // 1 s in units of 100 ns
  EXPECT_EQ(Header.startdate_year, 2019);
  EXPECT_EQ(Header.startdate_month, 11);
  EXPECT_EQ(Header.startdate_day, 30);
  EXPECT_EQ(Header.starttime_hour, 23);
  EXPECT_EQ(Header.starttime_minute, 59);
  EXPECT_EQ(Header.starttime_second, 58);
  EXPECT_EQ(TrimRightBlanks(Header.patient), "Anonymous");
  EXPECT_EQ(TrimRightBlanks(Header.recording), "Night one");
  for (std::size_t s = 0; s < Samples.size(); ++s) {
    const edf_param_struct& P = Header.signalparam[s];
    EXPECT_EQ(TrimRightBlanks(P.label), "Channel " + std::to_string(s + 1));
    EXPECT_EQ(P.smp_in_datarecord, Samples[s]);
    EXPECT_EQ(P.smp_in_file, static_cast<long long>(Samples[s]) * Records);
    EXPECT_EQ(P.dig_min, -32768);
    EXPECT_EQ(P.dig_max, 32767);
    EXPECT_DOUBLE_EQ(P.phys_min, -3276.8);
    EXPECT_DOUBLE_EQ(P.phys_max, 3276.7);
    EXPECT_EQ(TrimRightBlanks(P.physdimension), "uV");
    std::vector<int> Read(static_cast<std::size_t>(P.smp_in_file));
    ASSERT_EQ(edfread_digital_samples(Header.handle, static_cast<int>(s),
                                      static_cast<int>(Read.size()), Read.data()),
              static_cast<int>(Read.size()));
    for (int r = 0; r < Records; ++r)
      for (int k = 0; k < Samples[s]; ++k)
        ASSERT_EQ(Read[static_cast<std::size_t>(r * Samples[s] + k)],
                  PatternSample(r, static_cast<int64_t>(s), k))
            << "record " << r << " signal " << s << " sample " << k;
  }
  EXPECT_EQ(edfclose_file(Header.handle), 0);
}

} // namespace
} // namespace velastrin
