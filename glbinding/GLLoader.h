// GL, GLU and GLX (WGL on Windows) entry points, bound by name at run time.
//
// The program links neither the GL nor the GLU library. Every entry point is a
// variable of its standard name holding the address to call; code calls GL
// as usual (glBegin(GL_LINES)) and the call goes through the variable.
// Tests may store recorders in the variables.
//
// - Unit initialization, before main: sets the floating-point environment
//   (x87 control word 0x133F, all exceptions masked, rounding to nearest)
//   and points every lazy variable at its forwarder.
// - InitOpenGL loads both libraries and binds the eager groups (glGetString,
//   the GLX core or the WGL entries of the Windows GL library, all of GLU).
//   Everything else is bound at its first call.
// - A call through an entry point that no library supplies never jumps to
//   null: the forwarder hands the name to the missing-entry-point handler,
//   which ends the program or lets it go on without that call.
//
// Only this module includes <dlfcn.h> (DynamicLibraryPosix.cpp). On Windows the
// libraries are loaded with LoadLibraryA and looked up with GetProcAddress,
// and wglGetProcAddress plays the part of glXGetProcAddressARB.
#pragma once

#include "glbinding/GLTypes.h"

#pragma GCC visibility push(hidden)

#define GL_LAZY(family, ret, name, params, args) extern ret(*name) params;
#define GL_LAZY_PROC(family, ret, name, params, args) extern ret(*name) params;
#define GLX_EAGER(family, ret, name, params, args) extern ret(*name) params;
#define WGL_EAGER(family, ret, name, params, args, symbol) extern ret(*name) params;
#define WGL_EAGER_LAZY(family, ret, name, params, args, symbol) extern ret(*name) params;
#define GLU_EAGER(family, ret, name, params, args) extern ret(*name) params;
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_PROC
#undef GLX_EAGER
#undef WGL_EAGER
#undef WGL_EAGER_LAZY
#undef GLU_EAGER

// The window system's lookup, bound from the GL library by InitOpenGL.
#if defined(_WIN32)
extern PROC (*wglGetProcAddress)(LPCSTR name);
using LibraryHandle = HMODULE;
#else
// Plays the part of wglGetProcAddress.
extern GLXextFuncPtr (*glXGetProcAddressARB)(const GLubyte *procName);
using LibraryHandle = void *;
#endif

// Handles of the loaded libraries, null when none is loaded.
extern LibraryHandle GLLibraryHandle;
extern LibraryHandle GLULibraryHandle;

// Loads both libraries (releasing earlier ones first) and binds the eager
// groups. True when the GL library was loaded, whatever became of GLU.
bool InitOpenGL(const char *glName, const char *gluName);

// glXGetProcAddressARB (wglGetProcAddress) first, then the GL library's own
// symbol table.
void *ResolveEntryPoint(const char *name);

// One store per lazy variable; run by the unit initialization.
void InstallForwarders();

// The loader's reason for the last failed load of each library, or "".
const char *GLLibraryError();
const char *GLULibraryError();

// Called with the name of an entry point that nobody supplies, at its call.
// False: the program ends with status 1. True: the program goes on without
// it; the call does nothing and gives zero (null, false), and the entry
// point is looked up again at its next call. The default writes to
// standard error and returns false.
using MissingEntryPointHandler = bool (*)(const char *name);
void SetMissingEntryPointHandler(MissingEntryPointHandler handler);

// The two plain forwarding routines that the texture code calls.
void GenTextures(GLsizei n, GLuint *textures);
void TexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                GLint border, GLenum format, GLenum type, const void *pixels);

#pragma GCC visibility pop
