#include "glbinding/GLLoader.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#else
#include <fenv.h>
#endif

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

void NoteLoadError(char (&into)[512]) {
  const char *reason = dlerror();
  std::snprintf(into, sizeof into, "%s", reason ? reason : "unknown error");
}

void ReportToStandardError(const char *name) {
  std::fprintf(stderr, "lightning: the entry point %s is not available in the GL or GLU library\n",
               name);
}

MissingEntryPointHandler missingHandler = ReportToStandardError;

[[noreturn]] void MissingEntryPoint(const char *name) {
  missingHandler(name);
  std::exit(1);
}

// Lookups of the OpenGL 2.0 group ask glXGetProcAddressARB alone, with no
// fallback; a missing glXGetProcAddressARB finds nothing.
void *ResolveThroughGLX(const char *name) {
  if (!glXGetProcAddressARB) return nullptr;
  return reinterpret_cast<void *>(glXGetProcAddressARB(reinterpret_cast<const GLubyte *>(name)));
}

// Every forwarder: look up, store, and call what was stored with the same
// arguments. The null test only guards the jump; the store happens first, as
// a forwarder that found nothing stores null. No local variable: the
// registry's parameter names (one is "entry") would clash with it.
#define DEFINE_FORWARDER(lookup, ret, name, params, args)             \
  ret Forward_##name params {                                         \
    name = reinterpret_cast<ret(*) params>(lookup(#name));            \
    if (!name) MissingEntryPoint(#name);                              \
    return name args;                                                 \
  }
#define GL_LAZY(family, ret, name, params, args) DEFINE_FORWARDER(ResolveEntryPoint, ret, name, params, args)
#define GL_LAZY_GLX(family, ret, name, params, args) DEFINE_FORWARDER(ResolveThroughGLX, ret, name, params, args)
#define GLU_EAGER(family, ret, name, params, args) DEFINE_FORWARDER(ResolveEntryPoint, ret, name, params, args)
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_GLX
#undef GLU_EAGER
#undef DEFINE_FORWARDER

// The floating-point environment of the whole program: every exception
// masked, so overflow gives an infinity and 0/0 a NaN without a signal, and
// rounding to nearest. On x86 the x87 unit also computes with a 64-bit
// significand, which the bolt generator and the settings rely on for their
// extended-precision sums. The word also becomes the C library's default.
void SetFloatingPointEnvironment() {
#if defined(__x86_64__) || defined(__i386__)
  __fpu_control = 0x133F;
  fpu_control_t word = 0x133F;
  __asm__ volatile("fnclex");
  _FPU_SETCW(word);
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
#define GL_LAZY_GLX(family, ret, name, params, args) ret(*name) params = nullptr;
#define GLX_EAGER(family, ret, name, params, args) ret(*name) params = nullptr;
#define GLU_EAGER(family, ret, name, params, args) ret(*name) params = nullptr;
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_GLX
#undef GLX_EAGER
#undef GLU_EAGER

GLXextFuncPtr (*glXGetProcAddressARB)(const GLubyte *procName) = nullptr;
void *GLLibraryHandle = nullptr;
void *GLULibraryHandle = nullptr;

void InstallForwarders() {
#define GL_LAZY(family, ret, name, params, args) name = Forward_##name;
#define GL_LAZY_GLX(family, ret, name, params, args) name = Forward_##name;
#define GLU_EAGER(family, ret, name, params, args) name = Forward_##name;
#include "glbinding/EntryPoints.inc"
#undef GL_LAZY
#undef GL_LAZY_GLX
#undef GLU_EAGER
}

void *ResolveEntryPoint(const char *name) {
  void *entry = ResolveThroughGLX(name);
  // dlsym with a null handle would search the whole process, which is not
  // "the GL library": with no library loaded there is nothing to find.
  if (!entry && GLLibraryHandle) entry = dlsym(GLLibraryHandle, name);
  return entry;
}

bool InitOpenGL(const char *glName, const char *gluName) {
  if (GLLibraryHandle) dlclose(GLLibraryHandle);
  if (GLULibraryHandle) dlclose(GLULibraryHandle);
  GLLibraryHandle = nullptr;
  GLULibraryHandle = nullptr;

  GLLibraryHandle = dlopen(glName, RTLD_NOW | RTLD_LOCAL);
  if (GLLibraryHandle) glError[0] = '\0'; else NoteLoadError(glError);
  GLULibraryHandle = dlopen(gluName, RTLD_NOW | RTLD_LOCAL);
  if (GLULibraryHandle) gluError[0] = '\0'; else NoteLoadError(gluError);

  glXGetProcAddressARB = GLLibraryHandle ? reinterpret_cast<GLXextFuncPtr (*)(const GLubyte *)>(
                                               dlsym(GLLibraryHandle, "glXGetProcAddressARB"))
                                         : nullptr;

  bool loaded = false;
  if (GLLibraryHandle) {
    glGetString = reinterpret_cast<const GLubyte *(*)(GLenum)>(ResolveEntryPoint("glGetString"));
#define GLX_EAGER(family, ret, name, params, args) \
  name = reinterpret_cast<ret(*) params>(ResolveEntryPoint(#name));
#include "glbinding/EntryPoints.inc"
#undef GLX_EAGER
    loaded = true;
  }
  if (GLULibraryHandle) {
#define GLU_EAGER(family, ret, name, params, args) \
  name = reinterpret_cast<ret(*) params>(dlsym(GLULibraryHandle, #name));
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
