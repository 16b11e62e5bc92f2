#include "support/udroot.h"

#include "support/uDebugLog.h"

#include <ini.h>

#include <cstdlib>
#include <filesystem>

namespace velastrin {

// ---- Unit registry ----------------------------------------------------------------------

namespace {

std::vector<std::unique_ptr<TUnitInfo>>& Units() {
  static std::vector<std::unique_ptr<TUnitInfo>> List;
  return List;
}

// Set until the program line of the "info" output has been written.
bool& ProgramLinePending() {
  static bool Pending = true;
  return Pending;
}

} // namespace

void RegisterUnit(const std::string& UnitName, const std::string& Version,
                  const std::string& Author, double LastModified) {
  auto Info = std::make_unique<TUnitInfo>(UnitName, Version, Author, LastModified);
  if (FindCmdLineSwitch("info", true)) {
    if (ProgramLinePending())
      SendDebug("Unit information for program " + ParamStr(0));
    ProgramLinePending() = false;
    SendDebug("UnitName: " + Info->UnitName() + " Version: " + Info->UnitVersion() +
              " Author: " + Info->Author() + " Last Modified: " + DateTimeToStr(LastModified));
  }
  Units().push_back(std::move(Info));
}

bool IsUnitRegistered(const std::string& UnitName) {
  for (const auto& U : Units())
    if (U->UnitName() == UnitName)
      return true;
  return false;
}

const std::vector<std::unique_ptr<TUnitInfo>>& UnitList() {
  return Units();
}

void ResetUnitList() {
  Units().clear();
  ProgramLinePending() = true;
}

// ---- INI files --------------------------------------------------------------------------

namespace {

struct TIniLookup {
  const std::string* Section;
  const std::string* Key;
  std::string Value;
  bool Found = false;
};

int IniHandler(void* User, const char* Section, const char* Name, const char* Value) {
  auto* L = static_cast<TIniLookup*>(User);
  // Like Windows INI access: names ignore letter case and the first entry wins.
  if (!L->Found && SameText(Section ? Section : "", *L->Section) &&
      SameText(Name ? Name : "", *L->Key)) {
    std::string V = Value ? Value : "";
    if (V.size() >= 2 && (V.front() == '"' || V.front() == '\'') && V.back() == V.front())
      V = V.substr(1, V.size() - 2);
    L->Value = V;
    L->Found = true;
  }
  return 1;
}

std::string& ProgramsIniOverride() {
  static std::string Name;
  return Name;
}

} // namespace

std::string ReadIniString(const std::string& FileName, const std::string& Section,
                          const std::string& Key, const std::string& Default) {
  std::error_code Error;
  if (FileName.empty() || !std::filesystem::is_regular_file(FileName, Error))
    return Default;
  TIniLookup Lookup{&Section, &Key, {}, false};
  if (ini_parse(FileName.c_str(), IniHandler, &Lookup) < 0)
    return Default;
  return Lookup.Found ? Lookup.Value : Default;
}

// The environment is read on every call, so a changed VELASTRIN_PROGRAMS_INI takes effect.
const std::string& ProgramsIniFileName() {
  if (!ProgramsIniOverride().empty())
    return ProgramsIniOverride();
  static std::string Current;
  const char* Env = std::getenv("VELASTRIN_PROGRAMS_INI");
  Current = Env && *Env ? Env : "/etc/velastrin/PROGRAMS.INI";
  return Current;
}

void SetProgramsIniFileName(const std::string& FileName) {
  ProgramsIniOverride() = FileName;
}

std::string ReadProgramsIni(const std::string& Section, const std::string& Key,
                            const std::string& Default) {
  return ReadIniString(ProgramsIniFileName(), Section, Key, Default);
}

void InitUnit_udroot() {
  if (IsUnitRegistered("udRoot"))
    return;
  RegisterUnit("udRoot", "1.0.2", "Torvane", EncodeDate(2003, 3, 17) + EncodeTime(14, 46, 0, 0));
}

} // namespace velastrin
