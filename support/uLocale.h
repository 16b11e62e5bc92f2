// Windows locale identifiers (LCIDs) and the locale's day and month names.
#pragma once

#include "support/udroot.h"

#include <cstdint>

namespace velastrin {

bool IsValidLCID(uint32_t LCID);
uint16_t MakeLangID(uint16_t Primary, uint16_t Sub);
uint32_t MakeLCID(uint16_t LangID, uint16_t SortID);
uint16_t LangIDFromLCID(uint32_t LCID);
// Sunday first; "Invalid LCID" assertion when IsValidLCID is false; 0 is the default locale.
TDynStringArray GetShortDayNames(uint32_t LCID);
TDynStringArray GetLongDayNames(uint32_t LCID);
// January first.
TDynStringArray GetShortMonthNames(uint32_t LCID);
TDynStringArray GetLongMonthNames(uint32_t LCID);

} // namespace velastrin
