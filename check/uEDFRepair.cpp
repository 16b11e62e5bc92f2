// The repair engine. The copy is made by the file object's own writer; this unit only decides
// which values go into it and guards the inputs.
#include "check/uEDFRepair.h"

#include "edf/uEDF.h"
#include "edf/uEDFFieldKind.h"
#include "support/uOutputFiles.h"
#include "support/udStr.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <system_error>
#include <unicode/translit.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>
#include <unistd.h>

namespace velastrin {

namespace {

namespace fs = std::filesystem;

// One printable character for a character outside printable ASCII: its plain letter when the
// transliteration gives exactly one, micro "u" (EDF writes "uV"), else "?".
char PlainChar(UChar32 Code) {
  if (Code < 32 || Code == 127)
    return ' ';
  if (Code < 127)
    return static_cast<char>(Code);
  if (Code == 0xB5)
    return 'u';
  thread_local std::unique_ptr<icu::Transliterator> ToAscii = [] {
    UErrorCode Error = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> T(
        icu::Transliterator::createInstance("Any-Latin; Latin-ASCII", UTRANS_FORWARD, Error));
    return U_SUCCESS(Error) ? std::move(T) : nullptr;
  }();
  if (!ToAscii)
    return '?';
  icu::UnicodeString Text(Code);
  ToAscii->transliterate(Text);
  if (Text.length() == 1 && Text[0] > 32 && Text[0] < 127)
    return static_cast<char>(Text[0]);
  return '?';
}

std::string FolderOf(const std::string& File) {
  const fs::path Parent = fs::path(File).parent_path();
  return Parent.empty() ? std::string(".") : Parent.string();
}

std::string SystemMessage(const std::string& What, const std::string& Path) {
  return What + " \"" + Path + "\". " + std::generic_category().message(errno);
}

void OpenReading(TEDFFile& File, const std::string& Path, bool Strict) {
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetStrict(Strict);
  File.SetAcceptBDF(true);
  File.Open();
}

// The reserved field with its start made that of the file's format. EDF+ and BDF+ swap their
// names when the file has its format's annotation signal; otherwise the copy is plain EDF
// (blank) or BDF ("24BIT").
std::string ReservedOfFormat(const TCustomEDFFile& In, const std::string& Text) {
  const TEDFFormat Format = In.Format();
  const TEDFFieldDef& Def = GeneralFields(Format)[static_cast<int>(TGeneralField::Reserved)];
  if (ReadField(Def, Text).Strict)
    return Text;
  bool Annotations = false;
  for (int32_t i = 0; i < In.SignalCount(); ++i)
    Annotations = Annotations || IsAnnotationLabel(In.GetSignal(i)->SignalLabel());
  const bool BDF = Format == TEDFFormat::BDF;
  if (Annotations && Text.starts_with(BDF ? "EDF+" : "BDF+"))
    return (BDF ? "BDF+" : "EDF+") + Text.substr(4);
  return BDF ? std::string("24BIT") : std::string();
}

// The values lenient reading took, in the forms strict reading accepts. An EDF+ annotation
// signal gets the blank texts EDF+ asks of it and its format's label.
void CopyHeaderValues(const TCustomEDFFile& In, TCustomEDFFile& Out) {
  const TCustomEDFFileInfo& From = *In.FileInfo();
  TCustomEDFFileInfo& To = *Out.FileInfo();
  To.SetPatient(PrintableText(From.Patient()));
  To.SetRecording(PrintableText(From.Recording()));
  To.SetStartDate(From.StartDate());
  To.SetStartTime(From.StartTime());
  To.SetReserved(ReservedOfFormat(In, PrintableText(From.Reserved())));
  To.SetSampleRecDuration(From.SampleRecDuration());
  for (int32_t i = 0; i < In.SignalCount(); ++i) {
    const TCustomEDFSignalInfo& S = *In.GetSignal(i);
    TCustomEDFSignalInfo& T = *Out.GetSignal(i);
    const bool Annotations = IsAnnotationSignal(From, S);
    T.SetSignalLabel(Annotations ? std::string(AnnotationLabel(In.Format()))
                                 : PrintableText(S.SignalLabel()));
    T.SetTransducertype(Annotations ? std::string() : PrintableText(S.Transducertype()));
    T.SetPhysidim(Annotations ? std::string() : PrintableText(S.Physidim()));
    // Physical limits that no reading takes stay blank: there is no value to write.
    if (const auto Limit = PhysicalLimit(S, TSignalField::Physimin))
      T.SetPhysimin(*Limit);
    if (const auto Limit = PhysicalLimit(S, TSignalField::Physimax))
      T.SetPhysimax(*Limit);
    T.SetDigimin(S.Digimin());
    T.SetDigimax(S.Digimax());
    T.SetPrefilter(Annotations ? std::string() : PrintableText(S.Prefilter()));
    T.SetNrSamples(S.NrSamples());
    T.SetReserved(PrintableText(S.Reserved()));
  }
}

// A field strict reading accepts in printable ASCII is not at fault: the copy keeps its bytes.
// The record count stays only when it is the count of the copy, and an annotation signal's
// texts only when blank.
bool KeepsBytes(const TEDFFieldDef& Def, const std::string& Raw) {
  return ReadField(Def, Raw).Strict && IsPrintable(Raw);
}

void CopyAcceptedFields(const TCustomEDFFile& In, const std::string& Temporary, int64_t Records) {
  std::fstream Copy(Temporary, std::ios::in | std::ios::out | std::ios::binary);
  if (!Copy)
    throw EFOpenError(SystemMessage("Cannot open file", Temporary));
  auto Put = [&Copy](int64_t Offset, const std::string& Bytes) {
    Copy.seekp(Offset);
    Copy.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
  };
  const TCustomEDFFileInfo& Info = *In.FileInfo();
  const TEDFRawGeneralHeader& Raw = Info.LoadedHeader();
  for (int Index = 0; Index < EDFFieldCount; ++Index) {
    const TEDFFieldDef& Def = GeneralFields(In.Format())[static_cast<std::size_t>(Index)];
    const bool Count = Index == static_cast<int>(TGeneralField::NrDataRecords);
    if (KeepsBytes(Def, Raw[Index]) &&
        (!Count || ReadField(Def, Raw[Index]).Number == static_cast<long double>(Records)))
      Put(Def.Start, Raw[Index]);
  }
  const int32_t Signals = In.SignalCount();
  for (int32_t i = 0; i < Signals; ++i) {
    const TCustomEDFSignalInfo& S = *In.GetSignal(i);
    const bool Annotations = IsAnnotationSignal(Info, S);
    for (int Index = 0; Index < EDFFieldCount; ++Index) {
      const auto Field = static_cast<TSignalField>(Index);
      const bool Blanked =
          Annotations && (Field == TSignalField::Transducertype ||
                          Field == TSignalField::Physidim || Field == TSignalField::Prefilter);
      const bool Relabelled = Annotations && Field == TSignalField::SignalLabel &&
                              !IsOwnAnnotationLabel(S.SignalLabel(), In.Format());
      const std::string& Text = S.RawHeader()[Index];
      if (KeepsBytes(SignalFields(In.Format())[static_cast<std::size_t>(Index)], Text) &&
          (!Blanked || Trim(Text).empty()) && !Relabelled)
        Put(SignalFieldOffset(Field, Signals, i), Text);
    }
  }
  Copy.flush();
  if (!Copy)
    throw EWriteError(SystemMessage("Cannot write file", Temporary));
}

// Every whole record, sample for sample; the buffers hold whole records in file order.
template <typename TBuffer>
int64_t CopyRecords(TCustomEDFFile& In, TCustomEDFFile& Out, const TBuffer& From,
                    const TBuffer& To) {
  if (From.size() != To.size() || From.size() != static_cast<std::size_t>(In.RecordSamples()))
    throw Exception("the record layout of the copy differs from the original");
  const int64_t Records = In.FileInfo()->NrDataRecords();
  for (int64_t r = 0; r < Records; ++r) {
    In.ReadRecord(r);
    std::copy(From.begin(), From.end(), To.begin());
    Out.WriteRecord(r);
  }
  return Records;
}

int64_t CopyRecords(TCustomEDFFile& In, TCustomEDFFile& Out) {
  if (In.Format() == TEDFFormat::BDF)
    return CopyRecords(In, Out, In.GetWideDataBuffer(), Out.GetWideDataBuffer());
  return CopyRecords(In, Out, In.GetDataBuffer(), Out.GetDataBuffer());
}

void CollectChanges(const TCustomEDFFile& Old, const TCustomEDFFile& New, TEDFRepair& R) {
  const TEDFRawGeneralHeader& Before = Old.FileInfo()->LoadedHeader();
  const TEDFRawGeneralHeader& After = New.FileInfo()->LoadedHeader();
  for (int Index = 0; Index < EDFFieldCount; ++Index)
    if (Before[Index] != After[Index])
      R.Changes.push_back({std::string(GeneralHeaderFields[static_cast<std::size_t>(Index)].Name),
                           0, Before[Index], After[Index]});
  for (int Index = 0; Index < EDFFieldCount; ++Index)
    for (int32_t i = 0; i < Old.SignalCount(); ++i) {
      const std::string& From = Old.GetSignal(i)->RawHeader()[Index];
      const std::string& To = New.GetSignal(i)->RawHeader()[Index];
      if (From != To)
        R.Changes.push_back({std::string(SignalHeaderFields[static_cast<std::size_t>(Index)].Name),
                             i + 1, From, To});
    }
}

} // namespace

void WriteRepairedCopy(const std::string& Input, const std::string& Temporary, TEDFRepair& R) {
  TEDFFile In;
  OpenReading(In, Input, false);
  if (!In.IsValid())
    throw Exception("the file changed while it was being repaired");
  {
    TEDFFile Out;
    Out.SetFileName(Temporary);
    Out.SetFormat(In.Format());
    Out.CreateNew(In.SignalCount(), true); // the writer makes the file anew under this name
    CopyHeaderValues(In, Out);
    Out.WriteHeader();
    if (!Out.Active())
      throw Exception("the repaired header is not complete");
    R.Records = CopyRecords(In, Out);
    Out.Close(); // writes the final record count
  }
  CopyAcceptedFields(In, Temporary, R.Records);

  TEDFFile Check;
  OpenReading(Check, Temporary, true);
  if (!Check.IsValid())
    throw Exception("strict reading does not accept the repaired copy (status " +
                    std::to_string(Check.Status()) + ")");
  if (Check.FileInfo()->NrDataRecords() != R.Records)
    throw Exception("the repaired copy does not hold every record");
  CollectChanges(In, Check, R);
}

bool JudgeRepair(const std::string& Input, TEDFRepair& R) {
  R.Findings = CollectFindings(Input);
  const TEDFFindings& F = R.Findings;
  if (F.Verdict == TEDFVerdict::Valid) {
    R.Outcome = TEDFRepairOutcome::AlreadyValid;
    return false;
  }
  if (F.Verdict == TEDFVerdict::Unreadable) {
    R.Outcome = TEDFRepairOutcome::Unreadable;
    R.Reason = F.Error.empty() ? "neither strict nor lenient reading accepts the header" : F.Error;
    return false;
  }
  if (F.LenientStatus & (esRecordTooLarge | esRecordTooShort)) {
    R.Outcome = TEDFRepairOutcome::NotRepairable;
    R.Reason = "the record size misses the EDF recommendations; mending it would change the "
               "data records, which repair copies as they are";
    return false;
  }
  if (!F.Records || *F.Records == 0 || !F.RecordDuration || *F.RecordDuration <= 0) {
    R.Outcome = TEDFRepairOutcome::NotRepairable;
    R.Reason = F.Records && *F.Records == 0
                   ? "the file holds no whole data record; a copy would hold no data"
                   : "the data records cannot be read as EDF";
    return false;
  }
  // What the copy cannot mend: physical limits no reading takes, EDF+ requirements that would
  // need a guess, and faults inside the data records, which are copied as they are.
  bool Mends = false;
  for (const TEDFFinding& Finding : F.Findings) {
    if (Finding.Counts && !Finding.Lenient &&
        (Finding.Field == "Physimin" || Finding.Field == "Physimax"))
      R.NotRepaired.push_back(Finding.Field + " (signal " + std::to_string(Finding.Signal) +
                              "): " + Finding.Problem);
    else
      Mends = true;
  }
  for (const TEDFFileCheck& Check : F.Checks) {
    if (Check.Check == "record_onsets" || Check.Check == "annotation_lists")
      R.NotRepaired.push_back(Check.Check + ": " + Check.Problem);
    else if (Check.Check != "edf_plus" && Check.Fails)
      Mends = true;
  }
  if (F.Plus)
    for (const TEDFPlusConformance& C : F.Plus->Conformance) {
      if (C.Mendable)
        Mends = true;
      else
        R.NotRepaired.push_back(
            "EDF+ " + C.Field +
            (C.Signal > 0 ? " (signal " + std::to_string(C.Signal) + ")" : std::string()) + ": " +
            C.Problem);
    }
  if (!Mends) {
    R.Outcome = TEDFRepairOutcome::NotRepairable;
    R.Reason = "nothing repair can mend without a guess; " +
               CountText(static_cast<int64_t>(R.NotRepaired.size()), "problem") + " left as found";
    return false;
  }
  R.DroppedBytes = F.TrailingBytes;
  R.DroppedPartial =
      F.TrailingBytes > 0 && F.RecordsStated && F.Records && *F.RecordsStated > *F.Records;
  return true;
}

namespace {

void RepairInto(const std::string& Input, const std::string& Target, TEDFRepair& R) {
  TOutputFiles Outputs;
  ::close(Outputs.Create(Target)); // the writer makes the file anew under this name
  WriteRepairedCopy(Input, Outputs.TemporaryName(0), R);
  // The folder was checked before; the name may have been linked to an input since.
  if (SameFile(Target, Input))
    throw Exception("\"" + Target + "\" is the input itself");
  Outputs.Commit();
  R.Output = Target;
}

} // namespace

std::string_view RepairOutcomeName(TEDFRepairOutcome Outcome) {
  switch (Outcome) {
  case TEDFRepairOutcome::Repaired:
    return "repaired";
  case TEDFRepairOutcome::AlreadyValid:
    return "valid";
  case TEDFRepairOutcome::Unreadable:
    return "unreadable";
  case TEDFRepairOutcome::NotRepairable:
    return "not repairable";
  case TEDFRepairOutcome::Refused:
    return "refused";
  case TEDFRepairOutcome::Failed:
    return "failed";
  }
  return "failed";
}

std::string PrintableText(std::string_view Text) {
  std::string Plain;
  Plain.reserve(Text.size());
  const auto* Bytes = reinterpret_cast<const uint8_t*>(Text.data());
  const auto Length = static_cast<int32_t>(Text.size());
  // A UTF-8 character is one character of the copy; a byte that starts none is one "?".
  for (int32_t i = 0; i < Length;) {
    const int32_t Start = i;
    UChar32 Code = 0;
    U8_NEXT(Bytes, i, Length, Code);
    if (Code < 0)
      Plain.append(static_cast<std::size_t>(i - Start), '?');
    else
      Plain += PlainChar(Code);
  }
  const std::size_t First = Plain.find_first_not_of(' ');
  if (First == std::string::npos)
    return {};
  Plain.erase(0, First);
  while (!Plain.empty() && Plain.back() == ' ')
    Plain.pop_back();
  return Plain;
}

std::string CheckRepairTarget(const std::vector<std::string>& Inputs, const std::string& OutDir) {
  struct stat Info {};
  // A folder still to be made holds nothing yet; only the names can clash.
  const bool Exists = ::stat(OutDir.c_str(), &Info) == 0;
  if (!Exists && errno != ENOENT)
    return SystemMessage("Cannot use output folder", OutDir);
  if (Exists && !S_ISDIR(Info.st_mode))
    return "\"" + OutDir + "\" is not a folder";
  const TFileIdentity Out{Info.st_dev, Info.st_ino};
  std::vector<TFileIdentity> Sources;
  for (const std::string& Input : Inputs)
    if (const auto Identity = FileIdentity(Input))
      Sources.push_back(*Identity);
  std::map<std::string, std::string> Names;
  for (const std::string& Input : Inputs) {
    if (Exists && FileIdentity(FolderOf(Input)) == Out)
      return "the output folder \"" + OutDir + "\" holds the input \"" + Input +
             "\"; repair never writes beside its inputs";
    const std::string Name = fs::path(Input).filename().string();
    const auto [Where, Fresh] = Names.emplace(Name, Input);
    if (!Fresh)
      return "the inputs \"" + Where->second + "\" and \"" + Input + "\" share the name \"" + Name +
             "\"";
    const std::string Target = (fs::path(OutDir) / Name).string();
    const auto Existing = FileIdentity(Target);
    if (Exists && Existing && std::find(Sources.begin(), Sources.end(), *Existing) != Sources.end())
      return "the output \"" + Target + "\" is an input";
  }
  return {};
}

TEDFRepair RepairFile(const std::string& Input, const std::string& OutDir) {
  TEDFRepair R;
  if (!JudgeRepair(Input, R))
    return R;
  R.Reason = CheckRepairTarget({Input}, OutDir);
  if (!R.Reason.empty()) {
    R.Outcome = TEDFRepairOutcome::Refused;
    return R;
  }
  try {
    RepairInto(Input, (fs::path(OutDir) / fs::path(Input).filename()).string(), R);
    R.Outcome = TEDFRepairOutcome::Repaired;
  } catch (const std::exception& E) {
    R.Outcome = TEDFRepairOutcome::Failed;
    R.Reason = E.what();
    R.Changes.clear();
    R.Output.clear();
  }
  return R;
}

} // namespace velastrin
