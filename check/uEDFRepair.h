// The repair engine: for a file that only lenient reading accepts, writes a copy with our writer
// whose header strict reading accepts. Each refused field is written from the value lenient
// reading took, in the strict form; free text gets a printable form; the record count becomes
// that of the whole records present; fields strict reading accepted keep their bytes; the data
// records are copied sample for sample. The input
// is only ever opened for reading, and the copy appears under its final name only when complete
// and checked.
#pragma once

#include "check/uEDFFindings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

// One header field the repair changed.
struct TEDFChange {
  std::string Field;  // name from the layout tables
  int32_t Signal = 0; // 1-based; 0 for the general header
  std::string OldRaw; // bytes as they were (field width)
  std::string NewRaw; // bytes as written (field width)
};

enum class TEDFRepairOutcome {
  Repaired,      // a strict copy was written
  AlreadyValid,  // strict reading accepts the file; nothing written
  Unreadable,    // neither reading accepts it; nothing written
  NotRepairable, // lenient, but mending it would change the data records or need a guess
  Refused,       // the copy would replace an input
  Failed         // writing or checking the copy failed; nothing left behind
};
std::string_view RepairOutcomeName(TEDFRepairOutcome Outcome);

struct TEDFRepair {
  TEDFFindings Findings;
  TEDFRepairOutcome Outcome = TEDFRepairOutcome::Failed;
  std::string Output;                   // path of the repaired copy
  std::string Reason;                   // why nothing was written
  std::vector<TEDFChange> Changes;      // every header field whose bytes changed
  int64_t Records = 0;                  // data records copied
  int64_t DroppedBytes = 0;             // bytes after the last whole record, not copied
  bool DroppedPartial = false;          // those bytes were a record cut short (else left over)
  std::vector<std::string> NotRepaired; // problems the copy keeps, in words
};

// Why OutDir cannot take the repaired copies of Inputs, or empty when it can: OutDir must be a
// folder (or not exist yet) that holds none of the inputs, no output name may lead to an input
// (a link), and no two inputs may share a file name.
std::string CheckRepairTarget(const std::vector<std::string>& Inputs, const std::string& OutDir);

// Repairs Input into OutDir/<its file name>: checks the target, writes under a temporary name,
// renames when complete. Never raises; the outcome says what happened.
TEDFRepair RepairFile(const std::string& Input, const std::string& OutDir);

// The steps of RepairFile for a caller that owns the output names. JudgeRepair collects the
// findings and returns whether a copy is to be written; when not, R.Outcome says why.
bool JudgeRepair(const std::string& Input, TEDFRepair& R);
// Writes the repaired copy of Input at Temporary (a file of that name is replaced) and checks
// it under strict reading; fills R's changes and record count. Renames nothing and leaves the
// wait for the disk to the caller's TOutputFiles. Raises on any failure; the caller removes
// Temporary.
void WriteRepairedCopy(const std::string& Input, const std::string& Temporary, TEDFRepair& R);

// The form repair gives a free text: each UTF-8 character outside printable ASCII becomes one
// printable character (controls a blank, a letter its plain ASCII letter, micro "u", anything
// else "?"), each byte that is not UTF-8 a "?", then leading blanks go. Never longer than Text.
std::string PrintableText(std::string_view Text);

} // namespace velastrin
