// The version record: company, description, file and product version, copyright and build flags.
// Every Velastrin executable carries it in an ELF note section, so that it can be read both from
// the running program and from any other file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velastrin {

// Build flags of the fixed part of the record.
inline constexpr uint32_t VS_FF_DEBUG = 0x01;
inline constexpr uint32_t VS_FF_PRERELEASE = 0x02;
inline constexpr uint32_t VS_FF_PATCHED = 0x04;
inline constexpr uint32_t VS_FF_PRIVATEBUILD = 0x08;
inline constexpr uint32_t VS_FF_INFOINFERRED = 0x10;
inline constexpr uint32_t VS_FF_SPECIALBUILD = 0x20;

// Where the record lives in an executable: one note of this name and type in this section.
inline constexpr std::string_view VersionNoteSection = ".note.velastrin.version";
inline constexpr std::string_view VersionNoteName = "Velastrin";
inline constexpr uint32_t VersionNoteType = 1;

// Keys of the record. String entries are found under
// "\StringFileInfo\" + language and code page (8 hex digits) + "\" + name.
inline constexpr std::string_view TranslationKey = "\\VarFileInfo\\Translation";
inline constexpr std::string_view FileFlagsKey = "\\FixedFileInfo\\FileFlags";
inline constexpr std::string_view FileFlagsMaskKey = "\\FixedFileInfo\\FileFlagsMask";
inline constexpr std::string_view StringFileInfoKey = "\\StringFileInfo\\";

// The record: keys and values in stored order. Its payload is a sequence of NUL-terminated key
// and value texts ended by an empty key.
class TVersionRecord {
public:
  using TEntry = std::pair<std::string, std::string>;

  const std::vector<TEntry>& Entries() const { return FEntries; }
  // nullptr when the key is missing.
  const std::string* Find(std::string_view Key) const;
  void Add(std::string Key, std::string Value);

  std::string ToPayload() const;
  // False (and the record left empty) for a payload that is not a well-formed record.
  bool FromPayload(std::string_view Payload);

private:
  std::vector<TEntry> FEntries;
};

enum class TVersionReadResult {
  vrrOk,       // the file carries a record; it was read
  vrrNoRecord, // a readable file without a record (not an ELF file, or no such note)
  vrrFailed    // the file cannot be read, or its ELF structure or record is damaged
};

// The record compiled into this program.
const TVersionRecord& OwnVersionRecord();

// Reads the record carried by FileName (32- or 64-bit ELF of either byte order).
TVersionReadResult ReadVersionRecord(const std::string& FileName, TVersionRecord& Record);

} // namespace velastrin
