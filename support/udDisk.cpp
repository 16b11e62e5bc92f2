#include "support/udDisk.h"

#include "support/udroot.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace velastrin {

namespace {

// The file's attributes in the Windows bit layout; only the compressed bit has a Linux
// counterpart (the file system's compression flag). Unreadable: no attributes.
uint16_t FileAttributes(const std::string& FileName) {
  const int Fd = ::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (Fd < 0)
    return 0;
  int Flags = 0;
  const int Rc = ::ioctl(Fd, FS_IOC_GETFLAGS, &Flags);
  ::close(Fd);
  if (Rc != 0)
    return 0;
  return (Flags & FS_COMPR_FL) ? faCompressed : 0;
}

} // namespace

bool FileHasAttributes(const std::string& FileName, uint16_t Attributes) {
  return (FileAttributes(FileName) & Attributes) == Attributes;
}

bool IsFileCompressed(const std::string& FileName) {
  return FileHasAttributes(FileName, faCompressed);
}

void InitUnit_udDisk() {
  if (IsUnitRegistered("udDisk"))
    return;
  RegisterUnit("udDisk", "1.0.1", "Torvane", EncodeDate(2002, 10, 17) + EncodeTime(14, 6, 0, 0));
}

} // namespace velastrin
