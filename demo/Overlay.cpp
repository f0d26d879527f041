#include "demo/Overlay.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "demo/Demo.h"
#include "demo/Window.h"
#include "glbinding/GLLoader.h"
#include "lightning/Extended.h"
#include "text/Cp1251.h"
#include "text/glText.h"

namespace {

// Windows-1251 bytes, which index the font's glyphs. The three labels are
// 35 characters each, so that their values line up in column 36.
constexpr auto Title = Cp1251(" Демонстрация рисования молнии");
constexpr auto SpaceHelp = Cp1251(" Пробел - остановка.");
constexpr auto ArrowsHelp = Cp1251(" Стрелочки - вращение");
constexpr auto ScatterLabel = Cp1251(" Коэффициент разброса   [F1/F2]  : ");
constexpr auto DampingLabel = Cp1251(" Коэффициент затухания  [F3/F4]  : ");
constexpr auto DetailLabel = Cp1251(" Детализация            [+/-]    : ");
static_assert(ScatterLabel.length == 35 && DampingLabel.length == 35 && DetailLabel.length == 35);

constexpr int LineHeight = 16;

// A label followed by its value, on the stack: no allocation per frame.
class Line {
 public:
  explicit Line(std::string_view label) : length_(label.size()) { std::memcpy(bytes_, label.data(), length_); }
  void AppendHundredfold(float value) { length_ += FormatHundredfold(value, bytes_ + length_); }
  void AppendInteger(std::int64_t value) { length_ += FormatInteger(value, bytes_ + length_); }
  std::string_view View() const { return {bytes_, length_}; }

 private:
  char bytes_[64];
  std::size_t length_;
};

void PrintLine(int row, std::string_view text) {
  glLoadIdentity();
  if (row > 0) glTranslatef(0.0f, float(row * LineHeight), 0.0f);
  PrintText(text);
}

}  // namespace

std::size_t FormatInteger(std::int64_t value, char *out) {
  return std::size_t(std::to_chars(out, out + 21, value).ptr - out);
}

std::size_t FormatHundredfold(float value, char *out) {
  // The product of two singles is exact in extended precision; it is
  // rounded to nearest with halves to even.
  return FormatInteger(RoundToInteger(Extended(value) * Extended(100.0f)), out);
}

void DrawOverlay() {
  // No font, no text: texture 0 has no image either.
  if (FontTexture == 0) return;
  glColor3f(1.0f, 1.0f, 1.0f);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, FontTexture);
  // src * src + dst * (1 - src): black texels leave the scene as it is.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, ScreenWidth, ScreenHeight, 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);

  PrintLine(0, Title.view());
  PrintLine(1, SpaceHelp.view());
  PrintLine(2, ArrowsHelp.view());
  Line scatter(ScatterLabel.view());
  scatter.AppendHundredfold(DemoSettings.Scatter);
  PrintLine(3, scatter.View());
  Line damping(DampingLabel.view());
  damping.AppendHundredfold(DemoSettings.Damping);
  PrintLine(4, damping.View());
  Line detail(DetailLabel.view());
  detail.AppendInteger(DemoSettings.Detail);
  PrintLine(5, detail.View());

  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_BLEND);
  glDisable(GL_TEXTURE_2D);
}
