#include "support/udroot.h"

#include "support/uDebugLog.h"
#include "support/uMath.h"
#include "support/uScopeGuard.h"
#include "support/uTAL.h"
#include "support/uUCS.h"
#include "support/udDisk.h"
#include "support/udStr.h"

#include "SupportTestUtil.h"
#include "testsupport/TestTempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace velastrin {
namespace {

namespace fs = std::filesystem;

using test::TTempDir;

// Captures the debug log, sets a command line and a missing programs INI file; restores the
// previous state and an empty unit list afterwards.
class Registry : public ::testing::Test {
protected:
  void SetUp() override {
    FPrevious = SetDebugSink([this](const std::string& Line) { Lines.push_back(Line); });
    SetProgramsIniFileName((Dir.Path() / "missing.ini").string());
    ResetUnitList();
  }
  void TearDown() override {
    SetDebugSink(FPrevious);
    SetProgramsIniFileName("");
    SetCommandLine(std::vector<std::string>{});
    ResetUnitList();
  }
  // The units of the support library, in the order the program starts them.
  static void StartUnits() {
    InitUnit_udroot();
    InitUnit_uMath();
    InitUnit_udStr();
    InitUnit_uTAL();
    InitUnit_uUCS();
    InitUnit_udDisk();
  }
  std::vector<std::string> Lines;
  TTempDir Dir;
  test::TSettingsScope Settings;

private:
  std::function<void(const std::string&)> FPrevious;
};

struct UnitRow {
  const char* Name;
  const char* Version;
  int Year, Month, Day, Hour, Min;
};

const UnitRow SupportUnits[] = {
    {"udRoot", "1.0.2", 2003, 3, 17, 14, 46}, {"uMath", "1.0", 2002, 6, 21, 14, 31},
    {"udStr", "1.1.4", 2003, 3, 17, 15, 5},   {"uTAL", "0.2.0", 2003, 3, 4, 17, 0},
    {"uUCS", "1.0.0", 2003, 1, 10, 10, 56},   {"udDisk", "1.0.1", 2002, 10, 17, 14, 6},
};

TEST_F(Registry, WithoutInfoListsEveryUnitSilently) {
  SetCommandLine({"/opt/velastrin/velastrin", "night.edf", "2"});
  StartUnits();
  EXPECT_TRUE(Lines.empty());
  ASSERT_EQ(UnitList().size(), std::size(SupportUnits));
  for (std::size_t I = 0; I < std::size(SupportUnits); ++I) {
    const UnitRow& R = SupportUnits[I];
    const TUnitInfo& U = *UnitList()[I];
    EXPECT_EQ(U.UnitName(), R.Name);
    EXPECT_EQ(U.UnitVersion(), R.Version) << R.Name;
    EXPECT_EQ(U.Author(), "Torvane") << R.Name;
    uint16_t Y, M, D, H, N, S, Z;
    DecodeDate(U.LastModified(), Y, M, D);
    DecodeTime(U.LastModified(), H, N, S, Z);
    EXPECT_EQ(Y, R.Year) << R.Name;
    EXPECT_EQ(M, R.Month) << R.Name;
    EXPECT_EQ(D, R.Day) << R.Name;
    EXPECT_EQ(H, R.Hour) << R.Name;
    EXPECT_EQ(N, R.Min) << R.Name;
    EXPECT_EQ(S + Z, 0) << R.Name;
  }
}

TEST_F(Registry, StartingAUnitTwiceRegistersItOnce) {
  StartUnits();
  StartUnits();
  EXPECT_EQ(UnitList().size(), std::size(SupportUnits));
  EXPECT_TRUE(IsUnitRegistered("udStr"));
  EXPECT_FALSE(IsUnitRegistered("udstr"));
  ResetUnitList();
  EXPECT_TRUE(UnitList().empty());
  InitUnit_udStr();
  EXPECT_EQ(UnitList().size(), 1u);
}

class RegistryInfoSwitch : public Registry, public ::testing::WithParamInterface<std::string> {};

TEST_P(RegistryInfoSwitch, WritesProgramLineOnceThenOneLinePerUnit) {
  SetCommandLine({"/opt/velastrin/velastrin", "night.edf", GetParam()});
  StartUnits();
  ASSERT_EQ(Lines.size(), 1 + std::size(SupportUnits));
  EXPECT_EQ(Lines[0], "Unit information for program /opt/velastrin/velastrin");
  EXPECT_EQ(Lines[3], "UnitName: udStr Version: 1.1.4 Author: Torvane Last Modified: "
                      "3/17/2003 3:05:00 PM");
  for (std::size_t I = 0; I < std::size(SupportUnits); ++I)
    EXPECT_EQ(Lines[I + 1].rfind(std::string("UnitName: ") + SupportUnits[I].Name + " Version: " +
                                     SupportUnits[I].Version + " Author: Torvane Last Modified: ",
                                 0),
              0u)
        << Lines[I + 1];
  EXPECT_EQ(UnitList().size(), std::size(SupportUnits));
}

INSTANTIATE_TEST_SUITE_P(Spellings, RegistryInfoSwitch,
                         ::testing::Values("/INFO", "-info", "/Info", "-INFO"));

TEST_F(Registry, OnlyTheExactSwitchCounts) {
  for (const char* P : {"info", "--info", "/information", "-inf", "info/"}) {
    SetCommandLine({"prog", P});
    ResetUnitList();
    StartUnits();
    EXPECT_TRUE(Lines.empty()) << P;
    EXPECT_EQ(UnitList().size(), std::size(SupportUnits)) << P;
  }
}

TEST_F(Registry, UnitLineUsesTheProcessDateFormat) {
  FormatSettings().ShortDateFormat = "dd/mm/yyyy";
  FormatSettings().DateSeparator = '.';
  FormatSettings().LongTimeFormat = "hh:nn:ss";
  SetCommandLine({"prog", "-info"});
  RegisterUnit("uEDF", "1.0.2", "Torvane", EncodeDate(2003, 1, 10) + EncodeTime(17, 1, 0, 0));
  RegisterUnit("uMidnight", "2", "Someone", EncodeDate(2004, 2, 18));
  ASSERT_EQ(Lines.size(), 3u);
  EXPECT_EQ(Lines[1],
            "UnitName: uEDF Version: 1.0.2 Author: Torvane Last Modified: 10.01.2003 17:01:00");
  EXPECT_EQ(Lines[2], "UnitName: uMidnight Version: 2 Author: Someone Last Modified: 18.02.2004");
}

TEST_F(Registry, ResetArmsTheProgramLineAgain) {
  SetCommandLine({"prog", "/info"});
  InitUnit_uTAL();
  ResetUnitList();
  InitUnit_uTAL();
  ASSERT_EQ(Lines.size(), 4u);
  EXPECT_EQ(Lines[0], "Unit information for program prog");
  EXPECT_EQ(Lines[2], "Unit information for program prog");
}

TEST(DebugLog, DefaultSinkWritesLinesToStandardError) {
  const auto Previous = SetDebugSink({});
  testing::internal::CaptureStderr();
  SendDebug("first line");
  SendDebug("");
  const std::string Out = testing::internal::GetCapturedStderr();
  SetDebugSink(Previous);
  EXPECT_EQ(Out, "first line\n\n");
}

// ---- INI files --------------------------------------------------------------------------

const char* const SampleIni = "; site settings\n"
                              "[KLV]\n"
                              "PSGProjectFile = /data/psg/project.psg\n"
                              "Quoted=\"  spaced  \"\n"
                              "Single='x'\n"
                              "Empty=\n"
                              "Path=L:\\APPLIC\\DATA\n"
                              "[Other]\n"
                              "PSGProjectFile=other\n"
                              "[klv]\n"
                              "Later=second\n"
                              "PSGProjectFile=ignored duplicate\n";

struct IniRow {
  std::string Name;
  std::string Section, Key;
  std::string Expected;
};

class IniRead : public ::testing::TestWithParam<IniRow> {
protected:
  TTempDir Dir;
};

TEST_P(IniRead, FindsKeysLikeWindowsIniAccess) {
  const auto& R = GetParam();
  const std::string File = Dir.Write("PROGRAMS.INI", SampleIni);
  EXPECT_EQ(ReadIniString(File, R.Section, R.Key, "<default>"), R.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, IniRead,
    ::testing::Values(IniRow{"Plain", "KLV", "PSGProjectFile", "/data/psg/project.psg"},
                      IniRow{"SectionCase", "klv", "PSGProjectFile", "/data/psg/project.psg"},
                      IniRow{"KeyCase", "KLV", "psgprojectfile", "/data/psg/project.psg"},
                      IniRow{"DoubleQuotesDropped", "KLV", "Quoted", "  spaced  "},
                      IniRow{"SingleQuotesDropped", "KLV", "Single", "x"},
                      IniRow{"EmptyValueIsNotDefault", "KLV", "Empty", ""},
                      IniRow{"Backslashes", "KLV", "Path", "L:\\APPLIC\\DATA"},
                      IniRow{"OtherSection", "Other", "PSGProjectFile", "other"},
                      IniRow{"RepeatedSectionContinues", "KLV", "Later", "second"},
                      IniRow{"MissingKey", "KLV", "Nothing", "<default>"},
                      IniRow{"MissingSection", "Absent", "PSGProjectFile", "<default>"},
                      IniRow{"KeyOutsideSection", "", "PSGProjectFile", "<default>"}),
    [](const auto& I) { return I.param.Name; });

TEST(IniFile, MissingOrUnreadableFileGivesDefault) {
  TTempDir Dir;
  EXPECT_EQ(ReadIniString((Dir.Path() / "none.ini").string(), "KLV", "A", "dflt"), "dflt");
  EXPECT_EQ(ReadIniString(Dir.Path().string(), "KLV", "A", "dflt"), "dflt");
  EXPECT_EQ(ReadIniString("", "KLV", "A", "dflt"), "dflt");
  const std::string Garbage = Dir.Write("bad.ini", std::string("\0\xFF[[[=\n=x\n", 10));
  EXPECT_EQ(ReadIniString(Garbage, "KLV", "A", "dflt"), "dflt");
}

TEST(IniFile, ProgramsIniPathComesFromOverrideThenEnvironment) {
  const char* Old = std::getenv("VELASTRIN_PROGRAMS_INI");
  const std::string Saved = Old ? Old : "";
  unsetenv("VELASTRIN_PROGRAMS_INI");
  SetProgramsIniFileName("");
  EXPECT_EQ(ProgramsIniFileName(), "/etc/velastrin/PROGRAMS.INI");
  setenv("VELASTRIN_PROGRAMS_INI", "/srv/site/PROGRAMS.INI", 1);
  EXPECT_EQ(ProgramsIniFileName(), "/srv/site/PROGRAMS.INI");
  SetProgramsIniFileName("/tmp/x.ini");
  EXPECT_EQ(ProgramsIniFileName(), "/tmp/x.ini");
  SetProgramsIniFileName("");
  if (Old)
    setenv("VELASTRIN_PROGRAMS_INI", Saved.c_str(), 1);
  else
    unsetenv("VELASTRIN_PROGRAMS_INI");
}

TEST_F(Registry, StringLibraryReadsItsProjectFileAtStartUp) {
  SetProgramsIniFileName(Dir.Write("PROGRAMS.INI", SampleIni));
  InitUnit_udStr();
  EXPECT_EQ(PSGProjectFile(), "/data/psg/project.psg");
  EXPECT_EQ(ReadProgramsIni("Other", "PSGProjectFile", ""), "other");
}

TEST_F(Registry, ProjectFileIsEmptyWithoutKeySectionOrFile) {
  for (const std::string Content : {"[KLV]\nOther=1\n", "[X]\nPSGProjectFile=a\n", ""}) {
    SetProgramsIniFileName(Dir.Write("P.INI", Content));
    ResetUnitList();
    InitUnit_udStr();
    EXPECT_EQ(PSGProjectFile(), "") << Content;
  }
  SetProgramsIniFileName((Dir.Path() / "absent.ini").string());
  ResetUnitList();
  InitUnit_udStr();
  EXPECT_EQ(PSGProjectFile(), "");
}

// ---- Dynamic arrays ---------------------------------------------------------------------

TEST(DynArray, CopiesShareOneStorage) {
  TDynSmallIntArray A(3);
  EXPECT_EQ(A[0], 0);
  TDynSmallIntArray B = A;
  B[1] = 42;
  EXPECT_EQ(A[1], 42);
  EXPECT_TRUE(A.SharesWith(B));
  EXPECT_EQ(A.UseCount(), 2);
}

TEST(DynArray, SetLengthOnSharedArrayDetachesThisHandle) {
  TDynStringArray A{"a", "b"};
  TDynStringArray B = A;
  B.SetLength(3);
  EXPECT_FALSE(A.SharesWith(B));
  EXPECT_EQ(A.size(), 2u);
  EXPECT_EQ(B.size(), 3u);
  EXPECT_EQ(B[1], "b");
  EXPECT_EQ(B[2], "");
  B.SetLength(0);
  EXPECT_TRUE(B.empty());
  EXPECT_EQ(B.data(), nullptr);
  TDynBooleanArray Flags(2);
  EXPECT_FALSE(Flags[1]);
}

TEST(ScopeGuard, RunsOnEveryWayOut) {
  int Runs = 0;
  {
    const TScopeGuard Guard([&] { ++Runs; });
    EXPECT_EQ(Runs, 0);
  }
  EXPECT_EQ(Runs, 1);
  try {
    const TScopeGuard Guard([&] { ++Runs; });
    throw EConvertError("leaving");
  } catch (const EConvertError&) {
  }
  EXPECT_EQ(Runs, 2);
}

TEST(ScopeGuard, HoldValueRestoresThePreviousValue) {
  bool Flag = true;
  std::string Text = "before";
  try {
    const auto HoldFlag = HoldValue(Flag, false);
    const auto HoldText = HoldValue(Text, std::string("during"));
    EXPECT_FALSE(Flag);
    EXPECT_EQ(Text, "during");
    Text = "changed meanwhile";
    throw EConvertError("leaving");
  } catch (const EConvertError&) {
  }
  EXPECT_TRUE(Flag);
  EXPECT_EQ(Text, "before");
}

} // namespace
} // namespace velastrin
