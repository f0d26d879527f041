// LoadBmp: decodes the Windows bitmap held in a TData into a new TTexture.
//
// - Decodes uncompressed 24-bit (BGR, rows padded to 4 bytes) and 32-bit
//   (BGRA, no padding) bitmaps with a 40-byte info header. Paletted (1, 2,
//   4, 8 bits) and run-length-encoded bitmaps pass the header test but are
//   refused; anything else fails the header test.
// - Rows come out top of the picture first: in reverse file order for an
//   ordinary bottom-up bitmap, in file order for a top-down one (negative
//   height), whose image gets the positive row count. Pixels come out as
//   red, green, blue (, alpha). Rows are read from the pixel-offset field's
//   offset when it lies past the headers and inside the file, from offset
//   54 otherwise.
// - Refused (none, nothing left allocated): a buffer shorter than the 54
//   header bytes, dimensions whose byte count exceeds a signed 32-bit size
//   or 64 MiB, and pixel rows that end before the last row's pixels.
#pragma once

#include <memory>

#include "imaging/SData.h"
#include "imaging/TTextureLib.h"

// The cursor must stand at the first byte of the file. Only the cursor of
// the data changes.
std::unique_ptr<TTexture> LoadBmp(TData &data);

// The pixel readers: Height rows of Width pixels from the cursor, stored in
// reverse row order, or in file order when topDown. They return false,
// writing nothing, when the image cannot hold Width x Height pixels of
// their size (3 or 4 bytes) or the data ends before the last row's pixels.
bool ReadRows24(TData &data, TTexture &image, bool topDown = false);
bool ReadRows32(TData &data, TTexture &image, bool topDown = false);
