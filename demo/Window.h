// The full-screen window and its rendering context.
//
// CreateGLWindow registers the class "OpenGL", switches to 1024 x 768 x 32,
// hides the cursor, makes the window, its pixel format and the context,
// brings it to the front and switches vertical synchronisation off. On a
// failure it tears down what it made (KillGLWindow), says in an error box
// which step failed and returns false.
// KillGLWindow restores the display and the cursor and releases context,
// device context, window and class in that order, reporting each failure in
// a message box and carrying on.
#pragma once

#include "platform/Win32.h"

extern HWND WindowHandle;
extern HDC DeviceContext;
extern HGLRC RenderContext;
extern HINSTANCE InstanceHandle;
extern const char *WindowTitle;

inline constexpr int ScreenWidth = 1024;
inline constexpr int ScreenHeight = 768;

bool CreateGLWindow();
void KillGLWindow();
