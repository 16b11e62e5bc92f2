// Rounding.
#pragma once

#include <cstdint>

namespace velastrin {

// Halves go away from zero: 2.5 -> 3, -2.5 -> -3.
int64_t RoundAwayFromZero(long double X);

void InitUnit_uMath();

} // namespace velastrin
