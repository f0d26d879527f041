/* A stand-in for libGL: a few entry points that count their calls, and a
   glXGetProcAddressARB that counts lookups by name. glFinish is missing on
   purpose (neither exported nor answered), and so are most GLX entries. */
#include <dlfcn.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

typedef void (*Function)(void);
typedef void (*EventSink)(const char *);

static void Event(const char *what) {
  EventSink sink = (EventSink)dlsym(RTLD_DEFAULT, "FakeLibraryEvent");
  if (sink) sink(what);
}
__attribute__((constructor)) static void Loaded(void) { Event("gl load"); }
__attribute__((destructor)) static void Unloaded(void) { Event("gl unload"); }

static int beginCalls, lastBeginMode, clearCalls;

EXPORT void glBegin(unsigned mode) { ++beginCalls; lastBeginMode = (int)mode; }
EXPORT void glClear(unsigned mask) { (void)mask; ++clearCalls; }
EXPORT const unsigned char *glGetString(unsigned name) { (void)name; return (const unsigned char *)"fake"; }
EXPORT void *glXChooseVisual(void *dpy, int screen, int *attributes) {
  (void)dpy; (void)screen; (void)attributes; return 0;
}
/* Exported but never answered by glXGetProcAddressARB: found by the plain
   symbol lookup that follows. */
EXPORT unsigned glGenLists(int range) { return (unsigned)range * 100u; }

EXPORT int FakeBeginCalls(void) { return beginCalls; }
EXPORT int FakeLastBeginMode(void) { return lastBeginMode; }

static struct { const char *name; Function function; int lookups; } table[] = {
    {"glBegin", (Function)glBegin, 0},
    {"glClear", (Function)glClear, 0},
    {"glGetString", (Function)glGetString, 0},
    {"glXChooseVisual", (Function)glXChooseVisual, 0},
};
static int otherLookups[64];
static char otherNames[64][64];
static int otherCount;

EXPORT Function glXGetProcAddressARB(const unsigned char *name) {
  for (unsigned i = 0; i < sizeof table / sizeof table[0]; ++i)
    if (!strcmp(table[i].name, (const char *)name)) {
      ++table[i].lookups;
      return table[i].function;
    }
  for (int i = 0; i < otherCount; ++i)
    if (!strcmp(otherNames[i], (const char *)name)) { ++otherLookups[i]; return 0; }
  if (otherCount < 64) {
    strncpy(otherNames[otherCount], (const char *)name, sizeof otherNames[0] - 1);
    otherLookups[otherCount++] = 1;
  }
  return 0;
}

EXPORT int FakeLookups(const char *name) {
  for (unsigned i = 0; i < sizeof table / sizeof table[0]; ++i)
    if (!strcmp(table[i].name, name)) return table[i].lookups;
  for (int i = 0; i < otherCount; ++i)
    if (!strcmp(otherNames[i], name)) return otherLookups[i];
  return 0;
}
