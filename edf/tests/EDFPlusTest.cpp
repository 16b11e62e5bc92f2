// EDF+ annotation lists: the TAL grammar row by row, and whole files made by our own writer
// and byte by byte (annotation-only files with a record duration of 0).
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"

#include "EDFFileTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velastrin {
namespace {

// Readable TAL bytes: '|' is 0x14, '~' is 0x15 and '#' is 0x00.
std::string TAL(std::string_view Readable) {
  std::string Bytes;
  for (const char C : Readable)
    Bytes += C == '|' ? '\x14' : C == '~' ? '\x15' : C == '#' ? '\0' : C;
  return Bytes;
}

struct TExpected {
  std::string Onset;
  std::optional<std::string> Duration;
  std::string Text;
};

struct TListRow {
  std::string Name;
  std::string Bytes; // readable form, see TAL
  bool TimeKeeping;
  std::optional<std::string> RecordOnset;
  std::vector<TExpected> Annotations;
  std::vector<std::pair<TTALFault, int64_t>> Faults; // kind and offset
};

class AnnotationList : public ::testing::TestWithParam<TListRow> {};

TEST_P(AnnotationList, ReadsAnnotationsOnsetAndFaults) {
  const TListRow& Row = GetParam();
  const TEDFAnnotationList List = ParseAnnotationList(TAL(Row.Bytes), 7, 2, Row.TimeKeeping);
  if (Row.RecordOnset) {
    ASSERT_TRUE(List.RecordOnset.has_value());
    EXPECT_EQ(List.RecordOnset->Text, *Row.RecordOnset);
  } else {
    EXPECT_FALSE(List.RecordOnset.has_value());
  }
  ASSERT_EQ(List.Annotations.size(), Row.Annotations.size());
  for (std::size_t i = 0; i < Row.Annotations.size(); ++i) {
    const TEDFAnnotation& A = List.Annotations[i];
    EXPECT_EQ(A.Onset.Text, Row.Annotations[i].Onset) << i;
    EXPECT_EQ(A.Duration.has_value(), Row.Annotations[i].Duration.has_value()) << i;
    if (A.Duration && Row.Annotations[i].Duration) {
      EXPECT_EQ(A.Duration->Text, *Row.Annotations[i].Duration) << i;
    }
    EXPECT_EQ(A.Text, Row.Annotations[i].Text) << i;
    EXPECT_EQ(A.Record, 7);
    EXPECT_EQ(A.Signal, 2);
  }
  ASSERT_EQ(List.Faults.size(), Row.Faults.size());
  for (std::size_t i = 0; i < Row.Faults.size(); ++i) {
    EXPECT_EQ(List.Faults[i].Kind, Row.Faults[i].first) << List.Faults[i].Message();
    EXPECT_EQ(List.Faults[i].Offset, Row.Faults[i].second) << List.Faults[i].Message();
    EXPECT_EQ(List.Faults[i].Record, 7);
    EXPECT_EQ(List.Faults[i].Signal, 2);
  }
}

using F = TTALFault;
const TListRow ListRows[] = {
    {"TimeKeepingOnly", "+0||#####", true, "+0", {}, {}},
    {"TimeKeepingThenEvents",
     "+12.5||#+13.25~30|Lights off|#+14|N1|N2|###",
     true,
     "+12.5",
     {{"+13.25", "30", "Lights off"}, {"+14", {}, "N1"}, {"+14", {}, "N2"}},
     {}},
    {"NegativeOnsetAndZeroDuration",
     "-0.065~0|Before start|#",
     false,
     {},
     {{"-0.065", "0", "Before start"}},
     {}},
    {"FullPrecisionKept",
     "+0.1234567890123456789||#+86399.9999999999~0.000000001|x|#",
     true,
     "+0.1234567890123456789",
     {{"+86399.9999999999", "0.000000001", "x"}},
     {}},
    {"UTF8Text",
     "+1|Schlafstadium W \xC3\xA9\xE2\x82\xAC|#",
     false,
     {},
     {{"+1", {}, "Schlafstadium W \xC3\xA9\xE2\x82\xAC"}},
     {}},
    {"TimeKeepingTalCarriesAnEvent", "+3||Arousal|#", true, "+3", {{"+3", {}, "Arousal"}}, {}},
    {"EmptyAnnotationsAreNotListed", "+3|||#", false, {}, {}, {}},
    {"AllFill", "######", false, {}, {}, {}},
    {"EmptyBytes", "", false, {}, {}, {}},
    {"NoTimeKeepingInEmptyRecord", "####", true, {}, {}, {{F::NoTimeKeeping, 0}}},
    {"FirstAnnotationNotEmpty",
     "+0|Lights off|#",
     true,
     {},
     {{"+0", {}, "Lights off"}},
     {{F::NoTimeKeeping, 0}}},
    {"TimeKeepingTalWithoutAnnotation", "+0|##", true, {}, {}, {{F::NoTimeKeeping, 0}}},
    {"OnsetWithoutSign", "+0||#12|x|#", true, "+0", {}, {{F::OnsetSign, 5}}},
    {"OnsetNotANumber", "+1.2.3|x|#", false, {}, {}, {{F::OnsetNumber, 0}}},
    {"OnsetWithoutDigits", "+|x|#", false, {}, {}, {{F::OnsetNumber, 0}}},
    {"OnsetFractionWithoutDigits", "+5.|x|#", false, {}, {}, {{F::OnsetNumber, 0}}},
    {"OnsetExponentRefused", "+1e3|x|#", false, {}, {}, {{F::OnsetNumber, 0}}},
    {"DurationSigned", "+1~-5|x|#", false, {}, {}, {{F::DurationNumber, 3}}},
    {"DurationEmpty", "+1~|x|#", false, {}, {}, {{F::DurationNumber, 3}}},
    {"TwoDurationMarks", "+1~5~6|x|#", false, {}, {}, {{F::MissingSeparator, 4}}},
    {"OnsetEndsWithNul", "+1#x|#", false, {}, {}, {{F::MissingSeparator, 2}}},
    {"OnsetRunsPastEnd", "+12345", false, {}, {}, {{F::PastEnd, 0}}},
    {"DurationRunsPastEnd", "+1~30", false, {}, {}, {{F::PastEnd, 0}}},
    {"TextRunsPastEnd", "+0||#+5|Lights o", true, "+0", {}, {{F::PastEnd, 5}}},
    {"TalEndMissingAtEnd",
     "+5|Lights off|",
     false,
     {},
     {{"+5", {}, "Lights off"}},
     {{F::PastEnd, 0}}},
    {"TextEndedByNul", "+5|Lights#off|#", false, {}, {}, {{F::TextNotEnded, 9}}},
    {"StrayBytesAfterLists", "+0||##x#", true, "+0", {}, {{F::BytesAfterEnd, 6}}},
    {"TextNotUTF8KeptAsWritten",
     "+2|caf\xE9|#",
     false,
     {},
     {{"+2", {}, "caf\xE9"}},
     {{F::NotUTF8, 3}}},
    {"FaultKeepsEarlierLists",
     "+0||#+1|a|#+2|b|#x",
     true,
     "+0",
     {{"+1", {}, "a"}, {"+2", {}, "b"}},
     {{F::OnsetSign, 17}}},
};

INSTANTIATE_TEST_SUITE_P(Rows, AnnotationList, ::testing::ValuesIn(ListRows),
                         [](const auto& Info) { return Info.param.Name; });

struct TNumberRow {
  std::string Name;
  std::string Text;
  bool Signed;
  bool Valid;
  long double Value;
};

class TALNumber : public ::testing::TestWithParam<TNumberRow> {};

TEST_P(TALNumber, ParsesOnlyPlainDecimals) {
  const TNumberRow& Row = GetParam();
  TTALNumber Number;
  ASSERT_EQ(ParseTALNumber(Row.Text, Row.Signed, Number), Row.Valid);
  if (Row.Valid) {
    EXPECT_EQ(Number.Text, Row.Text);
    EXPECT_DOUBLE_EQ(static_cast<double>(Number.Value), static_cast<double>(Row.Value));
  }
}

const TNumberRow NumberRows[] = {
    {"PlusInteger", "+3600", true, true, 3600},
    {"MinusFraction", "-0.065", true, true, -0.065L},
    {"LeadingZerosKept", "+007.50", true, true, 7.5},
    {"UnsignedDuration", "30.5", false, true, 30.5},
    {"SignRequiredForOnset", "30", true, false, 0},
    {"NoSignForDuration", "+30", false, false, 0},
    {"BlankInside", "+1 0", true, false, 0},
    {"CommaDecimal", "+1,5", true, false, 0},
    {"Hex", "+0x10", true, false, 0},
    {"Infinity", "+inf", true, false, 0},
};

INSTANTIATE_TEST_SUITE_P(Rows, TALNumber, ::testing::ValuesIn(NumberRows),
                         [](const auto& Info) { return Info.param.Name; });

TEST(EdfPlusKind, ComesFromTheStartOfReserved) {
  EXPECT_EQ(EDFPlusKindOf("EDF+C"), TEDFPlusKind::Continuous);
  EXPECT_EQ(EDFPlusKindOf("EDF+D and more"), TEDFPlusKind::Discontinuous);
  EXPECT_EQ(EDFPlusKindOf(" EDF+C"), TEDFPlusKind::None);
  EXPECT_EQ(EDFPlusKindOf("EDF+X"), TEDFPlusKind::None);
  EXPECT_EQ(EDFPlusKindOf(""), TEDFPlusKind::None);
  EXPECT_TRUE(IsAnnotationLabel("EDF Annotations "));
  EXPECT_FALSE(IsAnnotationLabel(" EDF Annotations"));
  EXPECT_FALSE(IsAnnotationLabel("EDF Annotation"));
  // Either format's label is an annotation signal's; only one is the format's own.
  EXPECT_TRUE(IsAnnotationLabel("BDF Annotations"));
  EXPECT_TRUE(IsOwnAnnotationLabel("BDF Annotations ", TEDFFormat::BDF));
  EXPECT_FALSE(IsOwnAnnotationLabel("BDF Annotations", TEDFFormat::EDF));
  EXPECT_FALSE(IsOwnAnnotationLabel("EDF Annotations", TEDFFormat::BDF));
}

// ---- Whole files --------------------------------------------------------------------------

// The TAL bytes of one annotation signal as 16-bit samples (little-endian), 0x00 filled.
std::vector<int16_t> AsSamples(const std::string& Bytes, int32_t NrSamples) {
  std::string Padded = Bytes;
  Padded.resize(static_cast<std::size_t>(2 * NrSamples), '\0');
  std::vector<int16_t> Samples;
  for (std::size_t i = 0; i < Padded.size(); i += 2)
    Samples.push_back(static_cast<int16_t>(static_cast<uint8_t>(Padded[i]) |
                                           static_cast<uint8_t>(Padded[i + 1]) << 8));
  return Samples;
}

struct TPlusSignal {
  std::string Label;
  int32_t NrSamples;
};

// Writes an EDF+ file with our own writer. Records[r][s] is the readable TAL text of
// annotation signal s in record r; ordinary signals get a ramp.
void WritePlusFile(const std::string& Path, const std::string& Reserved,
                   const std::vector<TPlusSignal>& Signals,
                   const std::vector<std::vector<std::string>>& Records) {
  TEDFFile File;
  File.SetFileName(Path);
  File.CreateNew(static_cast<int32_t>(Signals.size()), true);
  TCustomEDFFileInfo& Info = *File.FileInfo();
  Info.SetPatient("X X X X");
  Info.SetRecording("Startdate 07-DEC-2026 X X X");
  Info.SetStartDateTime(EncodeDate(2026, 12, 7) + EncodeTime(22, 30, 0, 0));
  Info.SetReserved(Reserved);
  Info.SetSampleRecDuration(1);
  for (std::size_t s = 0; s < Signals.size(); ++s) {
    TCustomEDFSignalInfo& Signal = *File.GetSignal(static_cast<int32_t>(s));
    Signal.SetSignalLabel(Signals[s].Label);
    Signal.SetTransducertype("");
    Signal.SetPhysidim("");
    Signal.SetPhysimin(-1);
    Signal.SetPhysimax(1);
    Signal.SetDigimin(-32768);
    Signal.SetDigimax(32767);
    Signal.SetPrefilter("");
    Signal.SetNrSamples(Signals[s].NrSamples);
    Signal.SetReserved("");
  }
  File.WriteHeader();
  ASSERT_TRUE(File.Active());
  for (std::size_t r = 0; r < Records.size(); ++r) {
    TDynSmallIntArray Buffer = File.GetDataBuffer();
    std::size_t Annotation = 0;
    for (std::size_t s = 0; s < Signals.size(); ++s) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(static_cast<int32_t>(s));
      std::vector<int16_t> Samples(static_cast<std::size_t>(Signal.NrSamples()));
      if (IsAnnotationLabel(Signals[s].Label))
        Samples = AsSamples(TAL(Records[r][Annotation++]), Signal.NrSamples());
      else
        for (std::size_t k = 0; k < Samples.size(); ++k)
          Samples[k] = static_cast<int16_t>(r * 100 + k);
      for (std::size_t k = 0; k < Samples.size(); ++k)
        Buffer[static_cast<std::size_t>(Signal.BufferOffset()) + k] = Samples[k];
    }
    File.WriteRecord(static_cast<int64_t>(r));
  }
  File.Close();
}

TEST(EdfPlusFile, DiscontinuousFileGivesRecordOnsetsGapsAndTwoSignalsInTimeOrder) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("plus-d.edf");
  WritePlusFile(Path, "EDF+D", {{"EEG Fpz-Cz", 4}, {"EDF Annotations", 16}, {"EDF Annotations", 8}},
                {{"+0||#+0.5|Lights off|#", "+0.25|b|#"},
                 {"+1||#", "+1.5~2|W|#"},
                 {"+5||#+5|Gap before|#", ""}, // 3 s gap
                 {"+5.5||#", "+2|late|#"}});   // 0.5 s overlap
  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  EXPECT_EQ(Plus.Kind, TEDFPlusKind::Discontinuous);
  EXPECT_TRUE(Plus.Readable);
  EXPECT_EQ(Plus.NrDataRecords, 4);
  EXPECT_EQ(Plus.AnnotationSignals, (std::vector<int32_t>{1, 2}));
  EXPECT_TRUE(Plus.Faults.empty()) << Plus.Faults.front().Message();
  ASSERT_EQ(Plus.RecordOnsets.size(), 4u);
  const std::vector<std::string> Onsets = {"+0", "+1", "+5", "+5.5"};
  for (std::size_t r = 0; r < 4; ++r) {
    ASSERT_TRUE(Plus.RecordOnsets[r].has_value()) << r;
    EXPECT_EQ(Plus.RecordOnsets[r]->Text, Onsets[r]);
  }
  const std::vector<TEDFRecordDeviation> Deviations = Plus.RecordDeviations();
  ASSERT_EQ(Deviations.size(), 2u);
  EXPECT_EQ(Deviations[0].Record, 2);
  EXPECT_DOUBLE_EQ(static_cast<double>(Deviations[0].Difference()), 3.0);
  EXPECT_EQ(Deviations[1].Record, 3);
  EXPECT_DOUBLE_EQ(static_cast<double>(Deviations[1].Difference()), -0.5);

  // File order first, then time order across both signals.
  ASSERT_EQ(Plus.Annotations.size(), 5u);
  EXPECT_EQ(Plus.Annotations[1].Text, "b");
  EXPECT_EQ(Plus.Annotations[1].Signal, 2);
  std::vector<std::string> Texts;
  for (const TEDFAnnotation& A : Plus.InTimeOrder())
    Texts.push_back(A.Text);
  EXPECT_EQ(Texts, (std::vector<std::string>{"b", "Lights off", "W", "late", "Gap before"}));
  Texts.clear();
  for (const TEDFAnnotation& A : Plus.InTimeOrder({2}))
    Texts.push_back(A.Text);
  EXPECT_EQ(Texts, (std::vector<std::string>{"b", "W", "late"}));
}

TEST(EdfPlusFile, MalformedListIsReportedWithRecordAndFilePosition) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("broken.edf");
  WritePlusFile(Path, "EDF+C", {{"EEG", 4}, {"EDF Annotations", 8}},
                {{"+0||#+0.5|ok|#"}, {"+1||#+1.5|runs on and on"}, {"+2||#"}});
  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  ASSERT_EQ(Plus.Faults.size(), 1u);
  const TEDFPlusFault& Fault = Plus.Faults[0];
  EXPECT_EQ(Fault.Record, 1);
  EXPECT_EQ(Fault.Signal, 1);
  EXPECT_EQ(Fault.Kind, TTALFault::PastEnd);
  EXPECT_EQ(Fault.Offset, 5);
  // Header 768 bytes, records of 12 samples, signal 1 after the 4 samples of signal 0.
  EXPECT_EQ(Fault.FilePosition, 768 + 2 * (12 + 4) + 5);
  ASSERT_EQ(Plus.Annotations.size(), 1u);
  EXPECT_TRUE(Plus.RecordDeviations().empty());
  EXPECT_EQ(Plus.RecordOnsets[2]->Text, "+2");
}

TEST(EdfPlusFile, TwoStepReaderReadsTheHeaderFirstAndStopsWhenAsked) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("steps.edf");
  WritePlusFile(Path, "EDF+C", {{"EEG", 4}, {"EDF Annotations", 8}},
                {{"+0||#+0.5|ok|#"}, {"+1||#"}});
  const TEDFPlusReader Reader(Path);
  EXPECT_EQ(Reader.Header().AnnotationSignals, (std::vector<int32_t>{1}));
  EXPECT_TRUE(Reader.Header().Annotations.empty());
  std::stop_source Stop;
  Stop.request_stop();
  EXPECT_FALSE(Reader.Read(Stop.get_token()));
  const std::optional<TEDFPlusRecording> Plus = Reader.Read();
  ASSERT_TRUE(Plus);
  ASSERT_EQ(Plus->Annotations.size(), 1u);
  EXPECT_EQ(Plus->RecordOnsets.size(), 2u);
}

TEST(EdfPlusFile, PlainEdfHasNoAnnotationSignals) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("plain.edf");
  WritePlusFile(Path, "", {{"EEG", 4}, {"EDF Annotations", 8}}, {{"+0||#+0|x|#"}});
  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  EXPECT_EQ(Plus.Kind, TEDFPlusKind::None);
  EXPECT_TRUE(Plus.Readable);
  EXPECT_TRUE(Plus.AnnotationSignals.empty());
  EXPECT_TRUE(Plus.Annotations.empty());
}

// An annotation-only file as EDF+ allows it: record duration 0, built byte by byte.
test::TTestEDF AnnotationOnlyFile(const std::string& Reserved, const std::string& Duration) {
  test::TTestEDF Edf;
  Edf.Reserved = Reserved;
  Edf.Duration = Duration;
  Edf.Records = 0;
  Edf.Signals = {test::AnnotationTestSignal()};
  return Edf;
}

std::string AnnotationRecords(const std::vector<std::string>& Records, std::size_t Bytes) {
  std::string Data;
  for (const std::string& R : Records) {
    std::string B = TAL(R);
    B.resize(Bytes, '\0');
    Data += B;
  }
  return Data;
}

TEST(EdfPlusFile, AnnotationOnlyFileWithZeroDurationIsReadableButNotAValidEdfFile) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("hypnogram.edf");
  test::TTestEDF Edf = AnnotationOnlyFile("EDF+C", "0");
  Edf.NrDataRecords = "2";
  test::WriteBytes(Path,
                   Edf.Header() + AnnotationRecords({"+0||#+0~30|W|#", "+0||#+30~30|N1|#"}, 20));

  // The file object keeps refusing it, as before.
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(false);
  File.Open();
  EXPECT_FALSE(File.IsValid());
  EXPECT_EQ(File.FileInfo()->NrDataRecords(), 0);
  File.Close();

  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  EXPECT_TRUE(Plus.Readable);
  EXPECT_EQ(Plus.RecordDuration, 0);
  EXPECT_EQ(Plus.NrDataRecords, 2);
  ASSERT_EQ(Plus.Annotations.size(), 2u);
  EXPECT_EQ(Plus.Annotations[1].Onset.Text, "+30");
  EXPECT_EQ(Plus.Annotations[1].Duration->Text, "30");
  EXPECT_EQ(Plus.Annotations[1].Text, "N1");
  EXPECT_TRUE(Plus.RecordDeviations().empty()); // no duration, no timing to judge
  EXPECT_TRUE(Plus.Faults.empty());
}

struct TZeroRow {
  std::string Name;
  std::string Reserved;
  std::string Duration;
  bool ExtraOrdinarySignal;
  bool Readable;
};

class ZeroDuration : public ::testing::TestWithParam<TZeroRow> {};

TEST_P(ZeroDuration, IsReadOnlyForEdfPlusAnnotationOnlyFiles) {
  const TZeroRow& Row = GetParam();
  test::TTempDir Dir;
  const std::string Path = Dir.File("zero.edf");
  test::TTestEDF Edf = AnnotationOnlyFile(Row.Reserved, Row.Duration);
  Edf.NrDataRecords = "1";
  std::string Data = AnnotationRecords({"+0||#+1|x|#"}, 20);
  if (Row.ExtraOrdinarySignal) {
    Edf.Signals.push_back(test::TTestSignal{});
    Data += std::string(8, '\0'); // its 4 samples
  }
  test::WriteBytes(Path, Edf.Header() + Data);
  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  EXPECT_EQ(Plus.Readable, Row.Readable);
  EXPECT_EQ(Plus.Annotations.size(), Row.Readable ? 1u : 0u);
}

const TZeroRow ZeroRows[] = {
    {"EdfPlusZero", "EDF+C", "0", false, true},
    {"EdfPlusZeroWithFraction", "EDF+D", "0.000", false, true},
    {"PlainEdfZero", "", "0", false, false},
    {"ZeroWithOrdinarySignal", "EDF+C", "0", true, false},
    {"BlankDuration", "EDF+C", "", false, false},
    {"NegativeDuration", "EDF+C", "-1", false, false},
    {"PositiveDurationStillReadable", "EDF+C", "1", false, true},
};

INSTANTIATE_TEST_SUITE_P(Rows, ZeroDuration, ::testing::ValuesIn(ZeroRows),
                         [](const auto& Info) { return Info.param.Name; });

TEST(EdfPlusFile, MissingFileRaisesTheStreamError) {
  test::TTempDir Dir;
  EXPECT_THROW(ReadEDFPlus(Dir.File("missing.edf")), EFOpenError);
}

} // namespace
} // namespace velastrin
