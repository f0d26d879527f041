// LoadBmp: decodes the Windows bitmap held in a TData into a new TTexture.
//
// - Decodes uncompressed 24-bit (BGR, rows padded to 4 bytes) and 32-bit
//   (BGRA, no padding) bitmaps with a 40-byte info header. Paletted (1, 2,
//   4, 8 bits) and run-length-encoded bitmaps pass the header test but are
//   refused; anything else fails the header test.
// - Rows come out in reverse file order (row 0 = the top of an ordinary
//   bottom-up bitmap), pixels as red, green, blue (, alpha). Pixel rows are
//   always taken from offset 54; the pixel-offset field is not read. A
//   negative height is not top-down storage: no row is read.
// - Refused (none, nothing left allocated): a buffer shorter than the 54
//   header bytes, and dimensions whose byte count exceeds a signed 32-bit
//   size.
// - Pixel rows that end early are completed with zero bytes.
#pragma once

#include <memory>

#include "imaging/SData.h"
#include "imaging/TTextureLib.h"

// The cursor must stand at the first byte of the file. Only the cursor of
// the data changes.
std::unique_ptr<TTexture> LoadBmp(TData &data);

// The pixel readers: Height rows of Width pixels from the cursor, stored in
// reverse row order. They return false, writing nothing, only when the
// image cannot hold Width x Height pixels of their size (3 or 4 bytes).
bool ReadRows24(TData &data, TTexture &image);
bool ReadRows32(TData &data, TTexture &image);
