#include "support/uLocale.h"

namespace velastrin {

bool IsValidLCID(uint32_t LCID) {
  return LCID == 0 || IsLCIDKnown(LCID);
}

uint16_t MakeLangID(uint16_t Primary, uint16_t Sub) {
  return static_cast<uint16_t>(Primary | (Sub << 10));
}

uint32_t MakeLCID(uint16_t LangID, uint16_t SortID) {
  return (static_cast<uint32_t>(SortID) << 16) | LangID;
}

uint16_t LangIDFromLCID(uint32_t LCID) {
  return static_cast<uint16_t>(LCID & 0xFFFF);
}

namespace {

// Names are UTF-8 text.
template <std::size_t N> TDynStringArray ToArray(const std::array<std::string, N>& Names) {
  TDynStringArray R(N);
  for (std::size_t I = 0; I < N; ++I)
    R[I] = Names[I];
  return R;
}

TFormatSettings SettingsFor(uint32_t LCID) {
  VELASTRIN_ASSERT(IsValidLCID(LCID), "Invalid LCID");
  return GetLocaleFormatSettings(LCID);
}

} // namespace

TDynStringArray GetShortDayNames(uint32_t LCID) {
  return ToArray(SettingsFor(LCID).ShortDayNames);
}
TDynStringArray GetLongDayNames(uint32_t LCID) {
  return ToArray(SettingsFor(LCID).LongDayNames);
}
TDynStringArray GetShortMonthNames(uint32_t LCID) {
  return ToArray(SettingsFor(LCID).ShortMonthNames);
}
TDynStringArray GetLongMonthNames(uint32_t LCID) {
  return ToArray(SettingsFor(LCID).LongMonthNames);
}

} // namespace velastrin
