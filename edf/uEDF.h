// The EDF data model: layout, header records, identification sub-fields and the file object.
#pragma once

#include "edf/uDataFile.h"
#include "edf/uEDFFile.h"
#include "edf/uEDFHeader.h"
#include "edf/uEDFLayout.h"

namespace velastrin {

// Registers uEDF in the unit registry (once).
void InitUnit_uEDF();

} // namespace velastrin
