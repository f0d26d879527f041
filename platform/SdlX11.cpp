// The layer's own words with the X server: see SdlX11.h.
#include "platform/SdlX11.h"

#include <SDL_syswm.h>

#include <cstdio>
#include <cstring>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#endif

bool UsingX11() {
  const char *driver = SDL_GetCurrentVideoDriver();
  return driver && !std::strcmp(driver, "x11");
}

void X11ListenToServerEvents() {
  if (UsingX11()) SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

#if defined(SDL_VIDEO_DRIVER_X11)

namespace {

// Up to max atoms of a window's property of atoms; how many there were.
// Format 32 comes as an array of long, whatever the size of long.
unsigned long ReadAtoms(Display *display, Window window, Atom property, Atom *atoms, unsigned long max) {
  Atom type;
  int format;
  unsigned long count = 0, after, kept = 0;
  unsigned char *data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, long(max), False, XA_ATOM, &type, &format, &count, &after,
                         &data) != Success || !data)
    return 0;
  const long *values = reinterpret_cast<const long *>(data);
  for (unsigned long i = 0; i < count && type == XA_ATOM && format == 32; ++i) atoms[kept++] = Atom(values[i]);
  XFree(data);
  return kept;
}

// Whether a window manager runs that handles full-screen requests: it
// redirects the root window's children (only one client can) and lists
// the state among those it supports.
bool WindowManagerAnswers(Display *display, Window root) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, root, &attributes) || !(attributes.all_event_masks & SubstructureRedirectMask))
    return false;
  const Atom fullscreen = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  constexpr unsigned long kMaxSupported = 1024;
  Atom supported[kMaxSupported];
  const unsigned long count =
      ReadAtoms(display, root, XInternAtom(display, "_NET_SUPPORTED", False), supported, kMaxSupported);
  for (unsigned long i = 0; i < count; ++i)
    if (supported[i] == fullscreen) return true;
  return false;
}

// The trap's state. An error handler may not talk to the server, so the
// first error is kept as it came and named once the trap is asked.
int trapDepth = 0;
XErrorHandler handlerBefore = nullptr;
bool errorCaught = false;
XErrorEvent firstError;

int CollectError(Display *, XErrorEvent *error) {
  if (!errorCaught) firstError = *error;
  errorCaught = true;
  return 0;
}

// As Xlib's default handler names them: "BadValue (integer parameter out
// of range for operation)" and the request, "X_GLXCreateContext" (its
// extension's name and minor code looked up in Xlib's error database).
void NameError(const XErrorEvent &error) {
  Display *display = error.display;
  char what[128] = "", request[128] = "", key[64];
  XGetErrorText(display, error.error_code, what, sizeof what);
  std::snprintf(key, sizeof key, "%d", error.request_code);
  int count = 0;
  if (char **names = error.request_code >= 128 ? XListExtensions(display, &count) : nullptr) {
    for (int i = 0; i < count; ++i) {
      int major, firstEvent, firstErrorCode;
      if (XQueryExtension(display, names[i], &major, &firstEvent, &firstErrorCode) && major == error.request_code) {
        std::snprintf(key, sizeof key, "%s.%d", names[i], error.minor_code);
        break;
      }
    }
    XFreeExtensionList(names);
  }
  XGetErrorDatabaseText(display, "XRequest", key, key, request, sizeof request);
  SDL_SetError("X error %s in %s", what, request);
}

}  // namespace

X11ErrorTrap::X11ErrorTrap() {
  if (trapDepth++ == 0) {
    errorCaught = false;
    handlerBefore = XSetErrorHandler(CollectError);
  }
}

X11ErrorTrap::~X11ErrorTrap() {
  if (--trapDepth == 0) XSetErrorHandler(handlerBefore);
}

bool X11ErrorTrap::Caught(const X11Window &window) {
  if (window.display) XSync(static_cast<Display *>(window.display), False);
  if (!errorCaught) return false;
  errorCaught = false;
  NameError(firstError);
  return true;
}

X11Window X11WindowOf(SDL_Window *window) {
  X11Window x;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return x;
  x.id = info.info.x11.window;
  x.display = info.info.x11.display;
  XWindowAttributes attributes;
  if (XGetWindowAttributes(info.info.x11.display, x.id, &attributes)) x.root = attributes.root;
  return x;
}

X11News X11Read(const SDL_Event &systemEvent) {
  X11News news;
  const SDL_SysWMmsg *message = systemEvent.syswm.msg;
  if (!message || message->subsystem != SDL_SYSWM_X11) return news;
  const XEvent &x = message->msg.x11.event;
  if (x.type == KeyPress || x.type == KeyRelease) {
    news.kind = X11News::kKey;
    news.altHeld = x.xkey.state & Mod1Mask;
  } else if (x.type == ConfigureNotify) {
    news.kind = X11News::kSize;
    news.window = x.xconfigure.window;
    news.width = x.xconfigure.width;
    news.height = x.xconfigure.height;
  }
  return news;
}

bool X11StandsInForWindowManager(const X11Window &window) {
  return window.display && window.root && !WindowManagerAnswers(static_cast<Display *>(window.display), window.root);
}

// The window's _NET_WM_STATE with or without _NET_WM_STATE_FULLSCREEN, its
// other states kept. A window that is not mapped needs no answer: there
// SDL writes the state itself. SDL reads the answer before this returns,
// as it would have waited for it: until it has, it holds the window for
// not yet full screen, and leaving full screen would then leave the display
// in the program's mode.
void X11AnswerFullscreenRequest(const X11Window &window, bool fullscreen) {
  Display *display = static_cast<Display *>(window.display);
  XWindowAttributes attributes;
  if (!display || !XGetWindowAttributes(display, window.id, &attributes) || attributes.map_state == IsUnmapped)
    return;
  const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
  const Atom full = XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False);
  constexpr unsigned long kMaxStates = 32;
  Atom old[kMaxStates];
  long atoms[kMaxStates + 1];
  unsigned long kept = 0;
  const unsigned long count = ReadAtoms(display, window.id, state, old, kMaxStates);
  for (unsigned long i = 0; i < count; ++i)
    if (old[i] != full) atoms[kept++] = long(old[i]);
  if (fullscreen) atoms[kept++] = long(full);
  XChangeProperty(display, window.id, state, XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char *>(atoms), int(kept));
  // Once the server has answered this round trip, the PropertyNotify of
  // the change is in SDL's queue.
  XSync(display, False);
  SDL_PumpEvents();
}

#else

X11Window X11WindowOf(SDL_Window *) { return {}; }
X11News X11Read(const SDL_Event &) { return {}; }
bool X11StandsInForWindowManager(const X11Window &) { return false; }
void X11AnswerFullscreenRequest(const X11Window &, bool) {}
X11ErrorTrap::X11ErrorTrap() {}
X11ErrorTrap::~X11ErrorTrap() {}
bool X11ErrorTrap::Caught(const X11Window &) { return false; }

#endif
