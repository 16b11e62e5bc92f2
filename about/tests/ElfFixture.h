// ELF files made in code for the version-record tests: a header, a section-name table and
// either a note section holding a version record or a plain section.
#pragma once

#include "about/VersionRecord.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velastrin::test {

using TEntries = std::vector<std::pair<std::string, std::string>>;

struct TElfLayout {
  bool Is64 = true;
  bool BigEndian = false;
  bool WithRecord = true;
  std::string SectionName = std::string(VersionNoteSection);
  uint32_t SectionType = 7; // note
  std::string NoteName = std::string(VersionNoteName);
  uint32_t NoteType = VersionNoteType;
  std::string Payload; // the note's description bytes
  uint64_t PadTo = 0;  // append zero bytes up to this size
  bool SectionTableBeyondEnd = false;
  uint32_t ExtraDescSize = 0; // claim more description bytes than there are
};

std::string MakeElf(const TElfLayout& Layout);

// A record with the given entries (key, value pairs) as payload text.
std::string RecordPayload(TEntries Entries);

// Writes Bytes to a new file in the test's temporary folder and returns its name.
std::string WriteTempFile(const std::string& Name, const std::string& Bytes);

} // namespace velastrin::test

namespace velastrin::test {
// Removes the files WriteTempFile made.
void RemoveTempFiles();
} // namespace velastrin::test
