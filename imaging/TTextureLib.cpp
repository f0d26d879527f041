#include "imaging/TTextureLib.h"

#include <limits>
#include <new>

#include "glbinding/GLLoader.h"

namespace {

GLenum FormatFor(std::int32_t components) {
  switch (components) {
    case 1: return GL_ALPHA;
    case 3: return GL_RGB;
    case 4: return GL_RGBA;
    default: return static_cast<GLenum>(-1);
  }
}

// The product with its true sign: exact when it fits in 64 bits, else the
// largest or smallest 64-bit value. The signed 32-bit product could wrap to a
// small or zero size that the pixel readers would then write past.
std::int64_t ProductOf(std::int32_t width, std::int32_t height, std::int32_t components) {
  const std::int64_t area = std::int64_t{width} * height;  // |area| <= 2^62
  std::int64_t bytes;
  if (!__builtin_mul_overflow(area, std::int64_t{components}, &bytes)) return bytes;
  return (area < 0) != (components < 0) ? std::numeric_limits<std::int64_t>::min()
                                        : std::numeric_limits<std::int64_t>::max();
}

std::unique_ptr<std::uint8_t[]> AllocatePixels(std::int32_t width, std::int32_t height,
                                               std::int32_t components) {
  const std::int64_t bytes = ProductOf(width, height, components);
  if (bytes <= 0) return nullptr;
  // GL takes sizes as signed 32-bit values; an image beyond that cannot be
  // described to it, so it is not allocated either.
  if (bytes > std::numeric_limits<std::int32_t>::max()) throw std::bad_array_new_length();
  return std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(bytes));
}

}  // namespace

TTexture::TTexture(std::int32_t width, std::int32_t height, std::int32_t components)
    : Width(width),
      Height(height),
      Components(components),
      Format(FormatFor(components)),
      Pixels(AllocatePixels(width, height, components)) {}

TTexture::~TTexture() = default;

std::int64_t TTexture::PixelBytes() const { return Pixels ? ProductOf(Width, Height, Components) : 0; }

bool TTexture::UploadTexture(GLenum target, bool mipmaps) const {
  // GL keeps an error until it is read, and keeps one flag per kind of
  // error: those left by earlier calls are read first, so that what is
  // read after the upload is the upload's own.
  for (int kinds = 0; kinds < 8 && glGetError() != GL_NO_ERROR; ++kinds) {
  }
  // The GLU builders check their arguments themselves and answer with a
  // GLU error code, 0 when they built the chain.
  GLint built = 0;
  // The internal format is the component count itself, as GL 1.0 allowed.
  if (target == GL_TEXTURE_1D) {
    if (mipmaps)
      built = gluBuild1DMipmaps(target, Components, Width, Format, GL_UNSIGNED_BYTE, Pixels.get());
    else
      glTexImage1D(target, 0, Components, Width, 0, Format, GL_UNSIGNED_BYTE, Pixels.get());
  } else {
    if (mipmaps)
      built = gluBuild2DMipmaps(target, Components, Width, Height, Format, GL_UNSIGNED_BYTE, Pixels.get());
    else
      TexImage2D(target, 0, Components, Width, Height, 0, Format, GL_UNSIGNED_BYTE, Pixels.get());
  }
  return built == 0 && glGetError() == GL_NO_ERROR;
}
