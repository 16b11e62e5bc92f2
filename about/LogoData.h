// The pictures built into the program: the About box's logo and icon as JPEG data, embedded
// at build time from about/resources/.
#pragma once

#include <cstddef>

namespace velastrin {

extern const unsigned char VelastrinLogoJpeg[];
extern const std::size_t VelastrinLogoJpegSize;
extern const unsigned char VelastrinIconJpeg[];
extern const std::size_t VelastrinIconJpegSize;

} // namespace velastrin
