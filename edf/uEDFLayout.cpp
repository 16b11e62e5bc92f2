// The layout is constexpr; these checks keep the tables consistent with the format.
#include "edf/uEDFLayout.h"

namespace velastrin {
namespace {

constexpr bool GeneralFieldsAreContiguous() {
  int Offset = 0;
  for (const TEDFFieldDef& Def : GeneralHeaderFields) {
    if (Def.Start != Offset)
      return false;
    Offset += Def.Width;
  }
  return Offset == EDFGeneralHeaderSize;
}

constexpr bool SignalBlocksAreContiguous() {
  int Start = 0;
  for (const TEDFFieldDef& Def : SignalHeaderFields) {
    if (Def.Start != Start)
      return false;
    Start += Def.Width;
  }
  return Start == EDFSignalHeaderSize;
}

static_assert(GeneralFieldsAreContiguous());
static_assert(SignalBlocksAreContiguous());
static_assert(SignalFieldOffset(TSignalField::Physimin, 2, 1) == 472);

} // namespace
} // namespace velastrin
