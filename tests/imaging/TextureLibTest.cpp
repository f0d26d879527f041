#include <climits>
#include <new>

#include <gtest/gtest.h>

#include "imaging/TTextureLib.h"
#include "tests/support/GLRecorder.h"

namespace {

constexpr GLenum NoFormat = static_cast<GLenum>(-1);

TEST(Texture, FormatFollowsTheComponentCount) {
  const std::pair<std::int32_t, GLenum> cases[] = {{1, GL_ALPHA}, {3, GL_RGB},    {4, GL_RGBA},
                                                   {2, NoFormat}, {0, NoFormat},  {5, NoFormat},
                                                   {-3, NoFormat}};
  for (const auto &[components, format] : cases) {
    TTexture image(1, 1, components);
    EXPECT_EQ(image.Format, format) << components;
  }
}

TEST(Texture, StorageExistsOnlyForAPositiveByteCount) {
  struct Case {
    std::int32_t w, h, c;
    std::int64_t bytes;
  };
  const Case cases[] = {{0, 0, 3, 0},   {3, 0, 3, 0},   {-2, 3, 3, 0},
                        {2, -3, 4, 0},  {-2, -3, 3, 18}, {5, 7, 4, 140},
                        {4, 4, 1, 16},  {3, 3, -1, 0}};
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << " x " << c.c);
    TTexture image(c.w, c.h, c.c);
    EXPECT_EQ(image.Width, c.w);
    EXPECT_EQ(image.Height, c.h);
    EXPECT_EQ(image.Components, c.c);
    EXPECT_EQ(image.Pixels != nullptr, c.bytes > 0);
    EXPECT_EQ(image.PixelBytes(), c.bytes);
    // The whole claimed extent is writable (a sanitized build checks it).
    if (image.Pixels) image.Pixels[c.bytes - 1] = 1;
  }
}

TEST(Texture, AByteCountBeyondSigned32BitsThrowsInsteadOfWrapping) {
  // Each of these wraps to 0 or a small value in 32-bit arithmetic.
  EXPECT_THROW(TTexture(65536, 65536, 3), std::bad_array_new_length);
  EXPECT_THROW(TTexture(32768, 32768, 4), std::bad_array_new_length);
  EXPECT_THROW(TTexture(715827883, 1, 3), std::bad_array_new_length);
  EXPECT_THROW(TTexture(INT_MAX, INT_MAX, INT_MAX), std::bad_array_new_length);
  EXPECT_THROW(TTexture(INT_MIN, INT_MIN, INT_MAX), std::bad_array_new_length);
  // Hugely negative is simply no storage, as any negative count is.
  TTexture negative(INT_MIN, INT_MAX, INT_MAX);
  EXPECT_EQ(negative.Pixels, nullptr);
}

TEST(Texture, UploadMakesOneCallChosenByTargetAndMipmaps) {
  TTexture image(5, 7, 3);
  const void *pixels = image.Pixels.get();
  struct Case {
    GLenum target;
    bool mipmaps;
    const char *call;
    std::vector<double> args;
  };
  const double rgb = GL_RGB, ubyte = GL_UNSIGNED_BYTE;
  const Case cases[] = {
      {GL_TEXTURE_1D, true, "gluBuild1DMipmaps", {GL_TEXTURE_1D, 3, 5, rgb, ubyte}},
      {GL_TEXTURE_1D, false, "glTexImage1D", {GL_TEXTURE_1D, 0, 3, 5, 0, rgb, ubyte}},
      {GL_TEXTURE_2D, true, "gluBuild2DMipmaps", {GL_TEXTURE_2D, 3, 5, 7, rgb, ubyte}},
      {GL_TEXTURE_2D, false, "glTexImage2D", {GL_TEXTURE_2D, 0, 3, 5, 7, 0, rgb, ubyte}},
      // Any target but 1-D takes the 2-D path.
      {0x8513, false, "glTexImage2D", {0x8513, 0, 3, 5, 7, 0, rgb, ubyte}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.call);
    GLRecorder rec;
    EXPECT_TRUE(image.UploadTexture(c.target, c.mipmaps));
    // GL's error state is read before (the earlier calls') and after.
    EXPECT_EQ(rec.Names(), (std::vector<std::string>{"glGetError", c.call, "glGetError"}));
    ASSERT_EQ(rec.calls.size(), 3u);
    EXPECT_EQ(rec.calls[1].args, c.args);
    EXPECT_EQ(rec.calls[1].pointers, std::vector<const void *>{pixels});
  }
}

TEST(Texture, UploadPassesWhatGLWillRefuseUnchanged) {
  // Internal format is the component count itself; a count without a GL
  // format goes out as -1, a negative size as it is: GL judges them.
  GLRecorder rec;
  TTexture twoComponents(2, 2, 2);
  twoComponents.UploadTexture(GL_TEXTURE_2D, true);
  TTexture rgba(2, -2, 4);
  rgba.UploadTexture(GL_TEXTURE_2D, false);
  const auto mipmapped = rec.Named("gluBuild2DMipmaps"), plain = rec.Named("glTexImage2D");
  ASSERT_EQ(mipmapped.size(), 1u);
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(mipmapped[0].args,
            (std::vector<double>{GL_TEXTURE_2D, 2, 2, 2, double(NoFormat), GL_UNSIGNED_BYTE}));
  EXPECT_EQ(plain[0].args, (std::vector<double>{GL_TEXTURE_2D, 0, 4, 2, -2, 0, GL_RGBA, GL_UNSIGNED_BYTE}));
  EXPECT_EQ(plain[0].pointers[0], nullptr);
}

}  // namespace
