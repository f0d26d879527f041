/* Preloaded into the demo, whose guardian inherits it: the guardian's first
   screen-resources query also asks after a CRTC that does not exist, so
   that an X error comes while it records, as when a monitor goes between
   two of its queries. Other programs (the demo: SDL calls Xrandr too) pass
   untouched. */
#define _GNU_SOURCE
#include <X11/extensions/Xrandr.h>
#include <dlfcn.h>
#include <errno.h>
#include <string.h>

typedef XRRScreenResources *(*Query)(Display *, Window);

XRRScreenResources *XRRGetScreenResourcesCurrent(Display *display, Window window) {
  static int calls;
  XRRScreenResources *resources = ((Query)dlsym(RTLD_NEXT, "XRRGetScreenResourcesCurrent"))(display, window);
  if (calls++ == 0 && resources && strcmp(program_invocation_short_name, "lightning-guardian") == 0) {
    XRRCrtcInfo *missing = XRRGetCrtcInfo(display, resources, (RRCrtc)0x1fffffff);
    if (missing) XRRFreeCrtcInfo(missing);
  }
  return resources;
}
