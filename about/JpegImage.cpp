#include "about/JpegImage.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace velastrin {

namespace {

// Pictures larger than this are refused before any pixel memory is taken.
constexpr JDIMENSION MaxSide = 8192;

struct TErrorManager {
  jpeg_error_mgr Base;
  std::jmp_buf Escape;
};

[[noreturn]] void ErrorExit(j_common_ptr Info) {
  std::longjmp(reinterpret_cast<TErrorManager*>(Info->err)->Escape, 1);
}

// Warnings are counted by libjpeg (num_warnings); nothing is printed.
void EmitMessage(j_common_ptr Info, int Level) {
  if (Level < 0)
    ++Info->err->num_warnings;
}

void OutputMessage(j_common_ptr) {}

// libjpeg reports errors by jumping back here; only C frames lie between the jump and this
// function, and every object with a destructor is created before setjmp.
bool Decode(jpeg_decompress_struct& Info, TErrorManager& Errors, const unsigned char* Data,
            std::size_t Size, QImage& Image) {
  if (setjmp(Errors.Escape))
    return false;
  jpeg_create_decompress(&Info);
  jpeg_mem_src(&Info, Data, static_cast<unsigned long>(Size));
  if (jpeg_read_header(&Info, TRUE) != JPEG_HEADER_OK)
    return false;
  Info.out_color_space = JCS_RGB;
  if (Info.image_width == 0 || Info.image_height == 0 || Info.image_width > MaxSide ||
      Info.image_height > MaxSide)
    return false;
  jpeg_start_decompress(&Info);
  if (Info.output_components != 3)
    return false;
  Image = QImage(static_cast<int>(Info.output_width), static_cast<int>(Info.output_height),
                 QImage::Format_RGB888);
  if (Image.isNull())
    return false;
  while (Info.output_scanline < Info.output_height) {
    JSAMPROW Row = Image.scanLine(static_cast<int>(Info.output_scanline));
    jpeg_read_scanlines(&Info, &Row, 1);
  }
  jpeg_finish_decompress(&Info);
  return Errors.Base.num_warnings == 0;
}

} // namespace

QImage DecodeJpeg(const unsigned char* Data, std::size_t Size) {
  if (Data == nullptr || Size == 0)
    return QImage();
  QImage Image;
  jpeg_decompress_struct Info{};
  TErrorManager Errors{};
  Info.err = jpeg_std_error(&Errors.Base);
  Errors.Base.error_exit = ErrorExit;
  Errors.Base.emit_message = EmitMessage;
  Errors.Base.output_message = OutputMessage;
  const bool Ok = Decode(Info, Errors, Data, Size, Image);
  jpeg_destroy_decompress(&Info);
  return Ok ? Image : QImage();
}

} // namespace velastrin
