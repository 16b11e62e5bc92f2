// File attributes.
#pragma once

#include <cstdint>
#include <string>

namespace velastrin {

constexpr uint16_t faCompressed = 0x800;

// All bits of Attributes are set in the file's attributes (none when they cannot be read).
// On Linux the compressed bit is the file system's compression flag (FS_COMPR_FL).
bool FileHasAttributes(const std::string& FileName, uint16_t Attributes);
bool IsFileCompressed(const std::string& FileName);

void InitUnit_udDisk();

} // namespace velastrin
