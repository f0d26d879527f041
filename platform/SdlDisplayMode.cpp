// Full screen in the mode asked for: see SdlDisplayMode.h.
#include "platform/SdlDisplayMode.h"

#include <SDL.h>

#include "platform/ModeGuard.h"
#include "platform/SdlWindow.h"
#include "platform/SdlX11.h"

namespace {

// The requested full-screen mode, applied to windows as they are made.
struct {
  bool active;
  int width, height;
} fullscreenMode;

// Going full screen on X11 is a request to the window manager (a
// _NET_WM_STATE message to the root window), which answers by adding
// _NET_WM_STATE_FULLSCREEN to the window's _NET_WM_STATE. SDL 2 takes the
// window for full screen as soon as it asks. SDL 3 waits for the answer:
// until it comes the mode change is provisional, and after 5 s without it
// SDL puts the desktop's mode back; and since sdl2-compat has SDL 3 wait
// inside every window call until the window manager has done its part
// (SDL_VIDEO_SYNC_WINDOW_OPERATIONS), the call itself blocks those 5 s. In
// a bare X session (a kiosk started with xinit) nobody answers, so there
// the layer answers in the window manager's place, right after each
// request, and SDL must not wait inside the call for an answer that only
// the layer can give once the call has returned. To SDL 2 the answer only
// says what it already holds true.
template <typename Request>
void RequestFullscreen(HWND window, bool fullscreen, Request request) {
  if (!X11StandsInForWindowManager(window->x)) {
    request();
    return;
  }
  // Set over the environment's variable of the same name, which would
  // otherwise win; put back as it was after the call.
  static const char *const kSync = "SDL_VIDEO_SYNC_WINDOW_OPERATIONS";
  char was[8] = "";
  const char *value = SDL_GetHint(kSync);
  if (value) SDL_strlcpy(was, value, sizeof was);
  SDL_SetHintWithPriority(kSync, "0", SDL_HINT_OVERRIDE);
  request();
  if (value)
    SDL_SetHintWithPriority(kSync, was, SDL_HINT_OVERRIDE);
  else
    SDL_ResetHint(kSync);
  X11AnswerFullscreenRequest(window->x, fullscreen);
}

}  // namespace

void ApplyFullscreenMode(HWND window) {
  if (!IsLive(window)) return;
  RequestFullscreen(window, fullscreenMode.active, [window] {
    if (fullscreenMode.active) {
      // SDL takes the smallest mode at least as large. Where there is none
      // (a screen smaller than the mode), SDL 2 changes nothing and never
      // asks for full screen at all, and the window would stay as it was
      // made, cut off by the screen's edges: it goes full screen at the
      // desktop's own mode instead, as large as the screen.
      SDL_DisplayMode mode{}, closest;
      mode.w = fullscreenMode.width;
      mode.h = fullscreenMode.height;
      if (SDL_GetClosestDisplayMode(SDL_GetWindowDisplayIndex(window->sdl), &mode, &closest)) {
        SDL_SetWindowDisplayMode(window->sdl, &mode);
        SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN);
      } else {
        SDL_SetWindowFullscreen(window->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
      }
    } else {
      SDL_SetWindowFullscreen(window->sdl, 0);
    }
  });
}

void ShowInFullscreenMode(HWND window) {
  if (fullscreenMode.active)
    RequestFullscreen(window, true, [window] { SDL_ShowWindow(window->sdl); });
  else
    SDL_ShowWindow(window->sdl);
}

LONG ChangeDisplaySettingsA(DEVMODEA *mode, DWORD) {
  if (mode) {
    const bool sized = (mode->dmFields & DM_PELSWIDTH) && (mode->dmFields & DM_PELSHEIGHT);
    if (!sized) return DISP_CHANGE_FAILED;
    // Only X11 changes the mode of the whole screen; Wayland and the
    // offscreen driver leave the desktop as it is.
    if (UsingX11()) StartModeGuardian();
    fullscreenMode = {true, int(mode->dmPelsWidth), int(mode->dmPelsHeight)};
  } else {
    fullscreenMode.active = false;
  }
  for (PlatformWindow &window : Windows()) ApplyFullscreenMode(&window);
  // SDL has put back the mode it found when the program started. That is
  // the desktop's own only if no other program had changed it: the guardian
  // holds the desktop's, and finishes the restore.
  if (!mode) DismissModeGuardian();
  return DISP_CHANGE_SUCCESSFUL;
}
