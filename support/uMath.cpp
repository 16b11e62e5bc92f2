#include "support/uMath.h"

#include "support/udroot.h"

#include <cmath>

namespace velastrin {

int64_t RoundAwayFromZero(long double X) {
  const long double R = X >= 0 ? std::trunc(X + 0.5L) : std::trunc(X - 0.5L);
  // Outside the 64-bit range (or NaN) there is no integer to give.
  if (!(R >= -9223372036854775808.0L && R < 9223372036854775808.0L))
    throw EInvalidOp("Invalid floating point operation");
  return static_cast<int64_t>(R);
}

void InitUnit_uMath() {
  if (IsUnitRegistered("uMath"))
    return;
  RegisterUnit("uMath", "1.0", "Torvane", EncodeDate(2002, 6, 21) + EncodeTime(14, 31, 0, 0));
}

} // namespace velastrin
