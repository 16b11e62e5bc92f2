// The EDF header records. Raw field texts are kept as read; values and flags come from them.
// Loading never raises on bad text: a field that does not hold a value of its kind keeps its
// previous value and a false flag.
#include "edf/uEDFHeader.h"

#include "datetime/uDateTime.h"
#include "datetime/uHPDateTime.h"
#include "edf/uDataFile.h"
#include "edf/uEDFFieldKind.h"
#include "support/uScopeGuard.h"
#include "support/udStr.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace velastrin {

namespace {

constexpr const char* ReadOnlyMessage = "Field is ReadOnly!";

// The integer value of a field text: IsInteger's syntax and 32-bit range.
bool ReadInteger(const std::string& S, int32_t& Value) {
  return IsInteger(S) && TryStrToInt(Trim(S), Value);
}

bool IsBlank(const std::string& S) {
  return Trim(S).empty();
}

// Free text fields: printable and left-aligned, or anything when not strict.
bool TextFieldValid(const std::string& Stored, bool Strict) {
  return !Strict ||
         ReadField(GeneralHeaderFields[static_cast<int>(TGeneralField::Patient)], Stored).Strict;
}

const TEDFFieldDef& GeneralDef(TGeneralField Field) {
  return GeneralHeaderFields[static_cast<std::size_t>(Field)];
}

// A digital limit set in code is valid within the range of the format's row.
bool DigitalLimitInRange(TEDFFormat Format, TSignalField Field, int32_t Value) {
  const TEDFFieldDef& Def = SignalFields(Format)[static_cast<std::size_t>(Field)];
  return Value >= Def.Minimum && Value <= Def.Maximum;
}

void CheckFieldIndex(int Index) {
  if (Index < 0 || Index >= EDFFieldCount)
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

// Stores a free text field without its trailing blanks; only a change of what is stored
// counts as a modification (trailing blanks are padding in the file).
void SetTextField(std::string& Stored, const std::string& Text, bool& Modified) {
  std::string Trimmed = TrimRight(Text);
  if (Trimmed != Stored)
    Modified = true;
  Stored = std::move(Trimmed);
}

// ---- Identification sub-fields ----

std::string NextSubField(std::string& W) {
  std::string Token;
  ExtractToken(W, " ", Token);
  return Token;
}

std::string RestoreSpaces(std::string S, char SpaceChar) {
  for (char& Ch : S)
    if (Ch == SpaceChar)
      Ch = ' ';
  return S;
}

// A text sub-field with spaces restored; "X" (either case) means absent.
std::string TextSubField(std::string& W, char SpaceChar) {
  std::string S = RestoreSpaces(NextSubField(W), SpaceChar);
  if (UpperCase(S) == "X")
    S.clear();
  return S;
}

TDateTime DateSubField(std::string& W, char SpaceChar) {
  return EDFIdentificationDate(RestoreSpaces(UpperCase(NextSubField(W)), SpaceChar));
}

} // namespace

TDateTime EDFIdentificationDate(const std::string& D) {
  if (D.size() != 11 || D[2] != '.' || D[6] != '.')
    return -1;
  int32_t Day = -1;
  if (!ReadInteger(D.substr(0, 2), Day))
    Day = -1;
  int32_t Year = -1;
  if (!ReadInteger(D.substr(7, 4), Year))
    Year = -1;
  int Month = 0;
  const std::string MonthText = D.substr(3, 3);
  for (int m = 1; m <= 12; ++m)
    if (UpperCase(FormatSettings().ShortMonthNames[m - 1]) == MonthText) {
      Month = m;
      break;
    }
  TDateTime Date = -1;
  // A day the month does not have is one more unrecognised date: one typo in a free-text
  // field must not keep the whole file from opening.
  if (Day >= 1 && Month != 0 && Year >= 1 && TryEncodeDate(Year, Month, Day, Date))
    return Date;
  return -1;
}

TEDFPatientInfo::TEDFPatientInfo() : FSpaceChar('_') {}

void TEDFPatientInfo::Parse(const std::string& Text) {
  FIdentification = Text;
  FHospitalCode.clear();
  FPatientName.clear();
  FSex = 0;
  FBirthDate = -1;
  FAdditional.clear();
  std::string W = Text;
  FHospitalCode = TextSubField(W, FSpaceChar);
  const std::string Sex = UpperCase(NextSubField(W));
  if (Sex == "F" || Sex == "M")
    FSex = Sex[0];
  FBirthDate = DateSubField(W, FSpaceChar);
  FPatientName = TextSubField(W, FSpaceChar);
  FAdditional = W;
}

TEDFRecordingInfo::TEDFRecordingInfo() : FSpaceChar('_') {}

void TEDFRecordingInfo::Parse(const std::string& Text) {
  FRecordingDate = -1;
  FInvestigationCode.clear();
  FTechnicianCode.clear();
  FEquipmentCode.clear();
  FAdditional.clear();
  std::string W = Text;
  if (UpperCase(NextSubField(W)) != "STARTDATE") {
    FAdditional = Text;
    return;
  }
  FRecordingDate = DateSubField(W, FSpaceChar);
  FInvestigationCode = TextSubField(W, FSpaceChar);
  FTechnicianCode = TextSubField(W, FSpaceChar);
  FEquipmentCode = TextSubField(W, FSpaceChar);
  FAdditional = W;
}

// ---- General header record ----

TCustomEDFFileInfo::TCustomEDFFileInfo(TCustomEDFFile* Owner)
    : FOwner(Owner), FPatientInfo(std::make_unique<TEDFPatientInfo>()),
      FRecordingInfo(std::make_unique<TEDFRecordingInfo>()), FStrict(true), FDecimalSeparator('.'),
      FThousandSeparator(0) {
  FFieldValid.SetLength(EDFFieldCount);
}

TCustomEDFFileInfo::~TCustomEDFFileInfo() {
  FRecordingInfo.reset();
  FPatientInfo.reset();
}

bool TCustomEDFFileInfo::FieldValid(int Index) const {
  CheckFieldIndex(Index);
  return FFieldValid[Index];
}

void TCustomEDFFileInfo::SetFieldValid(TGeneralField Field, bool Value) {
  FFieldValid[static_cast<int>(Field)] = Value;
}

bool TCustomEDFFileInfo::IsValid() const {
  for (int i = 0; i < EDFFieldCount; ++i)
    if (!FFieldValid[i])
      return false;
  return true;
}

void TCustomEDFFileInfo::CheckReadOnly() const {
  VELASTRIN_ASSERT(!FReadOnly, ReadOnlyMessage);
}

void TCustomEDFFileInfo::CheckLayoutUnlocked() const {
  if (FDataExists)
    throw EDataFileDataExists(DataFileMessages::DataExists);
}

std::string TCustomEDFFileInfo::GetPatient() const {
  return FPatient;
}

std::string TCustomEDFFileInfo::GetRecording() const {
  return FRecording;
}

std::shared_ptr<IHPDateTime> TCustomEDFFileInfo::GetHPStopDateTime() const {
  return THPDateTime::Create(GetStopDateTime());
}

std::shared_ptr<IHPDateTime> TCustomEDFFileInfo::GetHPStartDateTime() const {
  return THPDateTime::Create(FStartDateTime);
}

void TCustomEDFFileInfo::SetHPStartDateTime(const std::shared_ptr<IHPDateTime>& Value) {
  VELASTRIN_ASSERT(Value != nullptr, "Parameter is NIL");
  SetStartDateTime(Value->GetDateTime());
}

void TCustomEDFFileInfo::SetVersion(const std::string& Text) {
  CheckReadOnly();
  SetTextField(FVersion, Text, FModified);
  SetFieldValid(TGeneralField::Version,
                FVersion ==
                    GeneralFields(FFormat)[static_cast<int>(TGeneralField::Version)].Expected);
}

void TCustomEDFFileInfo::SetFormat(TEDFFormat Value) {
  FFormat = Value;
  SetVersion(std::string(GeneralFields(Value)[static_cast<int>(TGeneralField::Version)].Expected));
  SetReserved(FReserved);
}

void TCustomEDFFileInfo::SetPatient(const std::string& Text) {
  CheckReadOnly();
  SetTextField(FPatient, Text, FModified);
  SetFieldValid(TGeneralField::Patient, TextFieldValid(FPatient, FStrict));
  FPatientInfo->Parse(FPatient);
}

void TCustomEDFFileInfo::SetRecording(const std::string& Text) {
  CheckReadOnly();
  SetTextField(FRecording, Text, FModified);
  SetFieldValid(TGeneralField::Recording, TextFieldValid(FRecording, FStrict));
  FRecordingInfo->Parse(FRecording);
}

void TCustomEDFFileInfo::SetReserved(const std::string& Text) {
  CheckReadOnly();
  SetTextField(FReserved, Text, FModified);
  // The start of the field tells EDF+ and BDF+ apart; strict reading wants the format's own.
  SetFieldValid(
      TGeneralField::Reserved,
      !FStrict ||
          ReadField(GeneralFields(FFormat)[static_cast<int>(TGeneralField::Reserved)], FReserved)
              .Strict);
}

void TCustomEDFFileInfo::RecombineStartDateTime() {
  if (FFieldValid[static_cast<int>(TGeneralField::StartDate)] &&
      FFieldValid[static_cast<int>(TGeneralField::StartTime)])
    FStartDateTime = FStartDate + FStartTime;
}

void TCustomEDFFileInfo::SetStartDate(TDateTime Value) {
  CheckReadOnly();
  const TDateTime Days = std::trunc(Value);
  if (Days != FStartDate)
    FModified = true;
  FStartDate = Days;
  SetFieldValid(TGeneralField::StartDate, Value >= 0);
  RecombineStartDateTime();
}

void TCustomEDFFileInfo::SetStartTime(TDateTime Value) {
  CheckReadOnly();
  const TDateTime Fraction = Value - std::trunc(Value);
  if (Fraction != FStartTime)
    FModified = true;
  FStartTime = Fraction;
  SetFieldValid(TGeneralField::StartTime, Value >= 0);
  RecombineStartDateTime();
}

void TCustomEDFFileInfo::SetStartDateTime(TDateTime Value) {
  CheckReadOnly();
  const bool Changed = Value != FStartDateTime;
  const TDateTime Days = std::trunc(Value);
  SetStartDate(Days);
  SetStartTime(Value - Days);
  FStartDateTime = Value;
  if (Changed)
    FModified = true;
}

void TCustomEDFFileInfo::SetHeaderBytes(int32_t Value) {
  CheckReadOnly();
  CheckLayoutUnlocked();
  if (Value != FHeaderBytes)
    FModified = true;
  FHeaderBytes = Value;
  SetFieldValid(TGeneralField::HeaderBytes, Value >= 0);
}

void TCustomEDFFileInfo::SetNrSignals(int32_t Value) {
  CheckReadOnly();
  CheckLayoutUnlocked();
  if (Value != FNrSignals)
    FModified = true;
  FNrSignals = Value;
  SetFieldValid(TGeneralField::NrSignals, Value >= 0);
  if (Value < 0) {
    SetHeaderBytes(0);
    return;
  }
  // A signal count whose header size does not fit the 32-bit field gets an invalid size
  // rather than an overflowed one.
  const int64_t Size = EDFHeaderSize(Value);
  SetHeaderBytes(Size <= INT32_MAX ? static_cast<int32_t>(Size) : -1);
}

void TCustomEDFFileInfo::SetNrDataRecords(int64_t Value) {
  CheckReadOnly();
  if (Value != FNrDataRecords)
    FModified = true;
  FNrDataRecords = Value;
  SetFieldValid(TGeneralField::NrDataRecords, Value >= -1);
  // A count set before the field was ever read is what a later re-parse should find.
  const int Raw = static_cast<int>(TGeneralField::NrDataRecords);
  if (IsBlank(FRawHeader.Text(Raw)))
    FRawHeader.SetText(Raw, IntToStr(Value));
}

void TCustomEDFFileInfo::SetSampleRecDuration(long double Value) {
  CheckReadOnly();
  if (Value != FSampleRecDuration)
    FModified = true;
  FSampleRecDuration = Value;
  SetFieldValid(TGeneralField::SampleRecDuration, Value > 0);
}

TDateTime TCustomEDFFileInfo::GetStopDateTime() const {
  if (!IsValid())
    throw EDataFileFieldValue(DataFileMessages::FieldValue);
  const long double Seconds = static_cast<long double>(FNrDataRecords) * FSampleRecDuration;
  return static_cast<TDateTime>(static_cast<long double>(FStartDateTime) + Seconds / 86400.0L);
}

void TCustomEDFFileInfo::LoadRawHeader(const TEDFRawGeneralHeader& Raw) {
  auto RawText = [this](TGeneralField Field) -> const std::string& {
    return FRawHeader.Text(static_cast<int>(Field));
  };
  FRawHeader = Raw;
  for (int i = 0; i < EDFFieldCount; ++i)
    FFieldValid[i] = false;
  // The layout lock guards the values a user sets, not a load of the header's own texts.
  const auto Hold = HoldValue(FDataExists, false);

  // A header being created has no version text yet and keeps the format it was given.
  if (!IsBlank(RawText(TGeneralField::Version)))
    FFormat = FAcceptBDF ? FormatOfVersion(RawText(TGeneralField::Version)) : TEDFFormat::EDF;
  SetVersion(RawText(TGeneralField::Version));
  if (IsBlank(RawText(TGeneralField::Patient))) {
    FPatient.clear();
    FPatientInfo->Parse(FPatient);
    SetFieldValid(TGeneralField::Patient, true);
  } else {
    SetPatient(RawText(TGeneralField::Patient));
  }
  if (IsBlank(RawText(TGeneralField::Recording))) {
    FRecording.clear();
    FRecordingInfo->Parse(FRecording);
    SetFieldValid(TGeneralField::Recording, true);
  } else {
    SetRecording(RawText(TGeneralField::Recording));
  }
  SetStartDateText(Trim(RawText(TGeneralField::StartDate)));
  SetStartTimeText(Trim(RawText(TGeneralField::StartTime)));
  auto Reading = [&](TGeneralField Field) {
    return ReadField(GeneralDef(Field), RawText(Field), {FDecimalSeparator, FThousandSeparator});
  };
  if (const TEDFFieldReading R = Reading(TGeneralField::HeaderBytes); R.Read)
    SetHeaderBytes(static_cast<int32_t>(R.Integer));
  SetReserved(RawText(TGeneralField::Reserved));
  const TEDFFieldReading Records = Reading(TGeneralField::NrDataRecords);
  if (Records.Read)
    SetNrDataRecords(Records.Integer);
  const TEDFFieldReading Duration = Reading(TGeneralField::SampleRecDuration);
  if (Duration.Read)
    SetSampleRecDuration(Duration.Number);
  else
    SetFieldValid(TGeneralField::SampleRecDuration, false);
  // The header size as read survives; only its flag comes from the signal count.
  const int32_t H = FHeaderBytes;
  const TEDFFieldReading Signals = Reading(TGeneralField::NrSignals);
  if (Signals.Read)
    SetNrSignals(static_cast<int32_t>(Signals.Integer));
  FHeaderBytes = H;
  SetFieldValid(
      TGeneralField::HeaderBytes,
      FieldValid(TGeneralField::HeaderBytes) &&
          HeaderSizeProblem(FHeaderBytes, FieldValid(TGeneralField::NrSignals), FNrSignals)
              .empty());
  FModified = false;
  if (!FStrict)
    return;
  // The text fields judged their own strictness when they were set; the date and time were
  // read leniently already and need only the strict form.
  auto Narrow = [this](TGeneralField Field, bool Condition) {
    SetFieldValid(Field, FieldValid(Field) && Condition);
  };
  for (TGeneralField Field : {TGeneralField::StartDate, TGeneralField::StartTime})
    Narrow(Field, HasStrictForm(GeneralDef(Field).Kind, RawText(Field)));
  Narrow(TGeneralField::NrDataRecords, Records.Strict);
  Narrow(TGeneralField::SampleRecDuration, Duration.Strict);
  Narrow(TGeneralField::NrSignals, Signals.Strict);
}

void TCustomEDFFileInfo::ParseRawHeader() {
  const auto Hold = HoldValue(FDataExists, false);
  const TEDFRawGeneralHeader Raw = FRawHeader;
  LoadRawHeader(Raw);
}

void TCustomEDFFileInfo::SetStrict(bool Value) {
  FStrict = Value;
  ParseRawHeader();
}

TEDFFileInfo::TEDFFileInfo(TCustomEDFFile* Owner) : TCustomEDFFileInfo(Owner) {}

void TEDFFileInfo::SetStartDateText(const std::string& Text) {
  if (const TEDFFieldReading R = ReadField(GeneralDef(TGeneralField::StartDate), Text); R.Read)
    SetStartDate(R.DateTime);
}

void TEDFFileInfo::SetStartTimeText(const std::string& Text) {
  if (const TEDFFieldReading R = ReadField(GeneralDef(TGeneralField::StartTime), Text); R.Read)
    SetStartTime(R.DateTime);
}

// ---- Signal header record ----

TCustomEDFSignalInfo::TCustomEDFSignalInfo() {
  FFieldValid.SetLength(EDFFieldCount);
  for (TSignalField Field :
       {TSignalField::SignalLabel, TSignalField::Transducertype, TSignalField::Physidim,
        TSignalField::Prefilter, TSignalField::Reserved})
    SetFieldValid(Field, true);
}

TCustomEDFSignalInfo::~TCustomEDFSignalInfo() = default;

void TCustomEDFSignalInfo::SetFieldValid(TSignalField Field, bool Value) {
  FFieldValid[static_cast<int>(Field)] = Value;
}

bool TCustomEDFSignalInfo::GetFieldValid(int Index) const {
  CheckFieldIndex(Index);
  return FFieldValid[Index];
}

bool TCustomEDFSignalInfo::IsValid() const {
  for (int i = 0; i < EDFFieldCount; ++i) {
    if (i == static_cast<int>(TSignalField::Physimin) ||
        i == static_cast<int>(TSignalField::Physimax))
      continue; // the physical limits matter only for the gain
    if (!FFieldValid[i])
      return false;
  }
  return true;
}

void TCustomEDFSignalInfo::CheckReadOnly() const {
  VELASTRIN_ASSERT(!FReadOnly, ReadOnlyMessage);
}

void TCustomEDFSignalInfo::SetSignalLabel(const std::string& Text) {
  CheckReadOnly();
  SetTextField(FSignalLabel, Text, FModified);
  SetFieldValid(TSignalField::SignalLabel, TextFieldValid(FSignalLabel, FStrict));
}

void TCustomEDFSignalInfo::SetTransducertype(const std::string& Text) {
  CheckReadOnly();
  SetTextField(FTransducertype, Text, FModified);
  SetFieldValid(TSignalField::Transducertype, TextFieldValid(FTransducertype, FStrict));
}

void TCustomEDFSignalInfo::SetPhysidim(const std::string& Text) {
  CheckReadOnly();
  SetTextField(FPhysidim, Text, FModified);
  SetFieldValid(TSignalField::Physidim, TextFieldValid(FPhysidim, FStrict));
}

void TCustomEDFSignalInfo::SetPrefilter(const std::string& Text) {
  CheckReadOnly();
  SetTextField(FPrefilter, Text, FModified);
  SetFieldValid(TSignalField::Prefilter, TextFieldValid(FPrefilter, FStrict));
}

void TCustomEDFSignalInfo::SetReserved(const std::string& Text) {
  CheckReadOnly();
  SetTextField(FReserved, Text, FModified);
  SetFieldValid(TSignalField::Reserved, TextFieldValid(FReserved, FStrict));
}

void TCustomEDFSignalInfo::SetPhysimin(long double Value) {
  CheckReadOnly();
  if (Value != FPhysimin)
    FModified = true;
  FPhysimin = Value;
  SetFieldValid(TSignalField::Physimin, true);
  UpdateGain();
}

void TCustomEDFSignalInfo::SetPhysimax(long double Value) {
  CheckReadOnly();
  if (Value != FPhysimax)
    FModified = true;
  FPhysimax = Value;
  SetFieldValid(TSignalField::Physimax, true);
  UpdateGain();
}

void TCustomEDFSignalInfo::SetDigimin(int32_t Value) {
  CheckReadOnly();
  if (Value != FDigimin)
    FModified = true;
  FDigimin = Value;
  SetFieldValid(TSignalField::Digimin, DigitalLimitInRange(FFormat, TSignalField::Digimin, Value));
  UpdateGain();
}

void TCustomEDFSignalInfo::SetDigimax(int32_t Value) {
  CheckReadOnly();
  if (Value != FDigimax)
    FModified = true;
  FDigimax = Value;
  SetFieldValid(TSignalField::Digimax, DigitalLimitInRange(FFormat, TSignalField::Digimax, Value));
  UpdateGain();
}

void TCustomEDFSignalInfo::SetNrSamples(int32_t Value) {
  CheckReadOnly();
  if (FDataExists)
    throw EDataFileDataExists(DataFileMessages::DataExists);
  if (Value != FNrSamples)
    FModified = true;
  FNrSamples = Value;
  SetFieldValid(TSignalField::NrSamples, Value > 0);
}

void TCustomEDFSignalInfo::SetReadData(bool Value) {
  FReadData = Value;
  // Every call notifies, changed or not: the file object rebuilds its chunks here.
  if (FOnReadDataChanged)
    FOnReadDataChanged(static_cast<void*>(this));
}

void TCustomEDFSignalInfo::UpdateGain() {
  const bool LimitsValid = FieldValid(TSignalField::Physimin) &&
                           FieldValid(TSignalField::Physimax) &&
                           FieldValid(TSignalField::Digimin) && FieldValid(TSignalField::Digimax);
  FGainValid = LimitsValid && FDigimin != FDigimax && FPhysimin != FPhysimax;
  if (!FGainValid)
    return;
  // The digital range in 32 bits: 32767 - (-32768) does not fit 16.
  const int32_t DigitalRange = static_cast<int32_t>(FDigimax) - static_cast<int32_t>(FDigimin);
  const long double G = (FPhysimax - FPhysimin) / static_cast<long double>(DigitalRange);
  // Physical limits set far beyond any field text could overflow the difference.
  if (!std::isfinite(G) || G == 0) {
    FGainValid = false;
    return;
  }
  FGain = G;
}

void TCustomEDFSignalInfo::LoadRawHeader(const TEDFRawSignalHeader& Raw) {
  auto RawText = [this](TSignalField Field) -> const std::string& {
    return FRawHeader.Text(static_cast<int>(Field));
  };
  FRawHeader = Raw;
  for (int i = 0; i < EDFFieldCount; ++i)
    FFieldValid[i] = false;
  const auto Hold = HoldValue(FDataExists, false);

  SetSignalLabel(RawText(TSignalField::SignalLabel));
  SetTransducertype(RawText(TSignalField::Transducertype));
  SetPhysidim(RawText(TSignalField::Physidim));
  // Each number field is read once; the values are set in field order, strictness judged last.
  const TEDFNumberFormat Format{FDecimalSeparator, FThousandSeparator};
  auto Reading = [&](TSignalField Field) {
    return ReadField(SignalFields(FFormat)[static_cast<int>(Field)], RawText(Field), Format);
  };
  const TEDFFieldReading Physimin = Reading(TSignalField::Physimin);
  const TEDFFieldReading Physimax = Reading(TSignalField::Physimax);
  const TEDFFieldReading Digimin = Reading(TSignalField::Digimin);
  const TEDFFieldReading Digimax = Reading(TSignalField::Digimax);
  const TEDFFieldReading NrSamples = Reading(TSignalField::NrSamples);
  auto At = [&](TSignalField Field) -> const TEDFFieldReading& {
    switch (Field) {
    case TSignalField::Physimin:
      return Physimin;
    case TSignalField::Physimax:
      return Physimax;
    case TSignalField::Digimin:
      return Digimin;
    case TSignalField::Digimax:
      return Digimax;
    default:
      return NrSamples;
    }
  };
  if (At(TSignalField::Physimin).Read)
    SetPhysimin(At(TSignalField::Physimin).Number);
  if (At(TSignalField::Physimax).Read)
    SetPhysimax(At(TSignalField::Physimax).Number);
  // Strict reading takes whole numbers only, aligned or not: alignment is judged last.
  for (TSignalField Field : {TSignalField::Digimin, TSignalField::Digimax})
    if (FStrict ? At(Field).Whole : At(Field).Read)
      Field == TSignalField::Digimin ? SetDigimin(static_cast<int32_t>(At(Field).Integer))
                                     : SetDigimax(static_cast<int32_t>(At(Field).Integer));
  if (FieldValid(TSignalField::Digimin) && FieldValid(TSignalField::Digimax) &&
      !DigitalOrderProblem(FDigimin, FDigimax).empty()) {
    SetFieldValid(TSignalField::Digimin, false);
    SetFieldValid(TSignalField::Digimax, false);
  }
  SetPrefilter(RawText(TSignalField::Prefilter));
  if (At(TSignalField::NrSamples).Read)
    SetNrSamples(static_cast<int32_t>(At(TSignalField::NrSamples).Integer));
  SetReserved(RawText(TSignalField::Reserved));
  FModified = false;
  if (FStrict)
    for (TSignalField Field :
         {TSignalField::Physimin, TSignalField::Physimax, TSignalField::Digimin,
          TSignalField::Digimax, TSignalField::NrSamples})
      SetFieldValid(Field, FieldValid(Field) && At(Field).Strict);
  UpdateGain();
}

void TCustomEDFSignalInfo::ParseRawHeader() {
  const auto Hold = HoldValue(FDataExists, false);
  const TEDFRawSignalHeader Raw = FRawHeader;
  LoadRawHeader(Raw);
}

void TCustomEDFSignalInfo::SetStrict(bool Value) {
  FStrict = Value;
  ParseRawHeader();
}

} // namespace velastrin
