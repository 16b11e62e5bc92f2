// The repair engine. The copy is made by the file object's own writer; this unit only decides
// which values go into it and guards the inputs.
#include "check/uEDFRepair.h"

#include "edf/uEDF.h"
#include "support/uOutputFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velastrin {

namespace {

namespace fs = std::filesystem;

// Plain letters for Latin-1 0xC0..0xFF.
constexpr std::string_view Latin1Letters =
    "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYPsaaaaaaaceeeeiiiidnooooo/ouuuuypy";
static_assert(Latin1Letters.size() == 64);

char PlainChar(unsigned Code) {
  if (Code < 32 || Code == 127)
    return ' ';
  if (Code < 127)
    return static_cast<char>(Code);
  if (Code == 0xB5) // micro sign: EDF writes "uV"
    return 'u';
  if (Code >= 0xC0 && Code <= 0xFF)
    return Latin1Letters[Code - 0xC0];
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
  File.Open();
}

// The values lenient reading took, in the forms strict reading accepts.
void CopyHeaderValues(const TCustomEDFFile& In, TCustomEDFFile& Out) {
  const TCustomEDFFileInfo& From = *In.FileInfo();
  TCustomEDFFileInfo& To = *Out.FileInfo();
  To.SetPatient(PrintableText(From.Patient()));
  To.SetRecording(PrintableText(From.Recording()));
  To.SetStartDate(From.StartDate());
  To.SetStartTime(From.StartTime());
  To.SetReserved(PrintableText(From.Reserved()));
  To.SetSampleRecDuration(From.SampleRecDuration());
  for (int32_t i = 0; i < In.SignalCount(); ++i) {
    const TCustomEDFSignalInfo& S = *In.GetSignal(i);
    TCustomEDFSignalInfo& T = *Out.GetSignal(i);
    T.SetSignalLabel(PrintableText(S.SignalLabel()));
    T.SetTransducertype(PrintableText(S.Transducertype()));
    T.SetPhysidim(PrintableText(S.Physidim()));
    // Physical limits that neither reading accepts stay blank: there is no value to write.
    if (S.FieldValid(TSignalField::Physimin))
      T.SetPhysimin(S.Physimin());
    if (S.FieldValid(TSignalField::Physimax))
      T.SetPhysimax(S.Physimax());
    T.SetDigimin(S.Digimin());
    T.SetDigimax(S.Digimax());
    T.SetPrefilter(PrintableText(S.Prefilter()));
    T.SetNrSamples(S.NrSamples());
    T.SetReserved(PrintableText(S.Reserved()));
  }
}

// Every whole record, sample for sample; the buffers hold whole records in file order.
int64_t CopyRecords(TCustomEDFFile& In, TCustomEDFFile& Out) {
  const TDynSmallIntArray From = In.GetDataBuffer();
  const TDynSmallIntArray To = Out.GetDataBuffer();
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
    Out.CreateNew(In.SignalCount(), true); // the writer makes the file anew under this name
    CopyHeaderValues(In, Out);
    Out.WriteHeader();
    if (!Out.Active())
      throw Exception("the repaired header is not complete");
    R.Records = CopyRecords(In, Out);
    Out.Close(); // writes the final record count
  }
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
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const auto Byte = static_cast<unsigned char>(Text[i]);
    // A two-byte UTF-8 character of the Latin-1 range is one letter, not two.
    if ((Byte == 0xC2 || Byte == 0xC3) && i + 1 < Text.size()) {
      const auto Next = static_cast<unsigned char>(Text[i + 1]);
      if (Next >= 0x80 && Next <= 0xBF) {
        Plain += PlainChar(((Byte & 0x1Fu) << 6) | (Next & 0x3Fu));
        ++i;
        continue;
      }
    }
    Plain += PlainChar(Byte);
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
