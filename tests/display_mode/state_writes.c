/* Preloaded into the demo: says on standard error each time the program's
   own code, the layer, writes a window's _NET_WM_STATE, which a window
   manager answering a full-screen request does, or the layer where none
   answers. SDL's and Mesa's writes do not count (SDL reaches Xlib through
   pointers of its own, which a preload does not replace anyway). */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <sys/auxv.h>

typedef int (*Change)(Display *, Window, Atom, Atom, int, int, const unsigned char *, int);

/* Whether an address lies in the program itself, the object that holds its
   entry point. */
static int InProgram(const void *address) {
  Dl_info program, caller;
  return dladdr((const void *)getauxval(AT_ENTRY), &program) && dladdr(address, &caller) &&
         program.dli_fbase == caller.dli_fbase;
}

int XChangeProperty(Display *display, Window window, Atom property, Atom type, int format, int mode,
                    const unsigned char *data, int count) {
  if (InProgram(__builtin_return_address(0))) {
    char *name = XGetAtomName(display, property);
    if (name && strcmp(name, "_NET_WM_STATE") == 0) fprintf(stderr, "state-writes: the layer wrote _NET_WM_STATE\n");
    if (name) XFree(name);
  }
  return ((Change)dlsym(RTLD_NEXT, "XChangeProperty"))(display, window, property, type, format, mode, data, count);
}
