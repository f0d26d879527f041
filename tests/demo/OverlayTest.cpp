// The help overlay: its GL calls in order, its exact bytes, and the values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo/Demo.h"
#include "demo/Overlay.h"
#include "tests/support/GLRecorder.h"
#include "text/Cp1251.h"
#include "text/glText.h"

namespace {

class Overlay : public ::testing::Test {
 protected:
  void SetUp() override {
    DemoSettings = InitialSettings;
    FontTexture = 7;
    FontBase = 1000;
  }

  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    for (const GLCall &call : gl.Named("glCallLists")) lines.push_back(call.bytes);
    return lines;
  }

  std::string LineAfterDrawing(int index) {
    gl.Clear();
    DrawOverlay();
    return Lines().at(index);
  }

  GLRecorder gl;
};

std::string Bytes(std::string_view view) { return std::string(view); }

std::string Value(float value) {
  char text[32];
  return std::string(text, FormatHundredfold(value, text));
}

}  // namespace

TEST_F(Overlay, DrawsSixLinesInTheOrderAndStateItPromises) {
  DrawOverlay();
  std::vector<std::string> expected = {"glColor3f", "glEnable", "glBindTexture", "glEnable", "glBlendFunc",
                                       "glMatrixMode", "glPushMatrix", "glLoadIdentity", "glOrtho", "glMatrixMode"};
  for (int line = 0; line < 6; ++line) {
    expected.push_back("glLoadIdentity");
    if (line > 0) expected.push_back("glTranslatef");
    for (const char *call : {"glPushAttrib", "glListBase", "glCallLists", "glPopAttrib"}) expected.push_back(call);
  }
  for (const char *call : {"glMatrixMode", "glPopMatrix", "glMatrixMode", "glDisable", "glDisable"})
    expected.push_back(call);
  ASSERT_EQ(gl.Names(), expected);

  const auto &c = gl.calls;
  EXPECT_EQ(c[0].args, (std::vector<double>{1, 1, 1}));
  EXPECT_EQ(c[1].args[0], GL_TEXTURE_2D);
  EXPECT_EQ(c[2].args, (std::vector<double>{GL_TEXTURE_2D, 7}));
  EXPECT_EQ(c[3].args[0], GL_BLEND);
  EXPECT_EQ(c[4].args, (std::vector<double>{GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR}));
  EXPECT_EQ(c[5].args[0], GL_PROJECTION);
  EXPECT_EQ(c[8].args, (std::vector<double>{0, 1024, 768, 0, -1, 1}));
  EXPECT_EQ(c[9].args[0], GL_MODELVIEW);
  const auto translations = gl.Named("glTranslatef");
  ASSERT_EQ(translations.size(), 5u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(translations[i].args, (std::vector<double>{0, 16.0 * (i + 1), 0}));
  for (const GLCall &base : gl.Named("glListBase")) EXPECT_EQ(base.args[0], 1000);
  const std::size_t n = c.size();
  EXPECT_EQ(c[n - 5].args[0], GL_PROJECTION);
  EXPECT_EQ(c[n - 3].args[0], GL_MODELVIEW);
  EXPECT_EQ(c[n - 2].args[0], GL_BLEND);
  EXPECT_EQ(c[n - 1].args[0], GL_TEXTURE_2D);
}

TEST_F(Overlay, LinesAreTheWindows1251BytesWithTheDefaultValues) {
  DrawOverlay();
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         Bytes(Cp1251(" Демонстрация рисования молнии").view()),
                         Bytes(Cp1251(" Пробел - остановка.").view()),
                         Bytes(Cp1251(" Стрелочки - вращение").view()),
                         Bytes(Cp1251(" Коэффициент разброса   [F1/F2]  : 20").view()),
                         Bytes(Cp1251(" Коэффициент затухания  [F3/F4]  : 60").view()),
                         Bytes(Cp1251(" Детализация            [+/-]    : 10").view()),
                     }));
  const std::vector<std::string> lines = Lines();
  EXPECT_EQ(lines[0].size(), 30u);
  EXPECT_EQ(lines[1].size(), 20u);
  EXPECT_EQ(lines[2].size(), 21u);
  // The Cyrillic letters are single bytes from 0xC0 up.
  EXPECT_EQ(static_cast<unsigned char>(lines[0][1]), 0xC4);  // Д
  for (int line = 3; line < 6; ++line) {
    EXPECT_EQ(lines[line][24], '[') << line;
    EXPECT_EQ(lines[line][33], ':') << line;
    EXPECT_EQ(lines[line][34], ' ') << line;
  }
}

TEST_F(Overlay, HundredfoldValuesRoundToNearestWithHalvesToEven) {
  EXPECT_EQ(Value(0.125f), "12");
  EXPECT_EQ(Value(0.375f), "38");
  EXPECT_EQ(Value(0.625f), "62");
  EXPECT_EQ(Value(-0.05f), "-5");
  EXPECT_EQ(Value(0.0f), "0");
  EXPECT_EQ(Value(-0.0f), "0");
  EXPECT_EQ(Value(123456.0f), "12345600");
  DemoSettings.Detail = -3;
  EXPECT_EQ(LineAfterDrawing(5), Bytes(Cp1251(" Детализация            [+/-]    : -3").view()));
  DemoSettings.Detail = -2147483647 - 1;
  EXPECT_EQ(LineAfterDrawing(5), Bytes(Cp1251(" Детализация            [+/-]    : -2147483648").view()));
}

TEST_F(Overlay, ScatterShownFollowsTheHeldKey) {
  std::fill(std::begin(KeyState), std::end(KeyState), false);
  KeyState[VK_F2] = true;
  UpdateSettings();
  EXPECT_EQ(LineAfterDrawing(3).substr(35), "20");
  UpdateSettings();
  UpdateSettings();
  EXPECT_EQ(LineAfterDrawing(3).substr(35), "21");
  KeyState[VK_F2] = false;
  // Frozen or not, the values are the current settings.
  DemoSettings.Frozen = true;
  DemoSettings.Damping = 0.375f;
  EXPECT_EQ(LineAfterDrawing(4).substr(35), "38");
}

TEST_F(Overlay, WithoutAFontThereIsNoTextAndNoStateChange) {
  FontTexture = 0;
  DrawOverlay();
  EXPECT_TRUE(gl.calls.empty());
}
