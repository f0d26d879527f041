/* A stand-in for libGLU with two of its entry points; gluSphere and the
   rest are missing on purpose. */
#include <dlfcn.h>

#define EXPORT __attribute__((visibility("default")))

typedef void (*EventSink)(const char *);
static void Event(const char *what) {
  EventSink sink = (EventSink)dlsym(RTLD_DEFAULT, "FakeLibraryEvent");
  if (sink) sink(what);
}
__attribute__((constructor)) static void Loaded(void) { Event("glu load"); }
__attribute__((destructor)) static void Unloaded(void) { Event("glu unload"); }

static double lastFovy;
EXPORT void gluPerspective(double fovy, double aspect, double zNear, double zFar) {
  (void)aspect; (void)zNear; (void)zFar; lastFovy = fovy;
}
EXPORT int gluBuild2DMipmaps(unsigned target, int components, int width, int height, unsigned format,
                             unsigned type, const void *data) {
  (void)target; (void)components; (void)width; (void)height; (void)format; (void)type; (void)data;
  return 0;
}
EXPORT double FakeLastFovy(void) { return lastFovy; }
