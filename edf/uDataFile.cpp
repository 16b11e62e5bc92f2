// The exception family is header-only; this unit exists so that it has one source like every
// other unit.
#include "edf/uDataFile.h"
