// What the layer says to the X server itself, beside SDL: the one file that
// includes Xlib and holds every test of SDL_VIDEO_DRIVER_X11. Under any
// other video driver, and in an SDL built without X11, each of these does
// nothing and answers as if no X server were there.
//
// - A window's X ids, taken once when it is made.
// - X's own events, which SDL passes on before what it makes of them: the
//   modifier state that tells Alt from AltGr, and the size the X server
//   gives a window.
// - Full screen where no window manager answers: the layer answers the
//   window's request in the window manager's place.
// - X errors while a window or a context is made, which fail that call
//   instead of ending the program in Xlib's default handler.
#pragma once

#include <SDL.h>

// A window as the X server knows it; all zero elsewhere.
struct X11Window {
  unsigned long id = 0, root = 0;
  void *display = nullptr;  // SDL's connection
};

// Whether SDL talks to an X server (its "x11" video driver).
bool UsingX11();
// Has SDL pass X's own events on (SDL_SYSWMEVENT).
void X11ListenToServerEvents();
X11Window X11WindowOf(SDL_Window *window);

// What one of X's own events says that SDL's events leave out.
struct X11News {
  enum Kind { kNothing, kKey, kSize } kind = kNothing;
  bool altHeld = false;  // kKey: Alt (Mod1) is among the modifiers held
  unsigned long window = 0;  // kSize: which window, and its new size
  int width = 0, height = 0;
};
X11News X11Read(const SDL_Event &systemEvent);

// Whether the layer must answer this window's full-screen requests itself:
// nobody redirects the root window's children, or whoever does lists no
// _NET_WM_STATE_FULLSCREEN among the states it supports.
bool X11StandsInForWindowManager(const X11Window &window);
// Writes the answer as a window manager does, and has SDL read it before
// returning.
void X11AnswerFullscreenRequest(const X11Window &window, bool fullscreen);

// From construction to destruction an X error is collected rather than
// fatal. Caught() waits for the server's answer to everything sent so far
// on the window's connection (where there is one yet) and says whether an
// error came, SDL's error then naming it. Traps nest. Outside them the
// handler that was there before takes errors as ever: SDL's, which puts
// the desktop's mode back, then Xlib's, which ends the program.
class X11ErrorTrap {
 public:
  X11ErrorTrap();
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap &) = delete;
  X11ErrorTrap &operator=(const X11ErrorTrap &) = delete;
  bool Caught(const X11Window &window);
};
