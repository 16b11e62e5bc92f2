// The signal envelope: column limits and clipping for a ramp and a square wave written by our
// own writer, with the chosen signal between two others, and the header values a plot needs.
#include "edf/uEDF.h"
#include "edf/uSignalEnvelope.h"

#include "EDFFileTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <stop_token>
#include <string>
#include <vector>

namespace velastrin {
namespace {

struct TEnvelopeSignal {
  int32_t PerRecord;
  int32_t Digimin;
  int32_t Digimax;
  long double Physimin;
  long double Physimax;
  std::function<int32_t(int64_t Sample)> Value; // by sample number over the whole recording
  TEDFFormat Format = TEDFFormat::EDF;
};

// Three signals: a decoy of 3 samples per record, the one under test, and a decoy of 5. The
// decoys hold values beyond every limit of the chosen one, so a sample taken from the wrong
// place would show.
void WriteFile(const std::string& Path, const TEnvelopeSignal& Chosen, int64_t Records) {
  const bool BDF = Chosen.Format == TEDFFormat::BDF;
  const int32_t High = BDF ? 8388607 : 32767, Low = -High - 1; // the decoys: the format's ends
  TEDFFile File;
  File.SetFileName(Path);
  File.SetFormat(Chosen.Format);
  File.CreateNew(3, true);
  TCustomEDFFileInfo& Info = *File.FileInfo();
  Info.SetPatient("P-1 M 01-JAN-1970 Some_One");
  Info.SetRecording("Startdate 03-APR-2021 X X X");
  Info.SetStartDateTime(EncodeDate(2021, 4, 3) + EncodeTime(23, 59, 0, 0));
  Info.SetReserved(BDF ? "24BIT" : "");
  Info.SetSampleRecDuration(2.5L);
  const int32_t Samples[] = {3, Chosen.PerRecord, 5};
  for (int32_t s = 0; s < 3; ++s) {
    TCustomEDFSignalInfo& Signal = *File.GetSignal(s);
    Signal.SetSignalLabel(s == 1 ? "Ramp" : "Decoy");
    Signal.SetTransducertype("Electrode");
    Signal.SetPhysidim(s == 1 ? "mV" : "uV");
    Signal.SetPhysimin(s == 1 ? Chosen.Physimin : -1);
    Signal.SetPhysimax(s == 1 ? Chosen.Physimax : 1);
    Signal.SetDigimin(s == 1 ? Chosen.Digimin : Low);
    Signal.SetDigimax(s == 1 ? Chosen.Digimax : High);
    Signal.SetPrefilter("None");
    Signal.SetNrSamples(Samples[s]);
    Signal.SetReserved("");
  }
  File.WriteHeader();
  for (int64_t r = 0; r < Records; ++r) {
    for (int32_t s = 0; s < 3; ++s) {
      const int64_t B = File.GetSignal(s)->BufferOffset();
      for (int32_t k = 0; k < Samples[s]; ++k) {
        const int32_t V = s == 1 ? Chosen.Value(r * Chosen.PerRecord + k) : (k % 2 ? High : Low);
        const auto At = static_cast<std::size_t>(B + k);
        if (BDF)
          File.GetWideDataBuffer()[At] = V;
        else
          File.GetDataBuffer()[At] = static_cast<int16_t>(V);
      }
    }
    File.WriteRecord(r);
  }
  File.Close();
}

// Expected column: Min, Max, clipped low, clipped high.
struct TColumn {
  int Min, Max;
  bool Low, High;
};

struct TEnvelopeCase {
  const char* Name;
  TEnvelopeSignal Signal;
  int64_t Records;
  int32_t Columns;
  std::vector<TColumn> Expected;
};

TEnvelopeSignal Ramp() {
  // 0..99 over ten records of ten samples; 0 and 99 are the digital limits.
  return {10, 0, 99, 0, 990, [](int64_t i) { return static_cast<int16_t>(i); }};
}

TEnvelopeSignal Square() {
  // Ten samples at Digimin, then ten at 1000, over ten records of ten samples.
  return {10,   -2048, 2047,
          -500, 500,   [](int64_t i) { return static_cast<int16_t>(i / 10 % 2 ? 1000 : -2048); }};
}

TEnvelopeSignal StepAcrossBothLimits() {
  // Ten samples at Digimin, then Digimax, in records of seven: the step lies inside a record.
  return {7, -100, 100, -1, 1, [](int64_t i) { return static_cast<int16_t>(i < 10 ? -100 : 100); }};
}

TEnvelopeSignal LongRamp() {
  // 0..99 in one record: runs long enough for the wide fold.
  return {100, 0, 99, 0, 990, [](int64_t i) { return static_cast<int16_t>(i); }};
}

TEnvelopeSignal Spikes() {
  // Zero but one low spike at 37 and one high spike at 70, in one record of 100.
  return {100, -100,
          100, -1,
          1,   [](int64_t i) {
            return static_cast<int16_t>(i == 37 ? -77 : i == 70 ? 88 : 0); }};
}

TEnvelopeSignal BDFSpikes() {
  // Zero but both limits and two spikes, all beyond 16 bits, over ten BDF records of ten.
  const auto Value = [](int64_t i) {
    return i == 0 ? -8000000 : i == 37 ? -5000000 : i == 70 ? 7000000 : i == 99 ? 8000000 : 0;
  };
  return {10, -8000000, 8000000, -1, 1, Value, TEDFFormat::BDF};
}

class SignalEnvelope : public ::testing::TestWithParam<TEnvelopeCase> {
protected:
  test::TTempDir Dir;
};

TEST_P(SignalEnvelope, ColumnsHoldTheirSamplesLimitsAndClipping) {
  const TEnvelopeCase& Case = GetParam();
  const std::string Path = Dir.File("signal.edf");
  WriteFile(Path, Case.Signal, Case.Records);
  const std::optional<TSignalEnvelope> Envelope = ComputeSignalEnvelope(Path, 1, Case.Columns);
  ASSERT_TRUE(Envelope.has_value());
  ASSERT_EQ(Envelope->Columns.size(), Case.Expected.size());
  for (std::size_t c = 0; c < Case.Expected.size(); ++c) {
    const TEnvelopeColumn& Got = Envelope->Columns[c];
    const TColumn& Want = Case.Expected[c];
    EXPECT_EQ(Got.Min, Want.Min) << "column " << c;
    EXPECT_EQ(Got.Max, Want.Max) << "column " << c;
    EXPECT_EQ(Got.ClippedLow, Want.Low) << "column " << c;
    EXPECT_EQ(Got.ClippedHigh, Want.High) << "column " << c;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SignalEnvelope,
    ::testing::Values(
        // 100 samples in 8 columns of 12 or 13, across record boundaries.
        TEnvelopeCase{"RampInEightColumns",
                      Ramp(),
                      10,
                      8,
                      {{0, 11, true, false},
                       {12, 24, false, false},
                       {25, 36, false, false},
                       {37, 49, false, false},
                       {50, 61, false, false},
                       {62, 74, false, false},
                       {75, 86, false, false},
                       {87, 99, false, true}}},
        // Fewer samples than columns: one column per sample.
        TEnvelopeCase{"RampShorterThanThePlot",
                      Ramp(),
                      1,
                      50,
                      {{0, 0, true, false},
                       {1, 1, false, false},
                       {2, 2, false, false},
                       {3, 3, false, false},
                       {4, 4, false, false},
                       {5, 5, false, false},
                       {6, 6, false, false},
                       {7, 7, false, false},
                       {8, 8, false, false},
                       {9, 9, false, false}}},
        TEnvelopeCase{"SquareOneHalfPeriodPerColumn",
                      Square(),
                      10,
                      10,
                      {{-2048, -2048, true, false},
                       {1000, 1000, false, false},
                       {-2048, -2048, true, false},
                       {1000, 1000, false, false},
                       {-2048, -2048, true, false},
                       {1000, 1000, false, false},
                       {-2048, -2048, true, false},
                       {1000, 1000, false, false},
                       {-2048, -2048, true, false},
                       {1000, 1000, false, false}}},
        // Columns of 25 samples: 0-24 both levels, 25-49 both, and so on.
        TEnvelopeCase{"SquareStraddlingColumns",
                      Square(),
                      10,
                      4,
                      {{-2048, 1000, true, false},
                       {-2048, 1000, true, false},
                       {-2048, 1000, true, false},
                       {-2048, 1000, true, false}}},
        // 21 samples in records of 7, 3 columns of 7: 0-6 low, 7-13 both, 14-20 high.
        TEnvelopeCase{
            "StepAcrossBothLimits",
            StepAcrossBothLimits(),
            3,
            3,
            {{-100, -100, true, false}, {-100, 100, true, true}, {100, 100, false, true}}},
        TEnvelopeCase{"LongRecordInThreeColumns",
                      LongRamp(),
                      1,
                      3,
                      {{0, 32, true, false}, {33, 65, false, false}, {66, 99, false, true}}},
        TEnvelopeCase{"SpikesInsideLongColumns",
                      Spikes(),
                      1,
                      2,
                      {{-77, 0, false, false}, {0, 88, false, false}}},
        // Columns of 25 samples, one spike in each.
        TEnvelopeCase{"BdfSpikesBeyondSixteenBits",
                      BDFSpikes(),
                      10,
                      4,
                      {{-8000000, 0, true, false},
                       {-5000000, 0, false, false},
                       {0, 7000000, false, false},
                       {0, 8000000, false, true}}},
        TEnvelopeCase{"NoColumnsAsked", Ramp(), 10, 0, {}},
        TEnvelopeCase{"NoRecords", Ramp(), 0, 8, {}}),
    [](const ::testing::TestParamInfo<TEnvelopeCase>& Info) { return Info.param.Name; });

class SignalEnvelopeFile : public ::testing::Test {
protected:
  test::TTempDir Dir;
};

TEST_F(SignalEnvelopeFile, CarriesWhatThePlotNeedsOfTheHeader) {
  const std::string Path = Dir.File("ramp.edf");
  WriteFile(Path, Ramp(), 10);
  const TSignalEnvelope Envelope = ComputeSignalEnvelope(Path, 1, 8).value();
  EXPECT_EQ(Envelope.Label, "Ramp");
  EXPECT_EQ(Envelope.Physidim, "mV");
  EXPECT_DOUBLE_EQ(Envelope.StartDateTime, EncodeDate(2021, 4, 3) + EncodeTime(23, 59, 0, 0));
  EXPECT_EQ(Envelope.Seconds, 25.0L);
  EXPECT_EQ(Envelope.SampleCount, 100);
  EXPECT_EQ(Envelope.Digimin, 0);
  EXPECT_EQ(Envelope.Digimax, 99);
  EXPECT_EQ(Envelope.FirstSample(3), 37);
  EXPECT_EQ(Envelope.FirstSample(8), 100);
  EXPECT_DOUBLE_EQ(Envelope.SecondsAt(40), 10.0);
  // 0..99 maps onto 0..990 mV.
  EXPECT_TRUE(Envelope.GainValid);
  EXPECT_DOUBLE_EQ(Envelope.Physical(0), 0.0);
  EXPECT_DOUBLE_EQ(Envelope.Physical(37), 370.0);
}

TEST_F(SignalEnvelopeFile, WithoutGainValuesStayDigital) {
  TSignalEnvelope Envelope;
  Envelope.GainValid = false;
  Envelope.Gain = 10;
  Envelope.Physimin = 5;
  EXPECT_DOUBLE_EQ(Envelope.Physical(-7), -7.0);
}

TEST_F(SignalEnvelopeFile, AStopRequestGivesNoEnvelope) {
  const std::string Path = Dir.File("ramp.edf");
  WriteFile(Path, Ramp(), 10);
  std::stop_source Source;
  Source.request_stop();
  EXPECT_FALSE(ComputeSignalEnvelope(Path, 1, 8, Source.get_token()).has_value());
}

TEST_F(SignalEnvelopeFile, RefusesWhatItCannotRead) {
  const std::string Path = Dir.File("ramp.edf");
  WriteFile(Path, Ramp(), 10);
  EXPECT_THROW(ComputeSignalEnvelope(Path, 3, 8), EListError);
  const std::string Broken = Dir.File("broken.edf");
  test::WriteBytes(Broken, std::string(300, 'x'));
  EXPECT_THROW(ComputeSignalEnvelope(Broken, 0, 8), EDataFileHeaderInvalid);
  EXPECT_THROW(ComputeSignalEnvelope(Dir.File("missing.edf"), 0, 8), EFOpenError);
}

} // namespace
} // namespace velastrin
