#include <climits>
#include <cstring>

#include <gtest/gtest.h>

#include "imaging/TBmpLoader.h"
#include "tests/imaging/ImagingTestFiles.h"

namespace {

struct Decoded {
  std::unique_ptr<TTexture> image;
  std::uint32_t position = 0;  // where the decoder left the cursor
  std::uint32_t size = 0;
};

Decoded Decode(const Bytes &file) {
  static ScratchDir dir;
  // The buffer holds exactly the file's bytes, so a sanitized build sees
  // any read past them.
  TData data(dir.Write("image", file));
  Decoded out;
  out.image = LoadBmp(data);
  out.position = data.Position;
  out.size = data.Size;
  return out;
}

Bytes PixelsOf(const TTexture &image) {
  return Bytes(image.Pixels.get(), image.Pixels.get() + image.PixelBytes());
}

TEST(BmpDecoder, TwoByTwo24BitFileTurnsRowsOverAndStoresRedGreenBlue) {
  const Bytes rows = {1, 2, 3, 4, 5, 6, 0xEE, 0xEE,       // first stored row: B G R, B G R, filler
                      7, 8, 9, 10, 11, 12, 0xEE, 0xEE};  // second stored row
  const Bytes file = BmpFile({.width = 2, .height = 2}, rows);
  ASSERT_EQ(file.size(), 70u);

  const Decoded d = Decode(file);
  ASSERT_NE(d.image, nullptr);
  EXPECT_EQ(d.image->Width, 2);
  EXPECT_EQ(d.image->Height, 2);
  EXPECT_EQ(d.image->Components, 3);
  EXPECT_EQ(d.image->Format, GL_RGB);
  EXPECT_EQ(PixelsOf(*d.image), (Bytes{9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4}));
  EXPECT_EQ(d.position, 70u);
}

TEST(BmpDecoder, Reads24BitFillerUpToAMultipleOfFourForEveryWidth) {
  // Widths 1 (one filler byte) to 5, four (none) among them. Filler is 0xEE
  // and never a pixel value, so a miscounted filler shifts 0xEE into the
  // picture of a later row.
  for (std::int32_t width = 1; width <= 5; ++width) {
    SCOPED_TRACE(width);
    const std::int32_t height = 3;
    const std::size_t stride = (3 * width + 3) / 4 * 4;
    Bytes rows;
    Bytes expected(std::size_t(3 * width * height));
    std::uint8_t next = 1;
    for (std::int32_t r = 0; r < height; ++r) {
      const std::int32_t y = height - 1 - r;
      for (std::int32_t x = 0; x < width; ++x) {
        const std::uint8_t b = next++, g = next++, red = next++;
        rows.insert(rows.end(), {b, g, red});
        const std::size_t at = std::size_t((y * width + x) * 3);
        expected[at] = red;
        expected[at + 1] = g;
        expected[at + 2] = b;
      }
      rows.resize(rows.size() + (stride - 3 * std::size_t(width)), 0xEE);
    }
    ASSERT_EQ(rows.size(), stride * height);

    const Decoded d = Decode(BmpFile({.width = width, .height = height}, rows));
    ASSERT_NE(d.image, nullptr);
    EXPECT_EQ(PixelsOf(*d.image), expected);
    EXPECT_EQ(d.position, 54 + stride * height);
  }
}

TEST(BmpDecoder, ThirtyTwoBitKeepsTheFourthByteAsAlphaAndReadsNoFiller) {
  // One pixel wide: a 24-bit reader would skip nothing here either, but a
  // reader that padded 4-byte rows would still drift; three rows show it.
  const Bytes rows = {1, 2, 3, 0, 10, 20, 30, 255, 40, 50, 60, 128};
  const Decoded d = Decode(BmpFile({.width = 1, .height = 3, .bits = 32}, rows));
  ASSERT_NE(d.image, nullptr);
  EXPECT_EQ(d.image->Components, 4);
  EXPECT_EQ(d.image->Format, GL_RGBA);
  EXPECT_EQ(PixelsOf(*d.image), (Bytes{60, 50, 40, 128, 30, 20, 10, 255, 3, 2, 1, 0}));
  EXPECT_EQ(d.position, d.size);

  const Decoded wide = Decode(BmpFile({.width = 3, .height = 1, .bits = 32},
                                      {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  ASSERT_NE(wide.image, nullptr);
  EXPECT_EQ(PixelsOf(*wide.image), (Bytes{3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12}));
}

TEST(BmpDecoder, PixelRowsStartAtThePixelOffsetWhenItLiesPastTheHeadersInTheFile) {
  // Four filler bytes, then one pixel: a gap such as a colour table leaves.
  const Bytes rows = {0xEE, 0xEE, 0xEE, 0xEE, 1, 2, 3, 0};
  const std::pair<std::uint32_t, Bytes> cases[] = {
      {58, {3, 2, 1}},  {54, {0xEE, 0xEE, 0xEE}},
      // Inside the headers or beyond the file: the rows follow the headers.
      {0, {0xEE, 0xEE, 0xEE}}, {14, {0xEE, 0xEE, 0xEE}}, {62, {0xEE, 0xEE, 0xEE}},
      {0xFFFFFFFFu, {0xEE, 0xEE, 0xEE}}};
  for (const auto &[offset, pixels] : cases) {
    SCOPED_TRACE(offset);
    const Decoded d = Decode(BmpFile({.pixelOffset = offset}, rows));
    ASSERT_NE(d.image, nullptr);
    EXPECT_EQ(PixelsOf(*d.image), pixels);
  }
}

TEST(BmpDecoder, TopDownRowsComeOutInFileOrder) {
  const Decoded rgb = Decode(BmpFile({.width = 2, .height = -2},
                                     {1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE, 0xEE}));
  ASSERT_NE(rgb.image, nullptr);
  EXPECT_EQ(rgb.image->Height, 2);
  EXPECT_EQ(PixelsOf(*rgb.image), (Bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}));
  const Decoded rgba = Decode(BmpFile({.width = 1, .height = -2, .bits = 32}, {1, 2, 3, 4, 5, 6, 7, 8}));
  ASSERT_NE(rgba.image, nullptr);
  EXPECT_EQ(PixelsOf(*rgba.image), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(BmpDecoder, RefusesEveryHeaderItCannotDecode) {
  const Bytes pixels(64, 7);
  struct Case {
    const char *why;
    BmpHeader header;
  };
  const Case cases[] = {
      {"signature MB", {.signature = 0x424D}},
      {"signature BN", {.signature = 0x4E42}},
      {"core header", {.headerSize = 12}},
      {"V4 header", {.headerSize = 108}},
      {"V5 header", {.headerSize = 124}},
      {"header size 41", {.headerSize = 41}},
      {"no planes", {.planes = 0}},
      {"two planes", {.planes = 2}},
      {"0 bits", {.bits = 0}},
      {"3 bits", {.bits = 3}},
      {"16 bits", {.bits = 16}},
      {"48 bits", {.bits = 48}},
      {"bit fields", {.compression = 3}},
      {"compression 4", {.compression = 4}},
      {"compression ~0", {.compression = 0xFFFFFFFF}},
      // Pass the header test, then refused for want of a reader.
      {"1 bit", {.bits = 1}},
      {"2 bits", {.bits = 2}},
      {"4 bits", {.bits = 4}},
      {"8 bits", {.bits = 8}},
      {"RLE8", {.bits = 8, .compression = 1}},
      {"RLE4", {.bits = 4, .compression = 2}},
      {"RLE on 24 bits", {.bits = 24, .compression = 1}},
      {"RLE on 32 bits", {.bits = 32, .compression = 2}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(Decode(BmpFile(c.header, pixels)).image, nullptr);
  }
}

TEST(BmpDecoder, RefusesAFileThatEndsBeforeItsLastRowsPixels) {
  const Bytes file = BmpFile({.width = 2, .height = 2},
                             {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0});
  for (std::size_t length = 0; length < 68; ++length) {
    SCOPED_TRACE(length);
    EXPECT_EQ(Decode(Bytes(file.begin(), file.begin() + length)).image, nullptr);
  }
  // Without the last row's filler no pixel is missing.
  const Decoded unpadded = Decode(Bytes(file.begin(), file.begin() + 68));
  ASSERT_NE(unpadded.image, nullptr);
  EXPECT_EQ(PixelsOf(*unpadded.image), (Bytes{9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4}));
  EXPECT_EQ(Decode(BmpFile({.width = 2, .height = 2, .bits = 32}, Bytes(15, 1))).image, nullptr);
}

TEST(BmpDecoder, NonPositiveDimensionsReadNoRowAndWriteNothing) {
  const Bytes pixels(48, 0xAB);
  const std::pair<std::int32_t, std::int32_t> cases[] = {{-2, 2}, {0, 5}, {5, 0}, {0, 0}};
  for (const auto &[width, height] : cases) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    const Decoded d = Decode(BmpFile({.width = width, .height = height}, pixels));
    ASSERT_NE(d.image, nullptr);
    EXPECT_EQ(d.image->Width, width);
    EXPECT_EQ(d.image->Height, height);
    EXPECT_EQ(d.image->Pixels, nullptr);
    EXPECT_EQ(d.position, 54u) << "rows or filler were read";
  }
}

TEST(BmpDecoder, RefusesDimensionsWhoseByteCountExceedsASigned32BitSize) {
  struct Case {
    std::int32_t width, height;
    std::uint16_t bits;
  };
  const Case cases[] = {
      {INT_MAX, 1, 24},         {65536, 65536, 24},  // wraps to 0 in 32 bits
      {32768, 32768, 32},                            // 2^32: wraps to 0
      {-65536, -65536, 24},     {715827883, 1, 24},  // 2^31 + 1 bytes
      {1, 536870912, 32},       {INT_MIN, 1, 24},   {INT_MIN, INT_MIN, 32},
      {-715827883, 1, 24},      {1, INT_MIN, 24},   // no positive row count
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " x " << c.bits);
    EXPECT_EQ(Decode(BmpFile({.width = c.width, .height = c.height, .bits = c.bits}, {1, 2, 3, 4}))
                  .image,
              nullptr);
  }
}

TEST(BmpDecoder, RefusesHeadersClaimingMoreThan64MiBOfPixels) {
  // A few bytes must not make the loader fill gigabytes of black rows.
  EXPECT_EQ(Decode(BmpFile({.width = 16384, .height = 16384, .bits = 24}, {1, 2, 3})).image, nullptr);
  EXPECT_EQ(Decode(BmpFile({.width = 4097, .height = 4096, .bits = 32}, {1, 2, 3})).image, nullptr);
}

TEST(BmpDecoder, ReadersWriteNothingIntoAnImageTooSmallForTheirPixels) {
  static ScratchDir dir;
  TData data(dir.Write("rows", Bytes(64, 9)));

  TTexture rgb(2, 2, 3);
  EXPECT_FALSE(ReadRows32(data, rgb));
  TTexture twoBytes(2, 2, 2);
  EXPECT_FALSE(ReadRows24(data, twoBytes));
  EXPECT_EQ(data.Position, 0u);

  // Data ending before the last row's pixels (14 bytes for 24 bits, 16 for 32).
  TData cut(dir.Write("cut", Bytes(13, 9)));
  TTexture rgbCut(2, 2, 3), rgbaCut(2, 2, 4);
  EXPECT_FALSE(ReadRows24(cut, rgbCut));
  EXPECT_FALSE(ReadRows32(cut, rgbaCut));
  EXPECT_EQ(cut.Position, 0u);

  TTexture rgba(2, 2, 4);  // room to spare: the 24-bit reader fills the first 12 bytes
  EXPECT_TRUE(ReadRows24(data, rgba));
  EXPECT_EQ(data.Position, 16u);
  EXPECT_EQ(rgba.Pixels[0], 9);
}

}  // namespace
