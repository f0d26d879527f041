// The C types and enumerants of OpenGL, GLU, GLX and WGL that the
// entry-point variables and the program's own code need.
//
// We never include <GL/gl.h>, <GL/glx.h> or the system's WGL declarations:
// they declare glBegin and friends as functions, and here those names are
// variables that the loader fills in at run time. Types and values follow
// the Khronos headers exactly, so the variables have the ABI of the real
// entry points.
#pragma once

#include <cstddef>
#include <cstdint>

using GLenum = unsigned int;
using GLboolean = unsigned char;
using GLbitfield = unsigned int;
using GLvoid = void;
using GLbyte = signed char;
using GLshort = short;
using GLint = int;
using GLsizei = int;
using GLubyte = unsigned char;
using GLushort = unsigned short;
using GLuint = unsigned int;
using GLfloat = float;
using GLclampf = float;
using GLdouble = double;
using GLclampd = double;
using GLchar = char;
using GLintptr = std::ptrdiff_t;
using GLsizeiptr = std::ptrdiff_t;

// GLU's opaque objects and callback type.
struct GLUnurbs;
struct GLUquadric;
struct GLUtesselator;
using GLUfuncptr = void (*)();

#if defined(_WIN32)
// The Windows types of the WGL entry points.
#include "glbinding/WinApi.h"
#else
// Xlib and GLX types, opaque or as Xlib defines them; nothing here talks to
// X directly.
struct _XDisplay;
using Display = _XDisplay;
struct XVisualInfo;
using XID = unsigned long;
using Bool = int;
using Font = XID;
using Pixmap = XID;
using Window = XID;
using GLXDrawable = XID;
using GLXPixmap = XID;
using GLXWindow = XID;
using GLXPbuffer = XID;
using GLXContext = struct __GLXcontextRec*;
using GLXFBConfig = struct __GLXFBConfigRec*;
using GLXextFuncPtr = void (*)();
using Colormap = XID;
using Status = int;
#endif

// The other registry types that extension entry points use, generated.
#include "glbinding/RegistryTypes.inc"

// Enumerants the program uses.
constexpr GLenum GL_NO_ERROR = 0;
constexpr GLenum GL_LINES = 0x0001;
constexpr GLenum GL_QUADS = 0x0007;
constexpr GLenum GL_COMPILE = 0x1300;
constexpr GLenum GL_SRC_COLOR = 0x0300;
constexpr GLenum GL_ONE_MINUS_SRC_COLOR = 0x0301;
constexpr GLenum GL_BLEND = 0x0BE2;
constexpr GLenum GL_TEXTURE_1D = 0x0DE0;
constexpr GLenum GL_TEXTURE_2D = 0x0DE1;
constexpr GLenum GL_UNPACK_ALIGNMENT = 0x0CF5;
constexpr GLenum GL_UNSIGNED_BYTE = 0x1401;
constexpr GLenum GL_MODELVIEW = 0x1700;
constexpr GLenum GL_PROJECTION = 0x1701;
constexpr GLenum GL_ALPHA = 0x1906;
constexpr GLenum GL_RGB = 0x1907;
constexpr GLenum GL_RGBA = 0x1908;
constexpr GLenum GL_LINEAR = 0x2601;
constexpr GLenum GL_LINEAR_MIPMAP_LINEAR = 0x2703;
constexpr GLenum GL_TEXTURE_MAG_FILTER = 0x2800;
constexpr GLenum GL_TEXTURE_MIN_FILTER = 0x2801;
constexpr GLenum GL_TEXTURE_WRAP_S = 0x2802;
constexpr GLenum GL_TEXTURE_WRAP_T = 0x2803;
constexpr GLenum GL_REPEAT = 0x2901;
constexpr GLenum GL_VENDOR = 0x1F00;
constexpr GLenum GL_RENDERER = 0x1F01;
constexpr GLenum GL_VERSION = 0x1F02;
constexpr GLbitfield GL_DEPTH_BUFFER_BIT = 0x00000100;
constexpr GLbitfield GL_COLOR_BUFFER_BIT = 0x00004000;
constexpr GLbitfield GL_LIST_BIT = 0x00020000;
constexpr GLenum GL_LIST_BASE = 0x0B32;
constexpr GLenum GL_TEXTURE_WIDTH = 0x1000;
constexpr GLenum GL_MODELVIEW_MATRIX = 0x0BA6;
constexpr GLenum GL_PROJECTION_MATRIX = 0x0BA7;
constexpr GLenum GL_MATRIX_MODE = 0x0BA0;
