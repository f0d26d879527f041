// The committed font picture DATA/font.bmp, read through the program's own
// decoder: the grid the glyph lists cut it into, and the glyphs the overlay
// needs. Runs with the source root as working directory.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <algorithm>
#include <set>
#include <string_view>
#include <vector>

#include "imaging/SData.h"
#include "imaging/TBmpLoader.h"
#include "text/Cp1251.h"

namespace {

constexpr int kSize = 256, kCell = 16;

// The overlay's six texts and what its values are written with.
constexpr auto kLine1 = Cp1251(" Демонстрация рисования молнии");
constexpr auto kLine2 = Cp1251(" Пробел - остановка.");
constexpr auto kLine3 = Cp1251(" Стрелочки - вращение");
constexpr auto kLine4 = Cp1251(" Коэффициент разброса   [F1/F2]  : ");
constexpr auto kLine5 = Cp1251(" Коэффициент затухания  [F3/F4]  : ");
constexpr auto kLine6 = Cp1251(" Детализация            [+/-]    : ");
constexpr std::string_view kValueCharacters = "0123456789-";

// The byte of a one-letter text.
template <class Text>
constexpr unsigned Byte(const Text &text) {
  return static_cast<unsigned char>(text.bytes[0]);
}

class FontBitmap : public ::testing::Test {
 protected:
  void SetUp() override {
    TData data("DATA/font.bmp");
    ASSERT_FALSE(data.AtEnd()) << "DATA/font.bmp not found from " << "the working directory";
    ASSERT_GE(data.Size, 54u);
    header.assign(data.Buffer.get(), data.Buffer.get() + 54);
    image = LoadBmp(data);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->Width, kSize);
    ASSERT_EQ(image->Height, kSize);
    ASSERT_EQ(image->Components, 3);
  }

  // The brightest channel of any texel of the code's cell.
  int Ink(unsigned code) const { return Ink(code, 0, kCell); }
  // ... of the cell's texels whose x and y (within the cell) lie in [from, to).
  int Ink(unsigned code, int from, int to) const {
    int most = 0;
    for (int y = from; y < to; ++y)
      for (int x = from; x < to; ++x)
        for (int c = 0; c < 3; ++c) most = std::max(most, int(Texel(code, x, y, c)));
    return most;
  }
  std::uint8_t Texel(unsigned code, int x, int y, int channel) const {
    if (code > 255 || x < 0 || x >= kCell || y < 0 || y >= kCell) {
      ADD_FAILURE() << "no texel " << x << ", " << y << " in cell " << code;
      return 0;
    }
    const int column = int(code % 16) * kCell + x, row = int(code / 16) * kCell + y;
    return image->Pixels[(std::size_t(row) * kSize + column) * 3 + channel];
  }

  static std::uint32_t Field(const std::vector<std::uint8_t> &bytes, int at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[at + i];
    return value;
  }

  std::vector<std::uint8_t> header;
  std::unique_ptr<TTexture> image;
};

}  // namespace

TEST_F(FontBitmap, IsAnUncompressed24BitBottomUpBitmapWithThePixelsAtOffset54) {
  EXPECT_EQ(Field(header, 0, 2), 0x4D42u);
  EXPECT_EQ(Field(header, 10, 4), 54u);  // the decoder assumes it; other readers use the field
  EXPECT_EQ(Field(header, 14, 4), 40u);
  EXPECT_EQ(Field(header, 18, 4), 256u);
  EXPECT_EQ(Field(header, 22, 4), 256u);  // positive: bottom-up
  EXPECT_EQ(Field(header, 28, 2), 24u);
  EXPECT_EQ(Field(header, 30, 4), 0u);
}

TEST_F(FontBitmap, TheSpaceCellIsBlack) {
  EXPECT_EQ(Ink(0x20), 0);
}

TEST_F(FontBitmap, EveryCharacterOfTheOverlayHasAGlyph) {
  std::set<unsigned char> used(kValueCharacters.begin(), kValueCharacters.end());
  for (auto line : {kLine1.view(), kLine2.view(), kLine3.view(), kLine4.view(), kLine5.view(), kLine6.view()})
    used.insert(line.begin(), line.end());
  used.erase(' ');
  // The space, digits, F, the signs and 28 distinct Cyrillic letters.
  EXPECT_GT(used.size(), 40u);
  for (unsigned char code : used)
    // A full stroke, not just a faint edge.
    EXPECT_GE(Ink(code), 192) << "no glyph for byte 0x" << std::hex << int(code);
}

TEST_F(FontBitmap, EveryLetterAndSignOfTheCodePageBasicsHasAGlyph) {
  for (unsigned code = 0x21; code <= 0x7E; ++code)
    EXPECT_GE(Ink(code), 192) << "ASCII 0x" << std::hex << code;
  for (unsigned code = 0xC0; code <= 0xFF; ++code)
    EXPECT_GE(Ink(code), 192) << "Cyrillic 0x" << std::hex << code;
  EXPECT_GE(Ink(0xA8), 192) << "Ё";
  EXPECT_GE(Ink(0xB8), 192) << "ё";
  // Control codes have no glyph.
  for (unsigned code : {0x00u, 0x0Au, 0x0Du, 0x1Fu, 0x7Fu}) EXPECT_EQ(Ink(code), 0) << code;
}

TEST_F(FontBitmap, GlyphsAreGreyAndKeepAOneTexelBlackFrameInsideTheirCells) {
  // Filtering at a quad's edge then never picks up a neighbour's ink.
  for (unsigned code = 0; code < 256; ++code) {
    for (int i = 0; i < kCell; ++i) {
      for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(Texel(code, i, 0, c), 0) << code;
        EXPECT_EQ(Texel(code, i, kCell - 1, c), 0) << code;
        EXPECT_EQ(Texel(code, 0, i, c), 0) << code;
        EXPECT_EQ(Texel(code, kCell - 1, i, c), 0) << code;
      }
    }
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x)
        ASSERT_TRUE(Texel(code, x, y, 0) == Texel(code, x, y, 1) && Texel(code, x, y, 1) == Texel(code, x, y, 2))
            << "colour in cell " << code;
  }
}

TEST_F(FontBitmap, GlyphsStandUpright) {
  // Capitals have ink in their upper half; the descender of "р" reaches the
  // lower quarter while "о" does not, which a picture stored upside down
  // would turn round.
  const unsigned er = Byte(Cp1251("р")), o = Byte(Cp1251("о"));
  auto lowestInkRow = [&](unsigned code) {
    int lowest = -1;
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x)
        if (Texel(code, x, y, 0) >= 128) lowest = y;
    return lowest;
  };
  EXPECT_GT(lowestInkRow(er), lowestInkRow(o) + 1);
  auto highestInkRow = [&](unsigned code) {
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x)
        if (Texel(code, x, y, 0) >= 128) return y;
    return kCell;
  };
  EXPECT_LT(highestInkRow('T'), highestInkRow('o') - 1);
  EXPECT_LT(highestInkRow(Byte(Cp1251("Д"))), highestInkRow(Byte(Cp1251("д"))) - 1);
}
