// The GL visual, the pixel format and WGL over SDL's GL calls. The gdi32
// and WGL calls of Win32.h are defined here; this header is for the window
// room, which makes windows with the visual.
#pragma once

#include <SDL.h>

// An SDL window with the program's visual; null on failure, with SDL's
// error saying why.
SDL_Window *CreateGLCapableWindow(const char *title, int x, int y, int width, int height, Uint32 flags);
