// lightning-guardian: gives the desktop its display mode back when the demo
// ends without doing so itself.
//
// The demo starts it (ModeGuard.cpp) right before it changes the mode, with
// one end of a socket as standard input. The guardian opens a connection of
// its own to the X server, records the screen's RandR configuration (every
// CRTC's mode, position, rotation and outputs, and the screen size), answers
// one byte and waits for the end of the socket. When the demo has put the
// mode back itself it says so with one byte, and the guardian ends without
// acting (the demo kills it too). Any other end of the demo (a crash,
// SIGKILL, Xlib's I/O-error exit) closes the socket with no such word, and
// the guardian then restores whatever differs from the record, says so on
// standard error and exits. Nothing differs where the mode never changed.
//
// Where the server has no RandR 1.2 it steps aside: it answers so and
// exits, and the demo runs on unguarded and silent. Any other failure
// before the answer (no connection, no screen resources, a server that
// stalls) ends it without answering, which the demo reports.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <vector>

#include "platform/ModeGuard.h"

namespace {

struct CrtcState {
  RRCrtc crtc;
  RRMode mode;
  int x, y;
  unsigned width, height;  // the area it covers, rotation included
  Rotation rotation;
  std::vector<RROutput> outputs;

  bool SameSetting(const CrtcState &other) const {
    return mode == other.mode && x == other.x && y == other.y && rotation == other.rotation &&
           outputs == other.outputs;
  }
};

struct ScreenState {
  unsigned width, height;
  std::vector<CrtcState> crtcs;
};

// Seconds the guardian may spend on the X server at either end: a server
// that stopped answering must not keep it alive past the demo.
constexpr unsigned kXTimeLimit = 5;
constexpr int kIn = 0;  // the socket to the demo

// The last X error. Errors while recording only cost what could not be
// read; those of the restore decide what the guardian reports, and Restore
// counts from zero.
int lastError = 0;

int RecordError(Display *, XErrorEvent *error) {
  lastError = error->error_code;
  return 0;
}

// The server is gone: there is no screen left to restore. Xlib would print
// a paragraph about it; the guardian leaves without a word.
int LeaveQuietly(Display *) { _exit(0); }

ScreenState Read(Display *display, Window root, XRRScreenResources *resources) {
  ScreenState state{};
  Window ignoredRoot;
  int ignoredX, ignoredY;
  unsigned border, depth;
  XGetGeometry(display, root, &ignoredRoot, &ignoredX, &ignoredY, &state.width, &state.height, &border,
               &depth);
  for (int i = 0; i < resources->ncrtc; ++i) {
    XRRCrtcInfo *info = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
    if (!info) continue;
    state.crtcs.push_back(CrtcState{resources->crtcs[i], info->mode, info->x, info->y, info->width,
                                    info->height, info->rotation,
                                    std::vector<RROutput>(info->outputs, info->outputs + info->noutput)});
    XRRFreeCrtcInfo(info);
  }
  return state;
}

// Puts back what differs from the record, as xrandr does: under a server
// grab, first switching off CRTCs that would not fit the recorded screen
// size, then setting that size, then each CRTC. Returns whether anything
// had to change.
bool Restore(Display *display, Window root, const ScreenState &saved, int widthMM, int heightMM) {
  XSync(display, False);
  lastError = 0;
  XGrabServer(display);
  XRRScreenResources *resources = XRRGetScreenResourcesCurrent(display, root);
  if (!resources) {
    XUngrabServer(display);
    return false;
  }
  const ScreenState now = Read(display, root, resources);
  bool changed = now.width != saved.width || now.height != saved.height;
  std::vector<const CrtcState *> toSet;
  for (const CrtcState &was : saved.crtcs) {
    for (const CrtcState &is : now.crtcs) {
      if (is.crtc != was.crtc || is.SameSetting(was)) continue;
      toSet.push_back(&was);
      if (is.mode != None && (is.x + int(is.width) > int(saved.width) || is.y + int(is.height) > int(saved.height)))
        XRRSetCrtcConfig(display, resources, is.crtc, CurrentTime, 0, 0, None, RR_Rotate_0, nullptr, 0);
    }
  }
  changed = changed || !toSet.empty();
  if (now.width != saved.width || now.height != saved.height)
    XRRSetScreenSize(display, root, int(saved.width), int(saved.height), widthMM, heightMM);
  for (const CrtcState *crtc : toSet) {
    std::vector<RROutput> outputs = crtc->outputs;
    if (XRRSetCrtcConfig(display, resources, crtc->crtc, CurrentTime, crtc->x, crtc->y, crtc->mode,
                         crtc->rotation, outputs.data(), int(outputs.size())) != RRSetConfigSuccess &&
        !lastError)
      lastError = -1;
  }
  XRRFreeScreenResources(resources);
  XUngrabServer(display);
  XSync(display, False);
  return changed;
}

}  // namespace

int main() {
  // The demo may be gone before the answer is written.
  std::signal(SIGPIPE, SIG_IGN);
  alarm(kXTimeLimit);
  Display *display = XOpenDisplay(nullptr);
  if (!display) return 1;
  XSetIOErrorHandler(LeaveQuietly);
  XSetErrorHandler(RecordError);
  int eventBase, errorBase, major = 0, minor = 0;
  if (!XRRQueryExtension(display, &eventBase, &errorBase) || !XRRQueryVersion(display, &major, &minor) ||
      major < 1 || (major == 1 && minor < 2))
    return write(kIn, &guardian_word::kSteppingAside, 1) == 1 ? 0 : 1;

  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  XRRScreenResources *resources = XRRGetScreenResourcesCurrent(display, root);
  if (!resources) return 1;
  const ScreenState saved = Read(display, root, resources);
  XRRFreeScreenResources(resources);
  const int widthMM = DisplayWidthMM(display, screen), heightMM = DisplayHeightMM(display, screen);

  if (write(kIn, &guardian_word::kGuarding, 1) != 1) return 0;
  alarm(0);
  // One word may come this way: the dismissal. Otherwise only the end counts.
  char byte;
  for (ssize_t got; (got = read(kIn, &byte, 1)) != 0;) {
    if (got == 1 && byte == guardian_word::kDismissed) return 0;
    if (got < 0 && errno != EINTR) break;
  }

  alarm(kXTimeLimit);
  if (Restore(display, root, saved, widthMM, heightMM)) {
    if (lastError)
      std::fprintf(stderr, "lightning: the program ended without restoring the display mode, and "
                           "%ux%u could not be put back (X error %d).\n", saved.width, saved.height, lastError);
    else
      std::fprintf(stderr, "lightning: the program ended without restoring the display mode; the "
                           "guardian restored the display mode of the desktop (%ux%u).\n", saved.width, saved.height);
  }
  XCloseDisplay(display);
  return 0;
}
