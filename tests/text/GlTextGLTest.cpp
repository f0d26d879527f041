// The bitmap font in a real GL context: what display lists, the list base,
// the attribute stack and the modelview matrix really do, and the glyphs as
// they reach the frame.
//
// The context comes from SDL's offscreen driver, so no display is needed;
// where no context can be made the tests skip.
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "glbinding/GLLoader.h"
#include "text/Cp1251.h"
#include "text/glText.h"

namespace {

constexpr GLenum kAttribStackDepth = 0x0BB0;  // GL_ATTRIB_STACK_DEPTH

class GLContext : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return Fail("SDL_Init");
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    window = SDL_CreateWindow("glText", 0, 0, 1024, 768, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
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
