// The exception family of the EDF data model. Each raise site passes its fixed message.
#pragma once

#include "support/uSysUtils.h"

#include <cstdint>
#include <string>
#include <utility>

namespace velastrin {

class EDataFile : public Exception {
  using Exception::Exception;
};

#define VELASTRIN_DATAFILE_ERROR(Name)                                                             \
  class Name : public EDataFile {                                                                  \
    using EDataFile::EDataFile;                                                                    \
  }

VELASTRIN_DATAFILE_ERROR(EDataFileIsCreating);
VELASTRIN_DATAFILE_ERROR(EDataFileIsOpen);
VELASTRIN_DATAFILE_ERROR(EDataFileReadOnly);
VELASTRIN_DATAFILE_ERROR(EDataFileExists);
VELASTRIN_DATAFILE_ERROR(EDataFileDataExists);
VELASTRIN_DATAFILE_ERROR(EDataFileBufferAllocation);
VELASTRIN_DATAFILE_ERROR(EDataFileFieldValue);
VELASTRIN_DATAFILE_ERROR(EDataFileHeaderInvalid);

#undef VELASTRIN_DATAFILE_ERROR

// A data record could not be read or written. The message is the fixed one the program shows;
// the file and the record (-1 when no record was asked for) come as members, so that tools
// that name them can print them.
class EDataFileReadData : public EDataFile {
public:
  explicit EDataFileReadData(std::string Message, std::string FileName = {}, int64_t Record = -1)
      : EDataFile(std::move(Message)), FFileName(std::move(FileName)), FRecord(Record) {}
  const std::string& FileName() const noexcept { return FFileName; }
  int64_t Record() const noexcept { return FRecord; }

private:
  std::string FFileName;
  int64_t FRecord;
};

// The fixed messages, one per condition.
namespace DataFileMessages {
inline constexpr const char* NoFilename = "No filename";
inline constexpr const char* IsCreating = "Busy creating new file";
inline constexpr const char* IsOpen = "Data file is already open";
inline constexpr const char* ReadOnly = "File is opened read-only";
inline constexpr const char* ReadData = "Error reading file data";
inline constexpr const char* Exists = "Data file already exists";
inline constexpr const char* DataExists = "Data file already contains data";
inline constexpr const char* BufferAllocation = "Unable to allocate data buffer";
inline constexpr const char* FieldValue = "Invalid field value(s)";
inline constexpr const char* HeaderInvalid = "Invalid or incomplete file header";
} // namespace DataFileMessages

} // namespace velastrin
