#include "support/uTAL.h"

#include "support/udroot.h"

namespace velastrin {

void InitUnit_uTAL() {
  if (IsUnitRegistered("uTAL"))
    return;
  RegisterUnit("uTAL", "0.2.0", "Torvane", EncodeDate(2003, 3, 4) + EncodeTime(17, 0, 0, 0));
}

} // namespace velastrin
