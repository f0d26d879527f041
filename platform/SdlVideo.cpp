// Opening the display (Win32.h: OpenDisplay, CloseDisplay): SDL's video
// driver, the hints the layer depends on, and the signals that end the
// program the ordinary way. Nothing else in the layer calls these, so
// there is no header of its own.
#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include "platform/SdlEvents.h"
#include "platform/SdlX11.h"
#include "platform/Win32.h"

namespace {

// SDL's drivers that draw nowhere a user can see.
bool ShowsOnScreen(const char *driver) {
  return driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0 &&
         std::strcmp(driver, "evdev") != 0;
}

void AppendReason(char *reason, unsigned size, const char *driver, const char *why) {
  const std::size_t used = std::strlen(reason);
  if (used + 1 >= size) return;
  std::snprintf(reason + used, size - used, "%s%s: %s", used ? "; " : "", driver, why);
}

}  // namespace

bool OpenDisplay(char *reason, unsigned reasonSize) {
  if (reasonSize) reason[0] = '\0';
  // The hints the layer depends on hold whatever the environment says:
  // SDL reads a variable of the same name in place of a hint set with less
  // than override priority.
  // The program does not react to losing the focus; a full-screen window
  // that minimised itself would leave the user looking at the desktop.
  SDL_SetHintWithPriority(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0", SDL_HINT_OVERRIDE);
  // Closing the window must not also be a quit request: WM_CLOSE comes once.
  SDL_SetHintWithPriority(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0", SDL_HINT_OVERRIDE);
  // Leaving full screen, SDL puts the pointer back where it was, and on
  // Wayland, while the cursor is hidden, it emulates that move by locking
  // the pointer. Where the compositor offers no relative pointer (mutter
  // 43 nested) the lock fails but is taken as made, and the next showing of
  // the cursor, the teardown's, releases a lock that does not exist and
  // crashes (SDL 2.26). The program never moves the pointer; without the
  // emulation nothing is locked and nothing released.
  SDL_SetHintWithPriority(SDL_HINT_VIDEO_WAYLAND_EMULATE_MOUSE_WARP, "0", SDL_HINT_OVERRIDE);

  const char *chosen = SDL_getenv("SDL_VIDEODRIVER");
  bool opened = false;
  if (chosen && *chosen) {
    opened = SDL_Init(SDL_INIT_VIDEO) == 0;
    if (!opened) AppendReason(reason, reasonSize, chosen, SDL_GetError());
  } else {
    // SDL's own choice first: where a session offers both X11 and Wayland,
    // SDL 3 takes Wayland only when the compositor has what SDL wants of
    // it, and a driver named to it would skip that test. But SDL would
    // also fall back to its offscreen driver when no display answers, and
    // the program would then run where nobody can see it or press a key.
    // Only drivers that show something on a screen count; failing those,
    // each is tried by name, so that the reason names every one.
    opened = SDL_Init(SDL_INIT_VIDEO) == 0 && ShowsOnScreen(SDL_GetCurrentVideoDriver());
    if (!opened) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    for (int i = 0; i < SDL_GetNumVideoDrivers() && !opened; ++i) {
      const char *driver = SDL_GetVideoDriver(i);
      if (!ShowsOnScreen(driver)) continue;
      SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
      opened = SDL_Init(SDL_INIT_VIDEO) == 0;
      if (!opened) AppendReason(reason, reasonSize, driver, SDL_GetError());
    }
  }
  if (opened) {
    // X's own events carry what SDL's leave out: the modifier state that
    // tells Alt from AltGr, and the window's size as the X server has it.
    X11ListenToServerEvents();
    struct sigaction old {};
    sigaction(SIGHUP, nullptr, &old);
    // An ignored hang-up (nohup) stays ignored, as SDL does for its own.
    if (old.sa_handler == SIG_DFL) {
      struct sigaction action {};
      action.sa_handler = OnHangUp;
      sigemptyset(&action.sa_mask);
      action.sa_flags = SA_RESTART;
      sigaction(SIGHUP, &action, nullptr);
    }
    // A connection the X server has closed (the window killed from outside)
    // must end the program through Xlib's I/O error handler, status 1, as
    // every such ending does, not by SIGPIPE from whichever write of Xlib's
    // meets the closed socket first.
    sigaction(SIGPIPE, nullptr, &old);
    if (old.sa_handler == SIG_DFL) signal(SIGPIPE, SIG_IGN);
  }
  // No SDL_Quit at exit: when the X server goes away, Xlib ends the process
  // from inside its error handler, and SDL_Quit would then wait forever on
  // the dead connection. Fatal paths restore the display mode themselves.
  return opened;
}

void CloseDisplay() { SDL_Quit(); }
