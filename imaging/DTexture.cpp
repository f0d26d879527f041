#include "imaging/DTexture.h"

#include "glbinding/GLLoader.h"
#include "imaging/SData.h"
#include "imaging/TBmpLoader.h"
#include "platform/FileRead.h"

namespace {

// Everything after the first "." of the file's own name, the part after the
// last folder separator: a dot in a folder ("../DATA/font.bmp",
// "my.dir/font.bmp", "..\\DATA\\font.bmp" on Windows) is no extension.
// "font.bak.bmp" gives "bak.bmp"; a name without a dot is its own extension.
std::string ExtensionOf(const std::string &fileName) {
  const std::string name = fileName.substr(FileNameStart(fileName));
  const auto dot = name.find('.');
  return dot == std::string::npos ? name : name.substr(dot + 1);
}

// Only ASCII letters change: no other byte of a single-byte code page
// lower-cases to a Latin letter, so the comparison with "bmp" is the same
// in every locale.
std::string LowerCased(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

std::unique_ptr<TTexture> LoadImageFile(const std::string &fileName) {
  const std::string extension = ExtensionOf(fileName);
  // The file is read before its extension is judged, as a file of any
  // other type would be.
  TData data(fileName);
  if (data.AtEnd()) return nullptr;
  if (LowerCased(extension) == "bmp") return LoadBmp(data);
  return nullptr;
}

bool UploadImageFile(GLenum target, bool mipmaps, const std::string &fileName) {
  const std::unique_ptr<TTexture> image = LoadImageFile(fileName);
  return image && image->UploadTexture(target, mipmaps);
}

GLuint LoadTexture(bool mipmaps, const std::string &fileName, bool *loaded) {
  GLuint name = 0;
  GenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  // Decoded rows are packed without filler.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  const bool uploaded = UploadImageFile(GL_TEXTURE_2D, mipmaps, fileName);
  if (uploaded) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
  }
  if (loaded) *loaded = uploaded;
  return name;
}
