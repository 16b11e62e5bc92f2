// Shared test helpers: every test gets default settings and a fixed clock, restored after.
#pragma once

#include "support/uSysUtils.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace velastrin::test {

// 7 December 2026, 10:30 - the current year decides two-digit years.
inline TDateTime FixedNow() {
  return EncodeDate(2026, 12, 7) + EncodeTime(10, 30, 0, 0);
}

// Restores the process-wide settings and the clock on every way out of a test.
class TSettingsScope {
public:
  TSettingsScope() : FSaved(FormatSettings()) {
    FormatSettings() = TFormatSettings{};
    SetNowFunction(FixedNow);
  }
  ~TSettingsScope() {
    FormatSettings() = FSaved;
    SetNowFunction({});
  }
  TSettingsScope(const TSettingsScope&) = delete;
  TSettingsScope& operator=(const TSettingsScope&) = delete;

private:
  TFormatSettings FSaved;
};

// Base fixture for tests that touch the settings.
class SettingsTest : public ::testing::Test {
private:
  TSettingsScope FScope;
};

template <typename Row> class SettingsParamTest : public ::testing::TestWithParam<Row> {
private:
  TSettingsScope FScope;
};

// Row names for INSTANTIATE_TEST_SUITE_P: the row's Name member.
struct RowName {
  template <typename Info> std::string operator()(const Info& I) const { return I.param.Name; }
};

// Switches the C library to a locale whose decimal mark is a comma for the lifetime of the
// object: an installed one, else one compiled with localedef into a temporary folder.
class TCommaCLocale {
public:
  TCommaCLocale() : FSaved(std::setlocale(LC_ALL, nullptr)) {
    for (const char* L : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"})
      if (TrySet(L))
        return;
    FDir =
        std::filesystem::temp_directory_path() / ("velastrin-locale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(FDir);
    const std::string Cmd =
        "localedef -i de_DE -f UTF-8 '" + (FDir / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(Cmd.c_str()) >= 0) {
      const char* Old = std::getenv("LOCPATH");
      FHadLocPath = Old != nullptr;
      if (Old)
        FOldLocPath = Old;
      setenv("LOCPATH", FDir.c_str(), 1);
      TrySet("de_DE.UTF-8");
    }
  }
  ~TCommaCLocale() {
    std::setlocale(LC_ALL, FSaved.c_str());
    if (!FDir.empty()) {
      if (FHadLocPath)
        setenv("LOCPATH", FOldLocPath.c_str(), 1);
      else
        unsetenv("LOCPATH");
      std::error_code E;
      std::filesystem::remove_all(FDir, E);
    }
  }
  TCommaCLocale(const TCommaCLocale&) = delete;
  TCommaCLocale& operator=(const TCommaCLocale&) = delete;
  bool Active() const { return FActive; }

private:
  bool TrySet(const char* Name) {
    if (std::setlocale(LC_ALL, Name) && std::localeconv()->decimal_point[0] == ',')
      FActive = true;
    return FActive;
  }
  std::string FSaved;
  std::filesystem::path FDir;
  bool FHadLocPath = false;
  std::string FOldLocPath;
  bool FActive = false;
};

} // namespace velastrin::test
