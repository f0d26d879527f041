// lightning-guardian: gives the desktop its display mode back when the demo
// ends without doing so itself.
//
// The demo starts it (ModeGuard.cpp) right before it changes the mode, with
// one end of a socket as standard input. The guardian opens a connection of
// its own to the X server, records the screen's RandR configuration (every
// CRTC's mode, position, rotation and outputs, and the screen size), answers
// one byte and waits for the end of the socket. When the demo has put the
// mode back itself it says so with one byte; any other end of the demo (a
// crash, SIGKILL, Xlib's I/O-error exit) closes the socket with no such
// word. Either way the guardian then restores whatever differs from the
// record and exits; only after the other endings does it say so on
// standard error. Nothing differs where the mode never changed.
//
// Several demos may run on one desktop, each starting while the one before
// holds its mode: the desktop's own configuration is the one the first
// guardian recorded, and SDL takes the mode in force when a demo starts
// for the desktop's. So each guardian keeps its record where the next one
// finds and adopts it: a property of a small window of its own, never
// mapped, which the X server destroys with the guardian's connection
// however the guardian ends. A guardian that ends while another one still
// keeps a record leaves the mode to that one's demo; the last one puts the
// desktop's own configuration back.
//
// Where the server has no RandR 1.2 it steps aside: it answers so and
// exits, and the demo runs on unguarded and silent. Any other failure
// before the answer (no connection, no screen resources, a server that
// stalls) ends it without answering, which the demo reports.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <utility>
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
  int widthMM, heightMM;
  std::vector<CrtcState> crtcs;
};

// The record's property, on each guardian's window: the screen's size in
// pixels and millimetres, the number of CRTCs, then each CRTC's id, mode,
// position, size, rotation, number of outputs and outputs, all as 32-bit
// integers.
constexpr char kRecordProperty[] = "_LIGHTNING_DESKTOP_CONFIGURATION";
constexpr long kMaxRecordValues = 4096;
constexpr long kMaxListed = 64;  // CRTCs, or outputs of one CRTC

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

std::vector<long> Serialize(const ScreenState &state) {
  std::vector<long> values{long(state.width), long(state.height), state.widthMM, state.heightMM,
                           long(state.crtcs.size())};
  for (const CrtcState &crtc : state.crtcs) {
    values.insert(values.end(), {long(crtc.crtc), long(crtc.mode), crtc.x, crtc.y, long(crtc.width),
                                 long(crtc.height), long(crtc.rotation), long(crtc.outputs.size())});
    for (const RROutput output : crtc.outputs) values.push_back(long(output));
  }
  return values;
}

// Any client can write the property: a record that does not add up is no
// record.
bool Parse(const long *values, unsigned long count, ScreenState &state) {
  unsigned long at = 0;
  auto next = [&](long &value) { return at < count && ((value = values[at++]), true); };
  long width, height, widthMM, heightMM, crtcs;
  if (!next(width) || !next(height) || !next(widthMM) || !next(heightMM) || !next(crtcs) || crtcs < 0 ||
      crtcs > kMaxListed)
    return false;
  state.width = unsigned(width);
  state.height = unsigned(height);
  state.widthMM = int(widthMM);
  state.heightMM = int(heightMM);
  state.crtcs.clear();
  for (long i = 0; i < crtcs; ++i) {
    long id, mode, x, y, w, h, rotation, outputs;
    if (!next(id) || !next(mode) || !next(x) || !next(y) || !next(w) || !next(h) || !next(rotation) ||
        !next(outputs) || outputs < 0 || outputs > kMaxListed || long(count - at) < outputs)
      return false;
    state.crtcs.push_back(CrtcState{RRCrtc(id), RRMode(mode), int(x), int(y), unsigned(w), unsigned(h),
                                    Rotation(rotation), std::vector<RROutput>(values + at, values + at + outputs)});
    at += outputs;
  }
  return at == count;
}

// Whether a guardian other than the one whose window is own keeps a record
// on this screen, and that record (into record, when asked for). Call it
// under a server grab, so that no guardian comes or goes meanwhile.
bool OtherRecord(Display *display, Window root, Window own, Atom property, ScreenState *record) {
  Window ignored, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, root, &ignored, &ignored, &children, &count)) return false;
  bool found = false;
  for (unsigned i = 0; i < count && !found; ++i) {
    Atom type;
    int format;
    unsigned long values = 0, after = 0;
    unsigned char *data = nullptr;
    if (children[i] == own || XGetWindowProperty(display, children[i], property, 0, kMaxRecordValues, False,
                                                 XA_INTEGER, &type, &format, &values, &after, &data) != Success)
      continue;
    ScreenState parsed{};
    found = data && type == XA_INTEGER && format == 32 && !after &&
            Parse(reinterpret_cast<const long *>(data), values, parsed);
    if (found && record) *record = std::move(parsed);
    if (data) XFree(data);
  }
  if (children) XFree(children);
  return found;
}

// The guardian's window, holding its record for the guardians that come
// after it.
Window KeepRecord(Display *display, Window root, Atom property, const ScreenState &state) {
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  const Window window =
      XCreateWindow(display, root, -1, -1, 1, 1, 0, 0, InputOnly, CopyFromParent, CWOverrideRedirect, &attributes);
  const std::vector<long> values = Serialize(state);
  XChangeProperty(display, window, property, XA_INTEGER, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char *>(values.data()), int(values.size()));
  return window;
}

// Puts back what differs from the record, as xrandr does: first switching
// off CRTCs that would not fit the recorded screen size, then setting that
// size, then each CRTC. Call it under a server grab. Returns whether
// anything had to change.
bool Restore(Display *display, Window root, const ScreenState &saved) {
  XRRScreenResources *resources = XRRGetScreenResourcesCurrent(display, root);
  if (!resources) return false;
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
    XRRSetScreenSize(display, root, int(saved.width), int(saved.height), saved.widthMM, saved.heightMM);
  for (const CrtcState *crtc : toSet) {
    std::vector<RROutput> outputs = crtc->outputs;
    if (XRRSetCrtcConfig(display, resources, crtc->crtc, CurrentTime, crtc->x, crtc->y, crtc->mode,
                         crtc->rotation, outputs.data(), int(outputs.size())) != RRSetConfigSuccess &&
        !lastError)
      lastError = -1;
  }
  XRRFreeScreenResources(resources);
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
  const Atom property = XInternAtom(display, kRecordProperty, False);
  XGrabServer(display);
  ScreenState saved{};
  if (!OtherRecord(display, root, None, property, &saved)) {
    XRRScreenResources *resources = XRRGetScreenResourcesCurrent(display, root);
    if (!resources) return 1;
    saved = Read(display, root, resources);
    XRRFreeScreenResources(resources);
    saved.widthMM = DisplayWidthMM(display, screen);
    saved.heightMM = DisplayHeightMM(display, screen);
  }
  const Window own = KeepRecord(display, root, property, saved);
  XUngrabServer(display);
  XSync(display, False);

  if (write(kIn, &guardian_word::kGuarding, 1) != 1) return 0;
  alarm(0);
  // One word may come this way: the dismissal. Otherwise only the end counts.
  bool dismissed = false;
  char byte;
  for (ssize_t got; !dismissed && (got = read(kIn, &byte, 1)) != 0;) {
    dismissed = got == 1 && byte == guardian_word::kDismissed;
    if (got < 0 && errno != EINTR) break;
  }

  alarm(kXTimeLimit);
  XGrabServer(display);
  // A window of the demo's that the server destroys meanwhile fails the
  // look for other records, not the restore: errors count from here.
  const bool last = !OtherRecord(display, root, own, property, nullptr);
  XSync(display, False);
  lastError = 0;
  const bool changed = last && Restore(display, root, saved);
  XDestroyWindow(display, own);
  XUngrabServer(display);
  XSync(display, False);
  if (changed && lastError)
    std::fprintf(stderr, "lightning: %s, and %ux%u could not be put back (X error %d).\n",
                 dismissed ? "the display mode of the desktop differed after the program restored it"
                           : "the program ended without restoring the display mode",
                 saved.width, saved.height, lastError);
  else if (changed && !dismissed)
    std::fprintf(stderr, "lightning: the program ended without restoring the display mode; the "
                         "guardian restored the display mode of the desktop (%ux%u).\n", saved.width, saved.height);
  XCloseDisplay(display);
  return 0;
}
