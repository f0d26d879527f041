// The demo's entry, its settings, the window procedure and the frame loop.
//
// LightningMain binds GL, makes the full-screen window, runs the loop until
// Escape or the window's destruction, and tears everything down. WndProc
// turns keyboard messages into key flags, detail changes and the frozen
// bolt, lets a key go on its release whether it comes as a key or as a
// system key, lets every key go when the window loses the focus
// (WM_KILLFOCUS), and keeps the viewport the size of the client area
// (WM_SIZE); UpdateSettings applies the held keys once per frame.
#pragma once

#include <cstdint>

#include "glbinding/GLTypes.h"
#include "platform/Win32.h"

// The names under which the GL and GLU libraries are loaded, defined by
// the executable (tests give names of their own).
extern const char *const GLLibraryName;
extern const char *const GLULibraryName;

struct TDemoSettings {
  float RotationX;  // degrees about X; Up and Down
  float RotationY;  // degrees about Y; Left and Right
  bool Finished;    // the loop ends after the pass that sets it
  bool Frozen;      // Space is held and FrozenList holds a bolt
  float Scatter;    // F1 and F2
  float Damping;    // F3 and F4
  std::int32_t Detail;  // "+" and "-"
};

inline constexpr TDemoSettings InitialSettings{45.0f, -45.0f, false, false, 0.2f, 0.6f, 10};

// Each step of detail doubles the work of a frame; at 18 a frame of the
// software renderer still answers the keys (see the README).
inline constexpr std::int32_t MaxDetail = 18;

extern TDemoSettings DemoSettings;
extern bool KeyState[256];
extern GLuint FrozenList;
extern GLuint FontTexture;

LRESULT WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void UpdateSettings();

// While not Finished: at most one message, UpdateSettings, DrawScene,
// glFlush, glFinish, SwapBuffers.
void RunFrameLoop();

// The whole program; returns the exit status.
int LightningMain();
