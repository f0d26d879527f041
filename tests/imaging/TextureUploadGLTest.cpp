// Texture loading against a real GL: what the texture object holds after
// LoadTexture, read back from GL. The context comes from SDL's offscreen
// driver, so no display is needed; where none can be made the tests skip.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "glbinding/GLLoader.h"
#include "imaging/DTexture.h"
#include "tests/imaging/ImagingTestFiles.h"

namespace {

// Only the readback needs these; the program never reads textures back.
constexpr GLenum PackAlignment = 0x0D05;  // GL_PACK_ALIGNMENT
constexpr GLenum TextureWidth = 0x1000;   // GL_TEXTURE_WIDTH
constexpr GLenum NoError = 0;
using GetTexImageFn = void (*)(GLenum, GLint, GLenum, GLenum, void *);
using GetTexParameterivFn = void (*)(GLenum, GLenum, GLint *);
using GetTexLevelParameterivFn = void (*)(GLenum, GLint, GLenum, GLint *);

class TextureUploadGL : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!InitOpenGL("libGL.so.1", "libGLU.so.1")) return Skip(std::string("no GL: ") + GLLibraryError());
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return Skip(std::string("SDL_Init: ") + SDL_GetError());
    window = SDL_CreateWindow("imaging", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return Skip(std::string("SDL_CreateWindow: ") + SDL_GetError());
    context = SDL_GL_CreateContext(window);
    if (!context) return Skip(std::string("SDL_GL_CreateContext: ") + SDL_GetError());
    getTexImage = reinterpret_cast<GetTexImageFn>(ResolveEntryPoint("glGetTexImage"));
    getTexParameteriv = reinterpret_cast<GetTexParameterivFn>(ResolveEntryPoint("glGetTexParameteriv"));
    getTexLevelParameteriv =
        reinterpret_cast<GetTexLevelParameterivFn>(ResolveEntryPoint("glGetTexLevelParameteriv"));
    if (!getTexImage || !getTexParameteriv || !getTexLevelParameteriv || !glGetString(GL_VERSION))
      return Skip("no usable GL context");
    ready = true;
  }
  static void TearDownTestSuite() {
    if (context) SDL_GL_DeleteContext(context);
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
  }
  void SetUp() override {
    if (!ready) GTEST_SKIP() << skipReason;
    while (glGetError() != NoError) {
    }
  }
  static void Skip(const std::string &why) { skipReason = why; }

  static Bytes Level(GLint level, GLenum format, std::size_t bytes) {
    Bytes out(bytes, 0xCD);
    glPixelStorei(PackAlignment, 1);
    getTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
    return out;
  }
  static GLint Parameter(GLenum name) {
    GLint value = -1;
    getTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
  }
  static GLint LevelWidth(GLint level) {
    GLint value = -1;
    getTexLevelParameteriv(GL_TEXTURE_2D, level, TextureWidth, &value);
    return value;
  }

  ScratchDir dir;
  static inline SDL_Window *window = nullptr;
  static inline SDL_GLContext context = nullptr;
  static inline GetTexImageFn getTexImage = nullptr;
  static inline GetTexParameterivFn getTexParameteriv = nullptr;
  static inline GetTexLevelParameterivFn getTexLevelParameteriv = nullptr;
  static inline bool ready = false;
  static inline std::string skipReason;
};

TEST_F(TextureUploadGL, OddWidthRowsArriveWholeWithoutMipmaps) {
  // 3 pixels of 3 bytes: 9-byte rows, which need the unpack alignment of 1.
  const Bytes rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0};
  const std::string name = dir.Write("odd.bmp", BmpFile({.width = 3, .height = 2}, rows));
  const GLuint texture = LoadTexture(false, name);
  EXPECT_NE(texture, 0u);
  EXPECT_EQ(glGetError(), NoError);
  EXPECT_EQ(Level(0, GL_RGB, 18),
            (Bytes{13, 12, 11, 16, 15, 14, 19, 18, 17, 3, 2, 1, 6, 5, 4, 9, 8, 7}));
  EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GLint(GL_LINEAR));
  EXPECT_EQ(Parameter(GL_TEXTURE_MAG_FILTER), GLint(GL_LINEAR));
  EXPECT_EQ(Parameter(GL_TEXTURE_WRAP_S), GLint(GL_REPEAT));
  EXPECT_EQ(LevelWidth(1), 0) << "no mipmap was asked for";
}

TEST_F(TextureUploadGL, MipmapsBuildTheWholeChainAndKeepAlpha) {
  Bytes rows;
  for (int i = 0; i < 4 * 4 * 4; ++i) rows.push_back(std::uint8_t(i * 3));
  const std::string name = dir.Write("alpha.bmp", BmpFile({.width = 4, .height = 4, .bits = 32}, rows));
  LoadTexture(true, name);
  EXPECT_EQ(glGetError(), NoError);
  const Bytes level0 = Level(0, GL_RGBA, 64);
  // Memory row 0 is the last stored row (bytes 48..63 = 144, 147, ...);
  // each pixel B G R A becomes R G B A.
  EXPECT_EQ(Bytes(level0.begin(), level0.begin() + 4), (Bytes{150, 147, 144, 153}));
  EXPECT_EQ(LevelWidth(1), 2);
  EXPECT_EQ(LevelWidth(2), 1);
  EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), GLint(GL_LINEAR_MIPMAP_LINEAR));
}

TEST_F(TextureUploadGL, AnImageGLRefusesIsReportedAndGetsNoFilters) {
  // A negative width decodes to an image without pixels; GLU refuses it
  // with a result code, GL with an error.
  const std::string name = dir.Write("narrow.bmp", BmpFile({.width = -2, .height = 2}, Bytes(16, 1)));
  for (const bool mipmaps : {true, false}) {
    SCOPED_TRACE(mipmaps);
    bool loaded = true;
    LoadTexture(mipmaps, name, &loaded);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(LevelWidth(0), 0);
    EXPECT_EQ(Parameter(GL_TEXTURE_MIN_FILTER), 0x2702 /* GL_NEAREST_MIPMAP_LINEAR */) << "filters set";
  }
  // An error left by an earlier call is not the upload's.
  glBindTexture(0x1234, 0);
  bool loaded = false;
  LoadTexture(false, dir.Write("good.bmp", BmpFile({}, {1, 2, 3, 0})), &loaded);
  EXPECT_TRUE(loaded);
  EXPECT_EQ(glGetError(), NoError);
}

}  // namespace
