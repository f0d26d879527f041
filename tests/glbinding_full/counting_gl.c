/* A stand-in for libGL that counts every name asked of its
   glXGetProcAddressARB and answers a few, one for each kind of result and
   argument that a forwarder must pass through unchanged.

   Answered by glXGetProcAddressARB: the functions of the table below.
   Exported but never answered (found only by a plain symbol lookup):
   glFlush (OpenGL 1.0), glCreateProgram (OpenGL 2.0) and gluOrtho2D.
   Neither exported nor answered: everything else, glAccum among them. */
#include <stdint.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

typedef void (*Function)(void);

/* What the last call received, for the tests to compare. */
static double lastDoubles[8];
static int64_t lastIntegers[10];
static const void *lastPointer;
static int flushCalls, orthoCalls, createProgramCalls;

EXPORT double CountingDouble(int i) { return lastDoubles[i]; }
EXPORT int64_t CountingInteger(int i) { return lastIntegers[i]; }
EXPORT const void *CountingPointer(void) { return lastPointer; }
EXPORT int CountingFlushCalls(void) { return flushCalls; }
EXPORT int CountingOrthoCalls(void) { return orthoCalls; }
EXPORT int CountingCreateProgramCalls(void) { return createProgramCalls; }

/* Integer result. */
static unsigned GenLists(int range) {
  lastIntegers[0] = range;
  return (unsigned)range * 7u + 1u;
}

/* Pointer result. */
static const unsigned char *GetString(unsigned name) {
  lastIntegers[0] = name;
  return (const unsigned char *)"counting GL";
}

static char mapped[16];
static void *MapBuffer(unsigned target, unsigned access) {
  lastIntegers[0] = target;
  lastIntegers[1] = access;
  return mapped;
}

/* 64-bit result. */
static uint64_t GetTextureHandle(unsigned texture) {
  lastIntegers[0] = texture;
  return UINT64_C(0x8000000100000000) | texture;
}

/* Floating-point result from integer arguments. */
static float GetPathLength(unsigned path, int start, int count) {
  lastIntegers[0] = path;
  lastIntegers[1] = start;
  lastIntegers[2] = count;
  return 0.15625f * (float)count;
}

/* Nine arguments, the last ones on the stack. */
static void TexImage2D(unsigned target, int level, int internalformat, int width, int height,
                       int border, unsigned format, unsigned type, const void *pixels) {
  int64_t values[] = {target, level, internalformat, width, height, border, format, type};
  memcpy(lastIntegers, values, sizeof values);
  lastPointer = pixels;
}

/* Six doubles. */
static void Ortho(double left, double right, double bottom, double top, double zNear,
                  double zFar) {
  double values[] = {left, right, bottom, top, zNear, zFar};
  memcpy(lastDoubles, values, sizeof values);
  ++orthoCalls;
}

/* OpenGL 2.0: an integer among doubles, and an integer result. */
static void VertexAttrib4d(unsigned index, double x, double y, double z, double w) {
  double values[] = {x, y, z, w};
  memcpy(lastDoubles, values, sizeof values);
  lastIntegers[0] = index;
}
static unsigned CreateShader(unsigned type) {
  lastIntegers[0] = type;
  return 42u;
}

/* A GLX extension with 64-bit arguments and result. */
static int64_t SwapBuffersMsc(void *display, unsigned long drawable, int64_t target,
                              int64_t divisor, int64_t remainder) {
  lastPointer = display;
  int64_t values[] = {(int64_t)drawable, target, divisor, remainder};
  memcpy(lastIntegers, values, sizeof values);
  return target + divisor + remainder;
}

EXPORT void glFlush(void) { ++flushCalls; }
EXPORT unsigned glCreateProgram(void) { return (unsigned)++createProgramCalls; }
EXPORT void gluOrtho2D(double left, double right, double bottom, double top) {
  double values[] = {left, right, bottom, top};
  memcpy(lastDoubles, values, sizeof values);
}

static const struct {
  const char *name;
  Function function;
} answered[] = {
    {"glGenLists", (Function)GenLists},
    {"glGetString", (Function)GetString},
    {"glMapBuffer", (Function)MapBuffer},
    {"glGetTextureHandleARB", (Function)GetTextureHandle},
    {"glGetPathLengthNV", (Function)GetPathLength},
    {"glTexImage2D", (Function)TexImage2D},
    {"glOrtho", (Function)Ortho},
    {"glVertexAttrib4d", (Function)VertexAttrib4d},
    {"glCreateShader", (Function)CreateShader},
    {"glXSwapBuffersMscOML", (Function)SwapBuffersMsc},
};

/* Every name asked, with how often. */
enum { MaxNames = 256 };
static char askedNames[MaxNames][64];
static int askedCounts[MaxNames];
static int askedTotal;

EXPORT Function glXGetProcAddressARB(const unsigned char *procName) {
  const char *name = (const char *)procName;
  int i;
  for (i = 0; i < askedTotal; ++i)
    if (!strcmp(askedNames[i], name)) break;
  if (i == askedTotal && askedTotal < MaxNames) {
    strncpy(askedNames[i], name, sizeof askedNames[i] - 1);
    ++askedTotal;
  }
  if (i < MaxNames) ++askedCounts[i];
  for (unsigned k = 0; k < sizeof answered / sizeof answered[0]; ++k)
    if (!strcmp(answered[k].name, name)) return answered[k].function;
  return 0;
}

EXPORT int CountingLookups(const char *name) {
  for (int i = 0; i < askedTotal; ++i)
    if (!strcmp(askedNames[i], name)) return askedCounts[i];
  return 0;
}
EXPORT int CountingNamesAsked(void) { return askedTotal; }
EXPORT const char *CountingNameAsked(int i) { return i < askedTotal ? askedNames[i] : 0; }
EXPORT Function CountingAnswer(const char *name) {
  for (unsigned k = 0; k < sizeof answered / sizeof answered[0]; ++k)
    if (!strcmp(answered[k].name, name)) return answered[k].function;
  return 0;
}
