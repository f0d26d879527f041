// TTexture: an uncompressed image in memory, ready to be handed to OpenGL.
//
// - Pixels holds Width x Height x Components bytes, row 0 first, rows packed
//   without filler, each pixel red, green, blue (, alpha). It is null when
//   that product is 0 or negative; a product beyond a signed 32-bit size is
//   never allocated (the constructor throws std::bad_array_new_length).
// - UploadTexture makes one GL or GLU upload call for the texture object
//   bound to the target and reads GL's errors around it to tell whether GL
//   took the image; it does not bind or set pixel-store state. The caller
//   binds and sets the unpack alignment to 1.
// - Not a container: no resizing, copying or conversion.
#pragma once

#include <cstdint>
#include <memory>

#include "glbinding/GLTypes.h"

class TTexture {
 public:
  // Components 1, 3 or 4 give GL_ALPHA, GL_RGB or GL_RGBA; anything else a
  // Format of -1, which GL refuses at upload.
  TTexture(std::int32_t width, std::int32_t height, std::int32_t components);
  TTexture(const TTexture &) = delete;
  TTexture &operator=(const TTexture &) = delete;
  ~TTexture();

  // GL_TEXTURE_1D uploads row 0 only; any other target the whole image.
  // With mipmaps the GLU builders make the whole chain. False when GL or
  // GLU refused the image (a negative size, Format -1, no memory); GL's
  // errors from before the call are read and dropped.
  bool UploadTexture(GLenum target, bool mipmaps) const;

  // Width x Height x Components in 64 bits, or 0 when that is not positive:
  // the number of bytes Pixels holds.
  std::int64_t PixelBytes() const;

  const std::int32_t Width;
  const std::int32_t Height;
  const std::int32_t Components;
  const GLenum Format;
  const std::unique_ptr<std::uint8_t[]> Pixels;
};
