#include "imaging/TBmpLoader.h"

#include <cstring>
#include <limits>

namespace {

constexpr std::uint32_t FileHeaderBytes = 14;
constexpr std::uint32_t InfoHeaderBytes = 40;  // BITMAPINFOHEADER; V4 (108) and V5 (124) are refused
constexpr std::uint16_t Signature = 0x4D42;    // "BM" read little-endian

// The program's images are small (the font is 256 x 256); a pixel buffer
// beyond 64 MiB is refused before it is allocated, whatever the file holds.
constexpr std::int64_t MaxPixelBytes = std::int64_t{64} << 20;

std::uint16_t U16(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t *p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}
std::int32_t S32(const std::uint8_t *p) { return static_cast<std::int32_t>(U32(p)); }

std::uint32_t Remaining(const TData &data) {
  return data.Position < data.Size ? data.Size - data.Position : 0;
}

// Copies one header out of the file buffer, or reports that the buffer
// ends before the header does. The copy keeps the fields' reads aligned.
template <std::size_t N>
bool CopyHeader(const TData &data, std::uint8_t (&header)[N]) {
  const std::uint8_t *where = data.CurrentPointer();
  if (where == nullptr || Remaining(data) < N) return false;
  std::memcpy(header, where, N);
  return true;
}

bool ValidBitCount(std::uint16_t bits) {
  return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

// A reader writes (y * W + x) * bytesPerPixel + k for every row y < H and
// column x < W; that stays inside Pixels exactly when W x H x bytesPerPixel
// fits in the buffer.
bool Holds(const TTexture &image, std::int64_t bytesPerPixel) {
  if (image.Width <= 0 || image.Height <= 0) return true;  // no pixel is written
  const std::int64_t area = std::int64_t{image.Width} * image.Height;
  return area <= image.PixelBytes() / bytesPerPixel;
}

// Whether the data from the cursor holds h rows of w pixels of the given
// size (w and h positive): every row but the last with its filler, then the
// last row's pixels. A file cut short in its rows is corrupt, not black;
// a missing filler after the last row loses no pixel.
bool HoldsRows(const TData &data, std::int32_t w, std::int32_t h, std::int64_t bytesPerPixel, bool padded) {
  const std::int64_t row = w * bytesPerPixel;
  const std::int64_t stride = padded ? (row + 3) / 4 * 4 : row;
  return (h - 1) * stride + row <= std::int64_t{Remaining(data)};
}

}  // namespace

std::unique_ptr<TTexture> LoadBmp(TData &data) {
  // Both headers must lie inside the file before any field is read: a
  // short file is refused, never read past its end.
  if (Remaining(data) < FileHeaderBytes + InfoHeaderBytes) return nullptr;
  std::uint8_t fileHeader[FileHeaderBytes];
  std::uint8_t infoHeader[InfoHeaderBytes];
  if (!CopyHeader(data, fileHeader)) return nullptr;
  data.Skip(FileHeaderBytes);
  if (!CopyHeader(data, infoHeader)) return nullptr;

  const std::uint16_t signature = U16(fileHeader + 0);
  const std::uint32_t headerSize = U32(infoHeader + 0);
  const std::int32_t width = S32(infoHeader + 4);
  const std::int32_t height = S32(infoHeader + 8);
  const std::uint16_t planes = U16(infoHeader + 12);
  const std::uint16_t bits = U16(infoHeader + 14);
  const std::uint32_t compression = U32(infoHeader + 16);

  if (signature != Signature || headerSize != InfoHeaderBytes || planes != 1) return nullptr;
  if (!ValidBitCount(bits)) return nullptr;
  if (compression > 2) return nullptr;  // 0 none, 1 RLE8, 2 RLE4; BI_BITFIELDS (3) and up refused

  data.Skip(InfoHeaderBytes);
  // The file header's pixel-offset field (offset 10) says where the rows
  // begin, after a colour table or a gap that some writers leave. An offset
  // inside the headers or beyond the file cannot be where they are: the
  // rows are then taken to follow the headers.
  const std::uint32_t pixelOffset = U32(fileHeader + 10);
  if (pixelOffset > data.Position && pixelOffset < data.Size) data.Skip(pixelOffset - data.Position);
  const std::int32_t components = bits == 32 ? 4 : 3;

  // A negative height marks top-down storage, the first row in the file
  // being the top of the picture; the image gets the row count. The most
  // negative height has no positive count.
  if (height == std::numeric_limits<std::int32_t>::min()) return nullptr;
  const bool topDown = height < 0;
  const std::int32_t rows = topDown ? -height : height;

  // GL describes an image's size in signed 32 bits; a header asking for
  // more is refused instead of letting the product wrap.
  const std::int64_t area = std::int64_t{width} * rows;
  if (area > std::numeric_limits<std::int32_t>::max() / components ||
      area < std::numeric_limits<std::int32_t>::min() / components)
    return nullptr;
  if (area > 0 && area * components > MaxPixelBytes) return nullptr;

  // Rows the file cannot hold are refused before a buffer is made for them
  // (the readers check again for their other callers).
  const bool readable = compression == 0 && (bits == 24 || bits == 32) && width > 0 && rows > 0;
  if (readable && !HoldsRows(data, width, rows, components, bits == 24)) return nullptr;

  auto image = std::make_unique<TTexture>(width, rows, components);
  bool decoded = false;
  if (compression == 0 && bits == 24)
    decoded = ReadRows24(data, *image, topDown);
  else if (compression == 0 && bits == 32)
    decoded = ReadRows32(data, *image, topDown);
  // Colour tables and run-length coding are not supported.
  if (!decoded) return nullptr;
  return image;
}

bool ReadRows24(TData &data, TTexture &image, bool topDown) {
  if (!Holds(image, 3)) return false;
  const std::int32_t w = image.Width;
  const std::int32_t h = image.Height;
  // No row of a non-positive height and no byte of a non-positive width is
  // read (not even filler).
  if (w <= 0 || h <= 0) return true;
  if (!HoldsRows(data, w, h, 3, true)) return false;
  std::uint8_t *pixels = image.Pixels.get();
  for (std::int32_t r = 0; r < h; ++r) {
    const std::int64_t y = topDown ? r : h - 1 - r;
    std::uint32_t rowBytes = 0;
    for (std::int32_t x = 0; x < w; ++x) {
      const std::int64_t at = (y * w + x) * 3;
      pixels[at + 2] = data.ReadByte();  // blue
      pixels[at + 1] = data.ReadByte();  // green
      pixels[at + 0] = data.ReadByte();  // red
      rowBytes += 3;
    }
    // Each stored row is padded to a multiple of 4 bytes.
    while (rowBytes % 4 != 0) {
      data.ReadByte();
      ++rowBytes;
    }
  }
  return true;
}

bool ReadRows32(TData &data, TTexture &image, bool topDown) {
  if (!Holds(image, 4)) return false;
  const std::int32_t w = image.Width;
  const std::int32_t h = image.Height;
  // No row of a non-positive height and no byte of a non-positive width is
  // read (not even filler).
  if (w <= 0 || h <= 0) return true;
  if (!HoldsRows(data, w, h, 4, false)) return false;
  std::uint8_t *pixels = image.Pixels.get();
  for (std::int32_t r = 0; r < h; ++r) {
    const std::int64_t y = topDown ? r : h - 1 - r;
    for (std::int32_t x = 0; x < w; ++x) {
      const std::int64_t at = (y * w + x) * 4;
      pixels[at + 2] = data.ReadByte();  // blue
      pixels[at + 1] = data.ReadByte();  // green
      pixels[at + 0] = data.ReadByte();  // red
      pixels[at + 3] = data.ReadByte();  // alpha, unchanged
    }
  }
  return true;
}
