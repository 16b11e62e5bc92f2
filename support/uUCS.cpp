#include "support/uUCS.h"

#include "support/udroot.h"

namespace velastrin {

void InitUnit_uUCS() {
  if (IsUnitRegistered("uUCS"))
    return;
  RegisterUnit("uUCS", "1.0.0", "Torvane", EncodeDate(2003, 1, 10) + EncodeTime(10, 56, 0, 0));
}

} // namespace velastrin
