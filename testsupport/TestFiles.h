// Whole files as bytes. A failed write raises std::runtime_error naming the file, so that a
// test stops at the step that went wrong.
#pragma once

#include <cstdint>
#include <string>

namespace velastrin::test {

// Creates or replaces Path with exactly Bytes.
void WriteBytes(const std::string& Path, const std::string& Bytes);
// The whole content of Path; empty when it cannot be read (a missing output reads as none).
std::string ReadBytes(const std::string& Path);
// Overwrites the bytes of Path from Offset on with Bytes, leaving the rest as it is.
void PatchBytes(const std::string& Path, int64_t Offset, const std::string& Bytes);

} // namespace velastrin::test
