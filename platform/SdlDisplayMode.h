// The display mode and full screen. ChangeDisplaySettingsA (defined here)
// records the mode asked for, and every window goes full screen in it as it
// is made or shown; no mode puts the desktop's back. On X11 the layer also
// answers a window's full-screen request where no window manager will, and
// starts the guardian that puts the mode back should the program die.
#pragma once

#include "platform/Win32.h"

// A new window takes the mode in force.
void ApplyFullscreenMode(HWND window);
// ShowWindow's part: the window is shown, asking for full screen as it is
// shown when a mode is in force.
void ShowInFullscreenMode(HWND window);
