#include <cstdio>
#include <exception>

#include "demo/Demo.h"
#include "platform/Win32.h"

#ifndef LIGHTNING_GL_LIBRARY
#define LIGHTNING_GL_LIBRARY "libGL.so.1"
#endif
#ifndef LIGHTNING_GLU_LIBRARY
#define LIGHTNING_GLU_LIBRARY "libGLU.so.1"
#endif
const char *const GLLibraryName = LIGHTNING_GL_LIBRARY;
const char *const GLULibraryName = LIGHTNING_GLU_LIBRARY;

int main() {
  // An I/O error after a file was opened, or exhausted memory, is not
  // handled anywhere below: it ends the program with its description on
  // standard error and status 1.
  try {
    return LightningMain();
  } catch (const std::exception &error) {
    std::fprintf(stderr, "lightning: %s\n", error.what());
    ChangeDisplaySettingsA(nullptr, 0);
    return 1;
  }
}
