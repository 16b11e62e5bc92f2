// Decodes JPEG data with libjpeg (decompression only).
#pragma once

#include <QImage>

#include <cstddef>

namespace velastrin {

// The picture, or a null image when the data is not a complete, undamaged JPEG: libjpeg's
// warnings (a truncated stream, corrupt data) count as failures too, so a damaged picture is
// never shown half grey.
QImage DecodeJpeg(const unsigned char* Data, std::size_t Size);

} // namespace velastrin
