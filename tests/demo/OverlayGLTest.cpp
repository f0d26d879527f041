// The overlay in a real GL context (SDL's offscreen driver): black texels
// let the scene through, glyphs show white, and the state is put back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "demo/Demo.h"
#include "demo/Overlay.h"
#include "demo/Window.h"
#include "glbinding/GLLoader.h"
#include "imaging/DTexture.h"
#include "text/glText.h"

const char *const GLLibraryName = "libGL.so.1";
const char *const GLULibraryName = "libGLU.so.1";

namespace {

constexpr GLenum kMatrixMode = 0x0BA0;  // GL_MATRIX_MODE

template <class Function>
Function Entry(const char *name) {
  return reinterpret_cast<Function>(ResolveEntryPoint(name));
}

class OverlayInContext : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    char reason[256];
    if (!OpenDisplay(reason, sizeof reason)) return;
    ready = CreateGLWindow();
    if (!ready) return;
    BuildFont();
    FontTexture = LoadTexture(true, "DATA/font.bmp");
  }
  static void TearDownTestSuite() {
    if (!ready) return;
    KillFont();
    KillGLWindow();
  }
  void SetUp() override {
    if (!ready) GTEST_SKIP() << "no GL context through SDL's offscreen driver";
    DemoSettings = InitialSettings;
  }

  // The frame from the top, RGB.
  static std::vector<unsigned char> ReadFrame() {
    std::vector<unsigned char> rows(ScreenWidth * ScreenHeight * 3);
    glReadPixels(0, 0, ScreenWidth, ScreenHeight, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    std::vector<unsigned char> frame(rows.size());
    for (int y = 0; y < ScreenHeight; ++y)
      std::copy_n(&rows[(ScreenHeight - 1 - y) * ScreenWidth * 3], ScreenWidth * 3, &frame[y * ScreenWidth * 3]);
    return frame;
  }
  static std::array<int, 3> At(const std::vector<unsigned char> &frame, int x, int y) {
    const unsigned char *p = &frame[(y * ScreenWidth + x) * 3];
    return {p[0], p[1], p[2]};
  }

  static inline bool ready = false;
};

}  // namespace

TEST_F(OverlayInContext, BlackTexelsLeaveTheSceneAndGlyphsDrawWhite) {
  auto clearColor = Entry<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glClearColor");
  ASSERT_NE(clearColor, nullptr);
  clearColor(0.2f, 0.4f, 0.6f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  DrawOverlay();
  glFinish();
  const std::vector<unsigned char> frame = ReadFrame();
  clearColor(0, 0, 0, 0);

  const std::array<int, 3> scene = {51, 102, 153};
  // Every line starts with a space: its cell leaves the scene untouched.
  for (int line = 0; line < 6; ++line)
    for (int y = line * 16; y < line * 16 + 16; ++y)
      for (int x = 0; x < 16; ++x) ASSERT_EQ(At(frame, x, y), scene) << x << "," << y;
  // Below the six lines and right of the longest one, only the scene.
  for (int y = 96; y < ScreenHeight; y += 7)
    for (int x = 0; x < ScreenWidth; x += 5) ASSERT_EQ(At(frame, x, y), scene) << x << "," << y;
  // Glyphs: white ink in every line.
  for (int line = 0; line < 6; ++line) {
    int white = 0;
    for (int y = line * 16; y < line * 16 + 16; ++y)
      for (int x = 0; x < 600; ++x)
        if (At(frame, x, y) == std::array<int, 3>{255, 255, 255}) ++white;
    EXPECT_GT(white, 40) << "line " << line + 1;
  }
}

TEST_F(OverlayInContext, LeavesTexturingAndBlendingOffAndTheProjectionAsItWas) {
  auto isEnabled = Entry<GLboolean (*)(GLenum)>("glIsEnabled");
  ASSERT_NE(isEnabled, nullptr);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, 4.0 / 3.0, 0.001, 100.0);
  glMatrixMode(GL_MODELVIEW);
  std::array<GLfloat, 16> before{}, after{};
  glGetFloatv(GL_PROJECTION_MATRIX, before.data());
  DrawOverlay();
  glGetFloatv(GL_PROJECTION_MATRIX, after.data());
  EXPECT_EQ(before, after);
  EXPECT_FALSE(isEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(isEnabled(GL_BLEND));
  GLint mode = 0;
  glGetIntegerv(kMatrixMode, &mode);
  EXPECT_EQ(GLenum(mode), GL_MODELVIEW);
}
