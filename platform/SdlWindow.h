// Windows and their tables: the process-wide class table, the windows made
// so far, the cursor. Win32.h's user32 calls on windows are defined here;
// this header is for the rest of the layer.
//
// Windows stay allocated for the life of the process: a handle that the
// system has destroyed (a close request) must still be safe to pass to the
// teardown, which then finds nothing left to release.
#pragma once

#include <SDL.h>

#include <span>

#include "platform/SdlX11.h"
#include "platform/Win32.h"

struct PlatformDeviceContext {
  PlatformWindow *window;
};

struct PlatformWindow {
  SDL_Window *sdl = nullptr;
  X11Window x;  // on X11: the window there
  WNDPROC procedure = nullptr;
  const char *className = nullptr;  // points into the class table
  bool destroyed = false;
  // CS_OWNDC: the window has one device context of its own for its life.
  PlatformDeviceContext ownDC{this};
};

// Every window made so far, the destroyed ones included.
std::span<PlatformWindow> Windows();
// Not destroyed, and still an SDL window.
bool IsLive(HWND window);
HWND WindowFromSdlId(Uint32 id);
HWND FirstLiveWindow();
// Windows sends WM_SIZE rather than posting it: the procedure runs at once,
// with the size in pixels that GL draws to.
void SendSize(HWND window, int width, int height);
