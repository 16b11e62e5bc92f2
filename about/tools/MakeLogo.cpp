// Draws the About box's logo (241 x 57) and icon (32 x 32) and writes them as JPEG files, plus
// the icon as PNG for the desktop theme. Integer drawing only, so the same libraries always give
// the same bytes. Build target velastrin_logo runs it into about/resources/ and packaging/.
//
//   velastrin_make_logo <logo.jpg> <icon.jpg> <icon.png>

#include <QImage>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

struct TRgb {
  unsigned char R, G, B;
};

constexpr TRgb White{255, 255, 255};
constexpr TRgb Navy{24, 52, 110};
constexpr TRgb Trace{0, 132, 180};
constexpr TRgb Grid{214, 228, 240};

class TCanvas {
public:
  TCanvas(int Width, int Height, TRgb Fill)
      : FWidth(Width), FHeight(Height), FPixels(static_cast<std::size_t>(Width * Height), Fill) {}

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  const std::vector<TRgb>& Pixels() const { return FPixels; }

  void Set(int X, int Y, TRgb C) {
    if (X >= 0 && Y >= 0 && X < FWidth && Y < FHeight)
      FPixels[static_cast<std::size_t>(Y * FWidth + X)] = C;
  }

  void Fill(int X, int Y, int W, int H, TRgb C) {
    for (int J = Y; J < Y + H; ++J)
      for (int I = X; I < X + W; ++I)
        Set(I, J, C);
  }

  // A line of Thickness x Thickness dots (Bresenham).
  void Line(int X0, int Y0, int X1, int Y1, int Thickness, TRgb C) {
    const int Dx = std::abs(X1 - X0), Sx = X0 < X1 ? 1 : -1;
    const int Dy = -std::abs(Y1 - Y0), Sy = Y0 < Y1 ? 1 : -1;
    int Err = Dx + Dy;
    for (;;) {
      Fill(X0 - Thickness / 2, Y0 - Thickness / 2, Thickness, Thickness, C);
      if (X0 == X1 && Y0 == Y1)
        break;
      const int E2 = 2 * Err;
      if (E2 >= Dy) {
        Err += Dy;
        X0 += Sx;
      }
      if (E2 <= Dx) {
        Err += Dx;
        Y0 += Sy;
      }
    }
  }

  void Polyline(const std::vector<std::array<int, 2>>& Points, int Thickness, TRgb C) {
    for (std::size_t I = 1; I < Points.size(); ++I)
      Line(Points[I - 1][0], Points[I - 1][1], Points[I][0], Points[I][1], Thickness, C);
  }

private:
  int FWidth, FHeight;
  std::vector<TRgb> FPixels;
};

// 5 x 7 capitals for the program name.
struct TGlyph {
  char Letter;
  std::array<const char*, 7> Rows;
};

constexpr std::array<TGlyph, 9> Glyphs{{
    {'V', {"1...1", "1...1", "1...1", "1...1", "1...1", ".1.1.", "..1.."}},
    {'E', {"11111", "1....", "1....", "1111.", "1....", "1....", "11111"}},
    {'L', {"1....", "1....", "1....", "1....", "1....", "1....", "11111"}},
    {'A', {".111.", "1...1", "1...1", "11111", "1...1", "1...1", "1...1"}},
    {'S', {".1111", "1....", "1....", ".111.", "....1", "....1", "1111."}},
    {'T', {"11111", "..1..", "..1..", "..1..", "..1..", "..1..", "..1.."}},
    {'R', {"1111.", "1...1", "1...1", "1111.", "1.1..", "1..1.", "1...1"}},
    {'I', {".111.", "..1..", "..1..", "..1..", "..1..", "..1..", ".111."}},
    {'N', {"1...1", "11..1", "1.1.1", "1..11", "1...1", "1...1", "1...1"}},
}};

void Text(TCanvas& Canvas, const std::string& S, int X, int Y, int Scale, TRgb C) {
  for (char Letter : S) {
    for (const TGlyph& G : Glyphs) {
      if (G.Letter != Letter)
        continue;
      for (int Row = 0; Row < 7; ++Row)
        for (int Col = 0; Col < 5; ++Col)
          if (G.Rows[Row][Col] == '1')
            Canvas.Fill(X + Col * Scale, Y + Row * Scale, Scale, Scale, C);
    }
    X += 6 * Scale;
  }
}

// A few beats of a recording: baseline, a sharp spike, a slow wave.
std::vector<std::array<int, 2>> Wave(int X, int Y, int Step, int Amplitude) {
  static constexpr std::array<int, 15> Shape{0, 0, 1, -1, 0, 0, 4, -6, 2, 0, 1, 2, 1, 0, 0};
  std::vector<std::array<int, 2>> Points;
  for (std::size_t I = 0; I < Shape.size(); ++I)
    Points.push_back({X + static_cast<int>(I) * Step, Y - Shape[I] * Amplitude});
  return Points;
}

TCanvas Logo() {
  TCanvas Canvas(241, 57, White);
  for (int X = 2; X < 66; X += 8)
    Canvas.Fill(X, 6, 1, 45, Grid);
  for (int Y = 6; Y < 52; Y += 9)
    Canvas.Fill(2, Y, 64, 1, Grid);
  Canvas.Polyline(Wave(3, 30, 4, 3), 2, Trace);
  Text(Canvas, "VELASTRIN", 72, 15, 3, Navy);
  Canvas.Fill(72, 42, 159, 2, Trace);
  return Canvas;
}

TCanvas Icon() {
  TCanvas Canvas(32, 32, White);
  Canvas.Fill(1, 1, 30, 30, Navy);
  Canvas.Polyline(Wave(2, 18, 2, 2), 2, White);
  return Canvas;
}

bool WriteJpeg(const TCanvas& Canvas, const char* FileName) {
  std::FILE* File = std::fopen(FileName, "wb");
  if (!File)
    return false;
  jpeg_compress_struct Info{};
  jpeg_error_mgr Errors{};
  Info.err = jpeg_std_error(&Errors);
  jpeg_create_compress(&Info);
  jpeg_stdio_dest(&Info, File);
  Info.image_width = static_cast<JDIMENSION>(Canvas.Width());
  Info.image_height = static_cast<JDIMENSION>(Canvas.Height());
  Info.input_components = 3;
  Info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&Info);
  jpeg_set_quality(&Info, 92, TRUE);
  jpeg_start_compress(&Info, TRUE);
  std::vector<unsigned char> Row(static_cast<std::size_t>(Canvas.Width()) * 3);
  while (Info.next_scanline < Info.image_height) {
    for (int X = 0; X < Canvas.Width(); ++X) {
      const TRgb& P = Canvas.Pixels()[Info.next_scanline * Canvas.Width() + X];
      Row[X * 3] = P.R;
      Row[X * 3 + 1] = P.G;
      Row[X * 3 + 2] = P.B;
    }
    JSAMPROW Rows = Row.data();
    jpeg_write_scanlines(&Info, &Rows, 1);
  }
  jpeg_finish_compress(&Info);
  jpeg_destroy_compress(&Info);
  return std::fclose(File) == 0;
}

bool WritePng(const TCanvas& Canvas, const char* FileName) {
  QImage Image(Canvas.Width(), Canvas.Height(), QImage::Format_RGB888);
  for (int Y = 0; Y < Canvas.Height(); ++Y)
    for (int X = 0; X < Canvas.Width(); ++X) {
      const TRgb& P = Canvas.Pixels()[static_cast<std::size_t>(Y * Canvas.Width() + X)];
      Image.setPixel(X, Y, qRgb(P.R, P.G, P.B));
    }
  return Image.save(QString::fromLocal8Bit(FileName), "PNG");
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: velastrin_make_logo <logo.jpg> <icon.jpg> <icon.png>\n", stderr);
    return 2;
  }
  const TCanvas LogoCanvas = Logo();
  const TCanvas IconCanvas = Icon();
  if (!WriteJpeg(LogoCanvas, argv[1]) || !WriteJpeg(IconCanvas, argv[2]) ||
      !WritePng(IconCanvas, argv[3])) {
    std::fputs("velastrin_make_logo: cannot write the pictures\n", stderr);
    return 1;
  }
  return 0;
}
