#include "glbinding/GLLoader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GLIBC__)
#include <fpu_control.h>
#elif !defined(__x86_64__) && !defined(__i386__)
#include <fenv.h>
#endif

#include "glbinding/DynamicLibrary.h"

// Nothing in this file is on a hot path: each of the 3000 forwarders runs
// once, InitOpenGL and InstallForwarders once or twice a run, and every
// later call goes from the caller's code through the variable straight into
// the library. Optimizing 3000 small functions (and instrumenting them, in
// sanitizer builds) would make this by far the slowest file to compile, so
// it is not optimized: glbinding/CMakeLists.txt says so for the build, and
// the pragma below for clang builds that compile this file on their own.
#if defined(__clang__)
#pragma clang optimize off
#endif

namespace {

char glError[512];
char gluError[512];

void NoteLoadError(char (&into)[512]) { std::snprintf(into, sizeof into, "%s", LibraryError()); }

bool ReportToStandardError(const char *name) {
  std::fprintf(stderr, "lightning: the entry point %s is not available in the GL or GLU library\n",
               name);
  return false;
}

MissingEntryPointHandler missingHandler = ReportToStandardError;

// Returns only when the handler lets the program go on without the entry
// point.
void MissingEntryPoint(const char *name) {
  if (!missingHandler(name)) std::exit(1);
}

// What a skipped call gives back: zero, null or false, whatever the type.
template <class Result>
Result Nothing() {
  return Result();
}

// Lookups of the OpenGL 2.0 group ask the window system's lookup alone, with
// no fallback; a missing lookup function finds nothing.
void *ResolveThroughWindowSystem(const char *name) {
#if defined(_WIN32)
  if (!wglGetProcAddress) return nullptr;
  // Some Windows drivers answer a name they do not know with 1, 2, 3 or -1
  // rather than null; a call through such an answer would crash.
  const auto entry = reinterpret_cast<std::intptr_t>(wglGetProcAddress(name));
  if (entry == -1 || (entry >= 0 && entry <= 3)) return nullptr;
  return reinterpret_cast<void *>(entry);
#else
  if (!glXGetProcAddressARB) return nullptr;
  return reinterpret_cast<void *>(glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(name)));
#endif
}

// Every forwarder: look up, store, and call what was stored with the same
// arguments. The null test only guards the jump. A call that the program
// goes on without is skipped, and the forwarder goes back into the variable
// so that nothing ever calls through null and the next call looks again.
// No local variable: the registry's parameter names (one is "entry") would
// clash with it.
#define DEFINE_FORWARDER(lookup, ret, name, params, args)             \
  ret Forward_##name params {                                         \
    name = reinterpret_cast<ret(*) params>(lookup(#name));            \
    if (!name) {                                                      \
      MissingEntryPoint(#name);                                       \
      name = Forward_##name;                                          \
      return Nothing<ret>();                                          \
    }                                                                 \
    return name args;                                                 \
  }
#define GL_LAZY(family, ret, name, params, args) DEFINE_FORWARDER(ResolveEntryPoint, ret, name, params, args)
#define GL_LAZY_PROC(family, ret, name, params, args) \
  DEFINE_FORWARDER(ResolveThroughWindowSystem, ret, name, params, args)
#define WGL_EAGER_LAZY(family, ret, name, params, args, symbol) \
  DEFINE_FORWARDER(ResolveEntryPoint, ret, name, params, args)
#define GLU_EAGER(family, ret, name, params, args) DEFINE_FORWARDER(ResolveEntryPoint, ret, name, params, args)
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_PROC
#undef WGL_EAGER_LAZY
#undef GLU_EAGER
#undef DEFINE_FORWARDER

// The floating-point environment of the whole program: every exception
// masked, so overflow gives an infinity and 0/0 a NaN without a signal, and
// rounding to nearest. On x86 the x87 unit also computes with a 64-bit
// significand, which the bolt generator and the settings rely on for their
// extended-precision sums. On Windows this matters all the more: its default
// x87 precision is 53 bits, and a C runtime's start-up may or may not raise
// it. glibc also takes the word as its default; the Windows C runtime only
// goes back to its own default in _fpreset, which nothing here calls.
void SetFloatingPointEnvironment() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned short word = 0x133F;
#if defined(__GLIBC__)
  __fpu_control = word;
#endif
  __asm__ volatile("fnclex");
  __asm__ volatile("fldcw %0" : : "m"(word));
#if defined(__SSE__)
  unsigned int mxcsr = 0;
  __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
  mxcsr &= ~0x003Fu;  // pending exception flags
  mxcsr |= 0x1F80u;   // all six exceptions masked
  mxcsr &= ~0x6000u;  // rounding to nearest
  mxcsr &= ~0x8040u;  // no flush-to-zero, no denormals-are-zero
  __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr));
#endif
#else
  feclearexcept(FE_ALL_EXCEPT);
  fesetround(FE_TONEAREST);
#if defined(__GLIBC__)
  fedisableexcept(FE_ALL_EXCEPT);
#endif
  // No flush-to-zero either: the extended precision's shortcuts through
  // double precision give subnormal singles where the x87 does.
#if defined(__aarch64__)
  std::uint64_t control;
  __asm__ volatile("mrs %0, fpcr" : "=r"(control));
  control &= ~(std::uint64_t{1} << 24);
  __asm__ volatile("msr fpcr, %0" : : "r"(control));
#elif defined(__arm__) && defined(__ARM_FP)
  unsigned int control;
  __asm__ volatile("vmrs %0, fpscr" : "=r"(control));
  control &= ~(1u << 24);
  __asm__ volatile("vmsr fpscr, %0" : : "r"(control));
#endif
#endif
}

struct UnitInitialization {
  UnitInitialization() {
    SetFloatingPointEnvironment();
    InstallForwarders();
  }
} unitInitialization;

}  // namespace

#define GL_LAZY(family, ret, name, params, args) ret(*name) params = nullptr;
#define GL_LAZY_PROC(family, ret, name, params, args) ret(*name) params = nullptr;
#define GLX_EAGER(family, ret, name, params, args) ret(*name) params = nullptr;
#define WGL_EAGER(family, ret, name, params, args, symbol) ret(*name) params = nullptr;
#define WGL_EAGER_LAZY(family, ret, name, params, args, symbol) ret(*name) params = nullptr;
#define GLU_EAGER(family, ret, name, params, args) ret(*name) params = nullptr;
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_PROC
#undef GLX_EAGER
#undef WGL_EAGER
#undef WGL_EAGER_LAZY
#undef GLU_EAGER

#if defined(_WIN32)
PROC (*wglGetProcAddress)(LPCSTR name) = nullptr;
#else
GLXextFuncPtr (*glXGetProcAddressARB)(const GLubyte *procName) = nullptr;
#endif
LibraryHandle GLLibraryHandle = nullptr;
LibraryHandle GLULibraryHandle = nullptr;

void InstallForwarders() {
#define GL_LAZY(family, ret, name, params, args) name = Forward_##name;
#define GL_LAZY_PROC(family, ret, name, params, args) name = Forward_##name;
#define WGL_EAGER_LAZY(family, ret, name, params, args, symbol) name = Forward_##name;
#define GLU_EAGER(family, ret, name, params, args) name = Forward_##name;
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_PROC
#undef WGL_EAGER_LAZY
#undef GLU_EAGER
}

void *ResolveEntryPoint(const char *name) {
  void *entry = ResolveThroughWindowSystem(name);
  if (!entry) entry = LibrarySymbol(GLLibraryHandle, name);
  return entry;
}

bool InitOpenGL(const char *glName, const char *gluName) {
  if (GLLibraryHandle) CloseLibrary(GLLibraryHandle);
  if (GLULibraryHandle) CloseLibrary(GLULibraryHandle);
  GLLibraryHandle = nullptr;
  GLULibraryHandle = nullptr;

  GLLibraryHandle = OpenLibrary(glName);
  if (GLLibraryHandle) glError[0] = '\0'; else NoteLoadError(glError);
  GLULibraryHandle = OpenLibrary(gluName);
  if (GLULibraryHandle) gluError[0] = '\0'; else NoteLoadError(gluError);

#if defined(_WIN32)
  wglGetProcAddress = reinterpret_cast<PROC (*)(LPCSTR)>(LibrarySymbol(GLLibraryHandle, "wglGetProcAddress"));
#else
  glXGetProcAddressARB =
      reinterpret_cast<GLXextFuncPtr (*)(const GLubyte *)>(LibrarySymbol(GLLibraryHandle, "glXGetProcAddressARB"));
#endif

  bool loaded = false;
  if (GLLibraryHandle) {
    glGetString = reinterpret_cast<const GLubyte *(*)(GLenum)>(ResolveEntryPoint("glGetString"));
#define GLX_EAGER(family, ret, name, params, args) \
  name = reinterpret_cast<ret(*) params>(ResolveEntryPoint(#name));
#define WGL_EAGER(family, ret, name, params, args, symbol) \
  name = reinterpret_cast<ret(*) params>(ResolveEntryPoint(symbol));
#define WGL_EAGER_LAZY WGL_EAGER
#include "glbinding/EntryPoints.inc"
#undef GLX_EAGER
#undef WGL_EAGER
#undef WGL_EAGER_LAZY
    loaded = true;
  }
  if (GLULibraryHandle) {
#define GLU_EAGER(family, ret, name, params, args) \
  name = reinterpret_cast<ret(*) params>(LibrarySymbol(GLULibraryHandle, #name));
#include "glbinding/EntryPoints.inc"
#undef GLU_EAGER
  }
  return loaded;
}

const char *GLLibraryError() { return glError; }
const char *GLULibraryError() { return gluError; }

void SetMissingEntryPointHandler(MissingEntryPointHandler handler) {
  missingHandler = handler ? handler : ReportToStandardError;
}

void GenTextures(GLsizei n, GLuint *textures) { glGenTextures(n, textures); }

void TexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height,
                GLint border, GLenum format, GLenum type, const void *pixels) {
  glTexImage2D(target, level, internalformat, width, height, border, format, type, pixels);
}
