#include "text/glText.h"

#include <limits>

#include "glbinding/GLLoader.h"

GLuint FontBase = 0;

namespace {

constexpr int kGrid = 16;               // cells across and down
constexpr GLint kGlyphSize = 16;        // units per glyph, the advance too
constexpr GLfloat kCellSize = 0.0625f;  // 1/16 of the texture, exact in single precision

// One glyph: a textured square whose (0, 0) corner carries the cell's t0
// edge, the picture's top, so that glyphs stand upright under a projection
// whose y axis points down the screen; then the advance, outside the
// begin/end pair so that it accumulates in the modelview matrix.
void CompileGlyph(int column, int row) {
  const GLfloat s0 = GLfloat(column) * kCellSize;
  const GLfloat s1 = s0 + kCellSize;
  const GLfloat t0 = GLfloat(row) * kCellSize;
  const GLfloat t1 = t0 + kCellSize;
  glBegin(GL_QUADS);
  glTexCoord2f(s0, t0);
  glVertex2i(0, 0);
  glTexCoord2f(s1, t0);
  glVertex2i(kGlyphSize, 0);
  glTexCoord2f(s1, t1);
  glVertex2i(kGlyphSize, kGlyphSize);
  glTexCoord2f(s0, t1);
  glVertex2i(0, kGlyphSize);
  glEnd();
  glTranslatef(GLfloat(kGlyphSize), 0.0f, 0.0f);
}

}  // namespace

void BuildFont() {
  FontBase = glGenLists(kGrid * kGrid);
  for (int column = 0; column < kGrid; ++column) {
    for (int row = 0; row < kGrid; ++row) {
      glNewList(FontBase + GLuint(column + kGrid * row), GL_COMPILE);
      CompileGlyph(column, row);
      glEndList();
    }
  }
}

void KillFont() { glDeleteLists(FontBase, kGrid * kGrid); }

void PrintText(std::string_view text) {
  // glCallLists takes a signed count; a string longer than that (never seen
  // in practice) is cut rather than handed over as a negative count.
  const std::size_t limit = std::size_t(std::numeric_limits<GLsizei>::max());
  const GLsizei count = GLsizei(text.size() < limit ? text.size() : limit);
  glPushAttrib(GL_LIST_BIT);
  glListBase(FontBase);
  glCallLists(count, GL_UNSIGNED_BYTE, text.data());
  glPopAttrib();
}
