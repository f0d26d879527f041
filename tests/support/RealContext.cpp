#include "tests/support/RealContext.h"

#include "demo/Demo.h"
#include "demo/Window.h"
#include "glbinding/GLLoader.h"
#include "imaging/DTexture.h"
#include "text/glText.h"

bool StartDemoInRealContext(char *reason, unsigned reasonSize) {
  if (!OpenDisplay(reason, reasonSize) || !InitOpenGL(GLLibraryName, GLULibraryName) || !CreateGLWindow())
    return false;
  BuildFont();
  FontTexture = LoadTexture(true, "DATA/font.bmp");
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(60.0, 4.0 / 3.0, 0.001, 100.0);
  glMatrixMode(GL_MODELVIEW);
  return true;
}
