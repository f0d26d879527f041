// Renders the bitmap font DATA/font.bmp from DejaVu Sans Mono.
//
// Run by hand from the repository root (the build never runs it), as one
// shell command:
//
//   g++ -std=c++20 -O2 -Wall -Wextra -I. tools/make_font.cpp $(pkg-config --cflags --libs freetype2) -o /tmp/make_font && /tmp/make_font /usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf DATA/font.bmp
//
// Debian packages it needs: g++, pkg-config, libfreetype-dev, fonts-dejavu-core.
//
// The picture is 256 x 256 pixels: a 16 x 16 grid of 16 x 16 cells, one per
// byte of the Windows-1251 code page, code 0 top left, codes running left to
// right and then down. Glyphs are white with grey antialiasing on black. The
// control codes, the unassigned 0x98 and anything the font lacks stay black;
// so does the space.
//
// Every glyph keeps a one-pixel black frame inside its cell. Cell borders
// fall on texel borders at every mipmap level down to one texel per cell, so
// mipmapping never mixes two cells; the frame keeps linear filtering at a
// quad's edge from picking up the neighbour's ink.
//
// The font is rendered 18 pixels wide per em but only 12 high: a plain
// 12-pixel monospace glyph is 7 pixels wide and would leave more than half of
// every 16-pixel advance empty, and the wide Cyrillic letters (Ж, Ш, Щ, Ю)
// would be cramped into it. The font's own hinting is used in both
// directions, so that stems and thin horizontals (the underscore, the bars
// of Е and Н) land on whole pixels instead of two half-lit ones.
//
// The output is an uncompressed 24-bit BMP with the 40-byte info header,
// the pixel array at offset 54 and the rows stored bottom-up.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "text/Cp1251.h"

namespace {

constexpr int kCell = 16;
constexpr int kGrid = 16;
constexpr int kSize = kCell * kGrid;
constexpr int kMargin = 1;
constexpr int kInk = kCell - 2 * kMargin;  // the inner square that may hold ink

// Pixels per em across and down, and the baseline's distance from the cell's
// top edge: capitals reach 9 pixels above it, descenders 3 below, and the
// diaeresis of Ё 11. (Й and Ў, whose breves reach higher, come out one pixel
// shorter; see DrawCell.)
constexpr int kPixelWidth = 18;
constexpr int kPixelHeight = 12;
constexpr int kBaseline = 12;

using Picture = std::vector<std::uint8_t>;  // kSize x kSize grey, top row first

struct Glyph {
  int width = 0, height = 0;
  int left = 0, top = 0;  // of the bitmap, from the pen position (top upwards)
  int advance = 0;
  std::vector<std::uint8_t> coverage;
};

bool Render(FT_Face face, char32_t code, int pixelWidth, int pixelHeight, Glyph &glyph) {
  if (FT_Set_Pixel_Sizes(face, pixelWidth, pixelHeight) != 0) return false;
  if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return false;
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap &bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows != 0) return false;
  glyph.width = int(bitmap.width);
  glyph.height = int(bitmap.rows);
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.advance = int((slot->advance.x + 32) >> 6);
  glyph.coverage.assign(std::size_t(glyph.width) * glyph.height, 0);
  for (int y = 0; y < glyph.height; ++y)
    for (int x = 0; x < glyph.width; ++x)
      glyph.coverage[std::size_t(y) * glyph.width + x] = bitmap.buffer[y * bitmap.pitch + x];
  return true;
}

// Draws one code's glyph into its cell; returns false when the cell stays empty.
bool DrawCell(FT_Face face, int code, Picture &picture) {
  if (code < 0x20 || code == 0x7F) return false;
  const char32_t unicode = cp1251::ToUnicode(static_cast<unsigned char>(code));
  if (unicode == 0 || FT_Get_Char_Index(face, unicode) == 0) return false;

  // A glyph too wide or too tall for the inner square (a few wide signs) is
  // drawn smaller rather than cut; one that only sticks out above or below
  // (the accented capitals) is drawn shorter so that it keeps the baseline.
  Glyph glyph;
  int width = kPixelWidth, height = kPixelHeight;
  for (;;) {
    if (width < 4 || height < 4 || !Render(face, unicode, width, height, glyph)) return false;
    const int top = kBaseline - glyph.top;
    const bool fitsAcross = glyph.width <= kInk;
    const bool fitsDown = glyph.height == 0 || (top >= kMargin && top + glyph.height <= kMargin + kInk);
    if (fitsAcross && fitsDown) break;
    if (!fitsAcross) --width;
    if (!fitsDown) --height;
  }
  if (width != kPixelWidth || height != kPixelHeight)
    std::fprintf(stderr, "0x%02X U+%04X drawn at %d x %d pixels per em\n", code, unsigned(unicode),
                 width, height);

  // Centre the advance in the cell and sit on the baseline.
  const int x = std::clamp((kCell - glyph.advance) / 2 + glyph.left, kMargin, kMargin + kInk - glyph.width);
  const int y = kBaseline - glyph.top;

  const int cellX = (code % kGrid) * kCell, cellY = (code / kGrid) * kCell;
  for (int row = 0; row < glyph.height; ++row)
    for (int col = 0; col < glyph.width; ++col)
      picture[std::size_t(cellY + y + row) * kSize + cellX + x + col] =
          glyph.coverage[std::size_t(row) * glyph.width + col];
  return true;
}

void Put16(std::vector<std::uint8_t> &out, unsigned value) {
  out.push_back(std::uint8_t(value));
  out.push_back(std::uint8_t(value >> 8));
}
void Put32(std::vector<std::uint8_t> &out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

bool WriteBmp(const char *path, const Picture &picture) {
  constexpr std::uint32_t rowBytes = kSize * 3;  // a multiple of 4: no filler
  constexpr std::uint32_t pixelBytes = rowBytes * kSize;
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + pixelBytes);  // file size
  Put32(out, 0);                // reserved
  Put32(out, 54);               // pixel array offset
  Put32(out, 40);               // info header size
  Put32(out, kSize);            // width
  Put32(out, kSize);            // height, positive: rows stored bottom-up
  Put16(out, 1);                // planes
  Put16(out, 24);               // bits per pixel
  Put32(out, 0);                // no compression
  Put32(out, pixelBytes);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int row = kSize - 1; row >= 0; --row)
    for (int col = 0; col < kSize; ++col)
      for (int channel = 0; channel < 3; ++channel)  // blue, green, red: all the same grey
        out.push_back(picture[std::size_t(row) * kSize + col]);

  std::FILE *file = std::fopen(path, "wb");
  if (!file) return false;
  const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FONT.ttf OUT.bmp\n", argv[0]);
    return 2;
  }
  FT_Library library;
  FT_Face face;
  if (FT_Init_FreeType(&library) != 0 || FT_New_Face(library, argv[1], 0, &face) != 0) {
    std::fprintf(stderr, "cannot load the font %s\n", argv[1]);
    return 1;
  }
  Picture picture(std::size_t(kSize) * kSize, 0);
  int drawn = 0;
  for (int code = 0; code < 256; ++code) drawn += DrawCell(face, code, picture) ? 1 : 0;
  FT_Done_Face(face);
  FT_Done_FreeType(library);

  if (!WriteBmp(argv[2], picture)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  std::fprintf(stderr, "%d cells drawn into %s\n", drawn, argv[2]);
  return 0;
}
