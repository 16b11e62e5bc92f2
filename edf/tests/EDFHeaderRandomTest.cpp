// Randomised header texts: loading never raises, and the flags keep their invariants whatever
// the bytes. The seed is fixed so that a failure repeats; VELASTRIN_FUZZ_SEED picks another.
#include "edf/uEDFHeader.h"

#include "EDFHeaderTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

namespace velastrin {
namespace {

using GF = TGeneralField;
using SF = TSignalField;

constexpr int Rounds = 20000;

uint32_t Seed() {
  const char* Text = std::getenv("VELASTRIN_FUZZ_SEED");
  return Text ? static_cast<uint32_t>(std::strtoul(Text, nullptr, 10)) : 20261207u;
}

// A field text: random bytes, number-like characters, or a valid text with one change.
std::string RandomText(std::mt19937& Rng, const std::string& Valid, int Width) {
  std::uniform_int_distribution<int> Length(0, Width);
  std::uniform_int_distribution<int> Byte(0, 255);
  static const std::string NumberChars = "0123456789+-.,eE $xX:/";
  std::string S;
  switch (std::uniform_int_distribution<int>(0, 3)(Rng)) {
  case 0:
    for (int n = Length(Rng); n > 0; --n)
      S += static_cast<char>(Byte(Rng));
    break;
  case 1:
    for (int n = Length(Rng); n > 0; --n)
      S += NumberChars[std::uniform_int_distribution<std::size_t>(0, NumberChars.size() - 1)(Rng)];
    break;
  case 2:
    S = Valid;
    if (!S.empty())
      S[std::uniform_int_distribution<std::size_t>(0, S.size() - 1)(Rng)] =
          static_cast<char>(Byte(Rng));
    break;
  default:
    S = Valid; // most fields stay valid, so that the others get judged in context
    break;
  }
  return test::Field(S, Width);
}

TEST(EdfHeaderRandom, GeneralHeaderLoadsWithConsistentFlags) {
  std::mt19937 Rng(Seed());
  const TEDFRawGeneralHeader Valid = test::ValidGeneralRaw();
  for (int Round = 0; Round < Rounds; ++Round) {
    TEDFRawGeneralHeader Raw;
    for (int i = 0; i < EDFFieldCount; ++i)
      Raw.SetText(i, RandomText(Rng, test::Trim(Valid.Text(i)), Raw.Width(i)));
    auto Strict = std::make_unique<TEDFFileInfo>(nullptr);
    auto Lenient = std::make_unique<TEDFFileInfo>(nullptr);
    Lenient->StoreStrict(false);
    ASSERT_NO_THROW(Strict->LoadRawHeader(Raw)) << Round;
    ASSERT_NO_THROW(Lenient->LoadRawHeader(Raw)) << Round;
    for (int i = 0; i < EDFFieldCount; ++i) {
      ASSERT_TRUE(!Strict->FieldValid(i) || Lenient->FieldValid(i)) << Round << " field " << i;
      const bool Before = Strict->FieldValid(i);
      Strict->ParseRawHeader();
      ASSERT_EQ(Strict->FieldValid(i), Before) << Round << " field " << i;
    }
    for (const TEDFFileInfo* Info : {Strict.get(), Lenient.get()}) {
      ASSERT_FALSE(Info->Modified());
      if (Info->FieldValid(GF::HeaderBytes)) {
        ASSERT_EQ(Info->HeaderBytes(), 256 * (int64_t{Info->NrSignals()} + 1)) << Round;
      }
      if (Info->FieldValid(GF::SampleRecDuration)) {
        ASSERT_TRUE(std::isfinite(Info->SampleRecDuration()) && Info->SampleRecDuration() > 0);
      }
      if (Info->IsValid()) {
        double Stop = 0;
        ASSERT_NO_THROW(Stop = Info->GetStopDateTime()) << Round;
        ASSERT_TRUE(std::isfinite(Stop));
        ASSERT_GE(Stop, Info->StartDateTime());
      }
    }
  }
}

TEST(EdfHeaderRandom, SignalHeaderLoadsWithConsistentFlagsAndGain) {
  std::mt19937 Rng(Seed() + 1);
  const TEDFRawSignalHeader Valid = test::ValidSignalRaw();
  const char Separators[][2] = {{'.', 0}, {',', 0}, {',', '.'}, {'.', ','}, {0, 0}};
  for (int Round = 0; Round < Rounds; ++Round) {
    TEDFRawSignalHeader Raw;
    for (int i = 0; i < EDFFieldCount; ++i)
      Raw.SetText(i, RandomText(Rng, test::Trim(Valid.Text(i)), Raw.Width(i)));
    const auto& Sep = Separators[std::uniform_int_distribution<int>(0, 4)(Rng)];
    for (bool Strict : {true, false}) {
      TEDFSignalInfo Info;
      Info.SetStrict(Strict);
      Info.SetDecimalSeparator(Sep[0]);
      Info.SetThousandSeparator(Sep[1]);
      ASSERT_NO_THROW(Info.LoadRawHeader(Raw)) << Round;
      ASSERT_FALSE(Info.Modified());
      if (Info.FieldValid(SF::Digimin) && Info.FieldValid(SF::Digimax)) {
        ASSERT_LT(Info.Digimin(), Info.Digimax()) << Round;
      }
      if (Info.FieldValid(SF::NrSamples)) {
        ASSERT_GT(Info.NrSamples(), 0) << Round;
      }
      if (Info.GainValid()) {
        ASSERT_TRUE(std::isfinite(Info.Gain())) << Round;
        ASSERT_EQ(Info.Gain(),
                  (Info.Physimax() - Info.Physimin()) /
                      static_cast<long double>(int64_t{Info.Digimax()} - Info.Digimin()))
            << Round;
      }
      bool Flags[EDFFieldCount];
      for (int i = 0; i < EDFFieldCount; ++i)
        Flags[i] = Info.GetFieldValid(i);
      ASSERT_NO_THROW(Info.ParseRawHeader());
      for (int i = 0; i < EDFFieldCount; ++i)
        ASSERT_EQ(Info.GetFieldValid(i), Flags[i]) << Round << " field " << i;
    }
  }
}

TEST(EdfHeaderRandom, IdentificationParseNeverRaises) {
  std::mt19937 Rng(Seed() + 2);
  const std::string Valid = "P-4711 F 16.SEP.1987 Test_Name extra";
  for (int Round = 0; Round < Rounds; ++Round) {
    const std::string Text = test::Trim(RandomText(Rng, Valid, 80));
    TEDFPatientInfo Patient;
    TEDFRecordingInfo Recording;
    ASSERT_NO_THROW(Patient.Parse(Text));
    ASSERT_NO_THROW(Recording.Parse("Startdate " + Text));
    ASSERT_TRUE(Patient.BirthDate() == -1 || Patient.BirthDate() > -700000);
  }
}

} // namespace
} // namespace velastrin
