// The header records of an EDF file: the general header record, one record per signal, and
// the patient and recording identification split into their sub-fields. Each record keeps the
// raw field texts it was loaded from, the typed values and one validity flag per field.
#pragma once

#include "edf/uEDFLayout.h"
#include "support/udroot.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace velastrin {

class TCustomEDFFile; // the file object; the general record keeps a reference only
class IHPDateTime;    // high-precision date-time value (datetime/uHPDateTime.h)

using TNotifyEvent = std::function<void(void* Sender)>;

// ---- Patient and recording identification -------------------------------------------------

// The patient identification as sub-fields: code, sex, birth date, name, and what follows.
class TEDFPatientInfo {
public:
  TEDFPatientInfo();

  // Replaces every sub-field with what Text holds. Never raises: a birth date that is not a
  // real day (31.SEP.1987) is treated as not recognised and stays -1.
  void Parse(const std::string& Text);

  const std::string& Identification() const { return FIdentification; }
  char Sex() const { return FSex; } // 'F', 'M' or 0
  const std::string& HospitalCode() const { return FHospitalCode; }
  const std::string& PatientName() const { return FPatientName; }
  TDateTime BirthDate() const { return FBirthDate; } // -1 when absent or not recognised
  const std::string& Additional() const { return FAdditional; }
  char SpaceChar() const { return FSpaceChar; }

private:
  std::string FIdentification;
  char FSex = 0;
  std::string FHospitalCode;
  std::string FPatientName;
  TDateTime FBirthDate = 0;
  std::string FAdditional;
  char FSpaceChar = '_';
};

// The recording identification as sub-fields: "STARTDATE", the date, investigation,
// technician and equipment codes, and what follows.
class TEDFRecordingInfo {
public:
  TEDFRecordingInfo();

  // Replaces every sub-field with what Text holds. Never raises (see TEDFPatientInfo::Parse).
  void Parse(const std::string& Text);

  char SpaceChar() const { return FSpaceChar; }
  const std::string& Additional() const { return FAdditional; }
  const std::string& EquipmentCode() const { return FEquipmentCode; }
  const std::string& InvestigationCode() const { return FInvestigationCode; }
  TDateTime RecordingDate() const { return FRecordingDate; } // -1 when absent or not recognised
  const std::string& TechnicianCode() const { return FTechnicianCode; }

private:
  char FSpaceChar = '_';
  std::string FAdditional;
  std::string FEquipmentCode;
  std::string FInvestigationCode;
  TDateTime FRecordingDate = 0;
  std::string FTechnicianCode;
};

// Reads an identification date "dd.MMM.yyyy" (upper case, spaces restored) with the short
// month names of FormatSettings(). Returns -1 when D is not such a date or names a day that
// does not exist.
TDateTime EDFIdentificationDate(const std::string& D);

// ---- General header record ----------------------------------------------------------------

class TCustomEDFFileInfo {
public:
  explicit TCustomEDFFileInfo(TCustomEDFFile* Owner);
  virtual ~TCustomEDFFileInfo();
  TCustomEDFFileInfo(const TCustomEDFFileInfo&) = delete;
  TCustomEDFFileInfo& operator=(const TCustomEDFFileInfo&) = delete;

  // Values and flags.
  TCustomEDFFile* Owner() const { return FOwner; }
  const TEDFPatientInfo& PatientInfo() const { return *FPatientInfo; }
  const TEDFRecordingInfo& RecordingInfo() const { return *FRecordingInfo; }
  // Index is a field index 0..9 (TGeneralField); outside that range raises EListError.
  bool FieldValid(int Index) const;
  bool GetFieldValid(int Index) const { return FieldValid(Index); }
  bool FieldValid(TGeneralField Field) const { return FieldValid(static_cast<int>(Field)); }
  bool DataExists() const { return FDataExists; }
  bool ReadOnly() const { return FReadOnly; }
  bool Strict() const { return FStrict; }
  bool Modified() const { return FModified; }
  long double SampleRecDuration() const { return FSampleRecDuration; }
  int64_t NrDataRecords() const { return FNrDataRecords; }
  int32_t HeaderBytes() const { return FHeaderBytes; }
  int32_t NrSignals() const { return FNrSignals; }
  const std::string& Reserved() const { return FReserved; }
  const std::string& Recording() const { return FRecording; }
  const std::string& Patient() const { return FPatient; }
  const std::string& Version() const { return FVersion; }
  TDateTime StartDate() const { return FStartDate; }
  TDateTime StartDateTime() const { return FStartDateTime; }
  TDateTime StartTime() const { return FStartTime; }
  const TEDFRawGeneralHeader& RawHeader() const { return FRawHeader; }
  const TEDFRawGeneralHeader& LoadedHeader() const { return FLoadedHeader; }
  char DecimalSeparator() const { return FDecimalSeparator; }
  char ThousandSeparator() const { return FThousandSeparator; } // 0: none
  // The format whose field rules the header is read by: BDF only when BDF is accepted and the
  // version field announces it.
  TEDFFormat Format() const { return FFormat; }
  bool AcceptBDF() const { return FAcceptBDF; }

  // All ten field flags are true.
  bool IsValid() const;

  virtual std::string GetPatient() const;
  virtual std::string GetRecording() const;
  // The stop and start of the recording as high-precision values.
  virtual std::shared_ptr<IHPDateTime> GetHPStopDateTime() const;
  virtual std::shared_ptr<IHPDateTime> GetHPStartDateTime() const;
  virtual void SetHPStartDateTime(const std::shared_ptr<IHPDateTime>& Value);
  // Copies Raw into RawHeader and parses it. Raises nothing but the read-only assertion.
  virtual void LoadRawHeader(const TEDFRawGeneralHeader& Raw);
  virtual void SetPatient(const std::string& Text);
  virtual void SetRecording(const std::string& Text);
  virtual void SetReserved(const std::string& Text);
  virtual void SetSampleRecDuration(long double Value);
  virtual void SetStartDate(TDateTime Value);
  // Read the start date ("dd.mm.yy") and start time ("hh.nn.ss") texts; a text that is not a
  // date or time changes nothing and raises nothing.
  virtual void SetStartDateText(const std::string& Text) = 0;
  virtual void SetStartTimeText(const std::string& Text) = 0;
  // StartDateTime + NrDataRecords * SampleRecDuration / 86400; EDataFileFieldValue when the
  // header is not valid.
  virtual TDateTime GetStopDateTime() const;

  // Parses RawHeader again with DataExists held false, so a re-parse never meets the lock.
  void ParseRawHeader();
  // Stores Value and re-parses RawHeader.
  void SetStrict(bool Value);
  void SetVersion(const std::string& Text);
  // -1 means the count is still open. Not locked by DataExists.
  void SetNrDataRecords(int64_t Value);
  // Locked by DataExists (EDataFileDataExists).
  void SetHeaderBytes(int32_t Value);
  // Locked by DataExists; also sets HeaderBytes to 256 * (Value + 1), or 0 when Value < 0.
  void SetNrSignals(int32_t Value);
  void SetStartDateTime(TDateTime Value);
  void SetStartTime(TDateTime Value);

  // For the file object.
  void SetDataExists(bool Value) { FDataExists = Value; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  // Store a separator without re-parsing; the file object calls ParseRawHeader afterwards.
  void SetDecimalSeparator(char Value) { FDecimalSeparator = Value; }
  void SetThousandSeparator(char Value) { FThousandSeparator = Value; }
  // Stores Strict without re-parsing (a fresh record before its first load).
  void StoreStrict(bool Value) { FStrict = Value; }
  // Whether a BDF header is read by BDF's rules; otherwise it is read, and refused, as EDF.
  void StoreAcceptBDF(bool Value) { FAcceptBDF = Value; }
  // The format of a header being created; its version text follows.
  void SetFormat(TEDFFormat Value);
  // Raised when a record is appended, lowered when the header is written.
  void SetModified(bool Value) { FModified = Value; }
  // The record count derived from the file size, stored without the record's setter.
  void StoreNrDataRecords(int64_t Value) { FNrDataRecords = Value; }
  void SetLoadedHeader(const TEDFRawGeneralHeader& Raw) { FLoadedHeader = Raw; }

protected:
  void SetFieldValid(TGeneralField Field, bool Value);
  // Asserts "Field is ReadOnly!" when the record is read-only.
  void CheckReadOnly() const;
  void CheckLayoutUnlocked() const;
  void RecombineStartDateTime();

private:
  TCustomEDFFile* FOwner;
  std::unique_ptr<TEDFPatientInfo> FPatientInfo;
  std::unique_ptr<TEDFRecordingInfo> FRecordingInfo;
  TDynBooleanArray FFieldValid;
  bool FDataExists = false;
  bool FReadOnly = false;
  bool FStrict = true;
  bool FModified = false;
  long double FSampleRecDuration = 0;
  int64_t FNrDataRecords = 0;
  int32_t FHeaderBytes = 0;
  int32_t FNrSignals = 0;
  std::string FReserved;
  std::string FRecording;
  std::string FPatient;
  std::string FVersion;
  TDateTime FStartDate = 0;
  TDateTime FStartDateTime = 0;
  TDateTime FStartTime = 0;
  TEDFRawGeneralHeader FRawHeader;
  TEDFRawGeneralHeader FLoadedHeader;
  char FDecimalSeparator = '.';
  char FThousandSeparator = 0;
  TEDFFormat FFormat = TEDFFormat::EDF;
  bool FAcceptBDF = false;
};

// The general header record with EDF's start date and time rules, including the lenient
// repairs and the two-digit-year century rule (85..99 are 19yy, 00..84 are 20yy).
class TEDFFileInfo : public TCustomEDFFileInfo {
public:
  explicit TEDFFileInfo(TCustomEDFFile* Owner);

  void SetStartDateText(const std::string& Text) override;
  void SetStartTimeText(const std::string& Text) override;
};

// ---- Signal header record -----------------------------------------------------------------

class TCustomEDFSignalInfo {
public:
  TCustomEDFSignalInfo();
  virtual ~TCustomEDFSignalInfo();
  TCustomEDFSignalInfo(const TCustomEDFSignalInfo&) = delete;
  TCustomEDFSignalInfo& operator=(const TCustomEDFSignalInfo&) = delete;

  bool GainValid() const { return FGainValid; }
  long double Physimax() const { return FPhysimax; }
  long double Physimin() const { return FPhysimin; }
  const std::string& Reserved() const { return FReserved; }
  int32_t Digimin() const { return FDigimin; }
  int32_t Digimax() const { return FDigimax; }
  const std::string& SignalLabel() const { return FSignalLabel; }
  const std::string& Prefilter() const { return FPrefilter; }
  const std::string& Physidim() const { return FPhysidim; }
  const std::string& Transducertype() const { return FTransducertype; }
  bool Modified() const { return FModified; }
  int32_t NrSamples() const { return FNrSamples; }
  bool Strict() const { return FStrict; }
  const TEDFRawSignalHeader& RawHeader() const { return FRawHeader; }
  bool ReadOnly() const { return FReadOnly; }
  char DecimalSeparator() const { return FDecimalSeparator; }
  char ThousandSeparator() const { return FThousandSeparator; } // 0: none
  TEDFFormat Format() const { return FFormat; } // the field rules of the digital limits
  const TNotifyEvent& OnReadDataChanged() const { return FOnReadDataChanged; }
  long double Gain() const { return FGain; }
  bool FieldValid(int Index) const { return GetFieldValid(Index); }
  bool FieldValid(TSignalField Field) const { return GetFieldValid(static_cast<int>(Field)); }
  int64_t RecordOffset() const { return FRecordOffset; }
  bool DataExists() const { return FDataExists; }
  int64_t BufferOffset() const { return FBufferOffset; } // -1: not buffered
  bool ReadData() const { return FReadData; }

  // Every flag but Physimin's and Physimax's is true.
  virtual bool IsValid() const;
  virtual void SetDigimax(int32_t Value);
  virtual void SetDigimin(int32_t Value);
  virtual void SetPhysidim(const std::string& Text);
  virtual void SetPhysimax(long double Value);
  virtual void SetPhysimin(long double Value);
  virtual void SetPrefilter(const std::string& Text);
  virtual void SetReserved(const std::string& Text);
  virtual void SetSignalLabel(const std::string& Text);
  virtual void SetTransducertype(const std::string& Text);
  // Locked by DataExists (EDataFileDataExists).
  virtual void SetNrSamples(int32_t Value);
  // Stores Value and calls OnReadDataChanged on every call, changed or not. No lock.
  virtual void SetReadData(bool Value);
  // Index is a field index 0..9 (TSignalField); outside that range raises EListError.
  virtual bool GetFieldValid(int Index) const;

  // Gain := (Physimax - Physimin) / (Digimax - Digimin) while all four limits are valid and
  // both ranges are non-empty; otherwise Gain keeps its value and GainValid is false.
  void UpdateGain();
  // Copies Raw into RawHeader and parses it. Raises nothing but the read-only assertion.
  void LoadRawHeader(const TEDFRawSignalHeader& Raw);
  // Parses RawHeader again with DataExists held false.
  void ParseRawHeader();
  // Stores Value and re-parses RawHeader.
  void SetStrict(bool Value);

  // For the file object.
  void SetRawHeader(const TEDFRawSignalHeader& Raw) { FRawHeader = Raw; }
  void SetRawText(TSignalField Field, const std::string& Text) {
    FRawHeader.SetText(static_cast<int>(Field), Text);
  }
  void SetDataExists(bool Value) { FDataExists = Value; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  // Store a separator without re-parsing; the file object calls ParseRawHeader afterwards.
  void SetDecimalSeparator(char Value) { FDecimalSeparator = Value; }
  void SetThousandSeparator(char Value) { FThousandSeparator = Value; }
  // Stores the file's format without re-parsing.
  void StoreFormat(TEDFFormat Value) { FFormat = Value; }
  // Lowered when the signal header block is written.
  void SetModified(bool Value) { FModified = Value; }
  void SetOnReadDataChanged(TNotifyEvent Handler) { FOnReadDataChanged = std::move(Handler); }
  void SetRecordOffset(int64_t Value) { FRecordOffset = Value; }
  void SetBufferOffset(int64_t Value) { FBufferOffset = Value; }

protected:
  void SetFieldValid(TSignalField Field, bool Value);
  void CheckReadOnly() const;

private:
  bool FGainValid = false;
  long double FPhysimax = 0;
  long double FPhysimin = 0;
  std::string FReserved;
  int32_t FDigimin = 0; // int32_t: BDF's limits reach -8388608..8388607
  int32_t FDigimax = 0;
  std::string FSignalLabel;
  std::string FPrefilter;
  std::string FPhysidim;
  std::string FTransducertype;
  bool FModified = false;
  int32_t FNrSamples = 0;
  bool FStrict = true;
  TEDFRawSignalHeader FRawHeader;
  bool FReadOnly = false;
  char FDecimalSeparator = '.';
  char FThousandSeparator = 0;
  TNotifyEvent FOnReadDataChanged;
  TEDFFormat FFormat = TEDFFormat::EDF;
  long double FGain = 0;
  TDynBooleanArray FFieldValid;
  int64_t FRecordOffset = 0;
  bool FDataExists = false;
  int64_t FBufferOffset = 0;
  bool FReadData = true;
};

class TEDFSignalInfo : public TCustomEDFSignalInfo {
public:
  TEDFSignalInfo() = default;
};

} // namespace velastrin
