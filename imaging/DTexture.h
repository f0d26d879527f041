// Texture file loading: an image file named by the caller becomes a GL
// texture object in one call.
//
// - Only bitmaps are understood. The extension is everything after the
//   first "." of the file's name (after the last "/"), lower-cased; it must
//   be "bmp". A name without a dot is its own extension.
// - Failures to get an image are not reported: LoadTexture still returns
//   its new texture name, bound, without an image, and tells the caller
//   through its flag. An I/O error after a file was opened, or exhausted
//   memory, passes out as an exception.
// - Needs a current GL context. Does not delete textures or restore the
//   GL state it sets (unpack alignment, binding).
#pragma once

#include <memory>
#include <string>

#include "glbinding/GLTypes.h"
#include "imaging/TTextureLib.h"

// New texture name bound to GL_TEXTURE_2D, unpack alignment 1, both wraps
// GL_REPEAT; filters linear (minifying with mipmaps when asked) only when
// the file gave an image that GL took, which *loaded (when given) tells.
GLuint LoadTexture(bool mipmaps, const std::string &fileName, bool *loaded = nullptr);

// Uploads the file's image to the texture bound to target; true when the
// file gave an image and GL took it.
bool UploadImageFile(GLenum target, bool mipmaps, const std::string &fileName);

// The file's image, or none (missing, empty, not "bmp", refused bitmap).
std::unique_ptr<TTexture> LoadImageFile(const std::string &fileName);
