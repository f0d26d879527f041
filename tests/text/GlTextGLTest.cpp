// The bitmap font in a real GL context: what display lists, the list base,
// the attribute stack and the modelview matrix really do, and the glyphs as
// they reach the frame.
//
// The context comes from SDL's offscreen driver, so no display is needed;
// where no context can be made the tests skip.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "glbinding/GLLoader.h"
#include "imaging/DTexture.h"
#include "imaging/SData.h"
#include "imaging/TBmpLoader.h"
#include "text/Cp1251.h"
#include "text/glText.h"

namespace {

constexpr GLenum kAttribStackDepth = 0x0BB0;  // GL_ATTRIB_STACK_DEPTH
constexpr GLenum kViewport = 0x0BA2;          // GL_VIEWPORT
constexpr int kScreenWidth = 1024, kScreenHeight = 768;

class GLContext : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return Fail("SDL_Init");
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    window = SDL_CreateWindow("glText", 0, 0, kScreenWidth, kScreenHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return Fail("SDL_CreateWindow");
    context = SDL_GL_CreateContext(window);
    if (!context) return Fail("SDL_GL_CreateContext");
    if (!InitOpenGL("libGL.so.1", "libGLU.so.1")) {
      skipReason = std::string("no GL library: ") + GLLibraryError();
      return;
    }
    ready = true;
  }

  static void TearDownTestSuite() {
    if (context) SDL_GL_DeleteContext(context);
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
    context = nullptr;
    window = nullptr;
  }

  void SetUp() override {
    if (!ready) GTEST_SKIP() << skipReason;
  }

  static void Fail(const char *what) { skipReason = std::string(what) + ": " + SDL_GetError(); }

  static GLint Integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
  }

  static std::array<GLfloat, 16> Modelview() {
    std::array<GLfloat, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
  }

  static inline SDL_Window *window = nullptr;
  static inline SDL_GLContext context = nullptr;
  static inline bool ready = false;
  static inline std::string skipReason;
};

}  // namespace

TEST_F(GLContext, KillFontDeletesTheFontsListsAndNoOther) {
  // A list made elsewhere, and lists on the names right next to the font's
  // block (glNewList takes any unused name).
  const GLuint elsewhere = glGenLists(1);
  glNewList(elsewhere, GL_COMPILE);
  glEndList();
  BuildFont();
  ASSERT_GT(FontBase, 1u);
  const GLuint below = FontBase - 1, above = FontBase + 256;
  for (GLuint neighbour : {below, above}) {
    if (neighbour == elsewhere) continue;
    ASSERT_FALSE(glIsList(neighbour)) << neighbour;
    glNewList(neighbour, GL_COMPILE);
    glEndList();
  }
  for (GLuint code = 0; code < 256; ++code) EXPECT_TRUE(glIsList(FontBase + code)) << code;

  const GLuint base = FontBase;
  KillFont();
  EXPECT_EQ(FontBase, base);
  for (GLuint code = 0; code < 256; ++code) EXPECT_FALSE(glIsList(FontBase + code)) << code;
  EXPECT_TRUE(glIsList(elsewhere));
  EXPECT_TRUE(glIsList(below));
  EXPECT_TRUE(glIsList(above));
  for (GLuint name : {elsewhere, below, above})
    if (glIsList(name)) glDeleteLists(name, 1);
}

TEST_F(GLContext, PrintTextRestoresTheListBaseAndAdvancesSixteenPerByte) {
  BuildFont();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glListBase(1234);
  const GLint depth = Integer(kAttribStackDepth);

  PrintText(Cp1251(" Стрелочки - вращение").view());  // 21 bytes
  EXPECT_EQ(Integer(GL_LIST_BASE), 1234);
  EXPECT_EQ(Integer(kAttribStackDepth), depth);
  std::array<GLfloat, 16> m = Modelview();
  EXPECT_EQ(m[12], 16.0f * 21);
  EXPECT_EQ(m[13], 0.0f);
  EXPECT_EQ(m[0], 1.0f);

  // A second string carries on where the first ended; no byte is special.
  PrintText(std::string("\0\n\r", 3));
  m = Modelview();
  EXPECT_EQ(m[12], 16.0f * 24);
  EXPECT_EQ(Integer(GL_LIST_BASE), 1234);

  // An empty string leaves everything as it was.
  const std::array<GLfloat, 16> unchanged = Modelview();
  PrintText("");
  EXPECT_EQ(Modelview(), unchanged);
  EXPECT_EQ(Integer(GL_LIST_BASE), 1234);
  EXPECT_EQ(Integer(kAttribStackDepth), depth);

  glListBase(0);
  glLoadIdentity();
  KillFont();
}

namespace {

// A frame read back from GL, addressed from the top like the screen.
class Frame {
 public:
  Frame() : pixels_(std::size_t(kScreenWidth) * kScreenHeight * 4) {
    glReadPixels(0, 0, kScreenWidth, kScreenHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
  }
  // GL's rows run bottom-up.
  int At(int x, int yFromTop, int channel) const {
    return pixels_[(std::size_t(kScreenHeight - 1 - yFromTop) * kScreenWidth + x) * 4 + channel];
  }

 private:
  std::vector<std::uint8_t> pixels_;
};

struct Comparison {
  int worst = 0;     // largest difference from the expected value
  int inked = 0;     // pixels expected at half brightness or more
  int misplaced = 0; // pixels off by more than the tolerance
};

// Every texel t of a glyph reaches the pixel it lands on at exactly one
// texel per pixel, unfiltered: pixel centres fall on texel centres, where
// linear filtering of level 0 gives the texel itself. White modulated by t
// is t; the blend (GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR) over black then
// gives t * t + 0 * (1 - t), so the pixel must be t^2 / 255 in 8-bit terms.
// The tolerance of 2 allows for the rounding of the two 8-bit products;
// a glyph shifted, flipped or taken from the wrong cell is off by far more.
constexpr int kTolerance = 2;

Comparison CompareLine(const Frame &frame, const TTexture &font, std::string_view bytes, int top) {
  Comparison result;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned code = static_cast<unsigned char>(bytes[i]);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const int texelX = int(code % 16) * 16 + x, texelY = int(code / 16) * 16 + y;
        for (int c = 0; c < 3; ++c) {
          const int t = font.Pixels[(std::size_t(texelY) * font.Width + texelX) * 3 + c];
          const int expected = (t * t + 127) / 255;
          const int difference = std::abs(frame.At(int(i) * 16 + x, top + y, c) - expected);
          result.worst = std::max(result.worst, difference);
          if (difference > kTolerance) ++result.misplaced;
          if (c == 0 && expected >= 128) ++result.inked;
        }
      }
    }
  }
  return result;
}

}  // namespace

TEST_F(GLContext, GlyphsReachTheFrameTexelForPixel) {
  TData data("DATA/font.bmp");
  const std::unique_ptr<TTexture> font = LoadBmp(data);
  ASSERT_TRUE(font) << "DATA/font.bmp not found or not decoded";
  ASSERT_EQ(font->Width, 256);
  ASSERT_EQ(font->Height, 256);
  ASSERT_EQ(font->Components, 3);
  GLint viewport[4] = {};
  glGetIntegerv(kViewport, viewport);
  ASSERT_EQ(viewport[2], kScreenWidth);
  ASSERT_EQ(viewport[3], kScreenHeight);

  BuildFont();
  const GLuint texture = LoadTexture(true, "DATA/font.bmp");
  glClear(GL_COLOR_BUFFER_BIT);  // the clear colour is black
  // The overlay's setting.
  glColor3f(1, 1, 1);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, kScreenWidth, kScreenHeight, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);

  // All 256 codes, sixteen to a line, rebuild the picture in the top left
  // corner of the frame.
  std::vector<std::string> grid(16);
  for (int row = 0; row < 16; ++row) {
    for (int column = 0; column < 16; ++column) grid[row] += char(row * 16 + column);
    glLoadIdentity();
    glTranslatef(0, GLfloat(16 * row), 0);
    PrintText(grid[row]);
  }
  // Below it, an overlay line whose value comes from a second call that
  // carries on where the label ended.
  constexpr auto label = Cp1251(" Коэффициент разброса   [F1/F2]  : ");
  glLoadIdentity();
  glTranslatef(0, 256, 0);
  PrintText(label.view());
  PrintText("-20");
  const std::string line = std::string(label.view()) + "-20";

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
  const Frame frame;

  for (int row = 0; row < 16; ++row) {
    const Comparison result = CompareLine(frame, *font, grid[row], 16 * row);
    EXPECT_EQ(result.misplaced, 0) << "grid row " << row << ", worst difference " << result.worst;
  }
  const Comparison result = CompareLine(frame, *font, line, 256);
  EXPECT_EQ(result.misplaced, 0) << "worst difference " << result.worst;
  EXPECT_GT(result.inked, 38 * 10) << "too little ink to tell anything";
  // Nothing outside the text: right of the grid and of the line, and below.
  int stray = 0;
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x)
      if ((y < 256 ? x >= 256 : y < 272 ? x >= int(line.size()) * 16 : true) && frame.At(x, y, 0) != 0) ++stray;
  EXPECT_EQ(stray, 0);

  glLoadIdentity();
  KillFont();
}
