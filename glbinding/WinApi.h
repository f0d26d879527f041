// <windows.h> as the program includes it, on Windows only: every file that
// needs the system's declarations includes this header instead, the
// platform's Win32.h among them. It lives with the binding, the lowest
// layer, which needs the Windows types for the WGL entry points and must
// include nothing of the layers above it.
//
// <wingdi.h> declares the core WGL functions (wglCreateContext, ...) as
// imports from opengl32.dll. Here those names are the GL binding's
// variables, which InitOpenGL fills in from the GL library it loads by name,
// so the system's declarations are renamed out of the way while the header
// is read. Nothing calls the renamed functions, so nothing imports them.
#pragma once

#if !defined(_WIN32)
#error "glbinding/WinApi.h is for Windows builds"
#endif

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#define wglCopyContext wglCopyContext_declaredBySystem
#define wglCreateContext wglCreateContext_declaredBySystem
#define wglCreateLayerContext wglCreateLayerContext_declaredBySystem
#define wglDeleteContext wglDeleteContext_declaredBySystem
#define wglDescribeLayerPlane wglDescribeLayerPlane_declaredBySystem
#define wglGetCurrentContext wglGetCurrentContext_declaredBySystem
#define wglGetCurrentDC wglGetCurrentDC_declaredBySystem
#define wglGetLayerPaletteEntries wglGetLayerPaletteEntries_declaredBySystem
#define wglGetProcAddress wglGetProcAddress_declaredBySystem
#define wglMakeCurrent wglMakeCurrent_declaredBySystem
#define wglRealizeLayerPalette wglRealizeLayerPalette_declaredBySystem
#define wglSetLayerPaletteEntries wglSetLayerPaletteEntries_declaredBySystem
#define wglShareLists wglShareLists_declaredBySystem
#define wglSwapLayerBuffers wglSwapLayerBuffers_declaredBySystem
#define wglSwapMultipleBuffers wglSwapMultipleBuffers_declaredBySystem
#define wglUseFontBitmapsA wglUseFontBitmapsA_declaredBySystem
#define wglUseFontBitmapsW wglUseFontBitmapsW_declaredBySystem
#define wglUseFontOutlinesA wglUseFontOutlinesA_declaredBySystem
#define wglUseFontOutlinesW wglUseFontOutlinesW_declaredBySystem

#include <windows.h>

#include <cstring>

#undef wglCopyContext
#undef wglCreateContext
#undef wglCreateLayerContext
#undef wglDeleteContext
#undef wglDescribeLayerPlane
#undef wglGetCurrentContext
#undef wglGetCurrentDC
#undef wglGetLayerPaletteEntries
#undef wglGetProcAddress
#undef wglMakeCurrent
#undef wglRealizeLayerPalette
#undef wglSetLayerPaletteEntries
#undef wglShareLists
#undef wglSwapLayerBuffers
#undef wglSwapMultipleBuffers
#undef wglUseFontBitmapsA
#undef wglUseFontBitmapsW
#undef wglUseFontOutlinesA
#undef wglUseFontOutlinesW
// Macros choosing the A or W function: here they are variables of their own.
#undef wglUseFontBitmaps
#undef wglUseFontOutlines

// The system's text for an error code, in the ANSI code page, without the
// trailing characters listed in trim (its line break, say), so that it can
// stand inside a sentence; null where the system has none. The system
// allocates the text, as long as it is, and LocalFree releases it: some of
// Windows' messages run to several hundred characters.
inline char *SystemErrorText(DWORD code, const char *trim) {
  char *text = nullptr;
  DWORD length = code ? FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                           FORMAT_MESSAGE_IGNORE_INSERTS,
                                       nullptr, code, 0, reinterpret_cast<char *>(&text), 0, nullptr)
                      : 0;
  if (!length) {
    if (text) LocalFree(text);
    return nullptr;
  }
  while (length > 0 && std::strchr(trim, text[length - 1])) --length;
  text[length] = '\0';
  return text;
}

// Every entry-point variable is called without a calling-convention
// attribute: x86-64 Windows has one calling convention.
static_assert(sizeof(void *) == 8, "the Windows build is 64-bit only");
