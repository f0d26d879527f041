#include <cstdio>
#include <exception>

#include "demo/Demo.h"
#include "platform/Win32.h"

// The system's names for the GL and GLU libraries.
#if defined(_WIN32)
#define LIGHTNING_DEFAULT_GL "OpenGL32.dll"
#define LIGHTNING_DEFAULT_GLU "GLU32.dll"
#else
#define LIGHTNING_DEFAULT_GL "libGL.so.1"
#define LIGHTNING_DEFAULT_GLU "libGLU.so.1"
#endif
#ifndef LIGHTNING_GL_LIBRARY
#define LIGHTNING_GL_LIBRARY LIGHTNING_DEFAULT_GL
#endif
#ifndef LIGHTNING_GLU_LIBRARY
#define LIGHTNING_GLU_LIBRARY LIGHTNING_DEFAULT_GLU
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
