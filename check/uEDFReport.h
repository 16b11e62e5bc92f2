// Reports of the findings and repair engines: readable text for people, and one JSON object per
// file (JSON Lines) for programs. The JSON keys are a contract; see JSONSchemaText.
#pragma once

#include "check/uEDFFindings.h"
#include "check/uEDFRepair.h"

#include <optional>
#include <string>

namespace velastrin {

// The verdict line, then one line per finding and per failed file check, each ending in "\n".
std::string FindingsText(const TEDFFindings& F);
// One JSON object on one line, without the line end.
std::string FindingsJson(const TEDFFindings& F);

// The outcome line, then one line per changed field and for dropped bytes.
std::string RepairText(const TEDFRepair& R);
std::string RepairJson(const TEDFRepair& R);

// A file name that is not valid UTF-8 as the hex digits of its bytes, so that the file can be
// found again from the JSON (the JSON text itself must stay UTF-8); unset for every other name.
std::optional<std::string> NameBytesHex(const std::string& Name);

// The keys of FindingsJson and RepairJson, described for --help, README and man page.
std::string JSONSchemaText();

} // namespace velastrin
